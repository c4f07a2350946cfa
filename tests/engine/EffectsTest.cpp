// The effects after the voice sum: what each does to a note, the ranges of
// tremolo and auto-pan, and the speed of every LFO at every sample rate.
#include <algorithm>
#include <tuple>

#include "engine/Allocation.h"
#include "engine/EngineTestSupport.h"

namespace tine {
namespace {

using test::EngineRig;

TEST(Effects, WhatEachDoesToTheVoiceSum) {
    // What, the parameter set, the factor of the voice sum at the auto-pan's
    // fixed gain, the tolerance, whether the chorus lines could be allocated.
    const std::tuple<const char*, int, float, float, float, bool> rows[] = {
        {"none, the LFOs running", kParamTremoloSpeed, 1.0f, 1.0f, 0.0f, true},
        {"phaser switched on: half the dry signal", kParamPhaserDepth, 1e-6f, 0.5f, 1e-6f, true},
        {"chorus with split 0: the inverted half", kParamChorusDepth, 1.0f, -0.5f, 1e-20f, true},
        {"chorus without lines: bypassed", kParamChorusDepth, 1.0f, 1.0f, 0.0f, false}};
    for (auto [what, param, value, factor, tolerance, lines] : rows) {
        SCOPED_TRACE(what);
        test::restartModulatorPhases();
        EngineRig sum, rig;
        sum.noteOn(60, 100);
        rig.apply(param, value);
        failNextAllocations(lines ? 0 : 1);
        EXPECT_EQ(rig.engine.setSampleRate(44100.0f) && rig.engine.effects.chorusSize > 0, lines);
        failNextAllocations(0);
        test::restartModulatorPhases();
        rig.noteOn(60, 100);
        const test::Stereo out = rig.render(3000);
        for (std::size_t i = 0; i < out.left.size(); ++i) {
            const float s = sum.engine.activeVoices->tick() * 0.707106f * factor;
            ASSERT_TRUE(std::fabs(out.left[i] - s) <= tolerance && std::fabs(out.right[i] - s) <= tolerance) << i;
        }
    }
}

// Over a cycle, full tremolo reaches silence and back; full auto-pan moves the
// sound from one side to the other, its gains always adding up to one.
TEST(Effects, FullTremoloAndAutopanSpanTheirRanges) {
    EngineRig rig;
    for (int param : {kParamTremoloSpeed, kParamTremoloDepth, kParamAutopanSpeed, kParamAutopanDepth})
        rig.apply(param, 1.0f);  // 6 Hz and 2 Hz
    float low = 1, high = 0, sum = 0, left = 1, right = 1;
    test::watch(rig, 44100 / 2 + 10, [&](const EffectsChain& fx) {
        low = std::min(low, fx.tremoloGain), high = std::max(high, fx.tremoloGain);
        sum = std::max(sum, std::fabs(fx.leftGain + fx.rightGain - 1.0f));
        left = std::min(left, fx.leftGain), right = std::min(right, fx.rightGain);
    });
    // The LFO's radius drifts a little between renormalisations.
    EXPECT_TRUE(low < 1e-4f && high > 1 - 1e-3f && sum < 1e-5f && left < 1e-3f && right < 1e-3f)
        << low << " " << high << " " << sum << " " << left << " " << right;
}

TEST(Effects, LfoSpeedsInHertzAtEveryRate) {
    // The speed parameter, its LFO, the slowest and fastest speed.
    const std::tuple<int, QuadratureLfo EffectsChain::*, double, double> rows[] = {
        {kParamTremoloSpeed, &EffectsChain::tremoloLfo, 1.0, 6.0},
        {kParamAutopanSpeed, &EffectsChain::autopanLfo, 0.4, 2.0},
        {kParamPhaserRate, &EffectsChain::phaserLfo, 0.05, 0.5}};
    for (float rate : test::kRates) {
        for (auto [param, lfo, slowest, fastest] : rows) {
            for (double hz : {slowest, fastest}) {
                EngineRig rig(16, rate);
                rig.apply(param, hz == slowest ? 0.0f : 1.0f);
                rig.apply(kParamPhaserDepth, 1.0f);  // the phaser's LFO runs only while it works
                EXPECT_NEAR(test::lfoHz(rig, lfo, int32_t(rate / 2)), hz, hz * 1e-3) << rate << " Hz, " << param;
            }
        }
    }
}

// A program switch starts tremolo, auto-pan and phaser over, whatever played before.
TEST(Effects, ProgramSwitchRestartsTheModulation) {
    test::PluginRig rig;
    rig.render(5000, {{0, 0x90, 60, 100}});
    rig->setProgram(1);
    const EffectsChain& fx = rig.engine().effects;
    for (const QuadratureLfo* lfo : {&fx.tremoloLfo, &fx.autopanLfo, &fx.phaserLfo})
        EXPECT_TRUE(lfo->x == 1.0f && lfo->y == 0.0f);
    for (const PhaserStage& stage : fx.phaserStages) EXPECT_TRUE(stage.previousIn == 0 && stage.previousOut == 0);
}

}  // namespace
}  // namespace tine
