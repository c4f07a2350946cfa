#pragma once
// A sounding note. The pool preallocates every voice; note handling only
// links and unlinks them.

#include <cstdint>

#include "engine/Effects.h"
#include "engine/Oscillator.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TINE_VECTOR_VOICE 1
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define TINE_WIDE_VOICE_PAIRS 1
#endif
#else
#define TINE_VECTOR_VOICE 0
#endif

namespace tine {

class Engine;

// Chooses whether voice pairs may use 256-bit vectors where the processor has
// them (the default); returns whether they now do. Both ways render the same
// samples, so this exists for tests that check exactly that.
bool setWideVoicePairs(bool enabled);

class Voice {
public:
    virtual ~Voice() = default;
    virtual void noteOn(uint8_t note, uint8_t velocity);
    void noteOff();
    virtual void release() {}
    virtual void damp() {}
    float tick();
    virtual float render() = 0;
    virtual void wrapPhases() = 0;
    // Adds `frames` ticks into sum, stopping after the tick that finishes the
    // voice. Returns the ticks rendered. Same result as calling tick() per
    // sample, without a virtual call per sample.
    virtual int32_t tickInto(float* sum, int32_t frames) = 0;

    Engine* owner = nullptr;
    uint8_t note = 0;
    uint8_t velocity = 0;
    int32_t wrapCountdown = 0;   // samples until the next wrapPhases
    uint32_t age = 0;            // 64-sample periods since noteOn
    bool fading = false;
    bool done = true;
    bool keyHeld = false;
    bool sustained = false;
    Voice* prev = nullptr;
    Voice* next = nullptr;
};

class FmVoice final : public Voice {
public:
    void noteOn(uint8_t note, uint8_t velocity) override;
    void release() override;
    void damp() override;
    float render() override;
    void wrapPhases() override;
    int32_t tickInto(float* sum, int32_t frames) override;
    // As tickInto; with a finisher, each sample is handed on as soon as this
    // voice has added to it (this voice must be the last one summed).
    int32_t tickAlone(float* sum, int32_t frames, StretchFinisher* finisher);
    // Both voices over the same stretch, as a.tickInto then b.tickInto would
    // add them sample by sample, but faster; either may end inside it.
    static void tickPairInto(FmVoice& a, FmVoice& b, float* sum, int32_t frames,
                             StretchFinisher* finisher = nullptr);

    VoiceOscillator oscillators[3];

    // The vector state of a run of samples without segment changes (the
    // kernel's own business; public only for its loop helpers).
    struct PlainRun;

private:
    struct Lanes;
    inline float stepOne(Lanes& lanes, const float* sine);
    void wrapIfDue(Lanes& lanes);
    int32_t plainLength(int32_t limit) const;
    template <bool Finishing>
    int32_t plainRun(Lanes& lanes, const float* sine, float* sum, int32_t frames, StretchFinisher* finisher);
    template <bool Finishing>
    static int32_t plainRunPair(FmVoice& a, Lanes& la, FmVoice& b, Lanes& lb, const float* sine, float* sum,
                                int32_t frames, StretchFinisher* finisher);
};

}  // namespace tine
