#include "engine/Engine.h"

#include "engine/SharedTables.h"
#include "engine/StableMath.h"

namespace tine {

Engine::Engine() {
    const ShapeRecord& first = shapeAt(0);
    for (const ShapeRecord*& shape : shapes) shape = &first;
    for (float& s : voiceSum_) s = 0.0f;
}

Engine::~Engine() {
    activeVoices = nullptr;
    delete voicePool;
}

float Engine::setSampleRate(float rate) {
    releaseAll();
    if (rate == rate)
        sampleRate = boundedValue(rate, kMinSampleRate, kMaxSampleRate, sampleRate);
    halfSampleTime = 0.5f / sampleRate;
    prepareShapes();

    std::lock_guard<std::recursive_mutex> lock(engineLock);
    effects.chorusLfoA.restart();
    effects.chorusLfoB.restart();
    effects.chorusMemory = 0.0f;
    // 0.005 s as a single-precision constant, slightly below: the product in
    // double precision truncates to 220 samples at 44100 Hz and 239 at 48000.
    effects.allocateChorus(truncToInt(static_cast<double>(sampleRate) * static_cast<double>(0.005f)));

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

bool Engine::rebuildPool(int32_t maxVoices) {
    std::lock_guard<std::recursive_mutex> lock(engineLock);
    activeVoices = nullptr;
    delete voicePool;
    voicePool = nullptr;
    if (maxVoices < 1)
        maxVoices = 1;
    if (maxVoices > kPoolVoices)
        maxVoices = kPoolVoices;
    voicePool = VoicePool::create(this, static_cast<uint8_t>(maxVoices));
    return voicePool != nullptr;
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
