#include "engine/Voice.h"

#include <cmath>

#include "engine/Engine.h"
#include "engine/ShapeTable.h"

namespace tine {

constexpr int32_t kWrapPeriod = 64;  // samples between phase reductions

void Voice::noteOn(uint8_t n, uint8_t v) {
    note = n;
    velocity = v;
    keyHeld = true;
    wrapCountdown = kWrapPeriod;
    done = false;
    sustained = false;
    age = 0;
    fading = false;
}

void Voice::noteOff() {
    keyHeld = false;
    if (owner && owner->sustainPedal) {
        sustained = true;
        return;
    }
    release();
}

float Voice::tick() {
    if (--wrapCountdown == 0) {
        wrapCountdown = kWrapPeriod;
        wrapPhases();
    }
    return render();
}

void FmVoice::noteOn(uint8_t n, uint8_t v) {
    Voice::noteOn(n, v);
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

// Interpolated sine at x table units. Floor by truncation corrected for
// negative x: x - trunc(x) is exact, and so is 1 plus a negative fraction of
// an |x| >= 1, so t equals x - floor(x) bit for bit.
inline float tableSine(const float* sine, float x) {
    int32_t i = static_cast<int32_t>(x);
    float t = x - static_cast<float>(i);
    if (t < 0.0f) {
        t += 1.0f;
        --i;
    }
    const float* p = sine + (i & (kSineSize - 1));
    const float a = p[0];
    return a + (p[1] - a) * t;
}

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
    if (dead) return kEndless;  // stays at exactly 0
    if (e.remaining == 0) return 0;
    return e.step == 0 ? kEndless : e.remaining;
}

}  // namespace

// Everything that changes per sample in one voice, three oscillators across
// the first three lanes; the fourth lane is idle zeros.
struct FmVoice::Lanes {
    alignas(16) float carrierPhase[4];
    alignas(16) float carrierIncrement[4];
    alignas(16) float modulatorPhase[4];
    alignas(16) float modulatorIncrement[4];
    alignas(16) float lastModulator[4];
    alignas(16) float feedback[4];
    bool anyFeedback;

    void load(const VoiceOscillator* o) {
        for (int k = 0; k < 3; ++k) {
            carrierPhase[k] = o[k].carrierPhase * kTableUnits;
            carrierIncrement[k] = o[k].carrierIncrement * kTableUnits;
            modulatorPhase[k] = o[k].modulatorPhase * kTableUnits;
            modulatorIncrement[k] = o[k].modulatorIncrement * kTableUnits;
            lastModulator[k] = o[k].lastModulator * kTableUnits;
            feedback[k] = o[k].feedback;
        }
        carrierPhase[3] = carrierIncrement[3] = modulatorPhase[3] = modulatorIncrement[3] = 0.0f;
        lastModulator[3] = feedback[3] = 0.0f;
        anyFeedback = feedback[0] != 0.0f || feedback[1] != 0.0f || feedback[2] != 0.0f;
    }
    void store(VoiceOscillator* o) const {
        for (int k = 0; k < 3; ++k) {
            o[k].carrierPhase = carrierPhase[k] / kTableUnits;
            o[k].modulatorPhase = modulatorPhase[k] / kTableUnits;
            o[k].lastModulator = lastModulator[k] / kTableUnits;
        }
    }
    void wrap() {
        for (int k = 0; k < 3; ++k) {
            carrierPhase[k] -= kTableUnits * std::floor(carrierPhase[k] / kTableUnits);
            modulatorPhase[k] -= kTableUnits * std::floor(modulatorPhase[k] / kTableUnits);
        }
    }

    // One sample of one oscillator, with envelope amplitudes already advanced.
    // Without feedback the modulator skips 0 * last (an exact zero), so its
    // input does not wait for the previous sample.
    inline float sample(int k, const float* sine, float modulatorAmplitude, float carrierAmplitude) {
        carrierPhase[k] += carrierIncrement[k];
        modulatorPhase[k] += modulatorIncrement[k];
        const float at = feedback[k] != 0.0f ? modulatorPhase[k] + feedback[k] * lastModulator[k] : modulatorPhase[k];
        const float m = (modulatorAmplitude * kTableUnits) * tableSine(sine, at);
        lastModulator[k] = m;
        return carrierAmplitude * carrierAmplitude * tableSine(sine, carrierPhase[k] + m);
    }
};

