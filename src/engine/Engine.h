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

// A program switch while voices sound: the voices are damped and the output
// fades to silence over the damp's own length, then the switch happens.
constexpr int32_t kSwitchFadeFrames = 100;

// What renderBlock asks of the settings' owner at the start of every stretch
// and after every event: apply whatever settings wait. This one has none.
struct NoPendingSettings {
    void settle() {}
};

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // --- Settings written by the parameter table, only by whoever holds engineLock ---
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
    VoicePool* voicePool = nullptr;   // all 128 voices, built with the engine
    bool sustainPedal = false;

    // Held by every rendered stretch and by whoever changes the settings or
    // the voices from outside a render. Recursive so that an owner's settle()
    // and its event handling can take it again inside the render's hold.
    std::recursive_mutex engineLock;

    // Releases every voice, renews the rate-dependent state and the chorus
    // lines (allocated before the lock is taken), and builds the voice pool if
    // there is none yet. Returns the rate in use (bounded; NaN keeps the
    // previous rate).
    float setSampleRate(float rate);
    // Pedal up, every voice released.
    void releaseAll();
    // The polyphony limit (1..128). Voices beyond it, the oldest first, are
    // damped; raising it changes nothing that sounds.
    void setVoiceLimit(int32_t limit);
    // Starts a program switch. False when no voice sounds: the owner switches
    // at once. Otherwise every voice is damped and the output fades out over
    // kSwitchFadeFrames; meanwhile no events are handled and no settle() is
    // asked, and once the output is silent the chorus lines are cleared and
    // settle() comes again, where the owner switches.
    bool beginSwitch();
    bool switching() const { return switchFadeLeft_ > 0; }
    // Channel message; the caller handles program changes itself.
    void handleMidi(uint8_t status, uint8_t data1, uint8_t data2);
    void noteOnProcedure(uint8_t note, uint8_t velocity);
    FmVoice* chooseVoiceToSteal() const;
    void renormalizeLfos() { effects.renormalizeLfos(); }

    // Renders `frames` frames into `out`, handling the events of `events` at
    // their offsets. Output: write(left, right) per frame. Events: bool
    // nextDelta(int32_t&) for the pending event, handleNext() to act on it.
    // Settings: settle(), see NoPendingSettings.
    template <typename Output, typename Events, typename Settings>
    void renderBlock(int32_t frames, Output& out, Events& events, Settings& settings);
    template <typename Output, typename Events>
    void renderBlock(int32_t frames, Output& out, Events& events) {
        NoPendingSettings none;
        renderBlock(frames, out, events, none);
    }

private:
    template <typename Output>
    void renderStretch(int32_t frames, Output& out);
    void retire(FmVoice* voice);
    // Scales a stretch of a switch's fade; at its end the output is silent.
    void fadeStretch(int32_t frames);

    int32_t switchFadeLeft_ = 0;

    float voiceSum_[kMaxStretchFrames];
    float stretchLeft_[kMaxStretchFrames];
    float stretchRight_[kMaxStretchFrames];
};

template <typename Output, typename Events, typename Settings>
void Engine::renderBlock(int32_t frames, Output& out, Events& events, Settings& settings) {
    if (frames < 1) {
        {
            std::lock_guard<std::recursive_mutex> lock(engineLock);
            if (!switching())
                settings.settle();
        }
        denormalOffset = -denormalOffset;
        const int64_t moved = static_cast<int64_t>(controlCountdown) - frames;
        controlCountdown = moved > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(moved);
        return;
    }
    int32_t pos = 0;
    while (pos < frames) {
        std::lock_guard<std::recursive_mutex> lock(engineLock);
        int32_t end = frames;
        if (!switching()) {
            settings.settle();
            int32_t delta = 0;
            while (!switching() && events.nextDelta(delta) && delta <= pos) {
                events.handleNext();
                settings.settle();
            }
            if (!switching() && events.nextDelta(delta) && delta < frames)
                end = delta;
        }
        // A switch's fade goes on whatever events fall inside it; they wait for its end.
        if (switching() && end - pos > switchFadeLeft_)
            end = pos + switchFadeLeft_;
        if (end - pos > kMaxStretchFrames)
            end = pos + kMaxStretchFrames;
        bool tickDue = false;
        if (end > controlCountdown) {
            end = controlCountdown;
            controlCountdown += controlPeriod;
            tickDue = true;
        }
        const bool fading = switching();
        if (end > pos)
            renderStretch(end - pos, out);
        pos = end > pos ? end : pos;
        if (tickDue)
            renormalizeLfos();
        // The switch happens where its fade ends, also at the end of a block.
        if (fading && !switching())
            settings.settle();
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
    if (switchFadeLeft_ > 0)
        fadeStretch(frames);
    for (int32_t i = 0; i < frames; ++i) out.write(stretchLeft_[i], stretchRight_[i]);
}

}  // namespace tine
