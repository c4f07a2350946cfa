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
        rig.apply(param, float(value));
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

// Each LFO turns at its speed in hertz at every rate. At full depth the
// tremolo reaches silence and back, and the auto-pan moves the sound from one
// side to the other, its gains always adding up to one.
TEST(Effects, LfoSpeedsAtEveryRateAndFullDepths) {
    for (float rate : test::kRates) {
        for (int value : {0, 1}) {
            EngineRig rig(16, rate);
            for (int param : {kParamTremoloSpeed, kParamAutopanSpeed, kParamPhaserRate}) rig.apply(param, float(value));
            for (int param : {kParamTremoloDepth, kParamAutopanDepth, kParamPhaserDepth}) rig.apply(param, 1.0f);
            float low = 1, high = 0, sum = 0, left = 1, right = 1;
            const std::array<double, 3> hz = test::lfoHz(rig.engine, int32_t(rate / 2), [&](const EffectsChain& fx) {
                low = std::min(low, fx.tremoloGain), high = std::max(high, fx.tremoloGain);
                sum = std::max(sum, std::fabs(fx.leftGain + fx.rightGain - 1.0f));
                left = std::min(left, fx.leftGain), right = std::min(right, fx.rightGain);
            });
            const double want[2][3] = {{1.0, 0.4, 0.05}, {6.0, 2.0, 0.5}};
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(hz[k], want[value][k], want[value][k] * 1e-3) << rate << " " << k;
            // Within a cycle the LFOs' radius wanders by about their step, 2 sin(π f / rate).
            EXPECT_TRUE(value == 0 || (low < 2e-3f && high > 1 - 2e-3f && sum < 1e-5f && left < 1e-3f && right < 1e-3f))
                << rate << ": " << low << " " << high << " " << sum << " " << left << " " << right;
        }
    }
}

// Rounding lets an LFO's radius drift; each control tick pulls every one back.
TEST(Effects, ControlTicksKeepEveryLfoOnItsCircle) {
    EngineRig rig;
    EffectsChain& fx = rig.engine.effects;
    QuadratureLfo* const lfos[] = {&fx.tremoloLfo, &fx.autopanLfo, &fx.phaserLfo, &fx.chorusLfoA, &fx.chorusLfoB};
    for (QuadratureLfo* lfo : lfos) lfo->x = 1.01f;
    rig.render(128);
    for (const QuadratureLfo* lfo : lfos) EXPECT_NEAR(lfo->x * lfo->x + lfo->y * lfo->y, 1.0f, 1e-3f);
}

// A program switch starts tremolo, auto-pan and phaser over, whatever played before.
TEST(Effects, ProgramSwitchRestartsTheModulation) {
    test::PluginRig rig;
    rig.render(5000, {{0, 0x90, 60, 100}});
    rig->setProgram(1);
    rig.render(kSwitchFadeFrames);  // the switch comes where the notes' fade ends
    const EffectsChain& fx = rig.engine().effects;
    for (const QuadratureLfo* lfo : {&fx.tremoloLfo, &fx.autopanLfo, &fx.phaserLfo})
        EXPECT_TRUE(lfo->x == 1.0f && lfo->y == 0.0f);
    for (const PhaserStage& stage : fx.phaserStages) EXPECT_TRUE(stage.previousIn == 0 && stage.previousOut == 0);
}

}  // namespace
}  // namespace tine
