#include "engine/Voice.h"

#include <cmath>

#include "engine/Engine.h"
#include "engine/ShapeTable.h"
#include "engine/SharedTables.h"

// The vector kernels are written in GCC vector types, so that one text serves
// every width; SSE2 is the least the x86 builds assume.
#if defined(__GNUC__) && defined(__SSE2__) && defined(__has_builtin)
#if __has_builtin(__builtin_convertvector)
#include <emmintrin.h>
#define TINE_VECTOR_VOICE 1
// Voice pairs in 256-bit vectors, chosen at run time where the processor has them.
#if __has_builtin(__builtin_shufflevector) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define TINE_WIDE_VOICE_PAIRS 1
#endif
#endif
#endif
#ifndef TINE_VECTOR_VOICE
#define TINE_VECTOR_VOICE 0
#endif

// Kernel functions are always inlined: the per-sample loops make no calls, and
// a 256-bit vector never crosses a call into code compiled without AVX. They
// take such vectors by reference; the warning about returning one by value
// does not apply.
#if defined(__GNUC__)
#define TINE_KERNEL inline __attribute__((always_inline))
#pragma GCC diagnostic ignored "-Wpsabi"
#else
#define TINE_KERNEL inline
#endif

namespace tine {

constexpr int32_t kWrapPeriod = 64;  // samples between phase reductions

void FmVoice::noteOn(uint8_t n, uint8_t v) {
    note = n;
    velocity = v;
    keyHeld = true;
    wrapCountdown = kWrapPeriod;
    done = false;
    sustained = false;
    age = 0;
    fading = false;

    const Engine& engine = *owner;
    const SharedTables* tables = sharedTables();
    for (int k = 0; k < 3; ++k) {
        const OscillatorSettings& s = engine.oscillators[k];
        const ShapeRecord& shape = *engine.shapes[k];
        VoiceOscillator& osc = oscillators[k];

        const float c = tables->velocityCurve[s.curve + v];
        EnvelopePlanInput in;
        in.note = n;
        in.velocity = v;
        in.curveValue = c;
        in.carrierScale = (1.0f + c * s.vs1) * s.muteGain * s.level * shape.gain;
        in.modulatorScale = (1.0f + c * s.vs2) * s.brightness;
        in.timeScale = s.timeScale;
        in.decayFactor = engine.decayFactor;
        in.sampleRate = engine.sampleRate;
        planEnvelopes(osc.carrierEnvelope, osc.modulatorEnvelope, shape.carrier, shape.modulator, in);

        int key = n + s.transpose;
        key = key < 0 ? 0 : (key > 127 ? 127 : key);
        const float keyFrequency = tables->noteFrequency[key];
        auto increment = [&](const OperatorSpec& op) {
            float f = op.fixed ? op.ratio : keyFrequency * op.ratio;
            f = f + op.offset;
            return f * engine.halfSampleTime * s.detune;
        };
        osc.carrierIncrement = increment(shape.carrier);
        osc.modulatorIncrement = increment(shape.modulator);
        osc.carrierPhase = 0.0f;
        osc.modulatorPhase = static_cast<float>(static_cast<int32_t>(nextModulatorSeed()) - 32768) / 32768.0f;
        osc.lastModulator = 0.0f;
        osc.feedback = shape.feedback;
    }
}

void FmVoice::noteOff() {
    keyHeld = false;
    if (owner && owner->sustainPedal) {
        sustained = true;
        return;
    }
    release();
}

void FmVoice::release() {
    fading = true;
    for (VoiceOscillator& osc : oscillators) {
        osc.carrierEnvelope.release();
        osc.modulatorEnvelope.release();
    }
}

void FmVoice::damp() {
    fading = false;
    for (VoiceOscillator& osc : oscillators) {
        osc.carrierEnvelope.damp();
        osc.modulatorEnvelope.damp();
    }
}

namespace {

// Inside the kernel, phases and modulator outputs are carried in table units
// (cycles times 8192). Scaling by a power of two is exact, so every sum,
// floor and product rounds exactly as it would in cycles, and the table index
// comes out directly.
constexpr float kTableUnits = static_cast<float>(kSineSize);

// The kernel is written once over a lane type: the value it computes on (one
// oscillator's float, or a vector of oscillators), that value's integer
// counterpart, and the two steps that differ by width: splitting a table
// position into an entry and a fraction, and fetching the entries.

// One oscillator, for the samples that need the full envelope logic.
struct OneLane {
    using Value = float;
    using Index = int32_t;

