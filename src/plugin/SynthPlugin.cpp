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
constexpr int32_t kPoolForProgramLoad = 16;

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

// The host's event list as the block renderer consumes it.
struct PendingEvents {
    SynthPlugin& plugin;
    bool nextDelta(int32_t& delta) {
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
        const VstEvent* event = *plugin.pendingNext_;
        ++plugin.pendingNext_;
        --plugin.pendingCount_;
        plugin.handleEvent(event);
    }
};

SynthPlugin::SynthPlugin(audioMasterCallback host) : EffectBaseX(host, kNumPrograms, kNumParams) {
    fillFromFactory(programs_);
    if (!buildSharedTables()) {
        reportError(ErrorCode::OutOfMemory);
        return;
    }
    tablesHeld_ = true;
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
    constructed_ = true;
}

SynthPlugin::~SynthPlugin() {
    {
        std::lock_guard<std::recursive_mutex> lock(engine_.engineLock);
        engine_.activeVoices = nullptr;
        delete engine_.voicePool;
        engine_.voicePool = nullptr;
        engine_.effects.allocateChorus(0);
    }
    if (tablesHeld_)
        releaseSharedTables();
}

const Program& SynthPlugin::programSlot(int32_t index) const {
    return programs_[validProgram(index) ? index : 0];
}

void SynthPlugin::setParameter(int32_t index, float value) {
    if (!validParameter(index))
        return;
    ParameterTable[index].apply(engine_, value);
    if (editor)
        editor->setParameter(index, value);
    editBuffer_.values[index] = value;
}

float SynthPlugin::getParameter(int32_t index) {
    return validParameter(index) ? editBuffer_.values[index] : 0.0f;
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

void SynthPlugin::setProgram(int32_t program) {
    if (!validProgram(program))
        return;
    bool poolBuilt;
    {
        std::lock_guard<std::recursive_mutex> lock(engine_.engineLock);
        engine_.effects.restartModulation();
        poolBuilt = engine_.rebuildPool(kPoolForProgramLoad);
        if (poolBuilt) {
            curProgram = program;
            const Program& slot = programs_[program];
            for (int32_t i = 0; i < kNumParams; ++i) setParameter(i, slot.values[i]);
            char name[kProgramNameBytes];
            std::memcpy(name, slot.name, sizeof(name));
            name[kProgramNameBytes - 1] = '\0';
            setProgramName(name);
        }
        engine_.renormalizeLfos();
    }
    // Reported once the lock is released: a message box must not hold up the audio thread.
    if (!poolBuilt)
        reportError(ErrorCode::OutOfMemory);
    updateDisplay();
}

void SynthPlugin::setProgramName(char* name) {
    if (!name)
        return;
    Program& slot = programs_[curProgram];
    if (name != slot.name)
        slot.setName(name);
    editBuffer_.setName(name);
    if (editor)
        editor->programNameChanged(editBuffer_.name);
    updateDisplay();
}

void SynthPlugin::getProgramName(char* name) {
    copyText(name, programs_[curProgram].name, kProgramNameBytes);
}

bool SynthPlugin::getProgramNameIndexed(int32_t, int32_t index, char* text) {
    if (!validProgram(index))
        return false;
    copyText(text, programs_[index].name, kProgramNameBytes);
    return true;
}

bool SynthPlugin::copyProgram(int32_t destination) {
    if (!validProgram(destination))
        return false;
    programs_[destination] = editBuffer_;
    return true;
}

void SynthPlugin::storeEditBuffer() {
    programs_[curProgram] = editBuffer_;
}

void SynthPlugin::applySampleRateRows() {
    for (int index : {kParamTremoloSpeed, kParamAutopanSpeed, kParamChorusRate, kParamPhaserRate})
        ParameterTable[index].apply(engine_, editBuffer_.values[index]);
}

void SynthPlugin::setSampleRate(float rate) {
    sampleRate = engine_.setSampleRate(rate);
    applySampleRateRows();
}

void SynthPlugin::suspend() {
    std::lock_guard<std::recursive_mutex> lock(engine_.engineLock);
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
        setProgram(data1);
        return;
    }
    engine_.handleMidi(status, data1, data2);
}

template <typename Output>
void SynthPlugin::renderBlock(int32_t frames, Output& out) {
    // process, processReplacing and render16 all come through here.
    ScopedFlushToZero flushDenormals;
    PendingEvents events{*this};
    engine_.renderBlock(frames, out, events);
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
    std::lock_guard<std::recursive_mutex> lock(engine_.engineLock);
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
    storeEditBuffer();
    if (isPreset) {
        programChunk_.store(editBuffer_);
        *data = programChunk_.bytes;
        return kProgramChunkBytes;
    }
    bankChunk_.store(programs_, curProgram);
    *data = bankChunk_.bytes;
    return kBankChunkBytes;
}

int32_t SynthPlugin::setChunk(void* data, int32_t byteSize, bool isPreset) {
    // Decoded into a copy first: a refused chunk changes nothing, and its
    // message is shown without engineLock held. The lock only covers the
    // copies, so a program change from MIDI never reads a half-written slot.
    Program incoming[kNumPrograms];
    {
        std::lock_guard<std::recursive_mutex> lock(engine_.engineLock);
        std::memcpy(incoming, programs_, sizeof(programs_));
    }
    int32_t select = curProgram;
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
        std::lock_guard<std::recursive_mutex> lock(engine_.engineLock);
        std::memcpy(programs_, incoming, sizeof(programs_));
    }
    // An index outside the bank is ignored here, leaving the edit buffer as it was.
    setProgram(select);
    return 1;
}

}  // namespace tine
