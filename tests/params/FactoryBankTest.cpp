// The factory bank: what every program keeps to, and a fingerprint of how each
// one sounds, so neither the data nor the engine changes a sound unnoticed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "TestHost.h"
#include "engine/ShapeTable.h"

namespace tine {
namespace {

TEST(FactoryBank, ProgramsStayInsideTheTableAndPickNamedShapes) {
    for (int p = 0; p < kNumPrograms; ++p) {
        const FactoryProgram& program = kFactoryBank[p];
        ASSERT_NE(program.name, nullptr) << p;
        SCOPED_TRACE(program.name);
        EXPECT_LT(std::strlen(program.name), std::size_t(kProgramNameBytes));
        for (int i = 0; i < kNumParams; ++i) {
            EXPECT_GE(program.values[i], ParameterTable[i].minValue) << i;
            EXPECT_LE(program.values[i], ParameterTable[i].maxValue) << i;
        }
        EXPECT_EQ(voicesForValue(program.values[kParamVoices]), 16);
        // A value that matches no shape's key silently plays slot 0 instead.
        for (int osc = 0; osc < 3; ++osc) {
            const float value = program.values[kParamOsc1Shape + osc];
            const int slot = shapeIndexForValue(value);
            EXPECT_EQ(int(100.0 * kShapeDesigns[slot].key + 0.1), int(100.0 * value + 0.1)) << "Osc" << osc + 1;
        }
        for (int other = 0; other < p; ++other)
            EXPECT_NE(std::memcmp(program.values, kFactoryBank[other].values, sizeof program.values), 0) << other;
    }
}

// FNV-1a over the float bits of both channels.
uint32_t hashSamples(uint32_t hash, const std::vector<float>& samples) {
    for (float s : samples) {
        uint32_t bits;
        std::memcpy(&bits, &s, sizeof bits);
        for (int byte = 0; byte < 4; ++byte) hash = (hash ^ ((bits >> (8 * byte)) & 0xFF)) * 16777619u;
    }
    return hash;
}

// A quarter second of a four-note chord, two notes released halfway, in
// blocks of 256 frames, from a fresh instance and fresh modulator phases.
uint32_t fingerprint(int program, float rate) {
    test::restartModulatorPhases();
    test::PluginRig rig;
    rig->setSampleRate(rate);
    rig->setProgram(program);
    rig->resume();
    const int32_t frames = int32_t(rate) / 4, release = frames / 2, block = 256;
    uint32_t hash = 2166136261u;
    for (int32_t start = 0; start < frames; start += block) {
        std::vector<test::Midi> events;
        if (start == 0)
            events = {{0, 0x90, 48, 100}, {0, 0x90, 55, 80}, {1, 0x90, 60, 90}, {3, 0x90, 64, 127}};
        if (release >= start && release < start + block)
            events = {{release - start, 0x80, 55, 0}, {release - start, 0x90, 64, 0}};
        const test::Stereo out = rig.render(std::min(block, frames - start), events);
        hash = hashSamples(hashSamples(hash, out.left), out.right);
    }
    return hash;
}

// The engine renders the same bits in every build (native, Windows 32- and
// 64-bit), so these hold everywhere. After changing a sound on purpose, run
//   TINE_PRINT_FINGERPRINTS=1 build/tests/tine_tests --gtest_filter=FactoryBank.*
// and paste the printed table here.
// clang-format off
const uint32_t kFingerprints[2][kNumPrograms] = {
    {0x461c5ac9, 0x070ebf82, 0x4d69ed5b, 0x67a3c631, 0x5b8b05b0, 0x9255c2e7, 0xa609937d, 0x91d9e69b,
     0x576bb3b0, 0x054b8480, 0x1126216f, 0xe30afa19, 0x1d09f445, 0xd51df107, 0xee1b6601, 0x3fae0df5,
     0xb99f5ec3, 0x6e8fca2b, 0x818182f5, 0x2fbce4e6, 0x221ddcf4, 0xe673ee8c, 0x4e7f4ce8, 0x9f4efea2,
     0x9f73e404, 0xab605dbf, 0x670caecf, 0x13ec747a, 0x931613ca, 0xbbead2c3, 0x1bc51a55, 0xea89c618},
    {0xe08d1b58, 0xbcf57a99, 0x0e76b0dc, 0x7b2af0b3, 0x774991c3, 0x7118ed57, 0x064321ca, 0xb7169f85,
     0x018f5b8e, 0x507307d3, 0x1f2b4ba3, 0xcb5e3741, 0xa940f400, 0x5726f907, 0x80950666, 0x3194fa0d,
     0x2673833f, 0x85accd25, 0x608ab4d1, 0x8cdb4d22, 0xa31cb71a, 0xc2525294, 0x09639f09, 0xdc577902,
     0x01ae6428, 0x9f6de571, 0x03f7a67d, 0xc2743de7, 0x82b967ef, 0x137d8b59, 0xd2be77a5, 0x8f29eba7},
};
// clang-format on

TEST(FactoryBank, EveryProgramSoundsAsFingerprintedAt44100And48000) {
    const float rates[2] = {44100.0f, 48000.0f};
    uint32_t hashes[2][kNumPrograms];
    for (int r = 0; r < 2; ++r)
        for (int p = 0; p < kNumPrograms; ++p) hashes[r][p] = fingerprint(p, rates[r]);
    if (std::getenv("TINE_PRINT_FINGERPRINTS")) {
        std::printf("const uint32_t kFingerprints[2][kNumPrograms] = {\n");
        for (const auto& row : hashes) {
            std::printf("    {");
            for (int p = 0; p < kNumPrograms; ++p) {
                const char* after = p == kNumPrograms - 1 ? "},\n" : p % 8 == 7 ? ",\n     " : ", ";
                std::printf("0x%08x%s", unsigned(row[p]), after);
            }
        }
        std::printf("};\n");
    }
    for (int r = 0; r < 2; ++r)
        for (int p = 0; p < kNumPrograms; ++p)
            EXPECT_EQ(hashes[r][p], kFingerprints[r][p]) << kFactoryBank[p].name << " at " << rates[r] << " Hz";
}

}  // namespace
}  // namespace tine
