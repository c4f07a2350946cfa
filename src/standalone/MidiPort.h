#pragma once
// One WinMM MIDI input and one output. Input goes through MidiIntake (filter,
// stamping, alternating lists); output sends Control Change on request.
// Windows only, but this header stays free of <windows.h>: handles are kept
// as opaque pointers.
//
// Test entries. No MIDI device need exist for these:
// - driverCallback is the very function WinMM calls; a test may call it with
//   the port as instance data to go through the real callback path.
// - deliverShortMessage(message, timestampMs) queues a short message as if the
//   driver had delivered it with that time stamp (ms since input start).
// - deliverShortMessageNow(message) stamps it with the current time, so it
//   lands in the block being gathered.
// - midiInjectionWindowMessage() is the registered window message
//   "Tinemaster.InjectMidiShortMessage" (wParam = short message, lParam
//   unused) by which an end-to-end test drives a running program: when the
//   environment variable TINEMASTER_TEST_HOOKS is "1" it names the message,
//   otherwise it is 0 and nothing is injected. The program's window procedure
//   forwards it with handleInjectionMessage.

#include <cstdint>
#include <string>
#include <vector>

#include "host/MidiIntake.h"

#if defined(_WIN32) && !defined(_WIN64)
#define TINE_WINAPI __stdcall
#else
#define TINE_WINAPI
#endif

namespace tine {

class MidiPort final : public MidiEventSource {
public:
    // Opens input then output, in that order. A failed input open is silent
    // and leaves both closed; a failed start shows "midiInStart failed" and
    // leaves output closed; a failed output open is silent.
    MidiPort(int32_t inputDevice, int32_t outputDevice, int32_t inputChannel, int32_t outputChannel, int32_t sampleRate,
             uint32_t blockFrames);
    // Input stopped, reset and closed, then output reset and closed.
    ~MidiPort();
    MidiPort(const MidiPort&) = delete;
    MidiPort& operator=(const MidiPort&) = delete;

    // Driver thread: one driver message with its two parameters.
    void onMidiIn(uint32_t driverMessage, uintptr_t param1, uintptr_t param2);

    // Audio thread, once per block.
    VstEvents* takeEvents() override;

    // Control Change on the output channel; nothing when the channel is -1 or
    // no output is open.
    void sendControlChange(uint8_t data1, uint8_t data2);

    void deliverShortMessage(uint32_t message, uint32_t timestampMs);
    void deliverShortMessageNow(uint32_t message);

    bool inputOpen() const { return input_ != nullptr; }
    bool outputOpen() const { return output_ != nullptr; }
    int32_t outputChannel() const { return outputChannel_; }
    const MidiIntake& intake() const { return intake_; }

    // The WinMM input callback; instance is the port.
    static void TINE_WINAPI driverCallback(void* handle, unsigned int message, uintptr_t instance, uintptr_t param1,
                                           uintptr_t param2);

private:
    MidiIntake intake_;
    const int32_t outputChannel_;
    void* input_ = nullptr;
    void* output_ = nullptr;
};

// Names of the WinMM devices in index order, for the setup dialog; a device
// whose capabilities cannot be read is left out.
std::vector<std::string> midiInputDeviceNames();
std::vector<std::string> midiOutputDeviceNames();

// 0 unless TINEMASTER_TEST_HOOKS=1; see above.
unsigned int midiInjectionWindowMessage();
// Forwards an injection window message to port (which may be null). True when
// the message was the injection message and has been handled.
bool handleInjectionMessage(MidiPort* port, unsigned int message, uintptr_t wParam);

}  // namespace tine
