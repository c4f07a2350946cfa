#include "engine/VoicePool.h"

#include <new>

#include "engine/Allocation.h"

namespace tine {

VoicePool* VoicePool::create(Engine* owner, uint8_t maxVoices) {
    VoicePool* pool = allocateObject<VoicePool>();
    if (!pool)
        return nullptr;
    pool->voices_ = allocateArray<FmVoice>(kPoolVoices);
    if (!pool->voices_) {
        delete pool;
        return nullptr;
    }
    for (int i = 0; i < kPoolVoices; ++i) {
        pool->voices_[i].owner = owner;
        pool->freeStack_[i] = &pool->voices_[i];
    }
    pool->freeCount_ = kPoolVoices;
    pool->activeCount_ = 0;
    pool->maxVoices_ = maxVoices;
    return pool;
}

VoicePool::~VoicePool() {
    delete[] voices_;
}

FmVoice* VoicePool::take() {
    if (freeCount_ == 0)
        return nullptr;
    ++activeCount_;
    return freeStack_[--freeCount_];
}

void VoicePool::giveBack(FmVoice* voice) {
    if (freeCount_ >= kPoolVoices)
        return;
    freeStack_[freeCount_++] = voice;
    if (activeCount_ > 0)
        --activeCount_;
}

}  // namespace tine
