#include "plugin/EffectBase.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/StableMath.h"
#include "plugin/EditorBase.h"

namespace tine {
namespace {

// Room every value-to-text tool may fill: 8 characters and the terminator.
constexpr std::size_t kShortTextBytes = 9;

const char kHugeText[] = " Huge!  ";
const char kMinusInfinityText[] = "  -oo   ";

void copyShortText(char* text, const char* source) {
    std::strncpy(text, source, kShortTextBytes - 1);
    text[kShortTextBytes - 1] = '\0';
}

// One decimal digit of a non-negative value; the clamp only guards against
// rounding that would otherwise leave the digit range.
char digitOf(double value) {
    int d = static_cast<int>(value);
    if (d < 0)
        d = 0;
    if (d > 9)
        d = 9;
    return static_cast<char>('0' + d);
}

bool validParameterIndex(int32_t index, int32_t count) {
    return index >= 0 && index < count;
}

}  // namespace

EffectBase::EffectBase(audioMasterCallback master, int32_t programs, int32_t params)
    : sampleRate(44100.0f),
      editor(nullptr),
      audioMaster(master),
      numPrograms(programs),
      numParams(params),
      curProgram(0),
      blockSize(1024),
      effect() {
    effect.magic = kEffectMagic;
    effect.dispatcher = &EffectBase::dispatchEntry;
    effect.process = &EffectBase::processEntry;
    effect.setParameter = &EffectBase::setParameterEntry;
    effect.getParameter = &EffectBase::getParameterEntry;
    effect.numPrograms = programs;
    effect.numParams = params;
    effect.numInputs = 1;
    effect.numOutputs = 2;
    effect.flags = 0;
    effect.resvd1 = 0;
    effect.resvd2 = 0;
    effect.initialDelay = 0;
    effect.realQualities = 0;
    effect.offQualities = 0;
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.user = nullptr;
    effect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    effect.version = 1;
    effect.processReplacing = &EffectBase::processReplacingEntry;
}

EffectBase::~EffectBase() {
    // Detach first: the editor's destructor looks for itself here.
    EditorBase* registered = editor;
    editor = nullptr;
    delete registered;
}

EffectBase* EffectBase::fromAeffect(AEffect* e) {
    if (!e || e->magic != kEffectMagic)
        return nullptr;
    return static_cast<EffectBase*>(e->object);
}

void EffectBase::setEditor(EditorBase* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

intptr_t EffectBase::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    if (!audioMaster)
        return 0;
    return audioMaster(&effect, opcode, index, value, ptr, opt);
}

void EffectBase::setFlag(int32_t bit, bool state) {
    if (state)
        effect.flags |= bit;
    else
        effect.flags &= ~bit;
}

// ---- Entry points stored in the record ----

intptr_t VSTCALLBACK EffectBase::dispatchEntry(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                               float opt) {
    EffectBase* self = fromAeffect(e);
    if (!self)
        return 0;
    if (opcode == effClose) {
        self->dispatcher(opcode, index, value, ptr, opt);
        delete self;
        return 1;
    }
    return self->dispatcher(opcode, index, value, ptr, opt);
}

void VSTCALLBACK EffectBase::processEntry(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
    if (EffectBase* self = fromAeffect(e))
        self->process(inputs, outputs, sampleFrames);
}

void VSTCALLBACK EffectBase::processReplacingEntry(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
    if (EffectBase* self = fromAeffect(e))
        self->processReplacing(inputs, outputs, sampleFrames);
}

// A host's index outside the parameter range is dropped here, so derived
// classes may index their tables directly.
void VSTCALLBACK EffectBase::setParameterEntry(AEffect* e, int32_t index, float value) {
    EffectBase* self = fromAeffect(e);
    if (self && validParameterIndex(index, self->numParams))
        self->setParameter(index, value);
}

float VSTCALLBACK EffectBase::getParameterEntry(AEffect* e, int32_t index) {
    EffectBase* self = fromAeffect(e);
    if (self && validParameterIndex(index, self->numParams))
        return self->getParameter(index);
    return 0.0f;
}

// ---- Virtual operations ----

void EffectBase::setParameter(int32_t, float) {}

float EffectBase::getParameter(int32_t) {
    return 0.0f;
}

void EffectBase::setParameterAutomated(int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processReplacing(float**, float**, int32_t) {}

intptr_t EffectBase::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    // A null pointer where the opcode expects a text or a record is answered 0
    // without calling the operation: derived classes never see it.
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(static_cast<int32_t>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (text)
            setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text)
            getProgramName(text);
        return 0;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
        if (!text)
            return 0;
        if (!validParameterIndex(index, numParams)) {
            text[0] = '\0';
            return 0;
        }
        if (opcode == effGetParamLabel)
            getParameterLabel(index, text);
        else if (opcode == effGetParamDisplay)
            getParameterDisplay(index, text);
        else
            getParameterName(index, text);
        return 0;
    case effGetVu:
        return truncToInt(getVu() * 32767.0f);
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<int32_t>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        if (editor && ptr)
            return editor->getRect(static_cast<ERect**>(ptr));
        return 0;
    case effEditOpen:
        if (editor)
            return editor->open(ptr) ? 1 : 0;
        return 0;
    case effEditClose:
        if (editor)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor)
            editor->idle();
        return 0;
    case effIdentify:
        return fourCharCode('N', 'v', 'E', 'f');
    case effGetChunk:
        if (!ptr)
            return 0;
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        if (!ptr || value < 0 || static_cast<int64_t>(value) > INT32_MAX)
            return 0;
        return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
        return 0;
    }
}

void EffectBase::open() {}

void EffectBase::close() {}

int32_t EffectBase::getProgram() {
    return curProgram;
}

