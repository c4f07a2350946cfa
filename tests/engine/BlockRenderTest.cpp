// Block rendering: events inside and across blocks, the three output paths,
// control ticks, and the sample rate: its bounds, the sizes that follow it and
// a change while notes sound.
#include <cmath>

#include "engine/EngineTestSupport.h"
#include "engine/Pcm16.h"

namespace tine {
namespace {

using test::EngineRig;
using test::EventList;
using test::Midi;
using test::PluginRig;
using test::Stereo;

// Renders `total` frames in blocks of `block`, handing each block the events
// that fall into it, measured from the block's start.
std::vector<float> renderInBlocks(int32_t block, int32_t total, const std::vector<Midi>& events) {
    test::restartModulatorPhases();
    PluginRig rig;
    std::vector<float> all;
    for (int32_t start = 0; start < total; start += block) {
        std::vector<Midi> mine;
        for (Midi m : events)
            if (m.delta >= start && m.delta < start + block)
                mine.push_back({m.delta - start, m.status, m.d1, m.d2});
        Stereo out = rig.render(block, mine);
        for (int32_t i = 0; i < block; ++i)
            all.insert(all.end(), {out.left[std::size_t(i)], out.right[std::size_t(i)]});
    }
    all.resize(std::size_t(2 * total));
    return all;
}

// In blocks of one frame every event acts at the start of its block, so events
// act before the sample at their offset in blocks of any size. Program 0 runs
// every effect, so the control ticks matter too.
TEST(BlockRender, BlockSizeDoesNotChangeASingleSample) {
    const std::vector<Midi> events = {{0, 0x90, 60, 100},    {1, 0x90, 64, 90},   {100, 0x90, 67, 70},
                                      {2000, 0xB0, 64, 127}, {2500, 0x80, 60, 0}, {4095, 0x90, 72, 127},
                                      {4096, 0x80, 64, 0},   {6000, 0xB0, 64, 0}, {7000, 0x80, 67, 0}};
    const std::vector<float> reference = renderInBlocks(4096, 8192, events);
    for (int32_t block : {1, 7, 64}) EXPECT_TRUE(test::sameBits(renderInBlocks(block, 8192, events), reference));
}

// A host's list is only valid until the render that consumes it returns: an
// event beyond its block is dropped, and so is the rest of a list when the next
// arrives, or when a block of n < 1 frames comes. Such a block writes nothing,
// moves the next control tick by -n and still flips the denormal offset. Events
// at one offset act in list order.
TEST(BlockRender, EventListsLiveOnlyForTheirBlock) {
    PluginRig rig;
    EventList late({{100, 0x90, 60, 100}, {10, 0x90, 64, 100}}), now({{0, 0x90, 60, 100}});
    rig->processEvents(late.get());
    rig.renderPending(64);  // list order stops at the first event still ahead
    rig.renderPending(128);
    rig->processEvents(now.get());
    const float offset = rig.engine().denormalOffset;
    const int32_t countdown = rig.engine().controlCountdown;
    float left[4] = {7, 7, 7, 7}, right[4] = {7, 7, 7, 7}, *outputs[2] = {left, right};
    rig->processReplacing(nullptr, outputs, 0);
    rig->process(nullptr, outputs, 0);
    rig->processReplacing(nullptr, outputs, -5);
    EXPECT_TRUE(rig.engine().denormalOffset == -offset && rig.engine().controlCountdown == countdown + 5);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(left[i] == 7 && right[i] == 7);
    rig.renderPending(4);
    EXPECT_EQ(rig.engine().activeVoices, nullptr);
    rig->processEvents(late.get());
    rig.renderPending(64);
    rig.render(128, {{5, 0x90, 64, 100}, {5, 0x80, 64, 0}});
    rig.render(128);
    ASSERT_NE(rig.engine().activeVoices, nullptr);
    EXPECT_TRUE(rig.engine().activeVoices->note == 64 && rig.engine().activeVoices->fading);
    EXPECT_EQ(rig.engine().activeVoices->next, nullptr);
}

// The three output paths render the same samples: processReplacing
// overwrites the buffers, process adds to them, render16 interleaves them in
// 16 bits. The chord is loud enough to overdrive the output.
TEST(BlockRender, OutputPaths) {
    auto run = [](int path, float before, int16_t* pcm = nullptr) {
        test::restartModulatorPhases();
        PluginRig rig;
        rig->setParameter(kParamLevel, 1.0f);
        for (int k = 0; k < 3; ++k) rig->setParameter(kParamOsc1Level + k, 1.0f);
        EventList chord({{0, 0x90, 48, 127}, {0, 0x90, 55, 127}, {0, 0x90, 60, 127}, {0, 0x90, 64, 127}});
        rig->processEvents(chord.get());
        std::vector<float> left(4096, before), right(4096, before);
        float* outputs[2] = {left.data(), right.data()};
        path == 0   ? rig->processReplacing(nullptr, outputs, 4096)
        : path == 1 ? rig->process(nullptr, outputs, 4096)
                    : rig->render16(pcm, 4096);
        left.insert(left.end(), right.begin(), right.end());
        return left;
    };
    const std::vector<float> out = run(0, 3.0f), added = run(1, 0.25f);
    int clipped = 0;
    std::vector<int16_t> pcm(2 * 4096, 12345);
    run(2, 0.0f, pcm.data());
    for (std::size_t i = 0; i < 4096; ++i) {
        ASSERT_TRUE(added[i] == out[i] + 0.25f && added[4096 + i] == out[4096 + i] + 0.25f) << i;
        ASSERT_TRUE(pcm[2 * i] == toPcm16(out[i]) && pcm[2 * i + 1] == toPcm16(out[4096 + i])) << i;
        clipped += std::fabs(out[i]) >= 1.0f;
    }
    EXPECT_GT(clipped, 0);
    // The nearest integer to x · 32767.5 - 0.5, ties to even, within ±32767; NaN is silence.
    const std::pair<float, int> rows[] = {{1, 32767},    {-1, -32767},  {2, 32767},      {-INFINITY, -32767},
                                          {NAN, 0},      {-0.0f, 0},    {0.5f, 16383},   {-0.5f, -16384},
                                          {0x1p-14f, 1}, {0x1p-15f, 0}, {-0x1p-15f, -1}, {0.9999f, 32764}};
    for (auto [x, want] : rows) EXPECT_EQ(toPcm16(x), want) << x;
}

// The LFOs are pulled back to their circle once per control period, the
// longest whole number of samples shorter than 64 at 44.1 kHz, at the same
// spacing across blocks of any size: a still LFO off its circle moves only
// then. The chorus lines are the longest shorter than 5 ms.
TEST(BlockRender, ControlPeriodAndChorusLinesFollowTheRate) {
    for (float rate : test::kRates) {
        EngineRig rig(16, rate);
        const std::size_t period = std::size_t(64 * 44100 - 1) / std::size_t(rate);
        EXPECT_EQ(rig.engine.effects.chorusSize, (5 * int32_t(rate) - 1) / 1000) << rate;
        std::vector<std::size_t> moves, expected;
        std::size_t frame = 0;
        rig.engine.effects.tremoloLfo = QuadratureLfo{1.1f, 0.0f, 0.0f};
        for (int32_t block : {7, 50, 1, 64, 200, 3, 400}) {
            test::watch(rig.engine, block, [&](EffectsChain& fx) {
                if (fx.tremoloLfo.x != 1.1f)
                    moves.push_back(frame);
                fx.tremoloLfo = QuadratureLfo{1.1f, 0.0f, 0.0f};
                ++frame;
            });
        }
        for (std::size_t t = period; t < frame; t += period) expected.push_back(t);
        EXPECT_EQ(moves, expected) << rate;
    }
}

// Rates beyond the engine's range are brought to its ends, whichever of the
// two opcodes a host sets them with.
TEST(BlockRender, SampleRatesOutsideTheRangeAreBounded) {
    PluginRig rig;
    const std::pair<float, float> bounded[] = {{500, 1000},    {0, 1000},          {-44100, 1000}, {-INFINITY, 1000},
                                               {1e9f, 768000}, {INFINITY, 768000}, {NAN, 768000},  {48000, 48000}};
    for (int32_t opcode : {effSetSampleRate, effSetBlockSizeAndSampleRate}) {
        for (auto [rate, used] : bounded) {
            rig->getAeffect()->dispatcher(rig->getAeffect(), opcode, 0, 256, nullptr, rate);
            EXPECT_TRUE(rig->getSampleRate() == used && rig.engine().sampleRate == used) << opcode << " " << rate;
            Stereo out = rig.render(2048, {{0, 0x90, 60, 127}, {0, 0x90, 127, 127}, {1000, 0x80, 60, 0}});
            EXPECT_TRUE(test::allFinite(out.left) && test::allFinite(out.right)) << rate;
        }
    }
}

// A host changes the rate while notes sound: they are released at once and the
// chorus starts empty; once they have died away, a new note plays the samples
// (to the denormal offset's 1e-24) of an instance started at the new rate:
// pitch, envelope times, chorus lines and control period all follow, and so
// do the LFO speeds.
TEST(BlockRender, SampleRateChangeWhileNotesSound) {
    for (auto [from, to] : {std::pair{44100.0f, 96000.0f}, {96000.0f, 22050.0f}, {48000.0f, 192000.0f}}) {
        SCOPED_TRACE(testing::Message() << from << " -> " << to);
        PluginRig changed, fresh;
        for (auto [rig, rate] : {std::pair{&changed, from}, {&fresh, to}}) {
            (*rig)->setSampleRate(rate);
            rig->dry();
            (*rig)->setParameter(kParamChorusDepth, 1.0f);
            (*rig)->setParameter(kParamChorusSplit, 1.0f);
        }
        changed.render(3000, {{0, 0xB0, 64, 127}, {0, 0x90, 60, 100}, {10, 0x90, 67, 100}, {2000, 0x80, 60, 0}});
        changed->setSampleRate(to);
        const Engine& e = changed.engine();
        EXPECT_FALSE(e.sustainPedal);
        for (const Voice* v = e.activeVoices; v; v = v->next) EXPECT_TRUE(v->fading && !v->keyHeld);
        EXPECT_TRUE(e.effects.chorusMemory == 0.0f && e.effects.chorusWrite == 0);
        for (int32_t i = 0; i < e.effects.chorusSize; ++i)
            ASSERT_TRUE(e.effects.chorusLeft[i] == 0.0f && e.effects.chorusRight[i] == 0.0f);
        // Wait until they are gone and the chorus lines have forgotten them.
        int blocks = 4;
        for (; e.activeVoices && blocks < 40 * int(to / 512); ++blocks) changed.render(512);
        ASSERT_EQ(e.activeVoices, nullptr);
        for (int b = 0; b < 4; ++b) changed.render(512);
        for (int b = 0; b < blocks; ++b) fresh.render(512);

        std::vector<float> outs[2];
        for (PluginRig* rig : {&changed, &fresh}) {
            test::restartModulatorPhases();
            std::vector<float>& out = outs[rig == &fresh];
            out = rig->render(512, {{0, 0x90, 72, 110}, {100, 0x80, 72, 0}}).left;
            while (rig->engine().activeVoices && out.size() < 20 * to) {
                const std::vector<float> more = rig->render(512).left;
                out.insert(out.end(), more.begin(), more.end());
            }
        }
        ASSERT_EQ(outs[0].size(), outs[1].size());
        for (std::size_t i = 0; i < outs[0].size(); ++i) ASSERT_NEAR(outs[0][i], outs[1][i], 1e-20f) << i;
        const double tremoloHz = 5.0 * double(kFactoryBank[0].values[kParamTremoloSpeed]) + 1.0;
        EXPECT_NEAR(test::lfoHz(changed.engine(), int32_t(to / 2))[0], tremoloHz, tremoloHz * 1e-3);
    }
}

}  // namespace
}  // namespace tine
