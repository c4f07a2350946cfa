#pragma once
// One oscillator of a voice: a sine modulator with self-feedback bending the
// phase of a sine carrier.

#include <cstdint>

#include "engine/Envelope.h"

namespace tine {

// Per-oscillator engine settings written by the parameter table.
struct OscillatorSettings {
    float vs1 = 0.5f;         // carrier velocity sensitivity, 0..1
    float vs2 = 0.5f;         // modulator velocity sensitivity, 0..1
    float level = 0.5f;       // carrier level, 0..1
    float muteGain = 1.0f;    // 1 sounding, 0 muted
    float detune = 1.0f;      // frequency factor
    float timeScale = 1.0f;   // envelope time factor, 0.25..4
    float brightness = 0.8f;  // modulator scale, 0..1.6
    int32_t transpose = 0;    // semitones
    int32_t curve = 0;        // start of the velocity curve: 0, 128 or 256
};

struct VoiceOscillator {
    Envelope carrierEnvelope;
    float carrierIncrement = 0.0f;  // cycles per sample
    float carrierPhase = 0.0f;      // cycles
    Envelope modulatorEnvelope;
    float modulatorIncrement = 0.0f;
    float modulatorPhase = 0.0f;
    float lastModulator = 0.0f;  // previous modulator output, cycles
    float feedback = 0.0f;
};

}  // namespace tine
