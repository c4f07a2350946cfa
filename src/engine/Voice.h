#pragma once
// A sounding note. The pool preallocates every voice; note handling only
// links and unlinks them.

#include <cstdint>

#include "engine/Effects.h"
#include "engine/Oscillator.h"

namespace tine {

class Engine;
class FmVoice;

// Chooses whether voice pairs may use 256-bit vectors where the processor has
// them (the default); returns whether they now do. Both ways render the same
// samples, so this exists for tests that check exactly that.
bool setWideVoicePairs(bool enabled);

// What note handling and voice stealing know of a voice.
class Voice {
public:
    Engine* owner = nullptr;
    uint8_t note = 0;
    uint8_t velocity = 0;
    int32_t wrapCountdown = 0;  // samples until the next phase reduction
    uint32_t age = 0;           // 64-sample periods since noteOn
    bool fading = false;
    bool done = true;
    bool keyHeld = false;
    bool sustained = false;
    FmVoice* prev = nullptr;
    FmVoice* next = nullptr;
};

// Three modulator/carrier pairs summed.
class FmVoice : public Voice {
public:
    void noteOn(uint8_t note, uint8_t velocity);
    // Releases the voice, or leaves it to the sustain pedal while that is down.
    void noteOff();
    void release();
    void damp();
    // One sample by the full per-sample logic.
    float tick();
    // Adds `frames` ticks into sum, stopping after the tick that finishes the
    // voice. Returns the ticks rendered; the samples are tick()'s, bit for bit.
    // With a finisher, each sample is handed on as soon as this voice has added
    // to it (this voice must be the last one summed).
    int32_t tickInto(float* sum, int32_t frames, StretchFinisher* finisher = nullptr);
    // Both voices over the same stretch, as a.tickInto then b.tickInto would
    // add them sample by sample, but faster; either may end inside it.
    static void tickPairInto(FmVoice& a, FmVoice& b, float* sum, int32_t frames, StretchFinisher* finisher = nullptr);

    VoiceOscillator oscillators[3];
};

}  // namespace tine
