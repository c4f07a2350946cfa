#pragma once
// Reads a Standard MIDI File into one time-ordered list of channel messages
// with absolute times in seconds. Only what an instrument needs survives:
// system-exclusive and meta events are consumed (tempo shapes the timing) and
// dropped. Every read is bounds-checked; malformed input yields a one-line
// error, never a partial result.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tine {

struct MidiEvent {
    double seconds = 0.0;  // from the start of the file
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t size = 0;    // 2 or 3: status plus data bytes
    uint16_t track = 0;  // index among the file's MTrk chunks
};

struct MidiSong {
    int format = 0;
    int trackCount = 0;
    std::vector<MidiEvent> events;  // by time; simultaneous events keep file order
    double endSeconds = 0.0;        // the latest event of any kind, end-of-track included
};

// Files above this size are rejected before reading: no plausible song needs it.
constexpr std::size_t kMaxMidiFileBytes = 64u * 1024u * 1024u;

bool parseMidi(const uint8_t* data, std::size_t size, MidiSong& song, std::string& error);

// Reads the file and parses it; errors name no path, the caller adds it.
bool readMidiFile(const std::string& path, MidiSong& song, std::string& error);

}  // namespace tine
