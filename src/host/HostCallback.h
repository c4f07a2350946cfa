#pragma once
// The standalone host's answers to the instrument: the one audioMasterCallback
// the program hands to its StandaloneSynth. Platform-free; the host side it
// acts on is reached through HostServices.

#include <cstdint>

#include "plugin/VstTypes.h"

namespace tine {

class EditorBase;

// What the callback reads and does on the running host. The program's
// StandaloneSynth provides the real one; tests provide their own.
class HostServices {
public:
    virtual EditorBase* editor() = 0;     // may be null
    virtual float tempo() = 0;            // beats per minute, from the settings
    virtual int32_t outputChannel() = 0;  // -1: none
    // Control Change with these data bytes on the output channel. False when
    // there is no MIDI port to send it.
    virtual bool sendControlChange(uint8_t data1, uint8_t data2) = 0;
    // The program name shown by the host changed. Called on any thread; the
    // host hands the work to its GUI thread.
    virtual void refreshDisplay() = 0;
    virtual void* mainWindow() = 0;  // parent of file dialogs; may be null

protected:
    ~HostServices() = default;
};

// The answer to one request. host is null until the instrument has been
// built: every request then answers 1 without acting.
intptr_t answerHostRequest(HostServices* host, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

// The audioMasterCallback: the effect argument is not used, requests go to
// the host installed with setHostServices.
intptr_t VSTCALLBACK hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

// Installed by the shell once the StandaloneSynth constructor has returned,
// cleared before it is destroyed.
void setHostServices(HostServices* host);

// The one time record of the callback (tests read it to see what it keeps).
const VstTimeInfo& hostTimeInfo();

}  // namespace tine
