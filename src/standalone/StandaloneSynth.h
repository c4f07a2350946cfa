#pragma once
// The one instrument of the standalone program: the plug-in class plus the
// host side it carries (settings, audio output, MIDI port, recording, main
// window). Windows only; the header stays free of <windows.h>.

#include <atomic>
#include <cstdint>

#include "gui/Control.h"
#include "plugin/SynthPlugin.h"
#include "host/ComputerKeyboard.h"
#include "host/HostCallback.h"
#include "host/HostSettings.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/Toolbar.h"
#include "host/WavRecorder.h"

namespace tine {

class AudioOutput;
class MidiPort;

class StandaloneSynth : public SynthPlugin, public ControlListener {
public:
    // Builds the instrument with host as its callback, loads the settings from the
    // registry and starts audio and MIDI with window (HWND, the desktop at
    // start-up) for the audio device's cooperative level. instance is the
    // module (HINSTANCE) that owns the resources and windows.
    StandaloneSynth(audioMasterCallback host, void* instance, void* window);

    // Editor closed, recording finished, audio stopped, MIDI closed, settings
    // key closed, then the instrument itself.
    ~StandaloneSynth() override;

    // Stops and deletes audio, then MIDI, and builds both anew from the
    // settings; audio and MIDI are running again when it returns (unless an
    // allocation failed, which is reported).
    void restartAudioAndMidi(void* window);

    // GUI thread: shows the current program's name in the toolbar's name
    // field and redraws the toolbar.
    void showProgramName();
    // GUI thread, every kIdleTickMs while the main window exists: the
    // editor's idle (which follows program changes that came in as MIDI) and
    // the errors queued on the audio thread.
    void idleTick();
    // The name shown last (also before the toolbar exists).
    const char* shownProgramName() const { return shownProgramName_; }

    // The toolbar's controls report here; runToolbarCommand does the work.
    void valueChanged(DrawContext* context, Control* control) override;
    Toolbar& toolbar() { return toolbar_; }

    // The answers of hostCallback for this instance.
    HostServices& hostServices() { return services_; }

    void* mainWindow() const { return mainWindow_.load(); }
    void setMainWindow(void* window) { mainWindow_.store(window); }
    void* moduleInstance() const { return instance_; }
    HostSettings& settings() { return settings_; }
    SettingsStore& settingsStore() { return settingsKey_; }
    RecorderSlot& recorder() { return recorder_; }
    MidiPort* midiPort() const { return midi_; }
    // Notes played on the computer keyboard (KeyboardPlay.h); GUI thread.
    ComputerKeyboard& keyboard() { return keyboard_; }
    AudioOutput* audioOutput() const { return audio_; }

    StandaloneSynth(const StandaloneSynth&) = delete;
    StandaloneSynth& operator=(const StandaloneSynth&) = delete;

private:
    class Services final : public HostServices {
    public:
        explicit Services(StandaloneSynth& synth) : synth_(synth) {}
        EditorBase* editor() override;
        float tempo() override;
        int32_t outputChannel() override;
        bool sendControlChange(uint8_t data1, uint8_t data2) override;
        void refreshDisplay() override;
        void* mainWindow() override;

    private:
        StandaloneSynth& synth_;
    };

    // The audio output thread's block source; context is the instance.
    static void renderBlockSource(void* context, int16_t* samples, uint32_t frames);

    Toolbar toolbar_;
    Services services_{*this};
    std::atomic<void*> mainWindow_{nullptr};
    RegistrySettingsStore settingsKey_;
    HostSettings settings_;
    RecorderSlot recorder_;
    ComputerKeyboard keyboard_;
    // Replaced only while audio is stopped, so the audio thread never sees a
    // half-replaced port.
    MidiPort* midi_ = nullptr;
    AudioOutput* audio_ = nullptr;
    void* instance_;
    unsigned long guiThread_;
    bool inIdleTick_ = false;
    char shownProgramName_[64] = {};
};

// The program's one instance (null before it is built and after it is gone).
StandaloneSynth* standaloneInstance();
void setStandaloneInstance(StandaloneSynth* synth);

// The message the main window gets when a display refresh was asked for on
// another thread; its window procedure calls showProgramName.
constexpr unsigned int kRefreshDisplayMessage = 0x8000 + 1;  // WM_APP + 1

// The main window's timer that drives idleTick: the idle tick a host would
// give a plug-in editor.
constexpr unsigned int kIdleTimerId = 1;
constexpr unsigned int kIdleTickMs = 50;

}  // namespace tine
