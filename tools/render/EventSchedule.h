#pragma once
// A song's events placed on the sample clock and handed out block by block as
// the VST 2 event lists a host would pass, each event at its offset inside
// its block.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "MidiFile.h"
#include "plugin/VstTypes.h"

namespace tine {

// Seconds to the nearest frame.
int64_t toFrame(double seconds, int rate);

class EventSchedule {
public:
    EventSchedule(const MidiSong& song, int rate, int blockFrames);

    // The events that fall in [start, start + frames), in song order; empty
    // once the song is played. Valid until the next call.
    VstEvents* eventsFor(int64_t start, int32_t frames);

private:
    const MidiSong& song_;
    std::vector<int64_t> frames_;     // each event's frame
    std::size_t next_ = 0;            // first event not handed out yet
    std::vector<VstMidiEvent> midi_;  // room for the busiest block
    std::unique_ptr<std::max_align_t[]> storage_;
    VstEvents* list_ = nullptr;
};

}  // namespace tine