// One sample with the full envelope logic; used wherever a segment changes.
inline float FmVoice::stepOne(Lanes& lanes, const float* sine) {
    VoiceOscillator* o = oscillators;
    const int32_t left = o[0].carrierEnvelope.advanceCarrier() + o[1].carrierEnvelope.advanceCarrier() +
                         o[2].carrierEnvelope.advanceCarrier();
    o[0].modulatorEnvelope.advanceModulator();
    o[1].modulatorEnvelope.advanceModulator();
    o[2].modulatorEnvelope.advanceModulator();
    if (!fading)
        fading = left != 0;
    else
        done = left == 0;
    const float y1 = lanes.sample(0, sine, o[0].modulatorEnvelope.amplitude, o[0].carrierEnvelope.amplitude);
    const float y2 = lanes.sample(1, sine, o[1].modulatorEnvelope.amplitude, o[1].carrierEnvelope.amplitude);
    const float y3 = lanes.sample(2, sine, o[2].modulatorEnvelope.amplitude, o[2].carrierEnvelope.amplitude);
    return y1 + y2 + y3;
}

void FmVoice::wrapPhases() {
    for (VoiceOscillator& o : oscillators) {
        o.carrierPhase -= std::floor(o.carrierPhase);
        o.modulatorPhase -= std::floor(o.modulatorPhase);
    }
    ++age;
}

float FmVoice::render() {
    Lanes lanes;
    lanes.load(oscillators);
    const float y = stepOne(lanes, sharedTables()->sine);
    lanes.store(oscillators);
    return y;
}

#if TINE_VECTOR_VOICE
namespace {

// The same interpolated sine in all four lanes. The gathers stay scalar: each
// lane fetches its two neighbouring entries in one unaligned 8-byte load.
inline __m128 tableSine4(const float* sine, __m128 x) {
    const __m128 one = _mm_set1_ps(1.0f);
    __m128i i = _mm_cvttps_epi32(x);
    __m128 t = _mm_sub_ps(x, _mm_cvtepi32_ps(i));
    const __m128 negative = _mm_cmplt_ps(t, _mm_setzero_ps());
    t = _mm_add_ps(t, _mm_and_ps(negative, one));
    i = _mm_add_epi32(i, _mm_castps_si128(negative));  // -1 where corrected
    i = _mm_and_si128(i, _mm_set1_epi32(kSineSize - 1));
    const int32_t i0 = _mm_cvtsi128_si32(i);
    const int32_t i1 = _mm_cvtsi128_si32(_mm_shuffle_epi32(i, 1));
    const int32_t i2 = _mm_cvtsi128_si32(_mm_shuffle_epi32(i, 2));
    const __m128 q0 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sine + i0)));
    const __m128 q1 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sine + i1)));
    const __m128 q2 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sine + i2)));
    const __m128 pairs = _mm_unpacklo_ps(q0, q1);                              // a0 a1 b0 b1
    const __m128 a = _mm_shuffle_ps(pairs, q2, _MM_SHUFFLE(1, 0, 1, 0));      // a0 a1 a2 b2
    const __m128 b = _mm_shuffle_ps(pairs, q2, _MM_SHUFFLE(1, 1, 3, 2));      // b0 b1 b2 b2
    return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), t));
}

}  // namespace

// The state of a run of samples during which no envelope changes segment:
// the plain updates of all six envelopes and the three pairs run four lanes
// wide, with the same operations in the same order as stepOne, so the result
// is bit-identical.
struct FmVoice::PlainRun {
    __m128 carrierAmp, carrierInc, modAmp, modInc;
    __m128 carrierPhase, carrierStep, modPhase, modStep, last, feedback;
    int32_t fadingLeft;   // sum of the fading carriers' remaining counts
    int32_t fadingCount;  // carriers counting down in their last decay or release
    bool anyFeedback;

