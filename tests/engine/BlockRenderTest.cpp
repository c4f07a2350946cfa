// Block rendering: event timing inside and across blocks, the three output
// paths, control ticks and rate-dependent sizes.
#include <cmath>
#include <limits>

#include "TestHost.h"
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
            if (m.delta >= start && m.delta < start + block) mine.push_back({m.delta - start, m.status, m.d1, m.d2});
        Stereo out = rig.render(block, mine);
        for (int32_t i = 0; i < block; ++i) {
            all.push_back(out.left[std::size_t(i)]);
            all.push_back(out.right[std::size_t(i)]);
        }
    }
    return all;
}

TEST(BlockRender, BlockSizeDoesNotChangeASingleSample) {
    // Program 0 runs every effect, so the control ticks matter too.
    const std::vector<Midi> events = {{0, 0x90, 60, 100},  {1, 0x90, 64, 90},    {100, 0x90, 67, 70},
                                      {2000, 0xB0, 64, 127}, {2500, 0x80, 60, 0}, {4095, 0x90, 72, 127},
                                      {4096, 0x80, 64, 0},   {6000, 0xB0, 64, 0}, {7000, 0x80, 67, 0}};
    const std::vector<float> reference = renderInBlocks(4096, 8192, events);
    for (int32_t block : {1, 7, 64}) {
        SCOPED_TRACE(block);
        std::vector<float> got = renderInBlocks(block, 8192, events);
        got.resize(reference.size());  // 7 does not divide 8192
        EXPECT_TRUE(test::sameBits(got, reference));
    }
}

TEST(BlockRender, EventActsBeforeTheSampleAtItsOffset) {
    for (int32_t d : {0, 1, 62, 63, 64, 127}) {
        SCOPED_TRACE(d);
        test::restartModulatorPhases();
        EngineRig inBlock;
        Stereo a = inBlock.render(128, {{d, 0x90, 69, 100}});

        test::restartModulatorPhases();
        EngineRig split;
        Stereo b = split.render(d);
        split.noteOn(69, 100);
        Stereo rest = split.render(128 - d);
        b.left.insert(b.left.end(), rest.left.begin(), rest.left.end());

        EXPECT_TRUE(test::sameBits(a.left, b.left));
        EXPECT_TRUE(test::allZero(std::vector<float>(a.left.begin(), a.left.begin() + d)));
        EXPECT_FALSE(test::allZero(std::vector<float>(a.left.begin() + d, a.left.end())));
    }
}

TEST(BlockRender, EventsAtOneOffsetActInListOrder) {
    struct Row {
        std::vector<Midi> events;
        bool held;
    } rows[] = {{{{0, 0x90, 60, 100}, {0, 0x80, 60, 0}}, false}, {{{0, 0x80, 60, 0}, {0, 0x90, 60, 100}}, true}};
    for (const Row& row : rows) {
        PluginRig rig;
        rig.render(1, row.events);
        Voice* v = rig.engine().activeVoices;
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->keyHeld, row.held);
        EXPECT_EQ(v->fading, !row.held);
    }
}

// A host's list is only valid until the render that consumes it returns, so an
// event placed beyond its block is dropped rather than read later.
TEST(BlockRender, EventBeyondItsBlockIsDroppedAtTheBlockEnd) {
    PluginRig rig;
    rig.dry();
    EventList list({{100, 0x90, 60, 100}, {10, 0x90, 64, 100}});
    rig->processEvents(list.get());
    // List order stops at the first event still ahead: neither plays in this block.
    EXPECT_TRUE(test::allZero(rig.renderPending(64).left));
    EXPECT_TRUE(test::allZero(rig.renderPending(128).left));
    EXPECT_EQ(rig.engine().activeVoices, nullptr);
}

TEST(BlockRender, NewListDropsEventsStillPending) {
    PluginRig rig;
    rig.dry();
    EventList list({{100, 0x90, 60, 100}});
    rig->processEvents(list.get());
    rig.renderPending(64);
    rig.render(128, {{5, 0x90, 64, 100}});
    rig.render(128);
    EXPECT_EQ(rig.engine().activeVoices->note, 64);
    EXPECT_EQ(rig.engine().activeVoices->next, nullptr);
}

