#pragma once
// Block sizes and the output loop of the audio thread, written against a
// looping sound buffer with a play cursor, so the same loop runs over
// DirectSound (AudioOutput) and over a simulated buffer in tests.
//
// The loop writes each block into the region the play cursor has just left:
// once the writer is a buffer ahead, a block is heard bufferBytes - blockBytes
// after it was written.

#include <cstdint>
#include <cstring>

#include "host/RenderBlock.h"

namespace tine {

constexpr uint32_t kBytesPerFrame = 4;  // left and right, 16 bits each

// Thread exit codes.
constexpr uint32_t kStreamStopped = 0x1234;        // buffer no longer playing
constexpr uint32_t kStreamDeviceFailed = 0xFFFF;   // status, cursor, lock or unlock failed
constexpr uint32_t kStreamRestoreFailed = 0xFFFE;  // a lost buffer could not be restored
constexpr uint32_t kStreamTerminated = 0x4321;     // did not end within the stop wait

// Bytes per block for a latency: rate x 4 x ms / 1000, rounded down to whole
// frames so that every block lands on a frame boundary of the buffer. Zero for
// a zero or negative rate or latency; saturates instead of wrapping.
inline uint32_t latencyBlockBytes(int32_t sampleRate, int32_t latencyMs) {
    if (sampleRate <= 0 || latencyMs <= 0)
        return 0;
    uint64_t bytes = static_cast<uint64_t>(sampleRate) * kBytesPerFrame * static_cast<uint64_t>(latencyMs) / 1000u;
    if (bytes > 0xFFFFFFFFull)
        bytes = 0xFFFFFFFFull;
    return static_cast<uint32_t>(bytes) / kBytesPerFrame * kBytesPerFrame;
}

// Writing straight into a primary buffer of bufferBytes: a block needs room to
// wait behind the cursor, so it is at most half the buffer (whole frames).
inline uint32_t primaryBlockBytes(uint32_t blockBytes, uint32_t bufferBytes) {
    const uint32_t half = bufferBytes / 2 / kBytesPerFrame * kBytesPerFrame;
    return blockBytes > half ? half : blockBytes;
}

// The secondary streaming buffer: five blocks, or 0 when that does not fit.
inline uint32_t secondaryBufferBytes(uint32_t blockBytes) {
    return blockBytes > 0xFFFFFFFFu / 5u ? 0u : blockBytes * 5u;
}

enum class PlayResult { Ok, Lost, Failed };

struct LockedRegions {
    void* first = nullptr;
    uint32_t firstBytes = 0;
    void* second = nullptr;
    uint32_t secondBytes = 0;
};

// Buffer requirements (all return false on failure):
//   PlayResult play();                       // looping, from its position 0
//   bool restore();
//   bool playCursor(uint32_t& position);
//   bool status(bool& playing, bool& lost);
//   bool lock(uint32_t offset, uint32_t bytes, LockedRegions& regions);
//   bool unlock(const LockedRegions& regions);
//   void sleepOneMs();
// Returns the thread's exit code.
template <typename Buffer>
uint32_t streamBlocks(Buffer& buffer, uint32_t bufferBytes, uint32_t blockBytes, uint8_t* scratch, BlockSource source,
                      void* context) {
    const uint32_t n = bufferBytes;
    const uint32_t k = blockBytes;
    const uint32_t frames = k / kBytesPerFrame;

    if (buffer.play() == PlayResult::Lost) {
        if (!buffer.restore())
            return kStreamRestoreFailed;
        buffer.play();
    }
    uint32_t play = 0;
    if (!buffer.playCursor(play))
        return kStreamDeviceFailed;
    // Kept inside the buffer: a lock beyond its end would fail.
    uint32_t writePosition = static_cast<uint32_t>((static_cast<uint64_t>(play) + k) % n);

    // The cursor, taken one lap ahead when it is behind the write position.
    auto unwrapped = [&](uint32_t p) { return p < writePosition ? static_cast<uint64_t>(p) + n : p; };

    for (;;) {
        source(context, reinterpret_cast<int16_t*>(scratch), frames);

        if (!buffer.playCursor(play))
            return kStreamDeviceFailed;
        uint64_t p = unwrapped(play);
        while (p < static_cast<uint64_t>(writePosition) + k) {
            buffer.sleepOneMs();
            bool playing = false;
            bool lost = false;
            if (!buffer.status(playing, lost))
                return kStreamDeviceFailed;
            if (lost) {
                if (!buffer.restore())
                    return kStreamRestoreFailed;
                if (!buffer.status(playing, lost))
                    return kStreamDeviceFailed;
            }
            if (!playing)
                return kStreamStopped;
            if (!buffer.playCursor(play))
                return kStreamDeviceFailed;
            p = unwrapped(play);
        }

        LockedRegions regions;
        if (!buffer.lock(writePosition, k, regions))
            return kStreamDeviceFailed;
        uint32_t firstBytes = regions.first ? regions.firstBytes : 0;
        uint32_t secondBytes = regions.second ? regions.secondBytes : 0;
        if (firstBytes > k)
            firstBytes = k;
        if (secondBytes > k - firstBytes)
            secondBytes = k - firstBytes;
        if (firstBytes)
            std::memcpy(regions.first, scratch, firstBytes);
        if (secondBytes)
            std::memcpy(regions.second, scratch + firstBytes, secondBytes);
        if (!buffer.unlock(regions))
            return kStreamDeviceFailed;
        writePosition = static_cast<uint32_t>((static_cast<uint64_t>(writePosition) + firstBytes + secondBytes) % n);
    }
}

}  // namespace tine
