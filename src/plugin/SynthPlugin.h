#pragma once
// The instrument as a VST 2 plug-in: programs and edit buffer, parameters,
// the engine it renders with, and its answers to the host.
//
// Threads. The audio thread (processEvents, process, processReplacing,
// render16) never allocates, frees, touches files, the editor or the host, and
// waits at most for another thread's copy of a few values. Every other caller
// (the host's or the program's GUI thread) changes the sound only by copying
// values into the edit buffer under engineLock and marking them for the audio
// thread, which applies them at the start of its next stretch; a program
// change there is heard whole, fading out what sounds first. A program change
// that arrives as MIDI is loaded on the audio thread and left for the GUI
// side to show (takeProgramNotice).

#include <atomic>
#include <cstdint>

#include "engine/Engine.h"
#include "params/Chunks.h"
#include "params/Program.h"
#include "plugin/EffectBaseX.h"

namespace tine {

class SynthPlugin : public EffectBaseX {
public:
    explicit SynthPlugin(audioMasterCallback audioMaster);
    ~SynthPlugin() override;

    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void process(float** inputs, float** outputs, int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    int32_t getProgram() override;
    void setProgram(int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    void setSampleRate(float rate) override;
    // Hosts that set both at once must reach the engine as setSampleRate does.
    void setBlockSizeAndSampleRate(int32_t blockSize, float rate) override;
    void suspend() override;
    void resume() override;
    int32_t processEvents(VstEvents* events) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    bool copyProgram(int32_t destination) override;
    bool getOutputProperties(int32_t index, VstPinProperties* properties) override;
    bool updateDisplay() override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    int32_t canDo(const char* text) override;
    bool getParameterProperties(int32_t index, VstParameterProperties* properties) override;
    bool keysRequired() override;

    // Chunks: the current program (284 bytes) or the whole bank (8844 bytes).
    // getChunk stores the edit buffer first; its data stays owned here and is
    // valid until the next getChunk. setChunk answers 1 when the data loaded.
    int32_t getChunk(void** data, bool isPreset) override;
    int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

    // Interleaved 16-bit stereo for a sound card buffer.
    void render16(int16_t* buffer, int32_t frames);
    void setOutputs(float* left, float* right);
    void renormalizeLfos();
    // The edit buffer into the current slot.
    void storeEditBuffer();

    // GUI side: true once after a program change that came in as MIDI. The
    // caller then shows every value and the name, and tells the host
    // (updateDisplay), none of which the audio thread may do.
    bool takeProgramNotice();

    // False when construction stopped (the shared tables could not be built).
    bool isConstructed() const { return constructed_; }
    // A copy of the edit buffer (name field and values) taken now; GUI side,
    // valid until the next call.
    const Program& editBuffer() const;
    const Program& programSlot(int32_t index) const;
    Engine& engine() { return engine_; }

private:
    friend struct PendingEvents;
    struct Writer;

    template <typename Output>
    void renderBlock(int32_t frames, Output& out);
    void handleEvent(const VstEvent* event);
    // Audio thread, engineLock held: applies the marked values to the engine.
    void settle();
    // engineLock held: the slot becomes the edit buffer, marked as a switch.
    void loadProgramLocked(int32_t program);
    Program editProgramLocked() const;
    // After setProgram or a chunk load on the GUI side: the editor and the host follow.
    void showProgram();
    // A switch's fade outlasted the block: its events wait in heldEvents_.
    void holdUnhandledEvents(int32_t frames);
    std::recursive_mutex& engineMutex() const { return const_cast<Engine&>(engine_).engineLock; }

    // Filled at construction (default program; factory bank, program 0) and
    // refreshed by every getChunk.
    ProgramChunk programChunk_;
    BankChunk bankChunk_;
    Engine engine_;
    // The edit buffer. Values are written under engineLock and read anywhere;
    // the name only under engineLock.
    std::atomic<float> editValues_[kNumParams];
    char editName_[kProgramNameBytes];
    mutable Program editCopy_;
    // Written under engineLock (the audio thread reads them on a MIDI program change).
    Program programs_[kNumPrograms];
    std::atomic<int32_t> program_{0};  // curProgram, readable without the lock
    // What the audio thread has still to apply, under engineLock: a bit per
    // changed value, and whether they make a program switch.
    uint64_t changedValues_ = 0;
    bool switchPending_ = false;
    std::atomic<bool> programNotice_{false};
    VstEvent** pendingNext_ = nullptr;  // cursor into the host's last event list
    int32_t pendingCount_ = 0;
    // Events of a block that ended inside a switch's fade, played at its end.
    static constexpr int32_t kHeldEvents = 128;
    VstMidiEvent heldEvents_[kHeldEvents] = {};
    int32_t heldCount_ = 0;
    int32_t heldNext_ = 0;
    float* outputLeft_ = nullptr;
    float* outputRight_ = nullptr;
    bool editorConstructed_ = false;
    bool tablesHeld_ = false;
    bool constructed_ = false;
};

// The editor seam. Each build links exactly one definition of these four: a
// build without an editor answers false and the plug-in simply has none.
bool synthEditorAvailable();
// The editor for a plug-in (it registers itself), or null when it cannot be allocated.
EditorBase* createSynthEditor(SynthPlugin* plugin);
// The editor's constructed flag: 0 when it reported its own failure.
bool editorWasConstructed(EditorBase* editor);
// The plug-in library's way of showing errors, installed by its entry point:
// the message box where there is an editor, else the standard error line.
void installLibraryErrorSink();

}  // namespace tine
