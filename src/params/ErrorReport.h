#pragma once
// The one way errors reach the user. The sink is replaceable so that a test run
// or a command-line tool never blocks on a modal box.
//
// An audio thread must never wait on a box, nor run a sink that may: reports
// made while an AudioThreadScope is alive on the thread are only queued, and
// the GUI side shows them with flushQueuedErrors at its next idle.

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

// Marks the calling thread as rendering audio for the scope's lifetime. Scopes nest.
class AudioThreadScope {
public:
    AudioThreadScope();
    ~AudioThreadScope();
    AudioThreadScope(const AudioThreadScope&) = delete;
    AudioThreadScope& operator=(const AudioThreadScope&) = delete;

private:
    bool outer_;
};

bool onAudioThread();

// GUI side: hands every queued code to the sink, once per code however often
// it was queued, in code order. Does nothing on an audio thread.
void flushQueuedErrors();

}  // namespace tine
