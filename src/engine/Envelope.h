#pragma once
// Rate/level envelopes: planned once at note-on, then counted down one sample
// at a time. Carriers follow curved segments, modulators straight ones.

#include <cstdint>

#include "engine/EnvelopeTables.h"

namespace tine {

struct OperatorSpec;

enum EnvelopeSegment : int32_t {
    kAttack = 0,
    kFirstDecay = 1,
    kLastDecay = 2,
    kHold = 3,
    kRelease = 4,
};

struct Envelope {
    float amplitude = 0.0f;  // carrier: amplitude before squaring; modulator: index in cycles
    float increment = 0.0f;  // per sample
    int32_t remaining = 0;   // samples left in the running segment
    int32_t step = 0;        // -1 while the segment runs, 0 while it holds
    int32_t segment = kAttack;
    int32_t counts[5] = {};    // planned segment lengths, samples
    float increments[5] = {};  // planned per-sample increments

    // Straight segments; holds the third level until released.
    inline void advanceModulator() {
        if (remaining != 0) {
            amplitude += increment;
            remaining += step;
        } else if (segment == kRelease) {
            amplitude = 0.0f;
        } else {
            segment += 1;
            remaining = counts[segment];
            increment = increments[segment];
            step = segment == kHold ? 0 : -1;
        }
    }

    // Curved segments. Returns the samples still to fade while in the last
    // decay or the release, else 0; a carrier never holds, it dies at the end
    // of its last decay.
    inline int32_t advanceCarrier() {
        if (segment == kLastDecay || segment == kRelease) {
            if (remaining == 0) {
                amplitude = 0.0f;
                return 0;
            }
            amplitude += (amplitude + kCarrierCurve) * increment;
            remaining += step;
            return remaining;
        }
        if (remaining == 0) {
            segment += 1;
            remaining = counts[segment];
            increment = increments[segment];
            step = -1;
            return 0;
        }
        amplitude += (amplitude + kCarrierCurve) * increment;
        remaining += step;
        return 0;
    }

    // Ramp toward silence over the planned release length, from wherever the amplitude is.
    void release();
    // Ramp to silence in exactly 100 samples.
    void damp();
};

// What planning needs to know about the note and the oscillator.
struct EnvelopePlanInput {
    int note;            // played note, without transpose
    int velocity;        // 1..127
    float curveValue;    // velocity curve value, -1..0
    float carrierScale;  // before key scaling
    float modulatorScale;
    float timeScale;
    float decayFactor;
    float sampleRate;
};

// Plans both envelopes of one oscillator and starts them in their attack.
void planEnvelopes(Envelope& carrier, Envelope& modulator, const OperatorSpec& carrierSpec,
                   const OperatorSpec& modulatorSpec, const EnvelopePlanInput& in);

}  // namespace tine
