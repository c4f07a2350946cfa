#pragma once
// Files for the host and tool tests: a fresh folder per test, whole-file reads
// and writes, the WAV file a recording must leave, and MIDI files byte by byte.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "host/WavWriter.h"

namespace tine::test {

using Bytes = std::vector<uint8_t>;

inline Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// Removed with all it holds. Tests of one runner may run in parallel
// processes: each takes a name no one has.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        auto n = std::chrono::steady_clock::now().time_since_epoch().count();
        do path = std::filesystem::temp_directory_path() / ("tine-test-" + std::to_string(n++));
        while (!std::filesystem::create_directory(path));
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

// The 16-bit WAV file that holds exactly these interleaved samples.
inline Bytes wavFile(uint32_t rate, uint16_t channels, const std::vector<int16_t>& samples) {
    const auto header = makeWavHeader(rate, channels, uint32_t(samples.size() * 2));
    Bytes file(header.begin(), header.end());
    for (int16_t s : samples) file.insert(file.end(), {uint8_t(uint16_t(s) & 0xFF), uint8_t(uint16_t(s) >> 8)});
    return file;
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes chunk(const char* tag, const Bytes& body) {
    const auto n = uint32_t(body.size());
    return concat({Bytes(tag, tag + 4), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)}, body});
}

inline Bytes midiHeader(int format, int tracks, uint16_t division) {
    return chunk("MThd", {0, uint8_t(format), 0, uint8_t(tracks), uint8_t(division >> 8), uint8_t(division)});
}

// A Standard MIDI File with these track bodies.
inline Bytes smf(int format, uint16_t division, std::initializer_list<Bytes> tracks) {
    Bytes out = midiHeader(format, int(tracks.size()), division);
    for (const Bytes& body : tracks) out = concat({out, chunk("MTrk", body)});
    return out;
}

const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

inline Bytes tempo(uint32_t usPerQuarter) {
    return {0xFF, 0x51, 0x03, uint8_t(usPerQuarter >> 16), uint8_t(usPerQuarter >> 8), uint8_t(usPerQuarter)};
}

}  // namespace tine::test
