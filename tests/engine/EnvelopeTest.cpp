// Envelopes: the plans against segment lengths and steps worked out from the
// level and time tables at every sample rate, and the life of a note: silence
// at the end of the last decay, releases and damping.
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

struct Plan {
    int32_t counts[5];
    float increments[5];
    float start;
};

// Each segment lasts its distance on the position table times the time of its
// rate (boosted by key, capped at 99) in seconds, the decays stretched by
// "Decay" and all by "TimeScale", to the whole sample below plus one. The
// release falls from the middle level. Levels fall linearly from the breakpoint
// to the top key.
Plan plan(const OperatorSpec& op, bool carrier, int note, float scale, double rate, float time = 1, float decay = 1) {
    const auto& level = carrier ? CarrierLevelTable : ModIndexTable;
    if (note > op.breakpoint)
        scale *= 1.0f - float(note - op.breakpoint) / float(127 - op.breakpoint) * op.keyScaleDepth;
    const int boost = int(float(op.rateScaling) * KeyRateScaleTable[std::size_t(note)]);
    Plan p{{}, {}, scale * level[op.levels[3]]};
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

void expectPlan(const Envelope& env, const Plan& want) {
    for (int k = 0; k < 5; ++k) {
        // Long segments may land one sample either way with the product's rounding.
        EXPECT_NEAR(env.counts[k], want.counts[k], want.counts[k] > 4096 ? 1 : 0) << "segment " << k;
        EXPECT_NEAR(env.increments[k], want.increments[k], std::fabs(want.increments[k]) * 1e-5f) << "segment " << k;
    }
    EXPECT_NEAR(env.amplitude, want.start, 1e-7f);
    EXPECT_EQ(env.segment, kAttack);
    EXPECT_EQ(env.remaining, want.counts[0]);
}

// The three velocity curves run from -1 at velocity 0 to 0 at 127.
double curveValue(int curve, int v) {
    const double e2 = std::exp(2.0);
    return curve == 0   ? -(std::exp(2.0 * (127 - v) / 127) - 1) / (e2 - 1)
           : curve == 1 ? v / 127.0 - 1
                        : (std::exp(2.0 * v / 127) - e2) / (e2 - 1);
}

TEST(Envelope, PlansFollowTheTablesAtEveryRate) {
    struct Row {
        float shape;
        int note, velocity;
        float sensitivity, curve, decay, time;  // parameter values
    } rows[] = {
        {0.05f, 60, 127, 0.5f, 0.0f, 0.75f, 0.5f},  // "Bright Synth 1", as the factory sets the rest
        {0.05f, 127, 127, 0.5f, 0.0f, 1.0f, 1.0f},  // every rate plus its scaling beyond 99; longest times
        {0.15f, 60, 1, 1.0f, 0.1f, 0.0f, 0.0f},     // "Classic 1": a one-sample step from 99 to 99; softest
        {0.02f, 100, 64, 1.0f, 0.0f, 0.75f, 0.5f},  // "Bass Rhodes": both levels fall above their breakpoints
        {0.02f, 20, 64, 0.3f, 0.2f, 0.75f, 0.5f},   // ... and not below
    };
    for (float rate : test::kRates) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, shape " << row.shape << ", note " << row.note);
            EngineRig rig(16, rate);
            const int params[] = {kParamOsc1Shape, kParamDecay,   kParamOsc1TimeScale,
                                  kParamOsc1Vs1,   kParamOsc1Vs2, kParamOsc1Curve};
            const float values[] = {row.shape, row.decay, row.time, row.sensitivity, row.sensitivity, row.curve};
            for (int i = 0; i < 6; ++i) rig.apply(params[i], values[i]);
            // The voice comes back from a damped note, its envelopes in their release.
            rig.noteOn(row.note);
            rig.noteOn(row.note);
            rig.render(100);
            rig.noteOn(row.note, row.velocity);
            const ShapeRecord& shape = kShapeDesigns[shapeIndexForValue(row.shape)];
            const uint8_t* levels = shape.carrier.levels;
            const float gain = 1.0f / CarrierLevelTable[*std::max_element(levels, levels + 4)];
            const float decay = std::pow(row.decay + 0.25f, 4.0f), time = std::pow(4.0f, 2 * row.time - 1);
            const float velocity = float(1 + curveValue(int(row.curve * 10 + 0.5f), row.velocity) * row.sensitivity);
            const VoiceOscillator& osc = rig.engine.activeVoices->oscillators[0];
            expectPlan(osc.carrierEnvelope,
                       plan(shape.carrier, true, row.note, 0.5f * gain * velocity, rate, time, decay));
            expectPlan(osc.modulatorEnvelope,
                       plan(shape.modulator, false, row.note, 0.8f * velocity, rate, time, decay));
        }
    }
}

// A note lasts what its plan says, at every rate. Held, with all three
// oscillators on "Bass Rhodes" and short decays, the carriers' attack, first
// and last decay plus one sample for each of the two segment changes, muted or
// not; released, the release ramp from there, and the pedal lifted again
// starts the ramp over from wherever the note is.
TEST(Envelope, ANoteLastsWhatItsPlanSays) {
    for (float rate : test::kRates) {
        const Plan p = plan(kShapeDesigns[2].carrier, true, 60, 0.5f, rate, 1.0f, std::pow(0.25f, 4.0f));
        const int held = p.counts[0] + p.counts[1] + p.counts[2] + 2, ramp = p.counts[4];
        // Muted, the pedal lifted at, and again at, the life in samples.
        const std::tuple<bool, int, int, int> rows[] = {
            {false, -1, -1, held}, {true, -1, -1, held}, {false, 500, -1, 500 + ramp}, {false, 500, 800, 800 + ramp}};
        for (auto [muted, lift, again, life] : rows) {
            SCOPED_TRACE(testing::Message()
                         << rate << " Hz, muted " << muted << ", lifted at " << lift << ", " << again);
            EngineRig rig(16, rate);
            rig.apply(kParamDecay, 0.0f);
            for (int k = 0; k < 3; ++k) {
                rig.apply(kParamOsc1Shape + k, 0.02f);
                rig.apply(kParamOsc1Mute + k, muted ? 1.0f : 0.0f);
            }
            std::vector<test::Midi> events = {{0, 0xB0, 64, 127}, {0, 0x90, 60, 127}, {1, 0x80, 60, 0}};
            for (int at : {lift, again})
                if (at >= 0)
                    events.push_back({at, 0xB0, 64, 0});
            rig.render(life - 1, events);
            EXPECT_EQ(rig.notes(), std::vector<int>{60});
            rig.render(1);
            EXPECT_EQ(rig.engine.activeVoices, nullptr);
        }
    }
}

TEST(Envelope, DampFadesEveryCarrierToSilenceInExactly100Samples) {
    EngineRig rig;
    rig.noteOn(60, 127);
    rig.render(40);  // inside the attack
    Envelope carrier = rig.engine.activeVoices->oscillators[0].carrierEnvelope;
    carrier.damp();
    for (int i = 1; i < 100; ++i) {
        const float before = carrier.amplitude;
        ASSERT_TRUE(carrier.advanceCarrier() != 0 && carrier.amplitude < before && carrier.amplitude > 0.0f) << i;
    }
    EXPECT_EQ(carrier.advanceCarrier(), 0);
    carrier.advanceCarrier();
    EXPECT_EQ(carrier.amplitude, 0.0f);
}

}  // namespace
}  // namespace tine
