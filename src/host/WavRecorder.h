#pragma once
// Recording what goes to the sound card into a 16-bit stereo WAV file, and
// the hand-over of the running recording between the GUI thread (start,
// finish) and the audio thread (append).

#include <atomic>
#include <cstdint>
#include <string>

#include "host/WavWriter.h"

namespace tine {

class WavRecorder {
public:
    // Creates (replacing) the file and writes the 44-byte header with zero
    // sizes. Reports "Error opening file" when the file cannot be created
    // (isOpen() is then false) and "Error writing file" when the header does
    // not go out whole.
    WavRecorder(const std::string& path, int32_t sampleRate);
    // Finishes the file if finish() was not called.
    ~WavRecorder();
    WavRecorder(const WavRecorder&) = delete;
    WavRecorder& operator=(const WavRecorder&) = delete;

    bool isOpen() const { return writer_.isOpen(); }

    // Audio thread: frames of interleaved left/right samples to the end of the
    // file. After a block fails (a full disk) nothing more is appended.
    // Failures are not reported here; finish() reports them.
    void append(const int16_t* samples, uint32_t frames);

    // Writes the final sizes into the header (after a failed block, those of
    // the frames that reached the file) and closes the file. Reports "Error
    // writing file" once when the header or any block did not reach the file.
    // Later calls do nothing.
    void finish();

    uint64_t framesRecorded() const { return writer_.framesWritten(); }
    uint32_t sampleRate() const { return sampleRate_; }

private:
    WavWriter writer_;
    uint32_t sampleRate_;
    bool appendFailed_ = false;
    bool writeErrorReported_ = false;
};

// Holds the running recording. The GUI thread starts and finishes it while the
// audio thread appends each block; appending never waits on the GUI, and
// finishing waits for an append in progress to end before closing the file.
class RecorderSlot {
public:
    RecorderSlot() = default;
    ~RecorderSlot();  // finishes a running recording
    RecorderSlot(const RecorderSlot&) = delete;
    RecorderSlot& operator=(const RecorderSlot&) = delete;

    // GUI thread: finishes any running recording, then starts a new one. False
    // (with the error already reported) when the file could not be created or
    // the recorder not allocated; nothing is recording then.
    bool start(const std::string& path, int32_t sampleRate);

    // GUI thread: takes the recording away from the audio thread, waits until
    // an append in progress has ended, finishes and deletes it. Nothing
    // happens when no recording runs.
    void finish();

    bool recording() const { return recorder_.load() != nullptr; }

    // Audio thread: appends the block when a recording runs.
    void append(const int16_t* samples, uint32_t frames);

private:
    std::atomic<WavRecorder*> recorder_{nullptr};
    std::atomic<bool> appending_{false};
};

}  // namespace tine