    // Floor by truncation corrected for negative x: x - trunc(x) is exact, and
    // so is 1 plus a negative fraction of an |x| >= 1, so t equals x - floor(x)
    // bit for bit.
    static TINE_KERNEL Index floorFraction(float x, float& t) {
        int32_t i = static_cast<int32_t>(x);
        t = x - static_cast<float>(i);
        if (t < 0.0f) {
            t += 1.0f;
            --i;
        }
        return i & (kSineSize - 1);
    }

    static TINE_KERNEL void gather(const float* sine, Index i, float& a, float& b) {
        a = sine[i];
        b = sine[i + 1];
    }
};

// Interpolated sine at x table units, in every lane.
template <class Lanes>
TINE_KERNEL typename Lanes::Value tableSine(const float* sine, const typename Lanes::Value& x) {
    typename Lanes::Value t, a, b;
    Lanes::gather(sine, Lanes::floorFraction(x, t), a, b);
    return a + (b - a) * t;
}

// The phases of modulator/carrier pairs, one pair per lane, in table units.
template <class Lanes>
struct PairLanes {
    using Value = typename Lanes::Value;
    Value carrierPhase, carrierStep, modPhase, modStep, last, feedback;

    // One sample, the envelope amplitudes already advanced (the modulator's in
    // table units). Without feedback the modulator skips 0 * last (an exact
    // zero), so its input does not wait for the previous sample.
    template <bool Feedback>
    TINE_KERNEL Value sample(const float* sine, const Value& modAmp, const Value& carrierAmp) {
        carrierPhase += carrierStep;
        modPhase += modStep;
        const Value at = Feedback ? modPhase + feedback * last : modPhase;
        last = modAmp * tableSine<Lanes>(sine, at);
        return carrierAmp * carrierAmp * tableSine<Lanes>(sine, carrierPhase + last);
    }
};

// A voice's three pairs for a stretch, in the first three of four lanes (the
// fourth is idle zeros), ready for vector loads.
struct VoiceLanes {
    alignas(16) float carrierPhase[4];
    alignas(16) float carrierStep[4];
    alignas(16) float modPhase[4];
    alignas(16) float modStep[4];
    alignas(16) float last[4];
    alignas(16) float feedback[4];

    void load(const VoiceOscillator* o) {
        for (int k = 0; k < 3; ++k) {
            carrierPhase[k] = o[k].carrierPhase * kTableUnits;
            carrierStep[k] = o[k].carrierIncrement * kTableUnits;
            modPhase[k] = o[k].modulatorPhase * kTableUnits;
            modStep[k] = o[k].modulatorIncrement * kTableUnits;
            last[k] = o[k].lastModulator * kTableUnits;
            feedback[k] = o[k].feedback;
        }
        carrierPhase[3] = carrierStep[3] = modPhase[3] = modStep[3] = last[3] = feedback[3] = 0.0f;
    }
    void store(VoiceOscillator* o) const {
        for (int k = 0; k < 3; ++k) {
            o[k].carrierPhase = carrierPhase[k] / kTableUnits;
            o[k].modulatorPhase = modPhase[k] / kTableUnits;
            o[k].lastModulator = last[k] / kTableUnits;
        }
    }
    void wrap() {
        for (int k = 0; k < 3; ++k) {
            carrierPhase[k] -= kTableUnits * std::floor(carrierPhase[k] / kTableUnits);
            modPhase[k] -= kTableUnits * std::floor(modPhase[k] / kTableUnits);
        }
    }

