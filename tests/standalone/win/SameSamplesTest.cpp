// Windows and Linux builds play the same samples: notes, pedal, program and
// pitch-bend messages rendered through render16 and processReplacing. The
// native suite writes the reference; the Windows suite compares byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestHost.h"

namespace tine {
namespace {

struct TimedMidi {
    int32_t frame;  // from the start of the scene
    uint8_t status, d1, d2;
};

struct Scene {
    const char* name;
    float sampleRate;
    int32_t program, blockFrames, frames;
    bool floatOutput;  // processReplacing instead of render16
    std::vector<TimedMidi> midi;
};

// clang-format off
std::vector<Scene> scenes() {
    std::vector<Scene> list;
    // A pedalled chord, extreme keys and a program change from MIDI.
    list.push_back({"chord and pedal, 44100 Hz, blocks of 512", 44100.0f, 0, 512, 110250, false,
                    {{0, 0x90, 60, 100},      {0, 0x90, 64, 80},      {3, 0x90, 67, 127},     {13230, 0xB0, 64, 127},
                     {26460, 0x80, 60, 0},    {26460, 0x90, 64, 0},   {26461, 0x80, 67, 64},  {52920, 0xB0, 64, 0},
                     {57330, 0x90, 96, 90},   {59000, 0x90, 28, 110}, {70560, 0xC0, 5, 0},    {70600, 0x90, 72, 100},
                     {80000, 0xE0, 0, 96},    {90000, 0x80, 72, 0},   {95000, 0x80, 96, 0},   {100000, 0xB0, 123, 0}}});
    // Fast repeated notes in odd-sized blocks: many voices, stealing, events on block edges.
    Scene b{"repeated notes, 48000 Hz, blocks of 37", 48000.0f, 17, 37, 96000, false, {}};
    for (int i = 0; i < 40; ++i) {
        b.midi.push_back({i * 1850, 0x90, uint8_t(40 + (i * 7) % 45), uint8_t(20 + (i * 13) % 108)});
        if (i >= 3) b.midi.push_back({i * 1850 + 37, 0x80, uint8_t(40 + ((i - 3) * 7) % 45), 0});
    }
    list.push_back(b);
    // The float path of a plug-in host.
    list.push_back({"processReplacing, 44100 Hz, blocks of 256", 44100.0f, 3, 256, 44100, true,
                    {{0, 0x90, 48, 100}, {5000, 0x90, 55, 70}, {20000, 0x80, 48, 0}, {30000, 0x80, 55, 0}}});
    return list;
}
// clang-format on

void appendBytes(std::vector<uint8_t>& out, const void* data, std::size_t bytes) {
    out.insert(out.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
}

// Every scene in a fresh instance, from the same modulator phases.
std::vector<uint8_t> renderScenes() {
    test::TablesHold tables;
    std::vector<uint8_t> bytes;
    for (const Scene& scene : scenes()) {
        test::restartModulatorPhases();
        SynthPlugin plugin(nullptr);
        plugin.setSampleRate(scene.sampleRate);
        plugin.setProgram(scene.program);
        plugin.resume();

        std::vector<int16_t> pcm(std::size_t(scene.blockFrames) * 2);
        std::vector<float> left(std::size_t(scene.blockFrames)), right(left.size());
        std::size_t next = 0;
        for (int32_t start = 0; start < scene.frames; start += scene.blockFrames) {
            const int32_t frames = std::min(scene.blockFrames, scene.frames - start);
            std::vector<test::Midi> block;
            while (next < scene.midi.size() && scene.midi[next].frame < start + frames) {
                const TimedMidi& m = scene.midi[next++];
                block.push_back({m.frame - start, m.status, m.d1, m.d2});
            }
            test::EventList events(block);
            plugin.processEvents(events.get());
            if (scene.floatOutput) {
                float* outputs[2] = {left.data(), right.data()};
                plugin.processReplacing(nullptr, outputs, frames);
                appendBytes(bytes, left.data(), std::size_t(frames) * sizeof(float));
                appendBytes(bytes, right.data(), std::size_t(frames) * sizeof(float));
            } else {
                plugin.render16(pcm.data(), frames);
                appendBytes(bytes, pcm.data(), std::size_t(frames) * 2 * sizeof(int16_t));
            }
        }
    }
    return bytes;
}

std::size_t sceneBytes(const Scene& scene) {
    return std::size_t(scene.frames) * 2 * (scene.floatOutput ? sizeof(float) : sizeof(int16_t));
}

// Where two renders part: "none", or the scene and the byte inside it.
std::string firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::size_t at = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin();
    for (const Scene& scene : scenes()) {
        if (at < sceneBytes(scene))
            return std::string(scene.name) + ", byte " + std::to_string(at);
        at -= sceneBytes(scene);
    }
    return a.size() == b.size() ? "none" : "a render of another length";
}

#if defined(_WIN32) || defined(TINE_COMPARE_SAME_SAMPLES)
TEST(SameSamples, CrossBuildRendersTheNativeBuildsSamples) {
    std::ifstream in(TINE_SAME_SAMPLES_FILE, std::ios::binary);
    const std::vector<uint8_t> reference{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(reference.empty()) << "no " TINE_SAME_SAMPLES_FILE ": run the native suite first";
    EXPECT_EQ(firstDifference(renderScenes(), reference), "none");
}
#else
TEST(SameSamples, NativeBuildRendersAudiblyAndAlikeTwiceAndWritesTheReference) {
    const std::vector<uint8_t> bytes = renderScenes();
    std::size_t expected = 0, nonZero = 0;
    for (const Scene& scene : scenes()) expected += sceneBytes(scene);
    for (uint8_t b : bytes) nonZero += b != 0;
    ASSERT_EQ(bytes.size(), expected);
    EXPECT_GT(nonZero, bytes.size() / 4) << "hardly anything audible";
    EXPECT_EQ(firstDifference(bytes, renderScenes()), "none") << "a second render in the same process";
    std::ofstream out(TINE_SAME_SAMPLES_FILE, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    EXPECT_TRUE(out.flush().good()) << "cannot write " TINE_SAME_SAMPLES_FILE;
}
#endif

}  // namespace
}  // namespace tine
