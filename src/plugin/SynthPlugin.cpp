#include "plugin/SynthPlugin.h"

#include <cstdio>
#include <cstring>

#include "engine/FlushToZero.h"
#include "engine/Pcm16.h"
#include "engine/SharedTables.h"
#include "params/ErrorReport.h"
#include "params/ParameterTable.h"
#include "plugin/EditorBase.h"

namespace tine {
namespace {

constexpr int32_t kUniqueId = fourCharCode('T', 'N', 'M', 'R');
constexpr uint64_t kAllValues = (uint64_t{1} << kNumParams) - 1;

using Guard = std::lock_guard<std::recursive_mutex>;

bool validParameter(int32_t index) {
    return index >= 0 && index < kNumParams;
}
bool validProgram(int32_t index) {
    return index >= 0 && index < kNumPrograms;
}

void copyText(char* destination, const char* source, std::size_t capacity) {
    if (!destination)
        return;
    std::snprintf(destination, capacity, "%s", source ? source : "");
}

struct AddWriter {
    float* left;
    float* right;
    void write(float l, float r) {
        *left++ += l;
        *right++ += r;
    }
};

struct ReplaceWriter {
    float* left;
    float* right;
    void write(float l, float r) {
        *left++ = l;
        *right++ = r;
    }
};

struct Pcm16Writer {
    int16_t* out;
    void write(float l, float r) {
        *out++ = toPcm16(l);
        *out++ = toPcm16(r);
    }
};

}  // namespace

// The host's event list as the block renderer consumes it, after any events
// held from the previous block; and the plug-in's settings waiting for it.
struct PendingEvents {
    SynthPlugin& plugin;
    bool nextDelta(int32_t& delta) {
        if (plugin.heldNext_ < plugin.heldCount_) {
            delta = 0;
            return true;
        }
        if (plugin.pendingCount_ <= 0)
            return false;
        const VstEvent* event = *plugin.pendingNext_;
        if (!event) {
            // A null entry ends this list.
            plugin.pendingCount_ = 0;
            return false;
        }
        delta = event->deltaFrames;
        return true;
    }
    void handleNext() {
        if (plugin.heldNext_ < plugin.heldCount_) {
            plugin.handleEvent(reinterpret_cast<const VstEvent*>(&plugin.heldEvents_[plugin.heldNext_++]));
            return;
        }
        const VstEvent* event = *plugin.pendingNext_;
        ++plugin.pendingNext_;
        --plugin.pendingCount_;
        plugin.handleEvent(event);
    }
    void settle() { plugin.settle(); }
};

SynthPlugin::SynthPlugin(audioMasterCallback host) : EffectBaseX(host, kNumPrograms, kNumParams) {
    const Program defaults;
    std::memcpy(editName_, defaults.name, sizeof(editName_));
    for (int32_t i = 0; i < kNumParams; ++i) editValues_[i].store(defaults.values[i], std::memory_order_relaxed);
    fillFromFactory(programs_);
    if (!buildSharedTables()) {
        reportError(ErrorCode::OutOfMemory);
        return;
    }
    tablesHeld_ = true;
    if (!engine_.voicePool)
        reportError(ErrorCode::OutOfMemory);
    if (host) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing(true);
        programsAreChunks(true);
        hasClip(false);
        isSynth(true);
        setUniqueID(kUniqueId);
        setSampleRate(44100.0f);
        setProgram(0);
    }
    suspend();
    if (synthEditorAvailable()) {
        EditorBase* created = createSynthEditor(this);
        if (!created) {
            reportError(ErrorCode::OutOfMemory);
        } else {
            editorConstructed_ = editorWasConstructed(created);
            if (!editorConstructed_)
                delete created;
        }
    }
    suspend();
    {
        // No other thread knows the instance yet: the engine may take the
        // settings now, so that it matches the edit buffer before any render.
        Guard guard(engineMutex());
        settle();
    }
    constructed_ = true;
}

