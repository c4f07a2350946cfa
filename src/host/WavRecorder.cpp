#include "host/WavRecorder.h"

#include <new>
#include <thread>

#include "params/ErrorReport.h"

namespace tine {

WavRecorder::WavRecorder(const std::string& path, int32_t sampleRate)
    : sampleRate_(sampleRate > 0 ? static_cast<uint32_t>(sampleRate) : 0u) {
    if (writer_.open(path, sampleRate_, 2))
        return;
    if (!writer_.isOpen()) {
        reportError(ErrorCode::OpenFailed);
        return;
    }
    // The file exists but the header did not go out whole.
    reportError(ErrorCode::WriteFailed);
    writeErrorReported_ = true;
}

WavRecorder::~WavRecorder() {
    finish();
}

void WavRecorder::append(const int16_t* samples, uint32_t frames) {
    if (writer_.isOpen() && !appendFailed_)
        appendFailed_ = !writer_.append(samples, frames);
}

void WavRecorder::finish() {
    if (!writer_.isOpen())
        return;
    // A failed append leaves the writer failed, so a short file is reported
    // here rather than passed off as complete.
    if (!writer_.finish() && !writeErrorReported_) {
        reportError(ErrorCode::WriteFailed);
        writeErrorReported_ = true;
    }
}

RecorderSlot::~RecorderSlot() {
    finish();
}

bool RecorderSlot::start(const std::string& path, int32_t sampleRate) {
    finish();
    WavRecorder* recorder = new (std::nothrow) WavRecorder(path, sampleRate);
    if (recorder == nullptr) {
        reportError(ErrorCode::OutOfMemory);
        return false;
    }
    if (!recorder->isOpen()) {
        delete recorder;
        return false;
    }
    // Built completely before the audio thread can see it.
    recorder_.store(recorder);
    return true;
}

void RecorderSlot::finish() {
    WavRecorder* recorder = recorder_.exchange(nullptr);
    if (recorder == nullptr)
        return;
    // An append that loaded the pointer before the exchange has already raised
    // the flag (both are sequentially consistent), so once the flag is down no
    // append still uses the recorder. It is one block's file write: short.
    while (appending_.load()) std::this_thread::yield();
    recorder->finish();
    delete recorder;
}

void RecorderSlot::append(const int16_t* samples, uint32_t frames) {
    appending_.store(true);
    if (WavRecorder* recorder = recorder_.load())
        recorder->append(samples, frames);
    appending_.store(false);
}

}  // namespace tine
