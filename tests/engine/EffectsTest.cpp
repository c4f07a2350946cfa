// The effects after the voice sum, and the pitch of what the voices play.
#include <algorithm>
#include <cmath>

#include "TestHost.h"
#include "engine/Allocation.h"

namespace tine {
namespace {

using test::EngineRig;
using test::Stereo;

// The plain voice sum of a note, ticked by hand without any effect.
std::vector<float> voiceSum(int note, int frames) {
    test::restartModulatorPhases();
    EngineRig rig;
    rig.noteOn(note, 100);
    std::vector<float> sum;
    for (int i = 0; i < frames; ++i) {
        float s = 0.0f;
        for (FmVoice* v = rig.engine.activeVoices; v; v = v->next) s += v->tick();
        sum.push_back(s);
    }
    return sum;
}

// Renders a note with the given parameter values applied first.
template <typename Setup>
Stereo renderNote(int note, int frames, Setup setup) {
    test::restartModulatorPhases();
    EngineRig rig;
    setup(rig);
    rig.noteOn(note, 100);
    return rig.render(frames);
}

TEST(Effects, WithoutEffectsBothSidesAreTheVoiceSumAtTheBaseGain) {
    const std::vector<float> sum = voiceSum(60, 3000);
    const Stereo out = renderNote(60, 3000, [](EngineRig& rig) {
        rig.apply(kParamLevel, 1.0f);
        for (int index : {kParamTremoloDepth, kParamAutopanDepth, kParamPhaserDepth, kParamChorusDepth})
            rig.apply(index, 0.0f);
        rig.apply(kParamTremoloSpeed, 1.0f);
    });
    for (std::size_t i = 0; i < sum.size(); ++i) {
        ASSERT_EQ(out.left[i], sum[i] * 0.707106f) << i;
        ASSERT_EQ(out.right[i], sum[i] * 0.707106f) << i;
    }
}

TEST(Effects, FullTremoloTouchesSilence) {
    EngineRig rig;
    rig.apply(kParamTremoloSpeed, 1.0f);  // 6 Hz
    rig.apply(kParamTremoloDepth, 1.0f);
    float lowest = 1.0f, highest = 0.0f;
    struct Probe {
        Engine* e;
        float* lo;
        float* hi;
        void write(float, float) {
            *lo = std::min(*lo, e->effects.tremoloGain);
            *hi = std::max(*hi, e->effects.tremoloGain);
        }
    } probe{&rig.engine, &lowest, &highest};
    test::MidiQueue none{rig.engine, {}};
    rig.engine.renderBlock(44100 / 6 + 10, probe, none);
    EXPECT_NEAR(lowest, 0.0f, 1e-4f);  // the LFO's radius drifts a little between renormalisations
    EXPECT_NEAR(highest, 1.0f, 1e-3f);
}

TEST(Effects, FullAutopanGainsAddUpToOne) {
    EngineRig rig;
    rig.apply(kParamAutopanSpeed, 1.0f);
    rig.apply(kParamAutopanDepth, 1.0f);
    struct Probe {
        Engine* e;
        float worst = 0.0f, lowLeft = 1.0f, lowRight = 1.0f;
        void write(float, float) {
            worst = std::max(worst, std::fabs(e->effects.leftGain + e->effects.rightGain - 1.0f));
            lowLeft = std::min(lowLeft, e->effects.leftGain);
            lowRight = std::min(lowRight, e->effects.rightGain);
        }
    } probe{&rig.engine};
    test::MidiQueue none{rig.engine, {}};
    rig.engine.renderBlock(44100 / 2 + 10, probe, none);  // one cycle at 2 Hz
    EXPECT_LT(probe.worst, 1e-5f);
    EXPECT_LT(probe.lowLeft, 1e-3f);
    EXPECT_LT(probe.lowRight, 1e-3f);
}

TEST(Effects, SwitchingThePhaserOnHalvesTheDrySignal) {
    const Stereo dry = renderNote(60, 2000, [](EngineRig&) {});
    const Stereo phased = renderNote(60, 2000, [](EngineRig& rig) { rig.apply(kParamPhaserDepth, 1e-6f); });
    float peak = 0.0f;
    for (std::size_t i = 0; i < dry.left.size(); ++i) {
        EXPECT_NEAR(phased.left[i], 0.5f * dry.left[i], 1e-6f) << i;
        peak = std::max(peak, std::fabs(dry.left[i]));
    }
    EXPECT_GT(peak, 0.01f);
}

TEST(Effects, ChorusWithSplitZeroLeavesOnlyTheInvertedHalf) {
    const Stereo plain = renderNote(60, 2000, [](EngineRig&) {});
    const Stereo chorus = renderNote(60, 2000, [](EngineRig& rig) {
        rig.apply(kParamChorusDepth, 1.0f);
        rig.apply(kParamChorusSplit, 0.0f);
    });
    for (std::size_t i = 0; i < plain.left.size(); ++i) {
        ASSERT_NEAR(chorus.left[i], -0.5f * plain.left[i], 1e-20f) << i;
        ASSERT_NEAR(chorus.right[i], -0.5f * plain.right[i], 1e-20f) << i;
    }
}

TEST(Effects, SampleRateChangeClearsTheChorus) {
    EngineRig rig;
    rig.apply(kParamChorusDepth, 1.0f);
    rig.apply(kParamChorusSplit, 1.0f);
    rig.apply(kParamChorusRate, 1.0f);
    rig.noteOn(60, 127);
    rig.render(3000);
    EffectsChain& fx = rig.engine.effects;
    ASSERT_NE(fx.chorusLfoA.y, 0.0f);
    rig.engine.setSampleRate(48000.0f);
    ASSERT_GT(fx.chorusSize, 0);
    EXPECT_EQ(fx.chorusLfoA.x, 1.0f);
    EXPECT_EQ(fx.chorusLfoA.y, 0.0f);
    EXPECT_EQ(fx.chorusLfoB.x, 1.0f);
    EXPECT_EQ(fx.chorusLfoB.y, 0.0f);
    EXPECT_EQ(fx.chorusMemory, 0.0f);
    EXPECT_EQ(fx.chorusWrite, 0);
    for (int32_t i = 0; i < fx.chorusSize; ++i) ASSERT_TRUE(fx.chorusLeft[i] == 0.0f && fx.chorusRight[i] == 0.0f);
}

TEST(Effects, ChorusThatCannotBeAllocatedIsBypassed) {
    const Stereo plain = renderNote(60, 2000, [](EngineRig& rig) { rig.engine.setSampleRate(48000.0f); });
    const Stereo bypassed = renderNote(60, 2000, [](EngineRig& rig) {
        rig.apply(kParamChorusDepth, 1.0f);
        failNextAllocations(1);
        rig.engine.setSampleRate(48000.0f);
        failNextAllocations(0);
        EXPECT_EQ(rig.engine.effects.chorusSize, 0);
    });
    EXPECT_TRUE(test::sameBits(plain.left, bypassed.left));
    EXPECT_TRUE(test::sameBits(plain.right, bypassed.right));
}

// Frequency from the rising zero crossings of a pure carrier (brightness 0, one
// oscillator sounding), interpolated between samples.
double measuredHz(const std::vector<float>& s, double rate) {
    double first = -1, last = -1;
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0.0f && s[i] >= 0.0f) {
            const double t = double(i - 1) + double(s[i - 1]) / (double(s[i - 1]) - double(s[i]));
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings < 3 ? 0.0 : rate * (crossings - 1) / (last - first);
}

TEST(Effects, PitchOfTheOscillators) {
    struct Row {
        const char* what;
        float shape;
        int note;
        float transpose, detune;
        double hz;
    } rows[] = {
        {"A4", 0.05f, 69, 0.5f, 0.5f, 440.0},
        {"A3", 0.05f, 57, 0.5f, 0.5f, 220.0},
        {"octave up", 0.05f, 57, 0.62f, 0.5f, 440.0},
        {"detune up", 0.05f, 69, 0.5f, 1.0f, 440.0 * 1.0149999856948853},
        {"detune down", 0.05f, 69, 0.5f, 0.0f, 440.0 / 1.0149999856948853},
        {"transpose beyond the top", 0.05f, 100, 1.0f, 0.5f, 440.0 * std::pow(2.0, 58.0 / 12)},
        {"transpose beyond the bottom", 0.05f, 20, 0.0f, 0.5f, 440.0 * std::pow(2.0, -69.0 / 12)},
        {"offset 0.75", 0.02f, 69, 0.5f, 0.5f, 440.375},
        {"fixed carrier, low key", 0.78f, 40, 0.5f, 0.5f, 5.0},
        {"fixed carrier, high key", 0.78f, 90, 0.5f, 0.5f, 5.0},
    };
    for (const Row& row : rows) {
        EngineRig rig;
        rig.apply(kParamOsc1Shape, row.shape);
        rig.apply(kParamOsc1Brightness, 0.0f);
        rig.apply(kParamOsc1Transpose, row.transpose);
        rig.apply(kParamOsc1Detune, row.detune);
        rig.apply(kParamOsc1Mute + 1, 1.0f);
        rig.apply(kParamOsc1Mute + 2, 1.0f);
        rig.noteOn(row.note, 127);
        const int frames = row.hz < 20 ? 3 * 44100 : 44100;
        const double hz = measuredHz(rig.render(frames).left, 44100.0);
        // Single-precision phase steps bias very low pitches by under 1e-4.
        EXPECT_NEAR(hz, row.hz, row.hz * 1e-4) << row.what;
    }
}

}  // namespace
}  // namespace tine
