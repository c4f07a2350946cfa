// Envelope plans against segment lengths worked out from the level and time
// tables, and the life of a note: silence at the end of the last decay,
// releases, damping, velocity and key scaling.
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "TestHost.h"
#include "engine/ShapeTable.h"

namespace tine {
namespace {

using test::EngineRig;

// ---- Reference tables, from their breakpoints ----

struct Point {
    int index;
    double value;
};

template <std::size_t N>
std::array<float, N> lines(std::initializer_list<Point> points) {
    std::array<float, N> t{};
    const Point* p = points.begin();
    for (std::size_t k = 0; k + 1 < points.size(); ++k)
        for (int i = p[k].index; i <= p[k + 1].index; ++i)
            t[std::size_t(i)] = float(p[k].value + (p[k + 1].value - p[k].value) * (i - p[k].index) /
                                                        (p[k + 1].index - p[k].index));
    return t;
}

const auto kModIndex = lines<100>({{0, 0}, {10, 0.000477}, {20, 0.002}, {30, 0.00493}, {40, 0.01257},
                                   {50, 0.02992}, {60, 0.07098}, {65, 0.10981}, {70, 0.16997}, {75, 0.260855},
                                   {80, 0.39979}, {85, 0.61974}, {90, 0.95954}, {95, 1.47425}, {99, 2.08795}});
const auto kRiseTime = lines<100>({{0, 38}, {5, 22.8}, {10, 12}, {15, 7.5}, {20, 4.8}, {25, 2.7}, {30, 1.8},
                                   {35, 1.3}, {43, 0.737}, {46, 0.615}, {49, 0.505}, {52, 0.409}, {55, 0.321},
                                   {61, 0.08}, {67, 0.055}, {69, 0.032}, {72, 0.024}, {74, 0.013333}, {75, 0.024},
                                   {78, 0.018}, {81, 0.014}, {87, 0.008}, {90, 0.007}, {96, 0.003}, {99, 0.003}});
const auto kFallTime = lines<100>({{0, 318}, {4, 181}, {9, 115}, {14, 63}, {19, 39.7}, {24, 20}, {29, 11.2},
                                   {34, 7}, {42, 5.66}, {45, 3.98}, {51, 1.99}, {54, 1.34}, {57, 0.99}, {60, 0.71},
                                   {65, 0.41}, {68, 0.15}, {71, 0.081}, {74, 0.068}, {77, 0.047}, {80, 0.037},
                                   {83, 0.025}, {86, 0.02}, {89, 0.013}, {92, 0.008}, {99, 0.008}});
const auto kRisePosition = lines<100>({{0, 0.00001}, {31, 0.00001}, {35, 0.02}, {50, 0.14}, {60, 0.24},
                                       {70, 0.35}, {80, 0.5}, {90, 0.7}, {95, 0.86}, {99, 1}});
const auto kFallPosition = lines<100>({{0, 0.00001}, {10, 0.25}, {20, 0.35}, {30, 0.43}, {40, 0.52},
                                       {50, 0.59}, {60, 0.7}, {80, 0.84}, {90, 0.92}, {99, 1}});

// The carrier amplitudes the rows below need.
float carrierLevel(int level) {
    static const std::map<int, float> known = {{0, 0.0f}, {50, 0.119709f}, {91, 0.713348f},
                                               {95, 0.840283f}, {99, 1.0f}};
    auto it = known.find(level);
    EXPECT_NE(it, known.end()) << "level " << level << " missing from the test's list";
    return it == known.end() ? 0.0f : it->second;
}

float keyRateScale(int note) { return note <= 33 ? 0.0f : float((note - 33) * 5.329461 / 94); }

struct Op {
    int levels[4];
    int rates[4];
    int rateScaling;
};

struct Plan {
    int32_t counts[5];
    float increments[5];
    float start;
};

Plan plan(const Op& op, bool carrier, int note, float scale, float timeScale = 1.0f, float decay = 1.0f,
          double rate = 44100.0) {
    auto level = [&](int l) { return carrier ? carrierLevel(l) : kModIndex[std::size_t(l)]; };
    Plan p{};
    const int boost = int(float(op.rateScaling) * keyRateScale(note));
    int current = op.levels[3];
    p.start = scale * level(current);
    for (int k = 0; k < 4; ++k) {
        const int target = k < 3 ? op.levels[k] : 0;
        const int r = std::min(99, op.rates[k] + boost);
        const bool rises = current < target;
        const auto& position = rises ? kRisePosition : kFallPosition;
        float seconds = std::fabs(position[std::size_t(current)] - position[std::size_t(target)]) * timeScale *
                        (rises ? kRiseTime : kFallTime)[std::size_t(r)];
        if (k == 1 || k == 2) seconds *= decay;
        p.counts[k] = int32_t(double(seconds) * rate) + 1;
        p.increments[k] = (level(target) - level(current)) * scale / float(p.counts[k]);
        current = k == 2 ? 50 : target;
    }
    p.counts[4] = p.counts[3];
    p.increments[4] = p.increments[3];
    p.increments[3] = 0.0f;
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

FmVoice& newest(EngineRig& rig) { return *static_cast<FmVoice*>(rig.engine.activeVoices); }

TEST(Envelope, PlansFollowTheTables) {
    struct Row {
        const char* shape;
        float shapeValue;
        int note;
        Op carrier, modulator;
        float carrierScale, modulatorScale;  // after key scaling, at velocity 127 and default settings
    } rows[] = {
        {"Bright Synth 1", 0.05f, 60, {{99, 95, 0, 0}, {95, 20, 20, 60}, 3}, {{99, 95, 0, 0}, {95, 19, 20, 50}, 3},
         0.5f, 0.8f},
        // every rate plus its scaling goes beyond 99 somewhere at the top key
        {"Bright Synth 1", 0.05f, 127, {{99, 95, 0, 0}, {95, 20, 20, 60}, 3}, {{99, 95, 0, 0}, {95, 19, 20, 50}, 3},
         0.5f, 0.8f},
        // carrier 99 -> 99: a one-sample segment with increment 0
        {"Classic 1", 0.15f, 60, {{99, 99, 0, 0}, {99, 32, 20, 60}, 0}, {{79, 75, 0, 0}, {95, 29, 20, 50}, 0}, 0.5f,
         0.8f},
        // both operators scaled down above their breakpoints (depth 1)
        {"Bass Rhodes", 0.02f, 100, {{99, 95, 0, 0}, {91, 20, 20, 50}, 3}, {{85, 81, 52, 0}, {91, 29, 20, 37}, 3},
         0.5f * (1.0f - 25.0f / 52.0f), 0.8f * (1.0f - 24.0f / 51.0f)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.shape) + " note " + std::to_string(row.note));
        EngineRig rig;
        rig.apply(kParamOsc1Shape, row.shapeValue);
        rig.noteOn(row.note, 127);
        const VoiceOscillator& osc = newest(rig).oscillators[0];
        expectPlan(osc.carrierEnvelope, plan(row.carrier, true, row.note, row.carrierScale));
        expectPlan(osc.modulatorEnvelope, plan(row.modulator, false, row.note, row.modulatorScale));
    }
}

TEST(Envelope, EqualLevelsGiveAOneSampleSegmentWithoutChange) {
    EngineRig rig;
    rig.apply(kParamOsc1Shape, 0.15f);  // "Classic 1": carrier 99 -> 99
    rig.noteOn(60, 127);
    const Envelope& carrier = newest(rig).oscillators[0].carrierEnvelope;
    EXPECT_EQ(carrier.counts[1], 1);
    EXPECT_EQ(carrier.increments[1], 0.0f);
}

TEST(Envelope, LevelFallsAboveTheBreakpoint) {
    test::TablesHold tables;
    OperatorSpec op{{99, 50, 0, 50}, {60, 60, 60, 60}, 0, 36, 0.5f, 1.0f, 0.0f, false, 0.0f, 1.0f / 91.0f};
    auto planned = [&](int note) {
        Envelope carrier, modulator;
        EnvelopePlanInput in{note, 127, 0.0f, 0.8f, 1.0f, 1.0f, 1.0f, 44100.0f};
        planEnvelopes(carrier, modulator, op, op, in);
        return carrier;
    };
    const Envelope low = planned(36), high = planned(127), middle = planned(81);
    EXPECT_FLOAT_EQ(low.amplitude, 0.8f * 0.119709f);
    EXPECT_FLOAT_EQ(high.amplitude, 0.5f * low.amplitude);
    EXPECT_FLOAT_EQ(high.increments[0], 0.5f * low.increments[0]);
    EXPECT_FLOAT_EQ(middle.amplitude, (1.0f - 45.0f / 91.0f * 0.5f) * low.amplitude);
    EXPECT_EQ(planned(20).amplitude, low.amplitude);
}

TEST(Envelope, VelocityAndSensitivity) {
    auto carrierIncrement = [](int velocity, float vs, float curve) {
        EngineRig rig;
        for (int k = 0; k < 3; ++k) {
            rig.apply(kParamOsc1Vs1 + k, vs);
            rig.apply(kParamOsc1Vs2 + k, vs);
            rig.apply(kParamOsc1Curve + k, curve);
        }
        rig.noteOn(60, velocity);
        const VoiceOscillator& o = newest(rig).oscillators[0];
        return std::make_pair(o.carrierEnvelope.increments[0], o.modulatorEnvelope.increments[0]);
    };
    const auto full = carrierIncrement(127, 0.5f, 0.0f);
    EXPECT_EQ(carrierIncrement(64, 0.0f, 0.0f), full) << "sensitivity 0 ignores velocity";
    EXPECT_EQ(carrierIncrement(127, 1.0f, 0.2f), full) << "velocity 127 is the full scale on every curve";
    const auto soft = carrierIncrement(1, 1.0f, 0.1f);  // LIN: curve value 1/127 - 1
    EXPECT_NEAR(soft.first / carrierIncrement(127, 1.0f, 0.1f).first, 1.0 / 127, 1e-6);
    EXPECT_NEAR(soft.second / carrierIncrement(127, 1.0f, 0.1f).second, 1.0 / 127, 1e-6);
}

// All three oscillators on "Bass Rhodes" with short decays: the voice lasts the
// carrier's attack, first and last decay plus one sample for each of the two
// segment changes, key held or not, muted or not.
TEST(Envelope, HeldNoteFallsSilentAtTheEndOfTheLastDecay) {
    const Op carrier{{99, 95, 0, 0}, {91, 20, 20, 50}, 3};
    const float decay = 0.25f * 0.25f * 0.25f * 0.25f;  // "Decay" at 0
    const Plan p = plan(carrier, true, 60, 0.5f, 1.0f, decay);
    const int32_t life = p.counts[0] + p.counts[1] + p.counts[2] + 2;
    for (bool muted : {false, true}) {
        SCOPED_TRACE(muted);
        EngineRig rig;
        rig.apply(kParamDecay, 0.0f);
        for (int k = 0; k < 3; ++k) {
            rig.apply(kParamOsc1Shape + k, 0.02f);
            rig.apply(kParamOsc1Mute + k, muted ? 1.0f : 0.0f);
        }
        rig.noteOn(60, 127);
        FmVoice& voice = newest(rig);
        rig.render(life - 1);
        ASSERT_EQ(rig.engine.activeVoices, &voice);
        EXPECT_TRUE(voice.keyHeld);
        EXPECT_TRUE(voice.fading);
        const Envelope& m = voice.oscillators[0].modulatorEnvelope;
        EXPECT_EQ(m.segment, kHold);
        EXPECT_NEAR(m.amplitude, 0.8f * kModIndex[52], 1e-4f);
        rig.render(1);
        EXPECT_EQ(rig.engine.activeVoices, nullptr);
    }
}

TEST(Envelope, AnotherReleaseRestartsTheFullRamp) {
    const Op carrier{{99, 95, 0, 0}, {95, 20, 20, 60}, 3};
    const int32_t ramp = plan(carrier, true, 60, 0.5f).counts[4];
    for (int second : {-1, 50, 300}) {
        SCOPED_TRACE(second);
        EngineRig rig;
        rig.pedal(true);
        rig.noteOn(60, 127);
        rig.render(500);
        rig.noteOff(60);
        rig.pedal(false);  // first release
        if (second >= 0) {
            rig.render(second);
            rig.pedal(false);  // pedal up again: the sustained voice is released again
        }
        rig.render(ramp - 1);
        EXPECT_NE(rig.engine.activeVoices, nullptr);
        rig.render(1);
        EXPECT_EQ(rig.engine.activeVoices, nullptr);
    }
}

TEST(Envelope, DampEndsEveryCarrierAfterExactly100Samples) {
    EngineRig rig;
    rig.noteOn(60, 127);
    rig.render(40);  // inside the attack
    Envelope carrier = newest(rig).oscillators[0].carrierEnvelope;
    carrier.damp();
    for (int i = 1; i < 100; ++i) ASSERT_NE(carrier.advanceCarrier(), 0) << i;
    EXPECT_EQ(carrier.advanceCarrier(), 0);
    carrier.advanceCarrier();
    EXPECT_EQ(carrier.amplitude, 0.0f);
}

TEST(Envelope, DecayAndTimeScaleStretchTheirSegments) {
    auto plans = [](float decay, float timeScale) {
        EngineRig rig;
        rig.apply(kParamDecay, decay);
        rig.apply(kParamOsc1TimeScale, timeScale);
        rig.noteOn(60, 127);
        const VoiceOscillator& o = newest(rig).oscillators[0];
        return std::make_pair(o.carrierEnvelope, o.modulatorEnvelope);
    };
    const auto plain = plans(0.75f, 0.5f);
    {
        EngineRig untouched;
        untouched.noteOn(60, 127);
        const VoiceOscillator& o = newest(untouched).oscillators[0];
        EXPECT_EQ(std::memcmp(o.carrierEnvelope.counts, plain.first.counts, sizeof plain.first.counts), 0);
        EXPECT_EQ(std::memcmp(o.carrierEnvelope.increments, plain.first.increments, sizeof plain.first.increments), 0);
        EXPECT_EQ(std::memcmp(o.modulatorEnvelope.counts, plain.second.counts, sizeof plain.second.counts), 0);
    }
    const auto longDecay = plans(1.0f, 0.5f);  // factor 1.25^4
    const auto slow = plans(0.75f, 1.0f);      // factor 4
    for (int k = 0; k < 5; ++k) {
        const double c = plain.first.counts[k] - 1;
        const double decayFactor = (k == 1 || k == 2) ? 2.44140625 : 1.0;
        EXPECT_NEAR(longDecay.first.counts[k] - 1, c * decayFactor, decayFactor + 1.0) << k;
        EXPECT_NEAR(slow.first.counts[k] - 1, c * 4.0, 5.0) << k;
    }
}

}  // namespace
}  // namespace tine