    void begin(const FmVoice& voice, const Lanes& lanes) {
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
            // Modulator amplitudes run in table units too: exact, and saves a multiply.
            ma[k] = m.amplitude * kTableUnits;
            mi[k] = (isDeadModulator(m) || m.step == 0) ? 0.0f : m.increment * kTableUnits;
        }
        carrierAmp = _mm_load_ps(ca);
        carrierInc = _mm_load_ps(ci);
        modAmp = _mm_load_ps(ma);
        modInc = _mm_load_ps(mi);
        carrierPhase = _mm_load_ps(lanes.carrierPhase);
        carrierStep = _mm_load_ps(lanes.carrierIncrement);
        modPhase = _mm_load_ps(lanes.modulatorPhase);
        modStep = _mm_load_ps(lanes.modulatorIncrement);
        last = _mm_load_ps(lanes.lastModulator);
        feedback = _mm_load_ps(lanes.feedback);
        anyFeedback = lanes.anyFeedback;
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
            if (fadingLeft % fadingCount == 0 && fadingLeft / fadingCount - 1 == 0) return frames;
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

    // One sample of the run: the three oscillators' outputs in lanes 0..2.
    template <bool Feedback>
    inline __m128 step(const float* sine) {
        carrierAmp = _mm_add_ps(carrierAmp, _mm_mul_ps(_mm_add_ps(carrierAmp, _mm_set1_ps(kCarrierCurve)), carrierInc));
        modAmp = _mm_add_ps(modAmp, modInc);
        carrierPhase = _mm_add_ps(carrierPhase, carrierStep);
        modPhase = _mm_add_ps(modPhase, modStep);
        const __m128 at = Feedback ? _mm_add_ps(modPhase, _mm_mul_ps(feedback, last)) : modPhase;
        last = _mm_mul_ps(modAmp, tableSine4(sine, at));
        return _mm_mul_ps(_mm_mul_ps(carrierAmp, carrierAmp), tableSine4(sine, _mm_add_ps(carrierPhase, last)));
    }

    // (y0 + y1) + y2, the voice's sample.
    static inline float voiceSample(__m128 y) {
        const __m128 y01 = _mm_add_ss(y, _mm_shuffle_ps(y, y, _MM_SHUFFLE(1, 1, 1, 1)));
        return _mm_cvtss_f32(_mm_add_ss(y01, _mm_movehl_ps(y, y)));
    }

    // Both voices' samples at once, each summed in oscillator order: lane 0
    // holds (a0 + a1) + a2, lane 2 (b0 + b1) + b2.
    static inline __m128 pairSamples(__m128 a, __m128 b) {
        const __m128 firstTwo = _mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 0, 1, 0));  // a0 a1 b0 b1
        const __m128 seconds = _mm_shuffle_ps(firstTwo, firstTwo, _MM_SHUFFLE(3, 3, 1, 1));
        const __m128 thirds = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 2, 2, 2));      // a2 a2 b2 b2
        return _mm_add_ps(_mm_add_ps(firstTwo, seconds), thirds);
    }

    void end(FmVoice& voice, Lanes& lanes, int32_t rendered) const {
        alignas(16) float ca[4], ma[4];
        _mm_store_ps(ca, carrierAmp);
        _mm_store_ps(ma, modAmp);
        _mm_store_ps(lanes.carrierPhase, carrierPhase);
        _mm_store_ps(lanes.modulatorPhase, modPhase);
        _mm_store_ps(lanes.lastModulator, last);
        for (int k = 0; k < 3; ++k) {
            Envelope& c = voice.oscillators[k].carrierEnvelope;
            Envelope& m = voice.oscillators[k].modulatorEnvelope;
            c.amplitude = ca[k];
            if (c.remaining != 0) c.remaining += c.step * rendered;
            m.amplitude = ma[k] / kTableUnits;
            if (m.remaining != 0) m.remaining += m.step * rendered;
        }
        voice.wrapCountdown -= rendered;
    }
};