    // One sample of pair k, the envelopes already advanced.
    TINE_KERNEL float sample(int k, const float* sine, const VoiceOscillator& o) {
        PairLanes<OneLane> p{carrierPhase[k], carrierStep[k], modPhase[k], modStep[k], last[k], feedback[k]};
        const float modAmp = o.modulatorEnvelope.amplitude * kTableUnits;
        const float carrierAmp = o.carrierEnvelope.amplitude;
        const float y =
            p.feedback != 0.0f ? p.sample<true>(sine, modAmp, carrierAmp) : p.sample<false>(sine, modAmp, carrierAmp);
        carrierPhase[k] = p.carrierPhase;
        modPhase[k] = p.modPhase;
        last[k] = p.last;
        return y;
    }
};

// One sample with the full envelope logic; used wherever a segment changes.
inline float stepOne(FmVoice& voice, VoiceLanes& lanes, const float* sine) {
    VoiceOscillator* o = voice.oscillators;
    const int32_t left = o[0].carrierEnvelope.advanceCarrier() + o[1].carrierEnvelope.advanceCarrier() +
                         o[2].carrierEnvelope.advanceCarrier();
    o[0].modulatorEnvelope.advanceModulator();
    o[1].modulatorEnvelope.advanceModulator();
    o[2].modulatorEnvelope.advanceModulator();
    if (!voice.fading)
        voice.fading = left != 0;
    else
        voice.done = left == 0;
    const float y1 = lanes.sample(0, sine, o[0]);
    const float y2 = lanes.sample(1, sine, o[1]);
    const float y3 = lanes.sample(2, sine, o[2]);
    return y1 + y2 + y3;
}

void wrapIfDue(FmVoice& voice, VoiceLanes& lanes) {
    if (voice.wrapCountdown <= 1) {
        // This sample's tick reaches the wrap.
        lanes.wrap();
        ++voice.age;
        voice.wrapCountdown = kWrapPeriod + 1;
    }
}

#if TINE_VECTOR_VOICE
bool isDeadCarrier(const Envelope& e) {
    return (e.segment == kLastDecay || e.segment == kRelease) && e.remaining == 0 && e.amplitude == 0.0f;
}

bool isDeadModulator(const Envelope& e) {
    return e.segment == kRelease && e.remaining == 0 && e.amplitude == 0.0f;
}

constexpr int32_t kEndless = 0x7FFFFFFF;

// Samples the envelope can advance by its plain update before it needs its
// segment logic; 0 when the very next sample does.
int32_t plainSamples(const Envelope& e, bool dead) {
    if (dead)
        return kEndless;  // stays at exactly 0
    if (e.remaining == 0)
        return 0;
    return e.step == 0 ? kEndless : e.remaining;
}

// Samples from now on during which no envelope of the voice changes segment
// and no phase wrap falls, at most limit.
int32_t plainLength(const FmVoice& voice, int32_t limit) {
    int32_t plain = limit;
    if (voice.wrapCountdown - 1 < plain)
        plain = voice.wrapCountdown - 1;
    for (int k = 0; k < 3 && plain > 0; ++k) {
        const Envelope& c = voice.oscillators[k].carrierEnvelope;
        const Envelope& m = voice.oscillators[k].modulatorEnvelope;
        const int32_t pc = plainSamples(c, isDeadCarrier(c));
        const int32_t pm = plainSamples(m, isDeadModulator(m));
        if (pc < plain)
            plain = pc;
        if (pm < plain)
            plain = pm;
    }
    return plain;
}

typedef int32_t Int4 __attribute__((vector_size(16)));

// Truncation corrected in the lanes where it went up, as OneLane's branch
// does: the compare mask adds 1.0 to the fraction there (0.0 elsewhere) and
// -1 to the entry.
template <class Value, class Index>
TINE_KERNEL Index vectorFloorFraction(const Value& x, Value& t) {
    const Index i = __builtin_convertvector(x, Index);
    t = x - __builtin_convertvector(i, Value);
    const Index negative = t < Value{};
    t += (Value)(negative & (Index)(Value{} + 1.0f));
    return (i + negative) & (kSineSize - 1);
}

// A voice's three pairs and an idle fourth lane.
struct FourLanes {
    using Value = __m128;
    using Index = Int4;

    static TINE_KERNEL Index floorFraction(Value x, Value& t) { return vectorFloorFraction<Value, Index>(x, t); }

    // The gathers stay scalar: each lane fetches its two neighbouring entries
    // in one unaligned 8-byte load. The idle lane repeats lane 2's.
    static TINE_KERNEL void gather(const float* sine, Index i, Value& a, Value& b) {
        const __m128 pairs = _mm_unpacklo_ps(entries(sine, i[0]), entries(sine, i[1]));  // a0 a1 b0 b1
        const __m128 third = entries(sine, i[2]);                                        // a2 b2
        a = __builtin_shufflevector(pairs, third, 0, 1, 4, 5);                           // a0 a1 a2 b2
        b = __builtin_shufflevector(pairs, third, 2, 3, 5, 5);                           // b0 b1 b2 b2
    }

