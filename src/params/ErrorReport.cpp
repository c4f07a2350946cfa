#include "params/ErrorReport.h"

#include <atomic>
#include <cstdio>

namespace tine {
namespace {

const char* const kErrorTexts[] = {
    "An unknown error occurred",
    "Out of memory",
    "Bitmap could not be loaded",
    "This file format is not valid",
    "This file was created with a more recent version of the program",
    "Error writing file",
    "Error opening file",
    "Error reading file",
};
constexpr int kCodes = static_cast<int>(sizeof(kErrorTexts) / sizeof(kErrorTexts[0]));

void defaultSink(ErrorCode, const char* text) {
    std::fprintf(stderr, "Tinemaster Error: %s\n", text);
    std::fflush(stderr);
}

std::atomic<ErrorSink> currentSink{&defaultSink};

// One flag per code: any number of audio threads may raise them, without a
// lock or an allocation; the GUI side takes them down.
std::atomic<bool> queued[kCodes];

thread_local bool audioThread = false;

int codeIndex(ErrorCode code) {
    const int index = static_cast<int>(code);
    return index < 0 || index >= kCodes ? 0 : index;
}

}  // namespace

const char* errorText(ErrorCode code) {
    return kErrorTexts[codeIndex(code)];
}

void reportError(ErrorCode code) {
    if (audioThread) {
        queued[codeIndex(code)].store(true);
        return;
    }
    currentSink.load()(code, errorText(code));
}

ErrorSink setErrorSink(ErrorSink sink) {
    return currentSink.exchange(sink ? sink : &defaultSink);
}

AudioThreadScope::AudioThreadScope() : outer_(audioThread) {
    audioThread = true;
}

AudioThreadScope::~AudioThreadScope() {
    audioThread = outer_;
}

bool onAudioThread() {
    return audioThread;
}

void flushQueuedErrors() {
    if (audioThread)
        return;
    for (int index = 0; index < kCodes; ++index)
        if (queued[index].exchange(false))
            reportError(static_cast<ErrorCode>(index));
}

}  // namespace tine
