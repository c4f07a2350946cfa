#pragma once
// The synthesis engine: voices, note handling, effects and block rendering.
// It knows nothing of plug-in records, files or windows; its shells hand it
// MIDI bytes and output buffers.

#include <cstdint>
#include <mutex>

#include "engine/Effects.h"
#include "engine/Oscillator.h"
#include "engine/ShapeTable.h"
#include "engine/Voice.h"
#include "engine/VoicePool.h"

namespace tine {

// Longest stretch rendered in one go; stretches are cut at events and control
// ticks anyway, this only bounds the scratch buffer.
constexpr int32_t kMaxStretchFrames = 128;

// Sample rates the engine will run at; anything outside is brought to the nearest end.
constexpr float kMinSampleRate = 1000.0f;
constexpr float kMaxSampleRate = 768000.0f;

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // --- Settings written by the parameter table (plain stores, no lock) ---
    OscillatorSettings oscillators[3];
    const ShapeRecord* shapes[3];
    float masterLevel = 1.0f;
    float decayFactor = 1.0f;
    EffectsChain effects;

    // --- Rate-dependent state ---
    float sampleRate = 44100.0f;
    float halfSampleTime = 0.5f / 44100.0f;  // seconds, single precision
    int32_t controlPeriod = 63;              // samples between LFO renormalisations
    int32_t controlCountdown = 63;           // offset of the next tick from the block start
    float denormalOffset = 1e-24f;           // sign flips every block

    // --- Voices ---
    FmVoice* activeVoices = nullptr;  // newest first
    VoicePool* voicePool = nullptr;
    bool sustainPedal = false;

    // Held by every rendered stretch and every program load. Recursive so that
    // a program change arriving as MIDI can reload under the render's lock.
    std::recursive_mutex engineLock;

    // Releases every voice, renews the rate-dependent state and the chorus
    // lines. Returns the rate in use (bounded; NaN keeps the previous rate).
    float setSampleRate(float rate);
    // Pedal up, every voice released.
    void releaseAll();
    // Replaces the pool; every sounding voice stops at once. False when the
    // new pool could not be built (the engine then has none).
    bool rebuildPool(int32_t maxVoices);
    // Channel message; the caller handles program changes itself.
    void handleMidi(uint8_t status, uint8_t data1, uint8_t data2);
    void noteOnProcedure(uint8_t note, uint8_t velocity);
    FmVoice* chooseVoiceToSteal() const;
    void renormalizeLfos() { effects.renormalizeLfos(); }

    // Renders `frames` frames into `out`, handling the events of `events` at
    // their offsets. Output: write(left, right) per frame. Events: bool
    // nextDelta(int32_t&) for the pending event, handleNext() to act on it.
    template <typename Output, typename Events>
    void renderBlock(int32_t frames, Output& out, Events& events);

private:
    template <typename Output>
    void renderStretch(int32_t frames, Output& out);
    void retire(FmVoice* voice);

    float voiceSum_[kMaxStretchFrames];
    float stretchLeft_[kMaxStretchFrames];
    float stretchRight_[kMaxStretchFrames];
};

template <typename Output, typename Events>
void Engine::renderBlock(int32_t frames, Output& out, Events& events) {
    if (frames < 1) {
        denormalOffset = -denormalOffset;
        const int64_t moved = static_cast<int64_t>(controlCountdown) - frames;
        controlCountdown = moved > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(moved);
        return;
    }
    int32_t pos = 0;
    while (pos < frames) {
        std::lock_guard<std::recursive_mutex> lock(engineLock);
        int32_t delta = 0;
        while (events.nextDelta(delta) && delta <= pos) events.handleNext();
        int32_t end = (events.nextDelta(delta) && delta < frames) ? delta : frames;
        if (end - pos > kMaxStretchFrames)
            end = pos + kMaxStretchFrames;
        bool tickDue = false;
        if (end > controlCountdown) {
            end = controlCountdown;
            controlCountdown += controlPeriod;
            tickDue = true;
        }
        if (end > pos)
            renderStretch(end - pos, out);
        pos = end > pos ? end : pos;
        if (tickDue)
            renormalizeLfos();
    }
    denormalOffset = -denormalOffset;
    controlCountdown -= frames;
}

template <typename Output>
void Engine::renderStretch(int32_t frames, Output& out) {
    for (int32_t i = 0; i < frames; ++i) voiceSum_[i] = 0.0f;
    StretchFinisher finisher{&effects, masterLevel, denormalOffset, voiceSum_, stretchLeft_, stretchRight_, 0};

    // Voices go two at a time, an odd one first, so that the last pair can
    // hand each finished sample straight to the effects. The sum per sample
    // still adds the voices in list order.
    int32_t count = 0;
    for (const FmVoice* voice = activeVoices; voice; voice = voice->next) ++count;
    FmVoice* voice = activeVoices;
    if (count % 2 == 1) {
        FmVoice* following = voice->next;
        voice->tickInto(voiceSum_, frames, count == 1 ? &finisher : nullptr);
        if (voice->done)
            retire(voice);
        voice = following;
        count -= 1;
    }
    while (voice) {
        FmVoice* partner = voice->next;
        FmVoice* following = partner->next;
        count -= 2;
        FmVoice::tickPairInto(*voice, *partner, voiceSum_, frames, count == 0 ? &finisher : nullptr);
        if (voice->done)
            retire(voice);
        if (partner->done)
            retire(partner);
        voice = following;
    }
    finisher.finishUpTo(frames);
    for (int32_t i = 0; i < frames; ++i) out.write(stretchLeft_[i], stretchRight_[i]);
}

}  // namespace tine