    // Entries i and i + 1 in the lower half.
    static TINE_KERNEL __m128 entries(const float* sine, int32_t i) {
        return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sine + i)));
    }
};

// The state of a plain run: the pairs and the straight-line updates of their
// envelope amplitudes (the modulators' in table units, which saves a multiply).
template <class Lanes>
struct RunLanes {
    using Value = typename Lanes::Value;
    PairLanes<Lanes> pairs;
    Value carrierAmp, carrierInc, modAmp, modInc;

    template <bool Feedback>
    TINE_KERNEL Value step(const float* sine) {
        carrierAmp += (carrierAmp + kCarrierCurve) * carrierInc;
        modAmp += modInc;
        return pairs.template sample<Feedback>(sine, modAmp, carrierAmp);
    }
};

// (y0 + y1) + y2, a voice's sample from its four lanes.
TINE_KERNEL float voiceSample(__m128 y) {
    return y[0] + y[1] + y[2];
}

// Two voices' samples at once, each summed in oscillator order: lane 0 holds
// (a0 + a1) + a2, lane 2 (b0 + b1) + b2.
TINE_KERNEL __m128 pairSamples(__m128 a, __m128 b) {
    const __m128 firstTwo = _mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 0, 1, 0));  // a0 a1 b0 b1
    const __m128 seconds = _mm_shuffle_ps(firstTwo, firstTwo, _MM_SHUFFLE(3, 3, 1, 1));
    const __m128 thirds = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 2, 2, 2));  // a2 a2 b2 b2
    return (firstTwo + seconds) + thirds;
}

// A voice over a run of samples during which no envelope changes segment:
// the plain updates of all six envelopes and the three pairs run four lanes
// wide, with the same operations in the same order as stepOne, so the result
// is bit-identical.
struct PlainRun {
    RunLanes<FourLanes> lanes;
    int32_t fadingLeft;   // sum of the fading carriers' remaining counts
    int32_t fadingCount;  // carriers counting down in their last decay or release
    bool anyFeedback;

    void begin(const FmVoice& voice, const VoiceLanes& one) {
        alignas(16) float ca[4] = {}, ci[4] = {}, ma[4] = {}, mi[4] = {};
        fadingLeft = 0;
        fadingCount = 0;
        for (int k = 0; k < 3; ++k) {
            const Envelope& c = voice.oscillators[k].carrierEnvelope;
            const Envelope& m = voice.oscillators[k].modulatorEnvelope;
            const bool deadCarrier = isDeadCarrier(c);
            ca[k] = c.amplitude;
            ci[k] = deadCarrier ? 0.0f : c.increment;
            if (!deadCarrier && (c.segment == kLastDecay || c.segment == kRelease)) {
                fadingLeft += c.remaining;
                ++fadingCount;
            }
            ma[k] = m.amplitude * kTableUnits;
            mi[k] = (isDeadModulator(m) || m.step == 0) ? 0.0f : m.increment * kTableUnits;
        }
        lanes.carrierAmp = _mm_load_ps(ca);
        lanes.carrierInc = _mm_load_ps(ci);
        lanes.modAmp = _mm_load_ps(ma);
        lanes.modInc = _mm_load_ps(mi);
        lanes.pairs.carrierPhase = _mm_load_ps(one.carrierPhase);
        lanes.pairs.carrierStep = _mm_load_ps(one.carrierStep);
        lanes.pairs.modPhase = _mm_load_ps(one.modPhase);
        lanes.pairs.modStep = _mm_load_ps(one.modStep);
        lanes.pairs.last = _mm_load_ps(one.last);
        lanes.pairs.feedback = _mm_load_ps(one.feedback);
        anyFeedback = one.feedback[0] != 0.0f || one.feedback[1] != 0.0f || one.feedback[2] != 0.0f;
    }