void EffectBase::setProgram(int32_t program) {
    curProgram = program;
}

void EffectBase::setProgramName(char* name) {
    if (name)
        name[0] = '\0';
}

void EffectBase::getProgramName(char* name) {
    if (name)
        name[0] = '\0';
}

void EffectBase::getParameterLabel(int32_t, char* label) {
    if (label)
        label[0] = '\0';
}

void EffectBase::getParameterDisplay(int32_t, char* text) {
    if (text)
        text[0] = '\0';
}

void EffectBase::getParameterName(int32_t, char* text) {
    if (text)
        text[0] = '\0';
}

float EffectBase::getVu() {
    return 0.0f;
}

int32_t EffectBase::getChunk(void** data, bool) {
    if (data)
        *data = nullptr;
    return 0;
}

int32_t EffectBase::setChunk(void*, int32_t, bool) {
    return 0;
}

void EffectBase::setSampleRate(float rate) {
    sampleRate = rate;
}

void EffectBase::setBlockSize(int32_t size) {
    blockSize = size;
}

void EffectBase::suspend() {}

void EffectBase::resume() {}

void EffectBase::setUniqueID(int32_t id) {
    effect.uniqueID = id;
}

void EffectBase::setNumInputs(int32_t inputs) {
    effect.numInputs = inputs;
}

void EffectBase::setNumOutputs(int32_t outputs) {
    effect.numOutputs = outputs;
}

void EffectBase::hasVu(bool state) {
    setFlag(effFlagsHasVu, state);
}

void EffectBase::hasClip(bool state) {
    setFlag(effFlagsHasClip, state);
}

void EffectBase::canMono(bool state) {
    setFlag(effFlagsCanMono, state);
}

void EffectBase::canProcessReplacing(bool state) {
    setFlag(effFlagsCanReplacing, state);
}

void EffectBase::programsAreChunks(bool state) {
    setFlag(effFlagsProgramChunks, state);
}

void EffectBase::setRealtimeQualities(int32_t qualities) {
    effect.realQualities = qualities;
}

void EffectBase::setOfflineQualities(int32_t qualities) {
    effect.offQualities = qualities;
}

void EffectBase::setInitialDelay(int32_t delay) {
    effect.initialDelay = delay;
}

float EffectBase::getSampleRate() {
    return sampleRate;
}

int32_t EffectBase::getBlockSize() {
    return blockSize;
}

int32_t EffectBase::getMasterVersion() {
    // A host that does not say which version it speaks is taken as a 1.0 host.
    const intptr_t version = callHost(audioMasterVersion);
    return version == 0 ? 1 : static_cast<int32_t>(version);
}

int32_t EffectBase::getCurrentUniqueId() {
    return static_cast<int32_t>(callHost(audioMasterCurrentId));
}

void EffectBase::masterIdle() {
    callHost(audioMasterIdle);
}

// The host answers 0 for a connected pin, so a silent or missing host counts
// as connected.
bool EffectBase::isInputConnected(int32_t input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool EffectBase::isOutputConnected(int32_t output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

// ---- Value-to-text tools ----

void EffectBase::dbToText(float value, char* text) {
    if (!text)
        return;
    if (value <= 0.0f)
        copyShortText(text, kMinusInfinityText);
    else
        floatToText(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
}

void EffectBase::hzToText(float samples, char* text) {
    if (samples == 0.0f)
        floatToText(0.0f, text);
    else
        floatToText(getSampleRate() / samples, text);
}

void EffectBase::msToText(float samples, char* text) {
    floatToText(samples * 1000.0f / getSampleRate(), text);
}

// Eight places: sign, integer digits and point first, then as many fraction
// digits as fill the rest. Integer digits that do not fit are dropped from the
// front rather than widening the text.
void EffectBase::floatToText(float value, char* text) {
    if (!text)
        return;
    double v = value;
    const bool negative = v < 0.0;
    if (negative)
        v = -v;
    if (std::isnan(v) || (negative && v > 9999999.0) || (!negative && v > 99999999.0)) {
        copyShortText(text, kHugeText);
        return;
    }

    int places = negative ? 3 : 2;
    char integerDigits[8];  // least significant first
    int integerCount = 0;
    double part = std::floor(v);
    integerDigits[integerCount++] = digitOf(std::fmod(part, 10.0));
    part *= 0.1;
    while (part >= 1.0 && places < 8) {
        integerDigits[integerCount++] = digitOf(std::fmod(part, 10.0));
        part *= 0.1;
        ++places;
    }

    char out[kShortTextBytes];
    std::size_t pos = 0;
    if (negative)
        out[pos++] = '-';
    while (integerCount > 0) out[pos++] = integerDigits[--integerCount];
    out[pos++] = '.';

    if (places < 8) {
        static const double kPowersOfTen[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};
        const int fractionCount = 8 - places;
        double m = std::fmod(v, 1.0) * kPowersOfTen[fractionCount];
        for (int i = fractionCount - 1; i >= 0; --i) {
            if (m <= 0.0) {
                out[pos + static_cast<std::size_t>(i)] = '0';
            } else {
                out[pos + static_cast<std::size_t>(i)] = digitOf(std::fmod(m, 10.0));
                m *= 0.1;
            }
        }
        pos += static_cast<std::size_t>(fractionCount);
    }
    out[pos] = '\0';
    copyShortText(text, out);
}

void EffectBase::longToText(int32_t value, char* text) {
    if (!text)
        return;
    if (value >= 100000000) {
        copyShortText(text, kHugeText);
        return;
    }
    char printed[16];
    std::snprintf(printed, sizeof printed, "%7d", static_cast<int>(value));
    copyShortText(text, printed);
}

}  // namespace tine
