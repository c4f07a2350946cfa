#pragma once
// The fixed set of 128 voices and its free stack, with the polyphony limit.

#include <cstdint>

#include "engine/Voice.h"

namespace tine {

constexpr int kPoolVoices = 128;

class VoicePool {
public:
    // Null when the voices cannot be allocated.
    static VoicePool* create(Engine* owner, uint8_t maxVoices);
    VoicePool() = default;
    VoicePool(const VoicePool&) = delete;
    VoicePool& operator=(const VoicePool&) = delete;
    ~VoicePool();

    // Pops a free voice and counts it active; null when none is free.
    FmVoice* take();
    // Pushes a finished voice back.
    void giveBack(FmVoice* voice);

    uint8_t activeCount() const { return activeCount_; }
    uint8_t freeCount() const { return freeCount_; }
    uint8_t maxVoices() const { return maxVoices_; }
    void setMaxVoices(uint8_t limit) { maxVoices_ = limit; }

private:
    FmVoice* voices_ = nullptr;
    FmVoice* freeStack_[kPoolVoices] = {};
    uint8_t activeCount_ = 0;
    uint8_t maxVoices_ = 0;
    uint8_t freeCount_ = 0;
};

}  // namespace tine