    // How the voice's flags move over the next `frames` samples, worked out
    // ahead instead of per sample. In a run the fading carriers' remaining
    // counts only fall, so their sum is L0 - (j + 1) * C after sample j: it can
    // reach 0 only on the run's last sample. Returns the samples to render:
    // fewer when the voice ends inside the run. `ends` tells whether it does.
    int32_t plan(int32_t frames, bool& fading, bool& ends) const {
        ends = false;
        if (fadingCount == 0) {
            // Nothing left to fade on any sample.
            if (fading) {
                ends = true;
                return 1;
            }
            return frames;
        }
        bool fadingBefore = fading;
        if (!fading) {
            fading = fadingLeft - fadingCount != 0;  // the first sample decides
            if (fadingLeft % fadingCount == 0 && fadingLeft / fadingCount - 1 == 0)
                return frames;
        }
        if (fadingLeft % fadingCount == 0) {
            const int32_t zeroAt = fadingLeft / fadingCount - 1;
            if (zeroAt < frames && (fadingBefore || zeroAt > 0)) {
                ends = true;
                return zeroAt + 1;
            }
        }
        return frames;
    }

    void end(FmVoice& voice, VoiceLanes& one, int32_t rendered) const {
        _mm_store_ps(one.carrierPhase, lanes.pairs.carrierPhase);
        _mm_store_ps(one.modPhase, lanes.pairs.modPhase);
        _mm_store_ps(one.last, lanes.pairs.last);
        for (int k = 0; k < 3; ++k) {
            Envelope& c = voice.oscillators[k].carrierEnvelope;
            Envelope& m = voice.oscillators[k].modulatorEnvelope;
            c.amplitude = lanes.carrierAmp[k];
            if (c.remaining != 0)
                c.remaining += c.step * rendered;
            m.amplitude = lanes.modAmp[k] / kTableUnits;
            if (m.remaining != 0)
                m.remaining += m.step * rendered;
        }
        voice.wrapCountdown -= rendered;
    }
};

template <bool Finishing, bool Feedback>
void runAlone(RunLanes<FourLanes>& run, const float* sine, float* __restrict sum, int32_t frames,
              StretchFinisher* finisher) {
    for (int32_t j = 0; j < frames; ++j) {
        sum[j] += voiceSample(run.step<Feedback>(sine));
        if (Finishing)
            finisher->finishThrough(sum + j);
    }
}

template <bool Finishing>
int32_t plainRun(FmVoice& voice, VoiceLanes& one, const float* sine, float* __restrict sum, int32_t frames,
                 StretchFinisher* finisher) {
    PlainRun run;
    run.begin(voice, one);
    bool ends = false;
    const int32_t rendered = run.plan(frames, voice.fading, ends);
    if (run.anyFeedback)
        runAlone<Finishing, true>(run.lanes, sine, sum, rendered, finisher);
    else
        runAlone<Finishing, false>(run.lanes, sine, sum, rendered, finisher);
    if (ends)
        voice.done = true;
    run.end(voice, one, rendered);
    return rendered;
}

// Adds a pair's samples, the first voice's then the second's as the list
// order demands. Pair::step gives both: the first in lane 0, the second in 2.
template <bool Finishing, bool Feedback, class Pair>
TINE_KERNEL void runPair(Pair& pair, const float* sine, float* __restrict sum, int32_t frames,
                         StretchFinisher* finisher) {
    for (int32_t j = 0; j < frames; ++j) {
        const __m128 both = pair.template step<Feedback>(sine);
        sum[j] += both[0];
        sum[j] += both[2];
        if (Finishing)
            finisher->finishThrough(sum + j);
    }
}

// Two voices in one loop: their sample chains are independent, so the
// processor overlaps them (above all the feedback loops, which cannot overlap
// with themselves).
struct NarrowPair {
    RunLanes<FourLanes>& a;
    RunLanes<FourLanes>& b;

    template <bool Feedback>
    TINE_KERNEL __m128 step(const float* sine) {
        return pairSamples(a.step<Feedback>(sine), b.step<Feedback>(sine));
    }
};

#if TINE_WIDE_VOICE_PAIRS
// Processors with 256-bit vectors take a pair's two voices in one register,
// the first voice in the lower half and the second in the upper: the same
// operations in the same order per lane, so the samples are bit-identical.
// Only the loop that drives them is compiled for AVX2; the release assumes
// no more than SSE2.
#define TINE_WIDE __attribute__((target("avx2")))

typedef int32_t Int8 __attribute__((vector_size(32)));

