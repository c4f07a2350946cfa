#pragma once
// Streams 16-bit PCM into a RIFF WAVE file. The header is written up front with
// zero sizes and patched by finish(), so a crash leaves a file that players
// recognise as empty rather than one that claims data it does not have.
// All multi-byte fields are written byte by byte: the file is little-endian
// whatever the host is.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tine {

constexpr std::size_t kWavHeaderSize = 44;

// Largest data chunk whose RIFF size (data + 36) still fits the 32-bit field.
constexpr uint64_t kWavMaxDataBytes = 0xFFFFFFFFull - 36u;

// The canonical 44-byte PCM header for 16-bit samples.
std::array<uint8_t, kWavHeaderSize> makeWavHeader(uint32_t sampleRate, uint16_t channels, uint32_t dataBytes);

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();  // closes an unfinished file as it is; callers that care use finish()
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates (or replaces) the file and writes a header with zero sizes.
    bool open(const std::string& path, uint32_t sampleRate, uint16_t channels);

    // Appends interleaved frames (channels samples each). After the first
    // failure every later call fails too and finish() reports the first error.
    bool append(const int16_t* interleaved, std::size_t frames);

    // Patches both size fields, flushes and closes. False when any write,
    // the flush or the close failed. After a failed append the sizes are
    // those of the whole frames that reached the file: it plays as far as it got.
    bool finish();

    bool isOpen() const { return file_ != nullptr; }
    uint64_t framesWritten() const { return frames_; }
    uint16_t channels() const { return channels_; }
    uint32_t sampleRate() const { return sampleRate_; }

    // One line describing the first failure, empty while all is well.
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& what, int err);
    void closeQuietly();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string error_;
    uint64_t frames_ = 0;
    uint32_t sampleRate_ = 0;
    uint16_t channels_ = 0;
    bool failed_ = false;
};

}  // namespace tine