// A 0-frame render plays nothing, writes nothing and still flips the offset;
// its list is over with it, like any other render's.
TEST(BlockRender, ZeroFrameBlockConsumesNothingAndFlipsTheOffset) {
    PluginRig rig;
    EventList list({{0, 0x90, 60, 100}});
    rig->processEvents(list.get());
    const float offset = rig.engine().denormalOffset;
    const int32_t countdown = rig.engine().controlCountdown;
    float left[4] = {7, 7, 7, 7}, right[4] = {7, 7, 7, 7};
    float* outputs[2] = {left, right};
    rig->processReplacing(nullptr, outputs, 0);
    rig->process(nullptr, outputs, 0);
    EXPECT_EQ(rig.engine().denormalOffset, offset);  // flipped twice
    EXPECT_EQ(rig.engine().controlCountdown, countdown);
    EXPECT_EQ(rig.engine().activeVoices, nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(left[i] == 7 && right[i] == 7);
    rig->processReplacing(nullptr, outputs, 0);
    EXPECT_EQ(rig.engine().denormalOffset, -offset);
    rig.renderPending(4);
    EXPECT_EQ(rig.engine().activeVoices, nullptr);
}

// A block of n < 1 frames moves the next control tick by -n.
TEST(BlockRender, NegativeFrameCountMovesTheNextControlTick) {
    PluginRig rig;
    const int32_t countdown = rig.engine().controlCountdown;
    rig.renderPending(-5);
    EXPECT_EQ(rig.engine().controlCountdown, countdown + 5);
}

TEST(BlockRender, ProcessAddsAndProcessReplacingOverwrites) {
    const std::vector<Midi> events = {{0, 0x90, 60, 110}, {30, 0x90, 67, 90}};
    auto run = [&](bool replacing, float prefill, const std::vector<float>* previous) {
        test::restartModulatorPhases();
        PluginRig rig;
        EventList list(events);
        rig->processEvents(list.get());
        std::vector<float> left(512, prefill), right(512, prefill);
        if (previous) left = *previous, right = *previous;
        float* outputs[2] = {left.data(), right.data()};
        if (replacing)
            rig->processReplacing(nullptr, outputs, 512);
        else
            rig->process(nullptr, outputs, 512);
        return left;
    };
    const std::vector<float> once = run(true, 3.0f, nullptr);
    EXPECT_FALSE(test::allZero(once));
    EXPECT_TRUE(test::sameBits(run(false, 0.0f, nullptr), once));
    std::vector<float> doubled = once;
    for (float& s : doubled) s *= 2.0f;
    EXPECT_TRUE(test::sameBits(run(false, 0.0f, &once), doubled));
    EXPECT_TRUE(test::sameBits(run(true, 0.0f, &once), once));
}

// Nearest integer to x * 32767.5 - 0.5, ties to even, within -32767..32767.
int referencePcm(float x) {
    const double y = static_cast<double>(x) * 32767.5 - 0.5;
    if (y >= 32767.0) return 32767;
    if (y <= -32767.0) return -32767;
    double r = std::floor(y);
    const double fraction = y - r;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
    return static_cast<int>(r);
}

TEST(BlockRender, Pcm16Conversion) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        float x;
        int16_t expected;
    } rows[] = {{1.0f, 32767},        {-1.0f, -32767},     {2.0f, 32767},   {-2.0f, -32767},
                {inf, 32767},         {-inf, -32767},      {0.0f, 0},       {-0.0f, 0},
                {0.5f, 16383},        {-0.5f, -16384},     {0x1p-14f, 1},   {0x1p-15f, 0},
                {-0x1p-15f, -1},      {0.9999f, 32764},   {1.00001f, 32767}};
    for (const Row& row : rows) EXPECT_EQ(toPcm16(row.x), row.expected) << row.x;
}

