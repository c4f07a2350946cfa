#include "standalone/MidiPort.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <cstring>

namespace tine {

static_assert(kMidiInOpen == MIM_OPEN && kMidiInClose == MIM_CLOSE && kMidiInData == MIM_DATA &&
                  kMidiInLongData == MIM_LONGDATA && kMidiInError == MIM_ERROR && kMidiInLongError == MIM_LONGERROR &&
                  kMidiInMoreData == MIM_MOREDATA,
              "driver message values pass through unchanged");

MidiPort::MidiPort(int32_t inputDevice, int32_t outputDevice, int32_t inputChannel, int32_t outputChannel,
                   int32_t sampleRate, uint32_t blockFrames)
    : intake_(inputChannel, sampleRate, blockFrames), outputChannel_(outputChannel) {
    // The driver's open message sets this again; until then injected test
    // messages have a sane origin too.
    intake_.setOpenTime(timeGetTime());

    HMIDIIN in = nullptr;
    // The more-data message is only delivered with MIDI_IO_STATUS.
    if (midiInOpen(&in, static_cast<UINT>(inputDevice), reinterpret_cast<DWORD_PTR>(&MidiPort::driverCallback),
                   reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION | MIDI_IO_STATUS) != MMSYSERR_NOERROR)
        return;
    input_ = in;
    if (midiInStart(in) != MMSYSERR_NOERROR) {
        MessageBoxA(nullptr, "midiInStart failed", "Error", MB_OK);
        return;
    }
    HMIDIOUT out = nullptr;
    if (midiOutOpen(&out, static_cast<UINT>(outputDevice), 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR)
        output_ = out;
}

MidiPort::~MidiPort() {
    if (input_ != nullptr) {
        HMIDIIN in = static_cast<HMIDIIN>(input_);
        midiInStop(in);
        midiInReset(in);
        midiInClose(in);
        input_ = nullptr;
    }
    if (output_ != nullptr) {
        HMIDIOUT out = static_cast<HMIDIOUT>(output_);
        midiOutReset(out);
        midiOutClose(out);
        output_ = nullptr;
    }
}

void TINE_WINAPI MidiPort::driverCallback(void*, unsigned int message, uintptr_t instance, uintptr_t param1,
                                          uintptr_t param2) {
    if (instance != 0)
        reinterpret_cast<MidiPort*>(instance)->onMidiIn(message, param1, param2);
}

void MidiPort::onMidiIn(uint32_t driverMessage, uintptr_t param1, uintptr_t param2) {
    intake_.onDriverMessage(driverMessage, static_cast<uint32_t>(param1), static_cast<uint32_t>(param2), timeGetTime());
}

VstEvents* MidiPort::takeEvents() {
    return intake_.takeEvents(timeGetTime());
}

void MidiPort::sendControlChange(uint8_t data1, uint8_t data2) {
    if (output_ == nullptr || outputChannel_ < 0 || outputChannel_ > 15)
        return;
    midiOutShortMsg(static_cast<HMIDIOUT>(output_), controlChangeMessage(outputChannel_, data1, data2));
}

void MidiPort::deliverShortMessage(uint32_t message, uint32_t timestampMs) {
    driverCallback(input_, MIM_DATA, reinterpret_cast<uintptr_t>(this), message, timestampMs);
}

void MidiPort::deliverShortMessageNow(uint32_t message) {
    deliverShortMessage(message, timeGetTime() - intake_.openTime());
}

std::vector<std::string> midiInputDeviceNames() {
    std::vector<std::string> names;
    const UINT count = midiInGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        MIDIINCAPSA caps;
        if (midiInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
            names.emplace_back(caps.szPname);
    }
    return names;
}

std::vector<std::string> midiOutputDeviceNames() {
    std::vector<std::string> names;
    const UINT count = midiOutGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        MIDIOUTCAPSA caps;
        if (midiOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
            names.emplace_back(caps.szPname);
    }
    return names;
}

unsigned int midiInjectionWindowMessage() {
    static const UINT message = [] {
        const char* hooks = std::getenv("TINEMASTER_TEST_HOOKS");
        if (hooks == nullptr || std::strcmp(hooks, "1") != 0)
            return 0u;
        return RegisterWindowMessageA("Tinemaster.InjectMidiShortMessage");
    }();
    return message;
}

bool handleInjectionMessage(MidiPort* port, unsigned int message, uintptr_t wParam) {
    const UINT injection = midiInjectionWindowMessage();
    if (injection == 0 || message != injection)
        return false;
    if (port != nullptr)
        port->deliverShortMessageNow(static_cast<uint32_t>(wParam));
    return true;
}

}  // namespace tine