template <bool Finishing, bool Feedback>
static int32_t runAlone(FmVoice::PlainRun& run, const float* sine, float* __restrict sum, int32_t frames,
                        StretchFinisher* finisher) {
    for (int32_t j = 0; j < frames; ++j) {
        sum[j] += FmVoice::PlainRun::voiceSample(run.step<Feedback>(sine));
        if (Finishing) finisher->finishThrough(sum + j);
    }
    return frames;
}

template <bool Finishing>
int32_t FmVoice::plainRun(Lanes& lanes, const float* sine, float* __restrict sum, int32_t frames,
                          StretchFinisher* finisher) {
    PlainRun run;
    run.begin(*this, lanes);
    bool ends = false;
    const int32_t rendered = run.plan(frames, fading, ends);
    if (run.anyFeedback)
        runAlone<Finishing, true>(run, sine, sum, rendered, finisher);
    else
        runAlone<Finishing, false>(run, sine, sum, rendered, finisher);
    if (ends) done = true;
    run.end(*this, lanes, rendered);
    return rendered;
}

template <bool Finishing, bool Feedback>
static void runPair(FmVoice::PlainRun& ra, FmVoice::PlainRun& rb, const float* sine, float* __restrict sum,
                    int32_t frames, StretchFinisher* finisher) {
    for (int32_t j = 0; j < frames; ++j) {
        const __m128 both = FmVoice::PlainRun::pairSamples(ra.step<Feedback>(sine), rb.step<Feedback>(sine));
        sum[j] += _mm_cvtss_f32(both);
        sum[j] += _mm_cvtss_f32(_mm_movehl_ps(both, both));
        if (Finishing) finisher->finishThrough(sum + j);
    }
}

#if TINE_WIDE_VOICE_PAIRS
// Processors with 256-bit vectors take a pair's two voices in one register,
// voice a in the lower half and voice b in the upper: the same operations in
// the same order per lane, so the samples are bit-identical to runPair's.
#define TINE_WIDE __attribute__((target("avx2")))

namespace {

bool wideDisabledForTesting = false;

TINE_WIDE inline void gatherHalf(const float* sine, __m128i index, __m128& a, __m128& b) {
    const int32_t i0 = _mm_cvtsi128_si32(index);
    const int32_t i1 = _mm_extract_epi32(index, 1);
    const int32_t i2 = _mm_extract_epi32(index, 2);
    const __m128 q0 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sine + i0)));
    const __m128 q1 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sine + i1)));
    const __m128 q2 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sine + i2)));
    const __m128 pairs = _mm_unpacklo_ps(q0, q1);
    a = _mm_shuffle_ps(pairs, q2, _MM_SHUFFLE(1, 0, 1, 0));
    b = _mm_shuffle_ps(pairs, q2, _MM_SHUFFLE(1, 1, 3, 2));
}

TINE_WIDE inline __m256 tableSine8(const float* sine, __m256 x) {
    __m256i i = _mm256_cvttps_epi32(x);
    __m256 t = _mm256_sub_ps(x, _mm256_cvtepi32_ps(i));
    const __m256 negative = _mm256_cmp_ps(t, _mm256_setzero_ps(), _CMP_LT_OQ);
    t = _mm256_add_ps(t, _mm256_and_ps(negative, _mm256_set1_ps(1.0f)));
    i = _mm256_add_epi32(i, _mm256_castps_si256(negative));
    i = _mm256_and_si256(i, _mm256_set1_epi32(kSineSize - 1));
    __m128 aLow, bLow, aHigh, bHigh;
    gatherHalf(sine, _mm256_castsi256_si128(i), aLow, bLow);
    gatherHalf(sine, _mm256_extracti128_si256(i, 1), aHigh, bHigh);
    const __m256 a = _mm256_set_m128(aHigh, aLow);
    const __m256 b = _mm256_set_m128(bHigh, bLow);
    return _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), t));
}

