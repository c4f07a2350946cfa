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

void defaultSink(ErrorCode, const char* text) {
    std::fprintf(stderr, "Tinemaster Error: %s\n", text);
    std::fflush(stderr);
}

std::atomic<ErrorSink> currentSink{&defaultSink};

}  // namespace

const char* errorText(ErrorCode code) {
    const int index = static_cast<int>(code);
    if (index < 0 || index >= static_cast<int>(sizeof(kErrorTexts) / sizeof(kErrorTexts[0])))
        return kErrorTexts[0];
    return kErrorTexts[index];
}

void reportError(ErrorCode code) {
    currentSink.load()(code, errorText(code));
}

ErrorSink setErrorSink(ErrorSink sink) {
    return currentSink.exchange(sink ? sink : &defaultSink);
}

}  // namespace tine
