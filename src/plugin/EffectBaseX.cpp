#include "plugin/EffectBaseX.h"

#include "engine/StableMath.h"
#include "plugin/EditorBase.h"

namespace tine {

EffectBaseX::EffectBaseX(audioMasterCallback master, int32_t programs, int32_t params)
    : EffectBase(master, programs, params) {}

intptr_t EffectBaseX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    // As in the base dispatcher, a null pointer where the opcode expects a text
    // or a record is answered 0 without calling the operation.
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents:
        return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
        return text && string2parameter(index, text) ? 1 : 0;
    case effGetNumProgramCategories:
        return getNumCategories();
    case effGetProgramNameIndexed:
        return text && getProgramNameIndexed(static_cast<int32_t>(value), index, text) ? 1 : 0;
    case effCopyProgram:
        return copyProgram(index) ? 1 : 0;
    case effConnectInput:
        inputConnected(index, value != 0);
        return 1;
    case effConnectOutput:
        outputConnected(index, value != 0);
        return 1;
    case effGetInputProperties:
        return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetCurrentPosition:
        return reportCurrentPosition();
    case effGetDestinationBuffer:
        return reinterpret_cast<intptr_t>(reportDestinationBuffer());
    case effOfflineNotify:
        return offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<int32_t>(value), index != 0) ? 1 : 0;
    case effOfflinePrepare:
        return offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value)) ? 1 : 0;
    case effOfflineRun:
        return offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value)) ? 1 : 0;
    case effProcessVarIo:
        return ptr && processVariableIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
    case effSetSpeakerArrangement:
        return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                     static_cast<VstSpeakerArrangement*>(ptr))
                   ? 1
                   : 0;
    case effSetBlockSizeAndSampleRate:
        setBlockSizeAndSampleRate(static_cast<int32_t>(value), opt);
        return 1;
    case effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        return text && getEffectName(text) ? 1 : 0;
    case effGetErrorText:
        return text && getErrorText(text) ? 1 : 0;
    case effGetVendorString:
        return text && getVendorString(text) ? 1 : 0;
    case effGetProductString:
        return text && getProductString(text) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return text ? canDo(text) : 0;
    case effGetTailSize:
        return getTailSize();
    case effIdle:
        return fxIdle();
    case effGetIcon:
        return reinterpret_cast<intptr_t>(getIcon());
    case effSetViewPosition:
        return setViewPosition(index, static_cast<int32_t>(value)) ? 1 : 0;
    case effGetParameterProperties:
        return ptr && getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effKeysRequired:
        return keysRequired() ? 0 : 1;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
        if (!editor)
            return 0;
        VstKeyCode key{};
        key.character = index;
        key.virt = static_cast<unsigned char>(value);
        key.modifier = static_cast<unsigned char>(truncToInt(opt));
        return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    }
    case effSetEditKnobMode:
        return editor ? editor->setKnobMode(static_cast<int32_t>(value)) : 0;
    case effGetMidiProgramName:
        return ptr ? getMidiProgramName(index, static_cast<MidiProgramName*>(ptr)) : 0;
    case effGetCurrentMidiProgram:
        // Without a record to fill there is no current program to report.
        return ptr ? getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr)) : -1;
    case effGetMidiProgramCategory:
        return ptr ? getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr)) : 0;
    case effHasMidiProgramsChanged:
        return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
        return ptr && getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
    case effBeginSetProgram:
        return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
        return endSetProgram() ? 1 : 0;
    default:
        return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
}

EditorBase* EffectBaseX::getEditor() {
    return editor;
}

void EffectBaseX::wantEvents(int32_t filter) {
    callHost(audioMasterWantMidi, 0, filter);
}

