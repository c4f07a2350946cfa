#include "host/HostCallback.h"

#include <atomic>

#include "plugin/EditorBase.h"
#include "plugin/FileCommands.h"

namespace tine {
namespace {

constexpr intptr_t kVstTempoValid = 0x400;
constexpr int32_t kHostVstVersion = 2;

std::atomic<HostServices*> installedHost{nullptr};

// Shared by every caller and written without a lock: its only writers store
// the same two fields, from one float of the settings.
VstTimeInfo timeInfo{};

intptr_t fillTimeInfo(HostServices& host, intptr_t request) {
    timeInfo.flags = 0;
    if (request & kVstTempoValid) {
        timeInfo.tempo = static_cast<double>(host.tempo());
        timeInfo.flags = static_cast<int32_t>(kVstTempoValid);
    }
    return reinterpret_cast<intptr_t>(&timeInfo);
}

// Only the data bytes of the first event go out, as a Control Change: this
// host's MIDI output carries nothing else.
void forwardFirstEvent(HostServices& host, const VstEvents* events) {
    if (host.outputChannel() == -1 || events == nullptr || events->numEvents <= 0)
        return;
    const VstEvent* first = events->events[0];
    if (first == nullptr)
        return;
    const auto* midi = reinterpret_cast<const VstMidiEvent*>(first);
    host.sendControlChange(static_cast<uint8_t>(midi->midiData[1]), static_cast<uint8_t>(midi->midiData[2]));
}

// The request's reserved field belongs to the host: it keeps the caller's
// own return-path buffer there between opening and closing, so that closing
// frees only a buffer the dialog allocated and never one the caller still
// owns and frees itself.
intptr_t openFileSelector(HostServices& host, void* ptr) {
    if (ptr == nullptr)
        return 0;
    auto& request = *static_cast<FileSelectRequest*>(ptr);
    request.select.reserved = reinterpret_cast<intptr_t>(request.select.returnPath);
    return showLocalFileDialog(request, host.mainWindow()) ? 1 : 0;
}

intptr_t closeFileSelector(void* ptr) {
    if (ptr == nullptr)
        return 1;
    auto& request = *static_cast<FileSelectRequest*>(ptr);
    if (reinterpret_cast<intptr_t>(request.select.returnPath) != request.select.reserved)
        releaseLocalFileDialog(request);
    request.select.returnPath = nullptr;
    request.select.reserved = 0;
    return 1;
}

}  // namespace

intptr_t answerHostRequest(HostServices* host, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    // Requests made while the instrument is still being built.
    if (host == nullptr)
        return 1;

    switch (opcode) {
    case audioMasterAutomate:
        return 1;
    case audioMasterVersion:
        return kHostVstVersion;
    case audioMasterIdle:
        if (EditorBase* editor = host->editor())
            editor->idle();
        return 1;
    case audioMasterGetTime:
        return fillTimeInfo(*host, value);
    case audioMasterProcessEvents:
        forwardFirstEvent(*host, static_cast<const VstEvents*>(ptr));
        return 1;
    case audioMasterCanDo:
        // Every capability, "openFileSelector" above all: the preset
        // commands then route their dialogs through this host.
        return 1;
    case audioMasterUpdateDisplay:
        host->refreshDisplay();
        return 1;
    case audioMasterOpenFileSelector:
        return openFileSelector(*host, ptr);
    case audioMasterCloseFileSelector:
        return closeFileSelector(ptr);
    default:
        return 0;
    }
}

intptr_t VSTCALLBACK hostCallback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return answerHostRequest(installedHost.load(), opcode, index, value, ptr, opt);
}

void setHostServices(HostServices* host) {
    installedHost.store(host);
}

const VstTimeInfo& hostTimeInfo() {
    return timeInfo;
}

}  // namespace tine
