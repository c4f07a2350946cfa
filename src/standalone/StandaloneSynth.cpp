#include "standalone/StandaloneSynth.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "params/ErrorReport.h"
#include "plugin/EditorBase.h"
#include "standalone/AudioOutput.h"
#include "standalone/MidiPort.h"
#include "host/RenderBlock.h"

namespace tine {

static_assert(kRefreshDisplayMessage == WM_APP + 1, "the refresh message is a private application message");

namespace {

std::atomic<StandaloneSynth*> theInstance{nullptr};

}  // namespace

StandaloneSynth* standaloneInstance() {
    return theInstance.load();
}

void setStandaloneInstance(StandaloneSynth* synth) {
    theInstance.store(synth);
    setHostServices(synth ? &synth->hostServices() : nullptr);
}

StandaloneSynth::StandaloneSynth(audioMasterCallback host, void* instance, void* window)
    : SynthPlugin(host), instance_(instance), guiThread_(GetCurrentThreadId()) {
    settings_.load(settingsKey_);
    restartAudioAndMidi(window);
}

StandaloneSynth::~StandaloneSynth() {
    if (editor)
        editor->close();
    recorder_.finish();
    if (audio_) {
        audio_->stop();
        delete audio_;
        audio_ = nullptr;
    }
    delete midi_;
    midi_ = nullptr;
    // Settings are written only by the setup dialog's OK, never at exit.
    settingsKey_.close();
    // Whatever the plug-in part asks while it is torn down finds no host.
    if (standaloneInstance() == this)
        setStandaloneInstance(nullptr);
}

void StandaloneSynth::restartAudioAndMidi(void* window) {
    // Audio first: its thread is the only reader of the MIDI port.
    if (audio_) {
        audio_->stop();
        delete audio_;
        audio_ = nullptr;
    }
    delete midi_;
    midi_ = nullptr;

    audio_ = new (std::nothrow)
        AudioOutput(window, settings_.audioDevice, settings_.latency, settings_.primary, settings_.sampleRate);
    if (!audio_) {
        reportError(ErrorCode::OutOfMemory);
        return;
    }
    midi_ = new (std::nothrow) MidiPort(settings_.midiInDevice, settings_.midiOutDevice, settings_.inputChannel,
                                        settings_.outputChannel, settings_.sampleRate, audio_->blockFrames());
    if (!midi_) {
        audio_->stop();
        delete audio_;
        audio_ = nullptr;
        reportError(ErrorCode::OutOfMemory);
        return;
    }
    // The host never sets a block size: render16 takes any length.
    setSampleRate(static_cast<float>(settings_.sampleRate));
    audio_->start(&StandaloneSynth::renderBlockSource, this);
}

void StandaloneSynth::showProgramName() {
    char name[64] = {};
    getProgramName(name);
    name[sizeof(name) - 1] = '\0';
    std::memcpy(shownProgramName_, name, sizeof(name));
    toolbar_.showName(name);
}

void StandaloneSynth::idleTick() {
    // A box shown from here runs its own message loop, which delivers the
    // next ticks: they wait for this one.
    if (inIdleTick_)
        return;
    inIdleTick_ = true;
    if (EditorBase* shown = getRegisteredEditor())
        shown->idle();
    else if (takeProgramNotice())
        updateDisplay();
    flushQueuedErrors();
    inIdleTick_ = false;
}

void StandaloneSynth::valueChanged(DrawContext* context, Control* control) {
    runToolbarCommand(*this, context, control);
}

void StandaloneSynth::renderBlockSource(void* context, int16_t* samples, uint32_t frames) {
    auto* synth = static_cast<StandaloneSynth*>(context);
    tine::renderBlock(*synth, synth->midi_, &synth->recorder_, samples, frames);
}

EditorBase* StandaloneSynth::Services::editor() {
    return synth_.getRegisteredEditor();
}

float StandaloneSynth::Services::tempo() {
    return synth_.settings_.tempo;
}

int32_t StandaloneSynth::Services::outputChannel() {
    return synth_.settings_.outputChannel;
}

bool StandaloneSynth::Services::sendControlChange(uint8_t data1, uint8_t data2) {
    if (!synth_.midi_)
        return false;
    synth_.midi_->sendControlChange(data1, data2);
    return true;
}

// A refresh asked for on another thread must not touch a window: the main
// window's thread does the work when it gets the message.
void StandaloneSynth::Services::refreshDisplay() {
    if (GetCurrentThreadId() == synth_.guiThread_) {
        synth_.showProgramName();
        return;
    }
    if (void* window = synth_.mainWindow())
        PostMessageA(static_cast<HWND>(window), kRefreshDisplayMessage, 0, 0);
}

void* StandaloneSynth::Services::mainWindow() {
    return synth_.mainWindow();
}

}  // namespace tine
