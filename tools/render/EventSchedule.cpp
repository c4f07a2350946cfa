#include "EventSchedule.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace tine {

int64_t toFrame(double seconds, int rate) {
    return std::llround(seconds * rate);
}

EventSchedule::EventSchedule(const MidiSong& song, int rate, int blockFrames) : song_(song) {
    // Sized once for the busiest block, so handing out a block never allocates.
    frames_.reserve(song.events.size());
    std::size_t busiest = 0, inBlock = 0;
    int64_t block = -1;
    for (const MidiEvent& e : song.events) {
        frames_.push_back(toFrame(e.seconds, rate));
        const int64_t b = frames_.back() / blockFrames;
        inBlock = b == block ? inBlock + 1 : 1;
        block = b;
        busiest = std::max(busiest, inBlock);
    }
    midi_.resize(busiest);
    const std::size_t slots = std::max<std::size_t>(busiest, 2);
    const std::size_t bytes = offsetof(VstEvents, events) + slots * sizeof(VstEvent*);
    storage_.reset(new std::max_align_t[(bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t)]);
    list_ = new (storage_.get()) VstEvents{};
}

VstEvents* EventSchedule::eventsFor(int64_t start, int32_t frames) {
    list_->numEvents = 0;
    for (; next_ < frames_.size() && frames_[next_] < start + frames; ++next_) {
        const std::size_t i = static_cast<std::size_t>(list_->numEvents);
        const MidiEvent& e = song_.events[next_];
        VstMidiEvent& m = midi_[i];
        m = VstMidiEvent{};
        m.type = kVstMidiType;
        m.byteSize = static_cast<int32_t>(sizeof(VstMidiEvent));
        m.deltaFrames = static_cast<int32_t>(frames_[next_] - start);
        for (int b = 0; b < 3; ++b) m.midiData[b] = static_cast<char>(b < e.size ? e.bytes[b] : 0);
        list_->events[i] = reinterpret_cast<VstEvent*>(&m);
        list_->numEvents = static_cast<int32_t>(i + 1);
    }
    return list_;
}

}  // namespace tine