TINE_KERNEL __m256 joined(__m128 low, __m128 high) {
    return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}
TINE_KERNEL __m128 lowHalf(const __m256& v) {
    return __builtin_shufflevector(v, v, 0, 1, 2, 3);
}
TINE_KERNEL __m128 highHalf(const __m256& v) {
    return __builtin_shufflevector(v, v, 4, 5, 6, 7);
}

struct EightLanes {
    using Value = __m256;
    using Index = Int8;

    static TINE_KERNEL Index floorFraction(const Value& x, Value& t) { return vectorFloorFraction<Value, Index>(x, t); }

    // FourLanes' gather in both halves, the halves joined before the shuffles.
    static TINE_KERNEL void gather(const float* sine, const Index& i, Value& a, Value& b) {
        const __m256 pairs = joined(_mm_unpacklo_ps(FourLanes::entries(sine, i[0]), FourLanes::entries(sine, i[1])),
                                    _mm_unpacklo_ps(FourLanes::entries(sine, i[4]), FourLanes::entries(sine, i[5])));
        const __m256 third = joined(FourLanes::entries(sine, i[2]), FourLanes::entries(sine, i[6]));
        a = __builtin_shufflevector(pairs, third, 0, 1, 8, 9, 4, 5, 12, 13);
        b = __builtin_shufflevector(pairs, third, 2, 3, 9, 9, 6, 7, 13, 13);
    }
};

struct WidePair {
    RunLanes<EightLanes> lanes;

    TINE_KERNEL WidePair(const RunLanes<FourLanes>& a, const RunLanes<FourLanes>& b) {
        lanes.carrierAmp = joined(a.carrierAmp, b.carrierAmp);
        lanes.carrierInc = joined(a.carrierInc, b.carrierInc);
        lanes.modAmp = joined(a.modAmp, b.modAmp);
        lanes.modInc = joined(a.modInc, b.modInc);
        lanes.pairs.carrierPhase = joined(a.pairs.carrierPhase, b.pairs.carrierPhase);
        lanes.pairs.carrierStep = joined(a.pairs.carrierStep, b.pairs.carrierStep);
        lanes.pairs.modPhase = joined(a.pairs.modPhase, b.pairs.modPhase);
        lanes.pairs.modStep = joined(a.pairs.modStep, b.pairs.modStep);
        lanes.pairs.last = joined(a.pairs.last, b.pairs.last);
        lanes.pairs.feedback = joined(a.pairs.feedback, b.pairs.feedback);
    }

    template <bool Feedback>
    TINE_KERNEL __m128 step(const float* sine) {
        const __m256 y = lanes.step<Feedback>(sine);
        return pairSamples(lowHalf(y), highHalf(y));
    }

    // Hands back what the run changed.
    TINE_KERNEL void split(RunLanes<FourLanes>& a, RunLanes<FourLanes>& b) const {
        split(lanes.carrierAmp, a.carrierAmp, b.carrierAmp);
        split(lanes.modAmp, a.modAmp, b.modAmp);
        split(lanes.pairs.carrierPhase, a.pairs.carrierPhase, b.pairs.carrierPhase);
        split(lanes.pairs.modPhase, a.pairs.modPhase, b.pairs.modPhase);
        split(lanes.pairs.last, a.pairs.last, b.pairs.last);
    }
    static TINE_KERNEL void split(const __m256& v, __m128& low, __m128& high) {
        low = lowHalf(v);
        high = highHalf(v);
    }
};

template <bool Finishing, bool Feedback>
TINE_WIDE void runPairWide(RunLanes<FourLanes>& a, RunLanes<FourLanes>& b, const float* sine, float* __restrict sum,
                           int32_t frames, StretchFinisher* finisher) {
    WidePair pair(a, b);
    runPair<Finishing, Feedback>(pair, sine, sum, frames, finisher);
    pair.split(a, b);
}

bool wideDisabledForTesting = false;

bool wideVoicePairs() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported && !wideDisabledForTesting;
}
#endif  // TINE_WIDE_VOICE_PAIRS

