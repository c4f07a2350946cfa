#pragma once
// The VST 2 extensions on top of EffectBase: the extension opcodes (25..68)
// in a dispatcher of their own, and defaults and host calls for slots
// 46..131. The order of the virtual operations below is fixed, like the
// base's; new virtual operations go after the last one.

#include <cstdint>

#include "plugin/EffectBase.h"
#include "plugin/VstTypes.h"

namespace tine {

class EffectBaseX : public EffectBase {
public:
    EffectBaseX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);

    // Slot 6: opcodes 25..68 here, everything else to EffectBase::dispatcher.
    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    // 46..50
    virtual EditorBase* getEditor();
    virtual void wantEvents(int32_t filter = 1);
    // The host's record, or null; valid until the next call.
    virtual VstTimeInfo* getTimeInfo(int32_t filter);
    virtual int32_t tempoAt(int32_t pos);
    // Audio thread. The list stays valid until the next process call returns.
    virtual int32_t processEvents(VstEvents* events);

    // 51..58
    virtual int32_t getNumAutomatableParameters();
    virtual int32_t getParameterQuantization();
    virtual bool canParameterBeAutomated(int32_t index);
    virtual bool string2parameter(int32_t index, char* text);
    virtual float getChannelParameter(int32_t channel, int32_t index);
    virtual int32_t getNumCategories();
    virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
    virtual bool copyProgram(int32_t destination);

    // 59..67: host calls.
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(int32_t width, int32_t height);
    virtual float updateSampleRate();
    virtual int32_t updateBlockSize();
    virtual int32_t getInputLatency();
    virtual int32_t getOutputLatency();
    virtual AEffect* getPreviousPlug(int32_t input);
    virtual AEffect* getNextPlug(int32_t output);

    // 68..72
    virtual void inputConnected(int32_t index, bool state);
    virtual void outputConnected(int32_t index, bool state);
    virtual bool getInputProperties(int32_t index, VstPinProperties* properties);
    virtual bool getOutputProperties(int32_t index, VstPinProperties* properties);
    virtual int32_t getPlugCategory();

    // 73..79
    virtual int32_t willProcessReplacing();
    virtual int32_t getCurrentProcessLevel();
    virtual int32_t getAutomationState();
    virtual void wantAsyncOperation(bool state = true);
    virtual void hasExternalBuffer(bool state = true);
    virtual int32_t reportCurrentPosition();
    virtual float* reportDestinationBuffer();

    // 80..89: offline processing, unused by an instrument.
    virtual bool offlineRead(VstOfflineTask* offline, int32_t option, bool readSource);
    virtual bool offlineWrite(VstOfflineTask* offline, int32_t option);
    virtual bool offlineStart(VstAudioFile* files, int32_t numAudioFiles, int32_t numNewAudioFiles);
    virtual bool offlineGetCurrentPass();
    virtual bool offlineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* files, int32_t numAudioFiles, bool start);
    virtual bool offlinePrepare(VstOfflineTask* offline, int32_t count);
    virtual bool offlineRun(VstOfflineTask* offline, int32_t count);
    virtual int32_t offlineGetNumPasses();
    virtual int32_t offlineGetNumMetaPasses();

    // 90..103: host calls. Text buffers hold at least 64 characters plus the terminator.
    virtual void setOutputSamplerate(float rate);
    // The two arguments travel in the index and value words of the host call.
    virtual bool getSpeakerArrangement(int32_t inputArrangement, intptr_t outputArrangement);
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual int32_t getHostVendorVersion();
    virtual intptr_t hostVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
    virtual bool canHostDo(const char* text);
    virtual void isSynth(bool state = true);
    virtual void noTail(bool state = true);
    virtual int32_t getHostLanguage();
    virtual void* openWindow(VstWindow* window);
    virtual bool closeWindow(VstWindow* window);
    virtual void* getDirectory();
    virtual bool updateDisplay();

    // 104..121: answers to the host; text buffers hold at least 64 characters
    // plus the terminator.
    virtual bool processVariableIo(VstVariableIo* varIo);
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* pluginInput, VstSpeakerArrangement* pluginOutput);
    virtual void setBlockSizeAndSampleRate(int32_t blockSize, float sampleRate);
    virtual bool setBypass(bool onOff);
    virtual bool getEffectName(char* name);
    virtual bool getErrorText(char* text);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual int32_t getVendorVersion();
    virtual intptr_t vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
    // 1 yes, −1 no, 0 undecided.
    virtual int32_t canDo(const char* text);
    virtual void* getIcon();
    virtual bool setViewPosition(int32_t x, int32_t y);
    virtual int32_t getTailSize();
    virtual int32_t fxIdle();
    virtual bool getParameterProperties(int32_t index, VstParameterProperties* properties);
    // True when the plug-in wants every key; the opcode answers the inverse.
    virtual bool keysRequired();
    virtual int32_t getVstVersion();

    // 122..128
    virtual int32_t getMidiProgramName(int32_t channel, MidiProgramName* midiProgramName);
    virtual int32_t getCurrentMidiProgram(int32_t channel, MidiProgramName* currentProgram);
    virtual int32_t getMidiProgramCategory(int32_t channel, MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(int32_t channel);
    virtual bool getMidiKeyName(int32_t channel, MidiKeyName* keyName);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();

    // 129..131: gestures and the host's file selector.
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);
    virtual bool openFileSelector(VstFileSelect* request);

    // Releases what the host's selector allocated for the request.
    bool closeFileSelector(VstFileSelect* request);
};

}  // namespace tine
