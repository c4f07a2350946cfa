#pragma once
// MIDI input as the instrument wants it: channel messages filtered, stamped
// with a sample offset inside the next audio block and queued in two
// alternating event lists. The driver thread fills one list while the audio
// thread renders the other. Platform-free: the WinMM port feeds it the
// driver's messages and the system time, tests feed it directly.

#include <cstdint>
#include <mutex>

#include "plugin/VstTypes.h"

namespace tine {

// Driver message kinds; the values are the ones the WinMM input callback
// receives, so the port passes them through unchanged.
enum MidiDriverMessage : uint32_t {
    kMidiInOpen = 0x3C1,
    kMidiInClose = 0x3C2,
    kMidiInData = 0x3C3,
    kMidiInLongData = 0x3C4,
    kMidiInError = 0x3C5,
    kMidiInLongError = 0x3C6,
    kMidiInMoreData = 0x3CC,
};

constexpr uint32_t kMidiListCapacity = 4096;
// A list never wraps: once it holds this many events, further events of the
// same block are dropped and the earlier ones stay.
constexpr uint32_t kMidiListLimit = kMidiListCapacity - 1;
// Twice a list, so the records of the list being rendered are not reused
// before the next switch.
constexpr uint32_t kMidiStoreSize = 8192;

// Lays out as a VstEvents record with room for a full list. The reserved
// field carries the list's start time in ms (system time minus open time).
struct MidiEventList {
    int32_t numEvents;
    intptr_t startTime;
    VstEvent* events[kMidiListCapacity];

    VstEvents* asVstEvents() { return reinterpret_cast<VstEvents*>(this); }
};

// What renderBlock takes events from once per block.
class MidiEventSource {
public:
    // The list gathered since the previous call; the next call starts a new
    // one. The returned list stays untouched until the call after the next.
    virtual VstEvents* takeEvents() = 0;

protected:
    ~MidiEventSource() = default;
};

// True for the status bytes the instrument is given: note off and on,
// control change, program change, pitch bend (any channel).
bool isQueuedMidiStatus(uint8_t status);

// The short message of a Control Change: the data bytes go out as 8-bit
// values, unmasked. The channel must be 0..15.
uint32_t controlChangeMessage(int32_t channel, uint8_t data1, uint8_t data2);

class MidiIntake {
public:
    // inputChannel -1 takes every channel, 0..15 only that one. samplesPerMs is
    // sampleRate / 1000 truncated; offsets are clamped below blockFrames.
    MidiIntake(int32_t inputChannel, int32_t sampleRate, uint32_t blockFrames);
    MidiIntake(const MidiIntake&) = delete;
    MidiIntake& operator=(const MidiIntake&) = delete;

    // Driver thread. param1 is the short message (status in the low byte),
    // param2 the time stamp in ms since input started; nowMs the system time.
    void onDriverMessage(uint32_t message, uint32_t param1, uint32_t param2, uint32_t nowMs);

    // Audio thread, once per block: the current list, after which a fresh list
    // starting at nowMs becomes current.
    VstEvents* takeEvents(uint32_t nowMs);

    // Sets the origin of list start times; the driver's open message does this
    // too.
    void setOpenTime(uint32_t nowMs);
    uint32_t openTime() const;

    int32_t inputChannel() const { return inputChannel_; }
    int32_t samplesPerMs() const { return samplesPerMs_; }
    uint32_t maxFrames() const { return maxFrames_; }
    // Events refused because their list was full.
    uint32_t droppedEvents() const;

    // Sample offset of an event stamped timestampMs in a list that started at
    // listStartMs: the elapsed ms times samplesPerMs, then clamped into
    // 1..maxFrames-1 (offset 0 becomes 1).
    int32_t stamp(uint32_t timestampMs, uint32_t listStartMs) const;

private:
    void queue(uint32_t shortMessage, uint32_t timestampMs);

    mutable std::mutex lock_;
    uint32_t currentIndex_ = 0;
    MidiEventList lists_[2];
    VstMidiEvent eventStore_[kMidiStoreSize];
    uint32_t storeIndex_ = 0;
    uint32_t openTime_ = 0;
    uint32_t dropped_ = 0;
    MidiEventList* currentList_;
    const int32_t inputChannel_;
    const int32_t samplesPerMs_;
    const uint32_t maxFrames_;
};

}  // namespace tine