// Both voices over a run that is plain for each.
template <bool Finishing>
int32_t plainRunPair(FmVoice& a, VoiceLanes& la, FmVoice& b, VoiceLanes& lb, const float* sine, float* __restrict sum,
                     int32_t frames, StretchFinisher* finisher) {
    PlainRun ra, rb;
    ra.begin(a, la);
    rb.begin(b, lb);
    bool aEnds = false, bEnds = false;
    const int32_t aFrames = ra.plan(frames, a.fading, aEnds);
    const int32_t bFrames = rb.plan(frames, b.fading, bEnds);
    const int32_t rendered = aFrames < bFrames ? aFrames : bFrames;
    const bool feedback = ra.anyFeedback || rb.anyFeedback;
#if TINE_WIDE_VOICE_PAIRS
    if (wideVoicePairs()) {
        if (feedback)
            runPairWide<Finishing, true>(ra.lanes, rb.lanes, sine, sum, rendered, finisher);
        else
            runPairWide<Finishing, false>(ra.lanes, rb.lanes, sine, sum, rendered, finisher);
    } else
#endif
    {
        NarrowPair pair{ra.lanes, rb.lanes};
        if (feedback)
            runPair<Finishing, true>(pair, sine, sum, rendered, finisher);
        else
            runPair<Finishing, false>(pair, sine, sum, rendered, finisher);
    }
    if (aEnds && rendered == aFrames)
        a.done = true;
    if (bEnds && rendered == bFrames)
        b.done = true;
    ra.end(a, la, rendered);
    rb.end(b, lb, rendered);
    return rendered;
}
#endif  // TINE_VECTOR_VOICE

}  // namespace

#if TINE_WIDE_VOICE_PAIRS
bool setWideVoicePairs(bool enabled) {
    wideDisabledForTesting = !enabled;
    return wideVoicePairs();
}
#else
bool setWideVoicePairs(bool) {
    return false;
}
#endif

float FmVoice::tick() {
    VoiceLanes lanes;
    lanes.load(oscillators);
    wrapIfDue(*this, lanes);
    --wrapCountdown;
    const float y = stepOne(*this, lanes, sharedTables()->sine);
    lanes.store(oscillators);
    return y;
}

int32_t FmVoice::tickInto(float* __restrict sum, int32_t frames, StretchFinisher* finisher) {
    const float* sine = sharedTables()->sine;
    VoiceLanes lanes;
    lanes.load(oscillators);
    int32_t i = 0;
    while (i < frames && !done) {
        wrapIfDue(*this, lanes);
#if TINE_VECTOR_VOICE
        const int32_t plain = plainLength(*this, frames - i);
        if (plain > 0) {
            i += finisher ? plainRun<true>(*this, lanes, sine, sum + i, plain, finisher)
                          : plainRun<false>(*this, lanes, sine, sum + i, plain, nullptr);
            continue;
        }
#endif
        --wrapCountdown;
        sum[i] += stepOne(*this, lanes, sine);
        if (finisher)
            finisher->finishThrough(sum + i);
        ++i;
    }
    lanes.store(oscillators);
    return i;
}

void FmVoice::tickPairInto(FmVoice& a, FmVoice& b, float* __restrict sum, int32_t frames, StretchFinisher* finisher) {
    const float* sine = sharedTables()->sine;
    VoiceLanes la, lb;
    la.load(a.oscillators);
    lb.load(b.oscillators);
    int32_t i = 0;
    while (i < frames && !a.done && !b.done) {
        wrapIfDue(a, la);
        wrapIfDue(b, lb);
#if TINE_VECTOR_VOICE
        int32_t plain = plainLength(a, frames - i);
        if (plain > 0)
            plain = plainLength(b, plain);
        if (plain > 0) {
            i += finisher ? plainRunPair<true>(a, la, b, lb, sine, sum + i, plain, finisher)
                          : plainRunPair<false>(a, la, b, lb, sine, sum + i, plain, nullptr);
            continue;
        }
#endif
        --a.wrapCountdown;
        sum[i] += stepOne(a, la, sine);
        --b.wrapCountdown;
        sum[i] += stepOne(b, lb, sine);
        if (finisher)
            finisher->finishThrough(sum + i);
        ++i;
    }
    la.store(a.oscillators);
    lb.store(b.oscillators);
    // Whichever voice goes on renders the rest of the stretch alone.
    if (!a.done && i < frames)
        a.tickInto(sum + i, frames - i, finisher);
    if (!b.done && i < frames)
        b.tickInto(sum + i, frames - i, finisher);
}

}  // namespace tine
