#pragma once
// The plug-in side of the classic VST 2 interface: the AEffect record a host
// holds, its five entry points routed to virtual operations, the classic
// dispatcher opcodes (0..24) and the calls back to the host.
//
// The order of the virtual operations is fixed (slots 0..45): derived classes
// and the extension class are written against these slots. Add new virtual
// operations only in a derived class, after the existing ones.

#include <cstdint>

#include "plugin/VstTypes.h"

namespace tine {

class EditorBase;

class EffectBase {
public:
    // audioMaster may be null: every host call then answers 0 or its fallback.
    EffectBase(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);

    // 0: destroys the registered editor.
    virtual ~EffectBase();

    // 1..3
    virtual void setParameter(int32_t index, float value);
    virtual float getParameter(int32_t index);
    // Sets the parameter, then tells the host so it can record automation.
    virtual void setParameterAutomated(int32_t index, float value);

    // 4, 5: process adds into outputs, processReplacing overwrites them.
    virtual void process(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);

    // 6
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    // 7, 8
    virtual void open();
    virtual void close();

    // 9..12. Text buffers hold at least 24 characters plus the terminator.
    virtual int32_t getProgram();
    virtual void setProgram(int32_t program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);

    // 13..15. Text buffers hold at least 8 characters plus the terminator.
    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);

    // 16
    virtual float getVu();

    // 17, 18: *data stays owned by the plug-in; the result is its byte size.
    virtual int32_t getChunk(void** data, bool isPreset);
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset);

    // 19..22
    virtual void setSampleRate(float sampleRate);
    virtual void setBlockSize(int32_t blockSize);
    virtual void suspend();
    virtual void resume();

    // 23..25
    virtual void setUniqueID(int32_t id);
    virtual void setNumInputs(int32_t inputs);
    virtual void setNumOutputs(int32_t outputs);

    // 26..30: true sets the record's flag bit, false clears it.
    virtual void hasVu(bool state = true);
    virtual void hasClip(bool state = true);
    virtual void canMono(bool state = true);
    virtual void canProcessReplacing(bool state = true);
    virtual void programsAreChunks(bool state = true);

    // 31..35
    virtual void setRealtimeQualities(int32_t qualities);
    virtual void setOfflineQualities(int32_t qualities);
    virtual void setInitialDelay(int32_t delay);
    virtual float getSampleRate();
    virtual int32_t getBlockSize();

    // 36..40: host queries with fallbacks for a missing or silent host.
    virtual int32_t getMasterVersion();
    virtual int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(int32_t input);
    virtual bool isOutputConnected(int32_t output);

    // 41..45: fixed 8-character layouts for parameter displays. text holds at
    // least 8 characters plus the terminator; null is ignored.
    virtual void dbToText(float value, char* text);
    virtual void hzToText(float samples, char* text);
    virtual void msToText(float samples, char* text);
    virtual void floatToText(float value, char* text);
    virtual void longToText(int32_t value, char* text);

    // The record handed to the host.
    AEffect* getAeffect() { return &effect; }

    // The instance behind a record; null for a null record.
    static EffectBase* fromAeffect(AEffect* e);

    // Called by an editor when it is constructed (and with null when a
    // registered editor goes away): keeps the has-editor flag in step. The
    // plug-in owns the registered editor from then on.
    void setEditor(EditorBase* newEditor);
    EditorBase* getRegisteredEditor() const { return editor; }

    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

protected:
    // 0 when there is no host.
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
    void setFlag(int32_t bit, bool state);
    bool hasFlag(int32_t bit) const { return (effect.flags & bit) != 0; }

    float sampleRate;
    EditorBase* editor;
    audioMasterCallback audioMaster;
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram;
    int32_t blockSize;
    AEffect effect;

private:
    static intptr_t VSTCALLBACK dispatchEntry(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                              float opt);
    static void VSTCALLBACK processEntry(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
    static void VSTCALLBACK processReplacingEntry(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
    static void VSTCALLBACK setParameterEntry(AEffect* e, int32_t index, float value);
    static float VSTCALLBACK getParameterEntry(AEffect* e, int32_t index);
};

}  // namespace tine
