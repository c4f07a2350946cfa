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
// With a shape slot, program 0 plays that shape on all three oscillators.
uint32_t fingerprint(int program, float rate, int shapeSlot = -1) {
    test::restartModulatorPhases();
    test::PluginRig rig;
    rig->setSampleRate(rate);
    rig->setProgram(program);
    for (int osc = 0; shapeSlot >= 0 && osc < 3; ++osc)
        rig->setParameter(kParamOsc1Shape + osc, kShapeDesigns[shapeSlot].key);
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

// Prints a table of hashes as C++ to paste over the one it replaces.
template <std::size_t Rows, std::size_t Columns>
void printTable(const char* name, const uint32_t (&table)[Rows][Columns]) {
    std::printf("const uint32_t %s[%zu][%zu] = {\n", name, Rows, Columns);
    for (const auto& row : table) {
        std::printf("    {");
        for (std::size_t i = 0; i < Columns; ++i) {
            const char* after = i == Columns - 1 ? "},\n" : i % 8 == 7 ? ",\n     " : ", ";
            std::printf("0x%08x%s", unsigned(row[i]), after);
        }
    }
    std::printf("};\n");
}

// The engine renders the same bits in every build (native, Windows 32- and
// 64-bit), so these hold everywhere. After changing a sound on purpose, run
//   TINE_PRINT_FINGERPRINTS=1 build/tests/tine_tests --gtest_filter=FactoryBank.*
// and paste the printed tables here.
// clang-format off
const uint32_t kFingerprints[2][kNumPrograms] = {
    {0x461c5ac9, 0x070ebf82, 0xabc5a743, 0x7a1d2375, 0xb5032959, 0x8a6a95a1, 0xa609937d, 0x66b42e9d,
     0x44bb0654, 0xdbaf6a36, 0x4815515d, 0x1e56af30, 0xc4766068, 0x8334c8c2, 0xd9407e5c, 0x7417bdc9,
     0x59cf7568, 0xc1da7831, 0x2a1fa47d, 0xaf08a80a, 0x084e39e5, 0x69585689, 0xf0ff120d, 0x43974adc,
     0x65904079, 0x6e900b41, 0x2616d43c, 0xbf15874c, 0xa796d26f, 0x59ad3d8f, 0xa2487105, 0x10470e24},
    {0xe08d1b58, 0xbcf57a99, 0xb212d572, 0x51a9ee40, 0xcf1f6bb5, 0x047bcff5, 0x064321ca, 0x39b9a276,
     0xf8bc9efd, 0xacf28810, 0x90e52d0f, 0x11e75dd3, 0xecda2e5e, 0xfb8c144a, 0x14db9204, 0x308d1279,
     0xb1eeb954, 0xf094fdb3, 0x59c3ce79, 0x136e67bc, 0xd8d2b8e0, 0x1ffe7c7d, 0xf5fc6e62, 0x7f6bf75c,
     0x58abf535, 0x6960c151, 0xc56e08c8, 0xb52740cc, 0xabbc3e1f, 0xb5713692, 0x9154e365, 0x53b70f01},
};
// clang-format on

TEST(FactoryBank, EveryProgramSoundsAsFingerprintedAt44100And48000) {
    const float rates[2] = {44100.0f, 48000.0f};
    uint32_t hashes[2][kNumPrograms];
    for (int r = 0; r < 2; ++r)
        for (int p = 0; p < kNumPrograms; ++p) hashes[r][p] = fingerprint(p, rates[r]);
    if (std::getenv("TINE_PRINT_FINGERPRINTS"))
        printTable("kFingerprints", hashes);
    for (int r = 0; r < 2; ++r)
        for (int p = 0; p < kNumPrograms; ++p)
            EXPECT_EQ(hashes[r][p], kFingerprints[r][p]) << kFactoryBank[p].name << " at " << rates[r] << " Hz";
}

// Every shape, also those no factory program uses, through program 0 at 44.1 kHz.
// clang-format off
const uint32_t kShapeFingerprints[1][kNamedShapes] = {
    {0xd8379410, 0xfd40b86e, 0x92412d14, 0x77d8c4e0, 0xee702630, 0x153938e0, 0x9f087561, 0x28481f93,
     0x15d1f7f2, 0x6db8dddf, 0xd6373794, 0xbd7d5dec, 0x44fc627d, 0x2d63108f, 0xe22a6f2a, 0x32d8249c,
     0xad4ca256, 0x0a1d15ba, 0x27729352, 0x94a3bc4d, 0x2820f9af, 0x0ebeb9b8, 0x99fbc5f8, 0x42a0a1c7,
     0x9e10d6e5, 0x3f1786e3, 0xd5a2fe83, 0x8a35214a, 0x34e42424, 0xbfa90711, 0x6a2a1374, 0xcec41961,
     0x8afaf4b0, 0x3c84e0f6, 0xf5c50fc2, 0x21c97787, 0xce79ff12, 0xb73f406c, 0xd5fa5cbc, 0xff72fe39,
     0x4d69559a, 0x3d3265b2, 0x4f87e98b, 0xec525e4e, 0xd224b2cc, 0xc42f14f7, 0xf218a3aa, 0x444a4be8,
     0x87613489, 0xb23fc239, 0x171f881c, 0xa48350ca, 0x59fd73c2, 0x57a728f0, 0x730a519c, 0x391c738b,
     0x53941724, 0x2774859e, 0xd63b250b, 0x35db3285, 0xccbb765d, 0x306b42ec, 0x5597242a, 0xc7916d79,
     0x823e2885, 0x20700453, 0xcf8a9f30, 0xa2a9bbbd, 0x2f36fb52, 0xd1d3bc17, 0x21bfdace, 0x4caaa4cf,
     0x17633875, 0x15767337, 0xdd610b9a, 0x29a4f76e, 0xb7971033, 0x4d4f3900, 0xd5df16d9, 0x99823162,
     0xc6999f6e, 0xd74c8427, 0x68e1c73e, 0xb90c9961, 0xf3085af7, 0x9e0bb707, 0xb39cbbef, 0xa84172a0,
     0x5781e515, 0x25a64d79, 0x857ec1bc, 0xed8cf79e, 0xe89956ee, 0x12c3d960, 0xca0104a8, 0x6f48a525,
     0xa74a055c},
};
// clang-format on

TEST(FactoryBank, EveryShapeSoundsAsFingerprinted) {
    uint32_t hashes[1][kNamedShapes];
    for (int slot = 0; slot < kNamedShapes; ++slot) hashes[0][slot] = fingerprint(0, 44100.0f, slot);
    if (std::getenv("TINE_PRINT_FINGERPRINTS"))
        printTable("kShapeFingerprints", hashes);
    for (int slot = 0; slot < kNamedShapes; ++slot)
        EXPECT_EQ(hashes[0][slot], kShapeFingerprints[0][slot]) << kShapeDesigns[slot].name;
}

}  // namespace
}  // namespace tine
