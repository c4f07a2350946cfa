// Envelopes: the plans against segment lengths and steps worked out from the
// level and time tables at every sample rate, and the life of a note: silence
// at the end of the last decay, and releases.
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "engine/EngineTestSupport.h"
#include "engine/EnvelopeTables.h"
#include "engine/ShapeTable.h"

namespace tine {
namespace {

using test::EngineRig;

// Each segment lasts its distance on the position table times the time of its
// rate (boosted by key, capped at 99) in seconds, the decays stretched by
// "Decay" and all by "TimeScale", to the whole sample below plus one. The
// release falls from the middle level. Levels fall linearly from the breakpoint
// to the top key.
Envelope plan(const OperatorSpec& op, bool carrier, int note, float scale, double rate, float time = 1,
              float decay = 1) {
    const auto& level = carrier ? CarrierLevelTable : ModIndexTable;
    if (note > op.breakpoint)
        scale *= 1.0f - float(note - op.breakpoint) / float(127 - op.breakpoint) * op.keyScaleDepth;
    const int boost = int(float(op.rateScaling) * KeyRateScaleTable[std::size_t(note)]);
    Envelope p;
    p.amplitude = scale * level[op.levels[3]];
    for (int k = 0, current = op.levels[3]; k < 4; ++k) {
        const int target = k < 3 ? op.levels[k] : 0;
        const bool rises = current < target;
        const auto& position = rises ? RisePositionTable : FallPositionTable;
        const double seconds = std::fabs(position[std::size_t(current)] - position[std::size_t(target)]) * time *
                               (rises ? RiseTimeTable : FallTimeTable)[std::size_t(std::min(99, op.rates[k] + boost))];
        p.counts[k] = int32_t(seconds * (k == 1 || k == 2 ? decay : 1) * rate) + 1;
        p.increments[k] = (level[std::size_t(target)] - level[std::size_t(current)]) * scale / float(p.counts[k]);
        current = k == 2 ? 50 : target;
    }
    p.counts[4] = p.counts[3];
    p.increments[4] = std::exchange(p.increments[3], 0.0f);
    return p;
}

void expectPlan(const Envelope& env, const Envelope& want) {
    for (int k = 0; k < 5; ++k) {
        // Long segments may land one sample either way with the product's rounding.
        EXPECT_NEAR(env.counts[k], want.counts[k], want.counts[k] > 4096 ? 1 : 0) << "segment " << k;
        EXPECT_NEAR(env.increments[k], want.increments[k], std::fabs(want.increments[k]) * 1e-5f) << "segment " << k;
    }
    EXPECT_NEAR(env.amplitude, want.amplitude, 1e-7f);
    EXPECT_TRUE(env.segment == kAttack && env.remaining == want.counts[0]);
}

// The three velocity curves run from -1 at velocity 0 to 0 at 127.
double curveValue(int curve, int v) {
    const double e2 = std::exp(2.0);
    return curve == 0   ? -(std::exp(2.0 * (127 - v) / 127) - 1) / (e2 - 1)
           : curve == 1 ? v / 127.0 - 1
                        : (std::exp(2.0 * v / 127) - e2) / (e2 - 1);
}

TEST(Envelope, PlansFollowTheTablesAtEveryRate) {
    // Shape, note, velocity, then the values of "VS1" and "VS2", "VS Curve", "Decay", "TimeScale".
    const std::tuple<float, int, int, float, float, float, float> rows[] = {
        {0.05f, 60, 127, 0.5f, 0.0f, 0.75f, 0.5f},  // "Bright Synth 1", as the factory sets the rest
        {0.05f, 127, 127, 0.5f, 0.0f, 1.0f, 1.0f},  // every rate plus its scaling beyond 99; longest times
        {0.15f, 60, 1, 1.0f, 0.1f, 0.0f, 0.0f},     // "Classic 1": a one-sample step from 99 to 99; softest
        {0.02f, 100, 64, 1.0f, 0.0f, 0.75f, 0.5f},  // "Bass Rhodes": both levels fall above their breakpoints
        {0.02f, 20, 64, 0.3f, 0.2f, 0.75f, 0.5f},   // ... and not below
    };
    for (float rate : test::kRates) {
        for (auto [shapeKey, note, velocity, sensitivity, curve, decayValue, timeValue] : rows) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, shape " << shapeKey << ", note " << note);
            EngineRig rig(16, rate);
            const int params[] = {kParamOsc1Shape, kParamDecay,   kParamOsc1TimeScale,
                                  kParamOsc1Vs1,   kParamOsc1Vs2, kParamOsc1Curve};
            const float values[] = {shapeKey, decayValue, timeValue, sensitivity, sensitivity, curve};
            for (int i = 0; i < 6; ++i) rig.apply(params[i], values[i]);
            // The voice comes back from a damped note, its envelopes in their release.
            rig.noteOn(note);
            rig.noteOn(note);
            rig.render(100);
            rig.noteOn(note, velocity);
            const ShapeRecord& shape = kShapeDesigns[shapeIndexForValue(shapeKey)];
            const uint8_t* levels = shape.carrier.levels;
            const float gain = 1.0f / CarrierLevelTable[*std::max_element(levels, levels + 4)];
            const float decay = std::pow(decayValue + 0.25f, 4.0f), time = std::pow(4.0f, 2 * timeValue - 1);
            const float scale = float(1 + curveValue(int(curve * 10 + 0.5f), velocity) * sensitivity);
            const VoiceOscillator& osc = rig.engine.activeVoices->oscillators[0];
            expectPlan(osc.carrierEnvelope, plan(shape.carrier, true, note, 0.5f * gain * scale, rate, time, decay));
            expectPlan(osc.modulatorEnvelope, plan(shape.modulator, false, note, 0.8f * scale, rate, time, decay));
        }
    }
    // The design's one dip in its rise times: rate 74 rises faster than 72 and 75.
    EXPECT_TRUE(RiseTimeTable[74] < RiseTimeTable[72] && RiseTimeTable[74] < RiseTimeTable[75]);
}

// A note lasts what its plan says, at every rate. Held, with all three
// oscillators on "Bass Rhodes" and short decays, the carriers' attack, first
// and last decay plus one sample for each of the two segment changes, muted or
// not; released, the release ramp from there, and the pedal lifted again
// starts the ramp over from wherever the note is.
TEST(Envelope, ANoteLastsWhatItsPlanSays) {
    for (float rate : test::kRates) {
        const Envelope p = plan(kShapeDesigns[2].carrier, true, 60, 0.5f, rate, 1.0f, std::pow(0.25f, 4.0f));
        const int held = p.counts[0] + p.counts[1] + p.counts[2] + 2, ramp = p.counts[4];
        // Muted, the pedal lifted at, and again at, the life in samples.
        const int never = 1 << 30;
        const std::tuple<bool, int, int, int> rows[] = {{false, never, never, held},
                                                        {true, never, never, held},
                                                        {false, 500, never, 500 + ramp},
                                                        {false, 500, 800, 800 + ramp}};
        for (auto [muted, lift, again, life] : rows) {
            SCOPED_TRACE(testing::Message()
                         << rate << " Hz, muted " << muted << ", lifted at " << lift << ", " << again);
            EngineRig rig(16, rate);
            rig.apply(kParamDecay, 0.0f);
            for (int k = 0; k < 3; ++k) {
                rig.apply(kParamOsc1Shape + k, 0.02f);
                rig.apply(kParamOsc1Mute + k, muted ? 1.0f : 0.0f);
            }
            rig.render(
                life - 1,
                {{0, 0xB0, 64, 127}, {0, 0x90, 60, 127}, {1, 0x80, 60, 0}, {lift, 0xB0, 64, 0}, {again, 0xB0, 64, 0}});
            EXPECT_EQ(rig.notes(), std::vector<int>{60});
            rig.render(1);
            EXPECT_EQ(rig.engine.activeVoices, nullptr);
        }
    }
}

}  // namespace
}  // namespace tine