VstTimeInfo* EffectBaseX::getTimeInfo(int32_t filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

int32_t EffectBaseX::tempoAt(int32_t pos) {
    return static_cast<int32_t>(callHost(audioMasterTempoAt, 0, pos));
}

int32_t EffectBaseX::processEvents(VstEvents*) {
    return 0;
}

int32_t EffectBaseX::getNumAutomatableParameters() {
    return static_cast<int32_t>(callHost(audioMasterGetNumAutomatableParameters));
}

int32_t EffectBaseX::getParameterQuantization() {
    return static_cast<int32_t>(callHost(audioMasterGetParameterQuantization));
}

bool EffectBaseX::canParameterBeAutomated(int32_t) {
    return true;
}

bool EffectBaseX::string2parameter(int32_t, char*) {
    return false;
}

float EffectBaseX::getChannelParameter(int32_t, int32_t) {
    return 0.0f;
}

int32_t EffectBaseX::getNumCategories() {
    return 1;
}

bool EffectBaseX::getProgramNameIndexed(int32_t, int32_t, char*) {
    return false;
}

bool EffectBaseX::copyProgram(int32_t) {
    return false;
}

bool EffectBaseX::ioChanged() {
    return callHost(audioMasterIOChanged) > 0;
}

bool EffectBaseX::needIdle() {
    return callHost(audioMasterNeedIdle) > 0;
}

bool EffectBaseX::sizeWindow(int32_t width, int32_t height) {
    return callHost(audioMasterSizeWindow, width, height) > 0;
}

// The host is asked, but the rate and size in force are the ones the host set
// through the dispatcher; the answers are not trusted over them.
float EffectBaseX::updateSampleRate() {
    callHost(audioMasterGetSampleRate);
    return sampleRate;
}

int32_t EffectBaseX::updateBlockSize() {
    callHost(audioMasterGetBlockSize);
    return blockSize;
}

int32_t EffectBaseX::getInputLatency() {
    return static_cast<int32_t>(callHost(audioMasterGetInputLatency));
}

int32_t EffectBaseX::getOutputLatency() {
    return static_cast<int32_t>(callHost(audioMasterGetOutputLatency));
}

AEffect* EffectBaseX::getPreviousPlug(int32_t) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* EffectBaseX::getNextPlug(int32_t) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

void EffectBaseX::inputConnected(int32_t, bool) {}

void EffectBaseX::outputConnected(int32_t, bool) {}

bool EffectBaseX::getInputProperties(int32_t, VstPinProperties*) {
    return false;
}

bool EffectBaseX::getOutputProperties(int32_t, VstPinProperties*) {
    return false;
}

int32_t EffectBaseX::getPlugCategory() {
    constexpr int32_t kCategoryUnknown = 0;
    constexpr int32_t kCategorySynth = 2;
    return hasFlag(effFlagsIsSynth) ? kCategorySynth : kCategoryUnknown;
}

int32_t EffectBaseX::willProcessReplacing() {
    return static_cast<int32_t>(callHost(audioMasterWillReplaceOrAccumulate));
}

int32_t EffectBaseX::getCurrentProcessLevel() {
    return static_cast<int32_t>(callHost(audioMasterGetCurrentProcessLevel));
}

int32_t EffectBaseX::getAutomationState() {
    return static_cast<int32_t>(callHost(audioMasterGetAutomationState));
}

void EffectBaseX::wantAsyncOperation(bool state) {
    setFlag(effFlagsExtIsAsync, state);
}

void EffectBaseX::hasExternalBuffer(bool state) {
    setFlag(effFlagsExtHasBuffer, state);
}

int32_t EffectBaseX::reportCurrentPosition() {
    return 0;
}

float* EffectBaseX::reportDestinationBuffer() {
    return nullptr;
}

bool EffectBaseX::offlineRead(VstOfflineTask* offline, int32_t option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) > 0;
}

bool EffectBaseX::offlineWrite(VstOfflineTask* offline, int32_t option) {
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool EffectBaseX::offlineStart(VstAudioFile* files, int32_t numAudioFiles, int32_t numNewAudioFiles) {
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files) != 0;
}

bool EffectBaseX::offlineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass) > 0;
}

bool EffectBaseX::offlineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass) > 0;
}

bool EffectBaseX::offlineNotify(VstAudioFile*, int32_t, bool) {
    return false;
}

bool EffectBaseX::offlinePrepare(VstOfflineTask*, int32_t) {
    return false;
}

bool EffectBaseX::offlineRun(VstOfflineTask*, int32_t) {
    return false;
}

int32_t EffectBaseX::offlineGetNumPasses() {
    return 0;
}

