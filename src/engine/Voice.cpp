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

// Phases are carried in table units (cycles times 8192) inside the kernel.
// Scaling by a power of two is exact, so every sum, floor and product below
// rounds exactly as it would in cycles; the table index comes out directly.
constexpr float kTableUnits = static_cast<float>(kSineSize);

struct ScaledLookup {
    const float* sine;

    // Interpolated sine at x table units: floor by truncation, corrected for
    // negative x. x - trunc(x) is exact, and so is adding 1 to a negative
    // fraction of an |x| >= 1, so t equals x - floor(x) bit for bit.
    inline float operator()(float x) const {
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
};

struct OscillatorLane {
    float carrierPhase;       // table units
    float carrierIncrement;   // table units per sample
    float modulatorPhase;
    float modulatorIncrement;
    float lastModulator;      // table units
    float feedback;

    void load(const VoiceOscillator& o) {
        carrierPhase = o.carrierPhase * kTableUnits;
        carrierIncrement = o.carrierIncrement * kTableUnits;
        modulatorPhase = o.modulatorPhase * kTableUnits;
        modulatorIncrement = o.modulatorIncrement * kTableUnits;
        lastModulator = o.lastModulator * kTableUnits;
        feedback = o.feedback;
    }
    void store(VoiceOscillator& o) const {
        o.carrierPhase = carrierPhase / kTableUnits;
        o.modulatorPhase = modulatorPhase / kTableUnits;
        o.lastModulator = lastModulator / kTableUnits;
    }
    void wrap() {
        carrierPhase -= kTableUnits * std::floor(carrierPhase / kTableUnits);
        modulatorPhase -= kTableUnits * std::floor(modulatorPhase / kTableUnits);
    }

    // One sample of the pair. Without feedback the modulator does not wait
    // for its previous output (0 * last adds an exact zero), which lets
    // successive samples overlap in the processor.
    template <bool HasFeedback>
    inline float sample(const ScaledLookup& lookup, float modulatorAmplitude, float carrierAmplitude) {
        carrierPhase += carrierIncrement;
        modulatorPhase += modulatorIncrement;
        const float modulatorAt = HasFeedback ? modulatorPhase + feedback * lastModulator : modulatorPhase;
        const float m = (modulatorAmplitude * kTableUnits) * lookup(modulatorAt);
        lastModulator = m;
        return carrierAmplitude * carrierAmplitude * lookup(carrierPhase + m);
    }
};

}  // namespace

template <bool F1, bool F2, bool F3>
int32_t FmVoice::kernel(float* __restrict sum, int32_t frames) {
    const ScaledLookup lookup{sharedTables()->sine};
    OscillatorLane lane[3];
    for (int k = 0; k < 3; ++k) lane[k].load(oscillators[k]);
    Envelope& c1 = oscillators[0].carrierEnvelope;
    Envelope& c2 = oscillators[1].carrierEnvelope;
    Envelope& c3 = oscillators[2].carrierEnvelope;
    Envelope& m1 = oscillators[0].modulatorEnvelope;
    Envelope& m2 = oscillators[1].modulatorEnvelope;
    Envelope& m3 = oscillators[2].modulatorEnvelope;
    int32_t rendered = frames;
    for (int32_t i = 0; i < frames; ++i) {
        if (--wrapCountdown == 0) {
            wrapCountdown = kWrapPeriod;
            for (OscillatorLane& l : lane) l.wrap();
            ++age;
        }
        const int32_t left = c1.advanceCarrier() + c2.advanceCarrier() + c3.advanceCarrier();
        m1.advanceModulator();
        m2.advanceModulator();
        m3.advanceModulator();
        if (!fading)
            fading = left != 0;
        else
            done = left == 0;
        const float y1 = lane[0].sample<F1>(lookup, m1.amplitude, c1.amplitude);
        const float y2 = lane[1].sample<F2>(lookup, m2.amplitude, c2.amplitude);
        const float y3 = lane[2].sample<F3>(lookup, m3.amplitude, c3.amplitude);
        sum[i] += y1 + y2 + y3;
        if (done) {
            rendered = i + 1;
            break;
        }
    }
    for (int k = 0; k < 3; ++k) lane[k].store(oscillators[k]);
    return rendered;
}

float FmVoice::render() {
    float sample = 0.0f;
    // One tick without the countdown: the caller's tick() has handled it.
    const int32_t countdown = wrapCountdown;
    wrapCountdown = 0x7FFFFFFF;
    tickInto(&sample, 1);
    wrapCountdown = countdown;
    return sample;
}

void FmVoice::wrapPhases() {
    for (VoiceOscillator& o : oscillators) {
        o.carrierPhase -= std::floor(o.carrierPhase);
        o.modulatorPhase -= std::floor(o.modulatorPhase);
    }
    ++age;
}

int32_t FmVoice::tickInto(float* __restrict sum, int32_t frames) {
    using Kernel = int32_t (FmVoice::*)(float*, int32_t);
    static constexpr Kernel kernels[8] = {
        &FmVoice::kernel<false, false, false>, &FmVoice::kernel<true, false, false>,
        &FmVoice::kernel<false, true, false>,  &FmVoice::kernel<true, true, false>,
        &FmVoice::kernel<false, false, true>,  &FmVoice::kernel<true, false, true>,
        &FmVoice::kernel<false, true, true>,   &FmVoice::kernel<true, true, true>,
    };
    const int which = (oscillators[0].feedback != 0.0f ? 1 : 0) | (oscillators[1].feedback != 0.0f ? 2 : 0) |
                      (oscillators[2].feedback != 0.0f ? 4 : 0);
    return (this->*kernels[which])(sum, frames);
}

}  // namespace tine
