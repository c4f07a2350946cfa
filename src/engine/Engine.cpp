#include "engine/Engine.h"

#include "engine/Allocation.h"
#include "engine/SharedTables.h"
#include "engine/StableMath.h"

namespace tine {
namespace {

// The limit a pool starts with, until the parameter table sets one.
constexpr uint8_t kFirstVoiceLimit = 16;

}  // namespace

Engine::Engine() {
    const ShapeRecord& first = shapeAt(0);
    for (const ShapeRecord*& shape : shapes) shape = &first;
    for (float& s : voiceSum_) s = 0.0f;
    // The only place besides a sample-rate change where voices are allocated:
    // program changes and "Voices" only move the limit.
    voicePool = VoicePool::create(this, kFirstVoiceLimit);
}

Engine::~Engine() {
    activeVoices = nullptr;
    delete voicePool;
    voicePool = nullptr;
}

float Engine::setSampleRate(float rate) {
    float newRate = sampleRate;
    if (rate == rate)
        newRate = boundedValue(rate, kMinSampleRate, kMaxSampleRate, sampleRate);
    const float newHalfSampleTime = 0.5f / newRate;
    prepareShapes();
    // 0.005 s as a single-precision constant, slightly below: the product in
    // double precision truncates to 220 samples at 44100 Hz and 239 at 48000.
    // Allocated before the lock, so that a render never waits on the allocator.
    ChorusLines lines(truncToInt(static_cast<double>(newRate) * static_cast<double>(0.005f)));
    VoicePool* pool = voicePool ? nullptr : VoicePool::create(this, kFirstVoiceLimit);

    std::lock_guard<std::recursive_mutex> lock(engineLock);
    releaseAll();
    sampleRate = newRate;
    halfSampleTime = newHalfSampleTime;
    if (pool)
        voicePool = pool;
    effects.chorusLfoA.restart();
    effects.chorusLfoB.restart();
    effects.chorusMemory = 0.0f;
    effects.swapChorus(lines);

    // halfSampleTime is stored slightly below 0.5 / rate, so this gives 63 at 44100 Hz.
    controlPeriod = truncToInt(static_cast<double>(64.0f * halfSampleTime) * 88200.0);
    if (controlPeriod < 1)
        controlPeriod = 1;
    controlCountdown = controlPeriod;
    return sampleRate;
}

void Engine::releaseAll() {
    sustainPedal = false;
    for (FmVoice* voice = activeVoices; voice; voice = voice->next) voice->noteOff();
}

void Engine::setVoiceLimit(int32_t limit) {
    if (limit < 1)
        limit = 1;
    if (limit > kPoolVoices)
        limit = kPoolVoices;
    if (!voicePool)
        return;
    voicePool->setMaxVoices(static_cast<uint8_t>(limit));
    // The newest voices stay; the list runs from the newest.
    int32_t kept = 0;
    for (FmVoice* voice = activeVoices; voice; voice = voice->next)
        if (++kept > limit)
            voice->damp();
}

bool Engine::beginSwitch() {
    if (!activeVoices)
        return false;
    for (FmVoice* voice = activeVoices; voice; voice = voice->next) voice->damp();
    switchFadeLeft_ = kSwitchFadeFrames;
    return true;
}

void Engine::fadeStretch(int32_t frames) {
    // Gains from just below 1 down to exactly 0 on the fade's last sample,
    // while the damped voices reach their end on the same sample.
    for (int32_t i = 0; i < frames; ++i) {
        const float gain = static_cast<float>(switchFadeLeft_ - 1 - i) * (1.0f / static_cast<float>(kSwitchFadeFrames));
        stretchLeft_[i] *= gain;
        stretchRight_[i] *= gain;
    }
    switchFadeLeft_ -= frames;
    if (switchFadeLeft_ == 0) {
        // Nothing of the old sound may come back out of the delay lines.
        effects.clearChorus();
        effects.chorusMemory = 0.0f;
    }
}

void Engine::handleMidi(uint8_t status, uint8_t data1, uint8_t data2) {
    const uint8_t kind = status & 0xF0;
    const uint8_t d1 = data1 & 0x7F;
    const uint8_t d2 = data2 & 0x7F;
    if (kind == 0x90 && d2 > 0) {
        noteOnProcedure(d1, d2);
    } else if (kind == 0x80 || kind == 0x90) {
        for (FmVoice* voice = activeVoices; voice; voice = voice->next)
            if (voice->note == d1 && voice->keyHeld)
                voice->noteOff();
    } else if (kind == 0xB0 && d1 == 123) {
        sustainPedal = false;
        for (FmVoice* voice = activeVoices; voice; voice = voice->next) voice->noteOff();
    } else if (kind == 0xB0 && d1 == 64) {
        sustainPedal = d2 != 0;
        if (!sustainPedal)
            for (FmVoice* voice = activeVoices; voice; voice = voice->next)
                if (voice->sustained)
                    voice->noteOff();
    }
}

void Engine::noteOnProcedure(uint8_t note, uint8_t velocity) {
    if (!sharedTables())
        return;
    for (FmVoice* voice = activeVoices; voice; voice = voice->next)
        if (voice->note == note)
            voice->damp();
    if (!voicePool)
        return;
    FmVoice* voice = voicePool->take();
    if (!voice)
        return;
    if (voicePool->activeCount() > voicePool->maxVoices()) {
        if (FmVoice* stolen = chooseVoiceToSteal())
            stolen->damp();
    }
    voice->prev = nullptr;
    voice->next = activeVoices;
    if (activeVoices)
        activeVoices->prev = voice;
    activeVoices = voice;
    voice->noteOn(note, velocity);
}

FmVoice* Engine::chooseVoiceToSteal() const {
    if (!activeVoices)
        return nullptr;
    uint8_t lowest = 127;
    for (const FmVoice* voice = activeVoices; voice; voice = voice->next)
        if (voice->note < lowest)
            lowest = voice->note;

    FmVoice* fadingCandidate = nullptr;
    uint32_t oldestFading = 0;
    FmVoice* heldCandidate = nullptr;
    uint8_t softest = 127;
    for (FmVoice* voice = activeVoices; voice; voice = voice->next) {
        if (voice->note == lowest)
            continue;
        if (voice->fading) {
            if (voice->age > oldestFading) {
                oldestFading = voice->age;
                fadingCandidate = voice;
            }
        } else if (voice->velocity <= softest) {
            softest = voice->velocity;
            heldCandidate = voice;
        }
    }
    return fadingCandidate ? fadingCandidate : heldCandidate;
}

void Engine::retire(FmVoice* voice) {
    if (voice->prev)
        voice->prev->next = voice->next;
    else
        activeVoices = voice->next;
    if (voice->next)
        voice->next->prev = voice->prev;
    voice->prev = nullptr;
    voice->next = nullptr;
    if (voicePool)
        voicePool->giveBack(voice);
}

}  // namespace tine
