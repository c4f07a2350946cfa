// The voice kernel: the per-sample tick against the phase-modulation formula at
// every sample rate, and the stretch and pair renderers against the tick, bit
// for bit, through every segment change, release, damp and phase wrap.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <tuple>

#include "engine/EngineTestSupport.h"

namespace tine {
namespace {

using test::EngineRig;

// Each pair sounds carrier² · sin 2π(c + m), m = index · sin 2π(p + feedback ·
// the m before), its phases c and p advancing by their operators' frequency /
// rate: the key's at a ratio or a fixed value, fixed values and offsets in
// half-hertz. Worked out in double precision from the envelopes' amplitudes;
// the table, its interpolation and single-precision sums stay within 3e-5.
TEST(VoiceKernel, TicksFollowThePhaseModulationFormulaAtEveryRate) {
    // Note, "Transpose" and "Detune" values, the key that sounds, the detuning.
    const std::tuple<int, float, float, int, double> rows[] = {
        {69, 0.5f, 0.5f, 69, 1.0},      {33, 0.5f, 0.5f, 33, 1.0}, {57, 0.62f, 0.5f, 69, 1.0},
        {100, 1.0f, 0.5f, 127, 1.0},    {20, 0.0f, 0.5f, 0, 1.0},  {69, 0.5f, 1.0f, 69, 1.015},
        {69, 0.5f, 0.0f, 69, 1 / 1.015}};
    // "Classic 1" has feedback and a modulator offset, "Bass Rhodes" a carrier
    // offset, "Onyx" a fixed carrier; full brightness.
    const ShapeRecord* shapes[3] = {&kShapeDesigns[13], &kShapeDesigns[2], &kShapeDesigns[50]};
    for (float rate : test::kRates) {
        for (auto [note, transpose, detune, key, detuning] : rows) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, note " << note << ", key " << key);
            EngineRig rig(16, rate);
            for (int k = 0; k < 3; ++k) {
                const int params[] = {kParamOsc1Shape, kParamOsc1Brightness, kParamOsc1Transpose, kParamOsc1Detune};
                const float values[] = {shapes[k]->key, 1.0f, transpose, detune};
                for (int i = 0; i < 4; ++i) rig.apply(params[i] + k, values[i]);
            }
            rig.noteOn(note, 127);
            FmVoice& voice = *rig.engine.activeVoices;
            for (int k = 0; k < 3; ++k) {
                for (const OperatorSpec* op : {&shapes[k]->carrier, &shapes[k]->modulator}) {
                    const double hz = op->fixed ? op->ratio / 2 : 440 * std::pow(2.0, (key - 69) / 12.0) * op->ratio;
                    const VoiceOscillator& o = voice.oscillators[k];
                    const float step = op == &shapes[k]->carrier ? o.carrierIncrement : o.modulatorIncrement;
                    EXPECT_NEAR(step * rate, (hz + op->offset / 2) * detuning, hz * 1e-6) << k;
                }
            }
            double worst = 0.0, loudest = 0.0, last[3] = {};
            for (int n = 1; n <= 1024; ++n) {
                VoiceOscillator before[3];
                std::copy(voice.oscillators, voice.oscillators + 3, before);
                const float y = voice.tick();
                double expected = 0.0;
                for (int k = 0; k < 3; ++k) {
                    const VoiceOscillator& o = voice.oscillators[k];
                    for (auto [now, then, step] :
                         {std::tuple{o.carrierPhase, before[k].carrierPhase, o.carrierIncrement},
                          {o.modulatorPhase, before[k].modulatorPhase, o.modulatorIncrement}}) {
                        const double moved = double(now) - then - step;  // whole turns aside
                        ASSERT_NEAR(moved - std::round(moved), 0.0, 1e-5) << "sample " << n;
                    }
                    const double m = o.modulatorPhase + shapes[k]->feedback * last[k], c = o.carrierEnvelope.amplitude;
                    last[k] = o.modulatorEnvelope.amplitude * std::sin(2 * test::kPi * m);
                    expected += c * c * std::sin(2 * test::kPi * (o.carrierPhase + last[k]));
                }
                worst = std::max(worst, std::fabs(y - expected));
                loudest = std::max(loudest, std::fabs(expected));
            }
            EXPECT_GT(loudest, 0.01);
            EXPECT_LT(worst, 3e-5);
        }
    }
}

struct Scenario {
    int program, note, velocity, releaseAt, dampAt;  // -1: no such event
};

// The sum of one or two voices on factory programs, rendered by per-sample ticks
// (stretch 0) or in stretches cut at every event, two voices as a pair; and the
// voices as they end. The modulators start at the same phases every time.
std::pair<std::vector<float>, std::vector<FmVoice>> render(const std::vector<Scenario>& scenarios, int stretch) {
    test::restartModulatorPhases();
    std::deque<EngineRig> rigs;
    std::vector<FmVoice*> voices;
    for (const Scenario& s : scenarios) {
        EngineRig& rig = rigs.emplace_back();
        for (int i = 0; i < kNumParams; ++i)
            if (i != kParamVoices)
                rig.apply(i, kFactoryBank[s.program].values[i]);
        rig.noteOn(s.note, s.velocity);
        voices.push_back(rig.engine.activeVoices);
    }
    std::vector<float> sum(4 * 44100, 0.0f);
    for (int i = 0, n; i < int(sum.size()); i += n) {
        n = stretch == 0 ? 1 : std::min(stretch, int(sum.size()) - i);
        std::vector<FmVoice*> live;
        for (std::size_t v = 0; v < voices.size(); ++v) {
            const Scenario& s = scenarios[v];
            if (i == s.releaseAt)
                voices[v]->noteOff();
            if (i == s.dampAt)
                voices[v]->damp();
            for (int event : {s.releaseAt, s.dampAt}) n = event > i && event - i < n ? event - i : n;
            if (!voices[v]->done)
                live.push_back(voices[v]);
        }
        if (stretch == 0)
            for (FmVoice* v : live) sum[std::size_t(i)] += v->tick();
        else if (live.size() == 2)
            FmVoice::tickPairInto(*live[0], *live[1], &sum[std::size_t(i)], n);
        else if (live.size() == 1)
            live[0]->tickInto(&sum[std::size_t(i)], n);
    }
    std::vector<FmVoice> ends;
    for (FmVoice* v : voices) ends.push_back(*v);
    return {sum, ends};
}

TEST(VoiceKernel, StretchesAndPairsRenderTheTicksBitForBit) {
    const std::vector<Scenario> rows[] = {
        {{0, 60, 100, 20000, -1}},  // tines without feedback, released mid-decay
        {{6, 40, 127, -1, 9000}},   // damped while held
        {{13, 84, 30, 3000, -1}},   // feedback shapes, soft and high
        {{22, 72, 90, 500, 700}},   // released early, then damped during the release
        {{30, 28, 64, -1, -1}},     // held until the carriers die by themselves
        // Pairs, also when one ends before the other.
        {{13, 60, 100, 300, -1}, {6, 64, 90, -1, 900}},
        {{0, 48, 127, -1, 2000}, {31, 72, 50, 5000, -1}},
        {{22, 67, 80, 100, -1}, {13, 55, 127, -1, -1}},
    };
    struct WideDefault {
        ~WideDefault() { setWideVoicePairs(true); }
    } restore;
    for (const std::vector<Scenario>& row : rows) {
        const auto ticks = render(row, 0);
        for (bool wide : {true, false}) {
            setWideVoicePairs(wide);
            for (int stretch : {1, 3, 64, 100, 128}) {
                SCOPED_TRACE(testing::Message() << "program " << row[0].program << ", stretch " << stretch
                                                << (wide ? ", wide pairs" : ", narrow pairs"));
                const auto stretches = render(row, stretch);
                EXPECT_TRUE(test::sameBits(ticks.first, stretches.first));
                // Equal phases and envelopes mean the same number of ticks, to the sample.
                for (std::size_t v = 0; v < row.size(); ++v) {
                    const FmVoice &a = ticks.second[v], &b = stretches.second[v];
                    EXPECT_EQ(std::memcmp(a.oscillators, b.oscillators, sizeof a.oscillators), 0);
                    EXPECT_TRUE(a.done == b.done && a.fading == b.fading && a.age == b.age &&
                                a.wrapCountdown == b.wrapCountdown);
                }
            }
            if (row.size() == 1)
                break;  // one voice never takes the pair kernels
        }
    }
}

}  // namespace
}  // namespace tine