SynthPlugin::~SynthPlugin() {
    if (tablesHeld_)
        releaseSharedTables();
}

const Program& SynthPlugin::programSlot(int32_t index) const {
    return programs_[validProgram(index) ? index : 0];
}

void SynthPlugin::setParameter(int32_t index, float value) {
    if (!validParameter(index))
        return;
    {
        Guard guard(engineMutex());
        editValues_[index].store(value, std::memory_order_relaxed);
        changedValues_ |= uint64_t{1} << index;
    }
    if (editor)
        editor->setParameter(index, value);
}

float SynthPlugin::getParameter(int32_t index) {
    return validParameter(index) ? editValues_[index].load(std::memory_order_relaxed) : 0.0f;
}

void SynthPlugin::getParameterName(int32_t index, char* text) {
    copyText(text, validParameter(index) ? ParameterTable[index].name : "", kParamTextBytes);
}

void SynthPlugin::getParameterLabel(int32_t index, char* label) {
    copyText(label, validParameter(index) ? ParameterTable[index].label : "", kParamTextBytes);
}

void SynthPlugin::getParameterDisplay(int32_t index, char* text) {
    if (!text)
        return;
    text[0] = '\0';
    if (!validParameter(index))
        return;
    ParameterTable[index].display(getParameter(index), text);
}

int32_t SynthPlugin::getProgram() {
    return program_.load(std::memory_order_relaxed);
}

void SynthPlugin::setProgram(int32_t program) {
    if (!validProgram(program))
        return;
    {
        Guard guard(engineMutex());
        loadProgramLocked(program);
    }
    showProgram();
}

void SynthPlugin::loadProgramLocked(int32_t program) {
    curProgram = program;
    program_.store(program, std::memory_order_relaxed);
    const Program& slot = programs_[program];
    for (int32_t i = 0; i < kNumParams; ++i) editValues_[i].store(slot.values[i], std::memory_order_relaxed);
    // setNameField reads at most the field's first 27 bytes, terminated or not.
    setNameField(editName_, slot.name);
    changedValues_ = kAllValues;
    switchPending_ = true;
}

void SynthPlugin::showProgram() {
    if (editor) {
        for (int32_t i = 0; i < kNumParams; ++i) editor->setParameter(i, getParameter(i));
        char name[kProgramNameBytes];
        getProgramName(name);
        editor->programNameChanged(name);
    }
    updateDisplay();
}

bool SynthPlugin::takeProgramNotice() {
    return programNotice_.exchange(false);
}

void SynthPlugin::settle() {
    const bool switching = switchPending_;
    if (switching) {
        // Nothing of the new program may mix with what still sounds: the
        // engine fades that out first and asks again at silence.
        if (engine_.beginSwitch())
            return;
        switchPending_ = false;
        engine_.effects.restartModulation();
    } else if (changedValues_ == 0) {
        return;
    }
    for (int32_t i = 0; i < kNumParams; ++i)
        if (changedValues_ & (uint64_t{1} << i))
            ParameterTable[i].apply(engine_, editValues_[i].load(std::memory_order_relaxed));
    changedValues_ = 0;
    if (switching)
        engine_.renormalizeLfos();
}

void SynthPlugin::setProgramName(char* name) {
    if (!name)
        return;
    char shown[kProgramNameBytes];
    {
        Guard guard(engineMutex());
        Program& slot = programs_[curProgram];
        if (name != slot.name)
            slot.setName(name);
        setNameField(editName_, name);
        std::memcpy(shown, editName_, sizeof(shown));
    }
    if (editor)
        editor->programNameChanged(shown);
    updateDisplay();
}

void SynthPlugin::getProgramName(char* name) {
    Guard guard(engineMutex());
    copyText(name, programs_[curProgram].name, kProgramNameBytes);
}

bool SynthPlugin::getProgramNameIndexed(int32_t, int32_t index, char* text) {
    if (!validProgram(index))
        return false;
    Guard guard(engineMutex());
    copyText(text, programs_[index].name, kProgramNameBytes);
    return true;
}