TEST(BlockRender, Render16IsProcessReplacingConverted) {
    const std::vector<Midi> chord = {{0, 0x90, 48, 127}, {0, 0x90, 55, 127}, {0, 0x90, 60, 127},
                                     {0, 0x90, 64, 127}, {0, 0x90, 67, 127}, {0, 0x90, 72, 127}};
    auto loud = [](PluginRig& rig) {
        rig->setParameter(kParamLevel, 1.0f);
        for (int k = 0; k < 3; ++k) rig->setParameter(kParamOsc1Level + k, 1.0f);
    };
    test::restartModulatorPhases();
    PluginRig floats;
    loud(floats);
    Stereo f = floats.render(4096, chord);

    test::restartModulatorPhases();
    PluginRig ints;
    loud(ints);
    EventList list(chord);
    ints->processEvents(list.get());
    std::vector<int16_t> pcm(2 * 4096, 12345);
    ints->render16(pcm.data(), 4096);

    int clipped = 0;
    for (std::size_t i = 0; i < 4096; ++i) {
        ASSERT_EQ(pcm[2 * i], referencePcm(f.left[i])) << i;
        ASSERT_EQ(pcm[2 * i + 1], referencePcm(f.right[i])) << i;
        clipped += std::abs(f.left[i]) >= 1.0f;
        EXPECT_NE(pcm[2 * i], -32768);
        EXPECT_NE(pcm[2 * i + 1], -32768);
    }
    EXPECT_GT(clipped, 0) << "the chord should overdrive the output";
}

TEST(BlockRender, RateDependentSizes) {
    struct Row {
        float rate;
        int32_t controlPeriod;
        int32_t chorusSize;
    } rows[] = {{22050, 127, 110}, {32000, 88, 159}, {44100, 63, 220}, {48000, 58, 239},
                {64000, 44, 319},  {88200, 31, 440}, {96000, 29, 479}};
    PluginRig rig;
    for (const Row& row : rows) {
        rig->setSampleRate(row.rate);
        EXPECT_EQ(rig.engine().controlPeriod, row.controlPeriod) << row.rate;
        EXPECT_EQ(rig.engine().controlCountdown, row.controlPeriod) << row.rate;
        EXPECT_EQ(rig.engine().effects.chorusSize, row.chorusSize) << row.rate;
    }
}

TEST(BlockRender, SampleRatesOutsideTheRangeAreBounded) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        float rate;
        float used;
    } rows[] = {{500, 1000}, {0, 1000}, {-44100, 1000}, {-inf, 1000}, {1e9f, 768000}, {inf, 768000}, {nan, 768000}};
    PluginRig rig;
    for (const Row& row : rows) {
        rig->setSampleRate(row.rate);
        EXPECT_EQ(rig.engine().sampleRate, row.used) << row.rate;
        EXPECT_EQ(rig->getSampleRate(), row.used) << row.rate;
        Stereo out = rig.render(2048, {{0, 0x90, 60, 127}, {0, 0x90, 127, 127}, {1000, 0x80, 60, 0}});
        EXPECT_TRUE(test::allFinite(out.left) && test::allFinite(out.right)) << row.rate;
    }
}

// Records the tremolo LFO's cosine as each frame is written, then puts the LFO
// back off its unit circle; being still (k = 0), only a renormalisation moves it.
struct LfoProbe {
    Engine* engine;
    std::vector<float> x;
    void write(float, float) {
        x.push_back(engine->effects.tremoloLfo.x);
        engine->effects.tremoloLfo = QuadratureLfo{1.1f, 0.0f, 0.0f};
    }
};

// The tick keeps its period across block boundaries.
TEST(BlockRender, LfosAreRenormalisedEveryControlPeriodAcrossBlocks) {
    struct Row {
        float rate;
        int32_t period;
    } rows[] = {{44100.0f, 63}, {48000.0f, 58}};
    for (auto [rate, period] : rows) {
        EngineRig rig(16, rate);
        rig.engine.effects.tremoloLfo = QuadratureLfo{1.1f, 0.0f, 0.0f};
        LfoProbe probe{&rig.engine, {}};
        test::MidiQueue none{rig.engine, {}};
        for (int32_t block : {7, 50, 1, 64, 200, 3}) rig.engine.renderBlock(block, probe, none);
        std::vector<std::size_t> moves;
        for (std::size_t i = 0; i < probe.x.size(); ++i)
            if (probe.x[i] != 1.1f) moves.push_back(i);
        std::vector<std::size_t> expected;
        for (std::size_t t = std::size_t(period); t < probe.x.size(); t += std::size_t(period)) expected.push_back(t);
        EXPECT_EQ(moves, expected) << rate;
    }
}

}  // namespace
}  // namespace tine
