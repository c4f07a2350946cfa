#include "host/MidiIntake.h"

namespace tine {

bool isQueuedMidiStatus(uint8_t status) {
    switch (status & 0xF0) {
    case 0x80:  // note off
    case 0x90:  // note on (velocity 0 too: the instrument treats it as off)
    case 0xB0:  // control change
    case 0xC0:  // program change
    case 0xE0:  // pitch bend
        return true;
    default:  // pressure, system messages, stray data bytes
        return false;
    }
}

uint32_t controlChangeMessage(int32_t channel, uint8_t data1, uint8_t data2) {
    return (0xB0u | (static_cast<uint32_t>(channel) & 0x0Fu)) | (static_cast<uint32_t>(data1) << 8) |
           (static_cast<uint32_t>(data2) << 16);
}

MidiIntake::MidiIntake(int32_t inputChannel, int32_t sampleRate, uint32_t blockFrames)
    : currentList_(&lists_[0]), inputChannel_(inputChannel), samplesPerMs_(sampleRate / 1000), maxFrames_(blockFrames) {
    for (MidiEventList& list : lists_) {
        list.numEvents = 0;
        list.startTime = 0;
        for (VstEvent*& e : list.events) e = nullptr;
    }
    for (VstMidiEvent& e : eventStore_) e = VstMidiEvent{};
}

void MidiIntake::setOpenTime(uint32_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    openTime_ = nowMs;
}

uint32_t MidiIntake::openTime() const {
    std::lock_guard<std::mutex> guard(lock_);
    return openTime_;
}

uint32_t MidiIntake::droppedEvents() const {
    std::lock_guard<std::mutex> guard(lock_);
    return dropped_;
}

int32_t MidiIntake::stamp(uint32_t timestampMs, uint32_t listStartMs) const {
    // The two clocks are close but not the same origin, so an event may carry
    // a time before its list began: the difference is signed.
    const int64_t elapsedMs = static_cast<int32_t>(timestampMs - listStartMs);
    const int64_t offset = elapsedMs * samplesPerMs_;
    const int64_t last = maxFrames_ > 0 ? static_cast<int64_t>(maxFrames_) - 1 : 0;
    if (offset >= static_cast<int64_t>(maxFrames_))
        return static_cast<int32_t>(last);
    if (offset <= 0)
        return 1;
    return static_cast<int32_t>(offset);
}

void MidiIntake::onDriverMessage(uint32_t message, uint32_t param1, uint32_t param2, uint32_t nowMs) {
    if (message == kMidiInOpen) {
        setOpenTime(nowMs);
        return;
    }
    const uint8_t status = static_cast<uint8_t>(param1 & 0xFF);
    // The channel test comes first and looks at the low nibble whatever the
    // message is; system messages are dropped below anyway.
    if (inputChannel_ != -1 && static_cast<int32_t>(status & 0x0F) != inputChannel_)
        return;
    if (message != kMidiInData && message != kMidiInMoreData)
        return;
    if (!isQueuedMidiStatus(status))
        return;
    queue(param1, param2);
}

void MidiIntake::queue(uint32_t shortMessage, uint32_t timestampMs) {
    std::lock_guard<std::mutex> guard(lock_);
    MidiEventList& list = *currentList_;
    if (static_cast<uint32_t>(list.numEvents) >= kMidiListLimit) {
        ++dropped_;
        return;
    }
    VstMidiEvent& e = eventStore_[storeIndex_];
    storeIndex_ = (storeIndex_ + 1) % kMidiStoreSize;

    e = VstMidiEvent{};
    e.type = kVstMidiType;
    e.byteSize = 24;
    e.deltaFrames = stamp(timestampMs, static_cast<uint32_t>(list.startTime));
    e.midiData[0] = static_cast<char>(shortMessage & 0xFF);
    e.midiData[1] = static_cast<char>((shortMessage >> 8) & 0xFF);
    e.midiData[2] = static_cast<char>((shortMessage >> 16) & 0xFF);
    e.midiData[3] = 0;

    list.events[list.numEvents] = reinterpret_cast<VstEvent*>(&e);
    ++list.numEvents;
}

VstEvents* MidiIntake::takeEvents(uint32_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    MidiEventList* full = currentList_;
    currentIndex_ = 1 - currentIndex_;
    currentList_ = &lists_[currentIndex_];
    currentList_->numEvents = 0;
    currentList_->startTime = static_cast<intptr_t>(nowMs - openTime_);
    return full->asVstEvents();
}

}  // namespace tine