Program SynthPlugin::editProgramLocked() const {
    Program copy;
    std::memcpy(copy.name, editName_, sizeof(copy.name));
    for (int32_t i = 0; i < kNumParams; ++i) copy.values[i] = editValues_[i].load(std::memory_order_relaxed);
    return copy;
}

const Program& SynthPlugin::editBuffer() const {
    Guard guard(engineMutex());
    editCopy_ = editProgramLocked();
    return editCopy_;
}

bool SynthPlugin::copyProgram(int32_t destination) {
    if (!validProgram(destination))
        return false;
    Guard guard(engineMutex());
    programs_[destination] = editProgramLocked();
    return true;
}

void SynthPlugin::storeEditBuffer() {
    Guard guard(engineMutex());
    programs_[curProgram] = editProgramLocked();
}

void SynthPlugin::setSampleRate(float rate) {
    sampleRate = engine_.setSampleRate(rate);
    if (!engine_.voicePool)
        reportError(ErrorCode::OutOfMemory);
    // The rows whose engine values depend on the rate, from their stored values.
    Guard guard(engineMutex());
    for (int index : {kParamTremoloSpeed, kParamAutopanSpeed, kParamChorusRate, kParamPhaserRate})
        changedValues_ |= uint64_t{1} << index;
}

void SynthPlugin::setBlockSizeAndSampleRate(int32_t size, float rate) {
    setBlockSize(size);
    setSampleRate(rate);
}

void SynthPlugin::suspend() {
    Guard guard(engineMutex());
    engine_.releaseAll();
    engine_.effects.clearChorus();
}

void SynthPlugin::resume() {
    wantEvents(1);
}

int32_t SynthPlugin::processEvents(VstEvents* events) {
    if (!events || events->numEvents <= 0) {
        pendingNext_ = nullptr;
        pendingCount_ = 0;
        return 1;
    }
    pendingNext_ = events->events;
    pendingCount_ = events->numEvents;
    return 1;
}

void SynthPlugin::handleEvent(const VstEvent* event) {
    if (!event || event->type != kVstMidiType)
        return;
    const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
    const uint8_t status = static_cast<uint8_t>(midi->midiData[0]);
    const uint8_t data1 = static_cast<uint8_t>(midi->midiData[1]) & 0x7F;
    const uint8_t data2 = static_cast<uint8_t>(midi->midiData[2]) & 0x7F;
    if ((status & 0xF0) == 0xC0) {
        // On the audio thread, inside the render's hold of engineLock: the
        // program is copied in here and switched by settle(); the editor and
        // the host hear of it from the GUI side.
        if (validProgram(data1)) {
            loadProgramLocked(data1);
            programNotice_.store(true);
        }
        return;
    }
    engine_.handleMidi(status, data1, data2);
}

void SynthPlugin::holdUnhandledEvents(int32_t frames) {
    int32_t kept = 0;
    while (heldNext_ < heldCount_) heldEvents_[kept++] = heldEvents_[heldNext_++];
    for (; pendingCount_ > 0 && kept < kHeldEvents; ++pendingNext_, --pendingCount_) {
        const VstEvent* event = *pendingNext_;
        // A null entry ends the list; events beyond the block are dropped as ever.
        if (!event || event->deltaFrames >= frames)
            break;
        if (event->type != kVstMidiType)
            continue;
        heldEvents_[kept] = *reinterpret_cast<const VstMidiEvent*>(event);
        heldEvents_[kept++].deltaFrames = 0;
    }
    heldCount_ = kept;
    heldNext_ = 0;
}

template <typename Output>
void SynthPlugin::renderBlock(int32_t frames, Output& out) {
    // process, processReplacing and render16 all come through here.
    ScopedFlushToZero flushDenormals;
    AudioThreadScope audioThread;
    PendingEvents events{*this};
    engine_.renderBlock(frames, out, events, events);
    // Only a switch's fade leaves events of this block unhandled (also one
    // that ends with the block): they are played where it ends.
    holdUnhandledEvents(frames);
    // The host's list is only valid until this render returns: events placed
    // beyond the block are dropped rather than read later from freed memory.
    pendingNext_ = nullptr;
    pendingCount_ = 0;
}

