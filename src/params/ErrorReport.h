#pragma once
// The one way errors reach the user. The sink is replaceable so that a test run
// or a command-line tool never blocks on a modal box.

namespace tine {

enum class ErrorCode : int {
    Unknown = 0,
    OutOfMemory = 1,
    BitmapNotLoaded = 2,
    InvalidFormat = 3,
    NewerVersion = 4,
    WriteFailed = 5,
    OpenFailed = 6,
    ReadFailed = 7,
};

// The fixed text of a code; codes outside the table read as Unknown.
const char* errorText(ErrorCode code);

using ErrorSink = void (*)(ErrorCode code, const char* text);

void reportError(ErrorCode code);

// Installs a sink and returns the previous one; null restores the default
// (one line "Tinemaster Error: <text>" on standard error).
ErrorSink setErrorSink(ErrorSink sink);

}  // namespace tine