TINE_WIDE inline __m256 joined(__m128 low, __m128 high) { return _mm256_set_m128(high, low); }

}  // namespace

template <bool Finishing, bool Feedback>
TINE_WIDE static void runPairWide(FmVoice::PlainRun& ra, FmVoice::PlainRun& rb, const float* sine,
                                  float* __restrict sum, int32_t frames, StretchFinisher* finisher) {
    __m256 carrierAmp = joined(ra.carrierAmp, rb.carrierAmp);
    const __m256 carrierInc = joined(ra.carrierInc, rb.carrierInc);
    __m256 modAmp = joined(ra.modAmp, rb.modAmp);
    const __m256 modInc = joined(ra.modInc, rb.modInc);
    __m256 carrierPhase = joined(ra.carrierPhase, rb.carrierPhase);
    const __m256 carrierStep = joined(ra.carrierStep, rb.carrierStep);
    __m256 modPhase = joined(ra.modPhase, rb.modPhase);
    const __m256 modStep = joined(ra.modStep, rb.modStep);
    __m256 last = joined(ra.last, rb.last);
    const __m256 feedback = joined(ra.feedback, rb.feedback);
    const __m256 curve = _mm256_set1_ps(kCarrierCurve);
    for (int32_t j = 0; j < frames; ++j) {
        carrierAmp = _mm256_add_ps(carrierAmp, _mm256_mul_ps(_mm256_add_ps(carrierAmp, curve), carrierInc));
        modAmp = _mm256_add_ps(modAmp, modInc);
        carrierPhase = _mm256_add_ps(carrierPhase, carrierStep);
        modPhase = _mm256_add_ps(modPhase, modStep);
        const __m256 at = Feedback ? _mm256_add_ps(modPhase, _mm256_mul_ps(feedback, last)) : modPhase;
        last = _mm256_mul_ps(modAmp, tableSine8(sine, at));
        const __m256 y = _mm256_mul_ps(_mm256_mul_ps(carrierAmp, carrierAmp),
                                       tableSine8(sine, _mm256_add_ps(carrierPhase, last)));
        const __m128 both = FmVoice::PlainRun::pairSamples(_mm256_castps256_ps128(y), _mm256_extractf128_ps(y, 1));
        sum[j] += _mm_cvtss_f32(both);
        sum[j] += _mm_cvtss_f32(_mm_movehl_ps(both, both));
        if (Finishing) finisher->finishThrough(sum + j);
    }
    ra.carrierAmp = _mm256_castps256_ps128(carrierAmp);
    rb.carrierAmp = _mm256_extractf128_ps(carrierAmp, 1);
    ra.modAmp = _mm256_castps256_ps128(modAmp);
    rb.modAmp = _mm256_extractf128_ps(modAmp, 1);
    ra.carrierPhase = _mm256_castps256_ps128(carrierPhase);
    rb.carrierPhase = _mm256_extractf128_ps(carrierPhase, 1);
    ra.modPhase = _mm256_castps256_ps128(modPhase);
    rb.modPhase = _mm256_extractf128_ps(modPhase, 1);
    ra.last = _mm256_castps256_ps128(last);
    rb.last = _mm256_extractf128_ps(last, 1);
}

static bool wideVoicePairs() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported && !wideDisabledForTesting;
}

bool setWideVoicePairs(bool enabled) {
    wideDisabledForTesting = !enabled;
    return wideVoicePairs();
}
#else
bool setWideVoicePairs(bool) { return false; }
#endif

// Two voices in one loop: their sample chains are independent, so the
// processor overlaps them (above all the feedback loops, which cannot overlap
// with themselves). Each sample adds the first voice, then the second, as the
// list order demands.
template <bool Finishing>
int32_t FmVoice::plainRunPair(FmVoice& a, Lanes& la, FmVoice& b, Lanes& lb, const float* sine,
                              float* __restrict sum, int32_t frames, StretchFinisher* finisher) {
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
            runPairWide<Finishing, true>(ra, rb, sine, sum, rendered, finisher);
        else
            runPairWide<Finishing, false>(ra, rb, sine, sum, rendered, finisher);
    } else