void SynthPlugin::setOutputs(float* left, float* right) {
    outputLeft_ = left;
    outputRight_ = right;
}

void SynthPlugin::process(float**, float** outputs, int32_t sampleFrames) {
    if (!outputs)
        return;
    setOutputs(outputs[0], outputs[1]);
    AddWriter writer{outputLeft_, outputRight_};
    renderBlock(sampleFrames, writer);
}

void SynthPlugin::processReplacing(float**, float** outputs, int32_t sampleFrames) {
    if (!outputs)
        return;
    setOutputs(outputs[0], outputs[1]);
    ReplaceWriter writer{outputLeft_, outputRight_};
    renderBlock(sampleFrames, writer);
}

void SynthPlugin::render16(int16_t* buffer, int32_t frames) {
    Pcm16Writer writer{buffer};
    renderBlock(frames, writer);
}

void SynthPlugin::renormalizeLfos() {
    Guard guard(engineMutex());
    engine_.renormalizeLfos();
}

bool SynthPlugin::getOutputProperties(int32_t index, VstPinProperties* properties) {
    if (index < 0 || index > 1 || !properties)
        return false;
    std::snprintf(properties->label, sizeof(properties->label), "TNMR%1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool SynthPlugin::updateDisplay() {
    EffectBaseX::updateDisplay();
    return true;
}

bool SynthPlugin::getEffectName(char* name) {
    copyText(name, "Tinemaster", 32);
    return true;
}

bool SynthPlugin::getVendorString(char* text) {
    copyText(text, "Corvane", 64);
    return true;
}

bool SynthPlugin::getProductString(char* text) {
    copyText(text, "Tinemaster", 64);
    return true;
}

int32_t SynthPlugin::getVendorVersion() {
    return 1;
}

int32_t SynthPlugin::canDo(const char* text) {
    if (!text)
        return -1;
    if (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0)
        return 1;
    return -1;
}

bool SynthPlugin::getParameterProperties(int32_t, VstParameterProperties*) {
    return false;
}

bool SynthPlugin::keysRequired() {
    return true;
}

// ---- Chunks: the program or bank exchanged with hosts and preset files ----

int32_t SynthPlugin::getChunk(void** data, bool isPreset) {
    if (!data)
        return 0;
    Guard guard(engineMutex());
    storeEditBuffer();
    if (isPreset) {
        programChunk_.store(editProgramLocked());
        *data = programChunk_.bytes;
        return kProgramChunkBytes;
    }
    bankChunk_.store(programs_, curProgram);
    *data = bankChunk_.bytes;
    return kBankChunkBytes;
}

int32_t SynthPlugin::setChunk(void* data, int32_t byteSize, bool isPreset) {
    // Decoded into a copy first: a refused chunk changes nothing, and its
    // message is shown without engineLock held. The slots and the program
    // then change in one hold of the lock, so the audio thread sees the old
    // bank and program or the new ones, never a mix.
    Program incoming[kNumPrograms];
    int32_t select;
    {
        Guard guard(engineMutex());
        std::memcpy(incoming, programs_, sizeof(programs_));
        select = curProgram;
    }
    if (isPreset) {
        if (!readProgramChunk(data, byteSize, incoming[select]))
            return 0;
    } else {
        const BankChunkRead read = readBankChunk(data, byteSize, incoming);
        if (!read.ok)
            return 0;
        select = read.currentProgram;
    }
    {
        Guard guard(engineMutex());
        std::memcpy(programs_, incoming, sizeof(programs_));
        // An index outside the bank is ignored here, leaving the edit buffer as it was.
        if (validProgram(select))
            loadProgramLocked(select);
    }
    if (validProgram(select))
        showProgram();
    return 1;
}

}  // namespace tine