int32_t EffectBaseX::offlineGetNumMetaPasses() {
    return 0;
}

void EffectBaseX::setOutputSamplerate(float rate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}

bool EffectBaseX::getSpeakerArrangement(int32_t inputArrangement, intptr_t outputArrangement) {
    return callHost(audioMasterGetSpeakerArrangement, inputArrangement, outputArrangement) > 0;
}

// The host writes into text, so a null buffer is never handed on.
bool EffectBaseX::getHostVendorString(char* text) {
    return text && callHost(audioMasterGetVendorString, 0, 0, text) > 0;
}

bool EffectBaseX::getHostProductString(char* text) {
    return text && callHost(audioMasterGetProductString, 0, 0, text) > 0;
}

int32_t EffectBaseX::getHostVendorVersion() {
    return static_cast<int32_t>(callHost(audioMasterGetVendorVersion));
}

intptr_t EffectBaseX::hostVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
    return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}

bool EffectBaseX::canHostDo(const char* text) {
    return text && callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)) > 0;
}

void EffectBaseX::isSynth(bool state) {
    setFlag(effFlagsIsSynth, state);
}

void EffectBaseX::noTail(bool state) {
    setFlag(effFlagsNoSoundInStop, state);
}

int32_t EffectBaseX::getHostLanguage() {
    return static_cast<int32_t>(callHost(audioMasterGetLanguage));
}

void* EffectBaseX::openWindow(VstWindow* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool EffectBaseX::closeWindow(VstWindow* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* EffectBaseX::getDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool EffectBaseX::updateDisplay() {
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool EffectBaseX::processVariableIo(VstVariableIo*) {
    return false;
}

bool EffectBaseX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
    return false;
}

void EffectBaseX::setBlockSizeAndSampleRate(int32_t size, float rate) {
    blockSize = size;
    sampleRate = rate;
}

bool EffectBaseX::setBypass(bool) {
    return false;
}

bool EffectBaseX::getEffectName(char*) {
    return false;
}

bool EffectBaseX::getErrorText(char*) {
    return false;
}

bool EffectBaseX::getVendorString(char*) {
    return false;
}

bool EffectBaseX::getProductString(char*) {
    return false;
}

int32_t EffectBaseX::getVendorVersion() {
    return 0;
}

intptr_t EffectBaseX::vendorSpecific(int32_t, intptr_t, void*, float) {
    return 0;
}

int32_t EffectBaseX::canDo(const char*) {
    return 0;
}

void* EffectBaseX::getIcon() {
    return nullptr;
}

bool EffectBaseX::setViewPosition(int32_t, int32_t) {
    return false;
}

int32_t EffectBaseX::getTailSize() {
    return 0;
}

int32_t EffectBaseX::fxIdle() {
    return 0;
}

bool EffectBaseX::getParameterProperties(int32_t, VstParameterProperties*) {
    return false;
}

bool EffectBaseX::keysRequired() {
    return false;
}

int32_t EffectBaseX::getVstVersion() {
    return 2200;
}

int32_t EffectBaseX::getMidiProgramName(int32_t, MidiProgramName*) {
    return 0;
}

int32_t EffectBaseX::getCurrentMidiProgram(int32_t, MidiProgramName*) {
    return -1;
}

int32_t EffectBaseX::getMidiProgramCategory(int32_t, MidiProgramCategory*) {
    return 0;
}

bool EffectBaseX::hasMidiProgramsChanged(int32_t) {
    return false;
}

bool EffectBaseX::getMidiKeyName(int32_t, MidiKeyName*) {
    return false;
}

bool EffectBaseX::beginSetProgram() {
    return false;
}

bool EffectBaseX::endSetProgram() {
    return false;
}

bool EffectBaseX::beginEdit(int32_t index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool EffectBaseX::endEdit(int32_t index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

bool EffectBaseX::openFileSelector(VstFileSelect* request) {
    return request && callHost(audioMasterOpenFileSelector, 0, 0, request) != 0;
}

bool EffectBaseX::closeFileSelector(VstFileSelect* request) {
    return request && callHost(audioMasterCloseFileSelector, 0, 0, request) != 0;
}

}  // namespace tine