#endif
    if (feedback)
        runPair<Finishing, true>(ra, rb, sine, sum, rendered, finisher);
    else
        runPair<Finishing, false>(ra, rb, sine, sum, rendered, finisher);
    if (aEnds && rendered == aFrames) a.done = true;
    if (bEnds && rendered == bFrames) b.done = true;
    ra.end(a, la, rendered);
    rb.end(b, lb, rendered);
    return rendered;
}
#endif

void FmVoice::wrapIfDue(Lanes& lanes) {
    if (wrapCountdown <= 1) {
        // This sample's tick reaches the wrap.
        lanes.wrap();
        ++age;
        wrapCountdown = kWrapPeriod + 1;
    }
}

int32_t FmVoice::plainLength(int32_t limit) const {
    int32_t plain = limit;
    if (wrapCountdown - 1 < plain) plain = wrapCountdown - 1;
    for (int k = 0; k < 3 && plain > 0; ++k) {
        const Envelope& c = oscillators[k].carrierEnvelope;
        const Envelope& m = oscillators[k].modulatorEnvelope;
        const int32_t pc = plainSamples(c, isDeadCarrier(c));
        const int32_t pm = plainSamples(m, isDeadModulator(m));
        if (pc < plain) plain = pc;
        if (pm < plain) plain = pm;
    }
    return plain;
}

int32_t FmVoice::tickInto(float* __restrict sum, int32_t frames) { return tickAlone(sum, frames, nullptr); }

int32_t FmVoice::tickAlone(float* __restrict sum, int32_t frames, StretchFinisher* finisher) {
    const float* sine = sharedTables()->sine;
    Lanes lanes;
    lanes.load(oscillators);
    int32_t i = 0;
    while (i < frames && !done) {
        wrapIfDue(lanes);
#if TINE_VECTOR_VOICE
        const int32_t plain = plainLength(frames - i);
        if (plain > 0) {
            i += finisher ? plainRun<true>(lanes, sine, sum + i, plain, finisher)
                          : plainRun<false>(lanes, sine, sum + i, plain, nullptr);
            continue;
        }
#endif
        --wrapCountdown;
        sum[i] += stepOne(lanes, sine);
        if (finisher) finisher->finishThrough(sum + i);
        ++i;
    }
    lanes.store(oscillators);
    return i;
}

void FmVoice::tickPairInto(FmVoice& a, FmVoice& b, float* __restrict sum, int32_t frames,
                           StretchFinisher* finisher) {
    const float* sine = sharedTables()->sine;
    Lanes la, lb;
    la.load(a.oscillators);
    lb.load(b.oscillators);
    int32_t i = 0;
    while (i < frames && !a.done && !b.done) {
        a.wrapIfDue(la);
        b.wrapIfDue(lb);
#if TINE_VECTOR_VOICE
        int32_t plain = a.plainLength(frames - i);
        if (plain > 0) plain = b.plainLength(plain);
        if (plain > 0) {
            i += finisher ? plainRunPair<true>(a, la, b, lb, sine, sum + i, plain, finisher)
                          : plainRunPair<false>(a, la, b, lb, sine, sum + i, plain, nullptr);
            continue;
        }
#endif
        --a.wrapCountdown;
        sum[i] += a.stepOne(la, sine);
        --b.wrapCountdown;
        sum[i] += b.stepOne(lb, sine);
        if (finisher) finisher->finishThrough(sum + i);
        ++i;
    }
    la.store(a.oscillators);
    lb.store(b.oscillators);
    // Whichever voice goes on renders the rest of the stretch alone.
    if (!a.done && i < frames) a.tickAlone(sum + i, frames - i, finisher);
    if (!b.done && i < frames) b.tickAlone(sum + i, frames - i, finisher);
}

}  // namespace tine
