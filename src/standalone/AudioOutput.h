#pragma once
// Streams the instrument's blocks to one DirectSound output device from a
// time-critical thread (the loop itself is streamBlocks in AudioStream.h).
// Windows only; the header stays free of <windows.h>.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "host/AudioStream.h"

namespace tine {

class AudioOutput {
public:
    // window (HWND) is where the cooperative level is set. deviceIndex counts
    // through the device enumeration, 0 being the default device; an index
    // beyond the list opens the default device. Any failure leaves an object
    // without a thread: start does nothing, stop releases what exists.
    AudioOutput(void* window, int32_t deviceIndex, int32_t latencyMs, bool primaryMode, int32_t sampleRate);
    ~AudioOutput();  // stop()
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Lets the (suspended) thread run with this block source. Only the first
    // call counts.
    void start(BlockSource source, void* context);

    // Stops playback, waits up to 5000 ms for the thread to end (terminating
    // it otherwise) and releases the buffers and the device. A thread that was
    // never started ends at once.
    void stop();

    uint32_t blockFrames() const { return blockFrames_; }
    uint32_t blockBytes() const { return blockBytes_; }
    uint32_t bufferBytes() const { return bufferBytes_; }
    bool hasThread() const { return thread_ != nullptr; }
    // The thread's exit code once stop() has returned (0 when there was none).
    uint32_t exitCode() const { return exitCode_; }

    // Descriptions of the output devices in enumeration order; the first is
    // the default device.
    static std::vector<std::string> deviceDescriptions();

private:
    friend uint32_t runAudioThread(AudioOutput& output);

    void* thread_ = nullptr;
    void* device_ = nullptr;           // IDirectSound*
    void* secondaryBuffer_ = nullptr;  // IDirectSoundBuffer*
    void* primaryBuffer_ = nullptr;    // IDirectSoundBuffer*
    bool primaryMode_ = false;
    uint8_t* scratch_ = nullptr;
    uint32_t bufferBytes_ = 0;
    uint32_t blockBytes_ = 0;
    BlockSource blockSource_ = nullptr;
    void* blockContext_ = nullptr;
    uint32_t blockFrames_ = 0;
    uint32_t exitCode_ = 0;
    bool started_ = false;
    std::atomic<bool> stopRequested_{false};
};

}  // namespace tine
