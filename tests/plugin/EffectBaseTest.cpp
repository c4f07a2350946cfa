#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "plugin/EditorBase.h"
#include "plugin/EffectBase.h"
#include "plugin/EffectBaseX.h"

namespace tine {
namespace {

// Two distinct buffers so a row can tell which pointer reached an operation.
alignas(16) char gBuffer[256];
alignas(16) char gOther[256];

const float kNaN = std::numeric_limits<float>::quiet_NaN();

std::string ptrName(const void* p) {
    if (!p)
        return "null";
    if (p == gBuffer)
        return "buf";
    if (p == gOther)
        return "other";
    return "?";
}

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// ---- Recording host ----

struct HostCall {
    AEffect* effect;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
};

struct FakeHost {
    std::vector<HostCall> calls;
    intptr_t answer = 0;
};
FakeHost gHost;

intptr_t VSTCALLBACK recordingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                   float opt) {
    gHost.calls.push_back({effect, opcode, index, value, ptr, opt});
    return gHost.answer;
}

// ---- A plug-in that logs every operation the dispatchers reach ----

class Probe : public EffectBaseX {
public:
    Probe(std::vector<std::string>& sink, audioMasterCallback master = nullptr)
        : EffectBaseX(master, 32, 10), log(sink) {}
    ~Probe() override { log.push_back("destroyed"); }

    intptr_t reply = 0;  // what the logging operations answer
    float vu = 0.0f;
    float params[10] = {};

    void note(const std::string& call) { log.push_back(call); }

    void setParameter(int32_t i, float v) override {
        params[i] = v;
        note("setParameter(" + num(i) + "," + num(v) + ")");
    }
    float getParameter(int32_t i) override { return params[i]; }
    void process(float**, float**, int32_t n) override { note("process(" + num(n) + ")"); }
    void processReplacing(float**, float**, int32_t n) override { note("processReplacing(" + num(n) + ")"); }
    void open() override { note("open()"); }
    void close() override { note("close()"); }
    int32_t getProgram() override { note("getProgram()"); return int32_t(reply); }
    void setProgram(int32_t p) override { note("setProgram(" + num(p) + ")"); }
    void setProgramName(char* t) override { note("setProgramName(" + ptrName(t) + ")"); }
    void getProgramName(char* t) override { note("getProgramName(" + ptrName(t) + ")"); }
    void getParameterLabel(int32_t i, char* t) override { note("getParameterLabel(" + num(i) + "," + ptrName(t) + ")"); }
    void getParameterDisplay(int32_t i, char* t) override { note("getParameterDisplay(" + num(i) + "," + ptrName(t) + ")"); }
    void getParameterName(int32_t i, char* t) override { note("getParameterName(" + num(i) + "," + ptrName(t) + ")"); }
    float getVu() override { return vu; }
    int32_t getChunk(void** d, bool preset) override {
        note("getChunk(" + ptrName(d) + "," + (preset ? "preset" : "bank") + ")");
        return int32_t(reply);
    }
    int32_t setChunk(void* d, int32_t size, bool preset) override {
        note("setChunk(" + ptrName(d) + "," + num(size) + "," + (preset ? "preset" : "bank") + ")");
        return int32_t(reply);
    }
    void setSampleRate(float r) override { note("setSampleRate(" + num(r) + ")"); }
    void setBlockSize(int32_t s) override { note("setBlockSize(" + num(s) + ")"); }
    void suspend() override { note("suspend()"); }
    void resume() override { note("resume()"); }

    int32_t processEvents(VstEvents* e) override { note("processEvents(" + ptrName(e) + ")"); return int32_t(reply); }
    bool canParameterBeAutomated(int32_t i) override { note("canParameterBeAutomated(" + num(i) + ")"); return reply; }
    bool string2parameter(int32_t i, char* t) override { note("string2parameter(" + num(i) + "," + ptrName(t) + ")"); return reply; }
    int32_t getNumCategories() override { note("getNumCategories()"); return int32_t(reply); }
    bool getProgramNameIndexed(int32_t c, int32_t i, char* t) override {
        note("getProgramNameIndexed(" + num(c) + "," + num(i) + "," + ptrName(t) + ")");
        return reply;
    }
    bool copyProgram(int32_t d) override { note("copyProgram(" + num(d) + ")"); return reply; }
    void inputConnected(int32_t i, bool s) override { note("inputConnected(" + num(i) + "," + num(s) + ")"); }
    void outputConnected(int32_t i, bool s) override { note("outputConnected(" + num(i) + "," + num(s) + ")"); }
    bool getInputProperties(int32_t i, VstPinProperties* p) override { note("getInputProperties(" + num(i) + "," + ptrName(p) + ")"); return reply; }
    bool getOutputProperties(int32_t i, VstPinProperties* p) override { note("getOutputProperties(" + num(i) + "," + ptrName(p) + ")"); return reply; }
    int32_t reportCurrentPosition() override { note("reportCurrentPosition()"); return int32_t(reply); }
    bool offlineNotify(VstAudioFile* f, int32_t n, bool start) override {
        note("offlineNotify(" + ptrName(f) + "," + num(n) + "," + num(start) + ")");
        return reply;
    }
    bool offlinePrepare(VstOfflineTask* t, int32_t n) override { note("offlinePrepare(" + ptrName(t) + "," + num(n) + ")"); return reply; }
    bool offlineRun(VstOfflineTask* t, int32_t n) override { note("offlineRun(" + ptrName(t) + "," + num(n) + ")"); return reply; }
    bool processVariableIo(VstVariableIo* io) override { note("processVariableIo(" + ptrName(io) + ")"); return reply; }
    bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override {
        note("setSpeakerArrangement(" + ptrName(in) + "," + ptrName(out) + ")");
        return reply;
    }
    void setBlockSizeAndSampleRate(int32_t s, float r) override { note("setBlockSizeAndSampleRate(" + num(s) + "," + num(r) + ")"); }
    bool setBypass(bool b) override { note("setBypass(" + num(b) + ")"); return reply; }
    bool getEffectName(char* t) override { note("getEffectName(" + ptrName(t) + ")"); return reply; }
    bool getErrorText(char* t) override { note("getErrorText(" + ptrName(t) + ")"); return reply; }
    bool getVendorString(char* t) override { note("getVendorString(" + ptrName(t) + ")"); return reply; }
    bool getProductString(char* t) override { note("getProductString(" + ptrName(t) + ")"); return reply; }
    int32_t getVendorVersion() override { note("getVendorVersion()"); return int32_t(reply); }
    intptr_t vendorSpecific(int32_t i, intptr_t v, void* p, float o) override {
        note("vendorSpecific(" + num(i) + "," + num(double(v)) + "," + ptrName(p) + "," + num(o) + ")");
        return reply;
    }
    int32_t canDo(const char* t) override { note("canDo(" + ptrName(t) + ")"); return int32_t(reply); }
    int32_t getTailSize() override { note("getTailSize()"); return int32_t(reply); }
    int32_t fxIdle() override { note("fxIdle()"); return int32_t(reply); }
    bool setViewPosition(int32_t x, int32_t y) override { note("setViewPosition(" + num(x) + "," + num(y) + ")"); return reply; }
    bool getParameterProperties(int32_t i, VstParameterProperties* p) override {
        note("getParameterProperties(" + num(i) + "," + ptrName(p) + ")");
        return reply;
    }
    bool keysRequired() override { note("keysRequired()"); return reply; }
    int32_t getMidiProgramName(int32_t c, MidiProgramName* p) override { note("getMidiProgramName(" + num(c) + "," + ptrName(p) + ")"); return int32_t(reply); }
    int32_t getCurrentMidiProgram(int32_t c, MidiProgramName* p) override { note("getCurrentMidiProgram(" + num(c) + "," + ptrName(p) + ")"); return int32_t(reply); }
    int32_t getMidiProgramCategory(int32_t c, MidiProgramCategory* p) override { note("getMidiProgramCategory(" + num(c) + "," + ptrName(p) + ")"); return int32_t(reply); }
    bool hasMidiProgramsChanged(int32_t c) override { note("hasMidiProgramsChanged(" + num(c) + ")"); return reply; }
    bool getMidiKeyName(int32_t c, MidiKeyName* k) override { note("getMidiKeyName(" + num(c) + "," + ptrName(k) + ")"); return reply; }
    bool beginSetProgram() override { note("beginSetProgram()"); return reply; }
    bool endSetProgram() override { note("endSetProgram()"); return reply; }

private:
    std::vector<std::string>& log;
};

// A plug-in that keeps every default.
class Plain : public EffectBaseX {
public:
    explicit Plain(audioMasterCallback master = nullptr) : EffectBaseX(master, 4, 3) {}
    void process(float**, float**, int32_t) override {}
};

class FakeEditor : public EditorBase {
public:
    FakeEditor(EffectBase* owner, std::vector<std::string>& sink) : EditorBase(owner), log(sink) {}
    ~FakeEditor() override { log.push_back("editor destroyed"); }

    int32_t reply = 0;
    ERect rect{0, 0, 247, 432};

    int32_t getRect(ERect** r) override { *r = &rect; log.push_back("getRect"); return reply; }
    bool open(void* parent) override { EditorBase::open(parent); log.push_back("open(" + ptrName(parent) + ")"); return reply; }
    void close() override { log.push_back("close"); }
    void idle() override { log.push_back("idle"); }
    void update() override { log.push_back("update"); }
    int32_t onKeyDown(VstKeyCode& k) override { log.push_back(keyText("onKeyDown", k)); return reply; }
    int32_t onKeyUp(VstKeyCode& k) override { log.push_back(keyText("onKeyUp", k)); return reply; }
    int32_t setKnobMode(int32_t m) override { log.push_back("setKnobMode(" + num(m) + ")"); return reply; }


private:
    static std::string keyText(const char* name, const VstKeyCode& k) {
        return std::string(name) + "(" + num(k.character) + "," + num(k.virt) + "," + num(k.modifier) + ")";
    }
    std::vector<std::string>& log;
};

class BareEditor : public EditorBase {
public:
    explicit BareEditor(EffectBase* owner) : EditorBase(owner) {}
    int updates = 0;
    void update() override { ++updates; }
};

// ---- Dispatcher routing ----

struct DispatchRow {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
    intptr_t reply;    // what the reached operation answers
    const char* call;  // the operation reached, with its arguments; "" for none
    intptr_t result;   // the dispatcher's answer
};

const DispatchRow kDispatchRows[] = {
    {effOpen, 0, 0, nullptr, 0, 0, "open()", 0},
    {effClose, 0, 0, nullptr, 0, 0, "close()", 0},
    {effSetProgram, 0, 3, nullptr, 0, 0, "setProgram(3)", 0},
    {effSetProgram, 0, 31, nullptr, 0, 0, "setProgram(31)", 0},
    {effSetProgram, 0, 32, nullptr, 0, 0, "", 0},
    {effSetProgram, 0, -1, nullptr, 0, 0, "", 0},
    {effGetProgram, 0, 0, nullptr, 0, 7, "getProgram()", 7},
    {effSetProgramName, 0, 0, gBuffer, 0, 0, "setProgramName(buf)", 0},
    {effSetProgramName, 0, 0, nullptr, 0, 0, "", 0},
    {effGetProgramName, 0, 0, gBuffer, 0, 0, "getProgramName(buf)", 0},
    {effGetProgramName, 0, 0, nullptr, 0, 0, "", 0},
    {effGetParamLabel, 2, 0, gBuffer, 0, 0, "getParameterLabel(2,buf)", 0},
    {effGetParamDisplay, 3, 0, gBuffer, 0, 0, "getParameterDisplay(3,buf)", 0},
    {effGetParamName, 9, 0, gBuffer, 0, 0, "getParameterName(9,buf)", 0},
    {effGetParamName, 10, 0, gBuffer, 0, 0, "", 0},
    {effGetParamDisplay, -1, 0, gBuffer, 0, 0, "", 0},
    {effGetParamName, 1, 0, nullptr, 0, 0, "", 0},
    {effSetSampleRate, 0, 0, nullptr, 48000.0f, 0, "setSampleRate(48000)", 0},
    {effSetBlockSize, 0, 256, nullptr, 0, 0, "setBlockSize(256)", 0},
    {effMainsChanged, 0, 0, nullptr, 0, 0, "suspend()", 0},
    {effMainsChanged, 0, 1, nullptr, 0, 0, "resume()", 0},
    {effMainsChanged, 0, 5, nullptr, 0, 0, "resume()", 0},
    {effIdentify, 0, 0, nullptr, 0, 0, "", fourCharCode('N', 'v', 'E', 'f')},
    {effGetChunk, 1, 0, gBuffer, 0, 284, "getChunk(buf,preset)", 284},
    {effGetChunk, 0, 0, gBuffer, 0, 8844, "getChunk(buf,bank)", 8844},
    {effGetChunk, 1, 0, nullptr, 0, 284, "", 0},
    {effSetChunk, 1, 284, gBuffer, 0, 1, "setChunk(buf,284,preset)", 1},
    {effSetChunk, 0, 8844, gBuffer, 0, 0, "setChunk(buf,8844,bank)", 0},
    {effSetChunk, 0, 8844, nullptr, 0, 1, "", 0},
    {effSetChunk, 0, -4, gBuffer, 0, 1, "", 0},
    {effEditDraw, 0, 0, gBuffer, 0, 0, "", 0},
    {-1, 0, 0, nullptr, 0, 0, "", 0},
    {1000, 0, 0, nullptr, 0, 0, "", 0},

    {effProcessEvents, 0, 0, gBuffer, 0, 1, "processEvents(buf)", 1},
    {effProcessEvents, 0, 0, nullptr, 0, 1, "", 0},
    {effCanBeAutomated, 5, 0, nullptr, 0, 0, "canParameterBeAutomated(5)", 0},
    {effString2Parameter, 2, 0, gBuffer, 0, 1, "string2parameter(2,buf)", 1},
    {effGetNumProgramCategories, 0, 0, nullptr, 0, 4, "getNumCategories()", 4},
    {effGetProgramNameIndexed, 6, 2, gBuffer, 0, 1, "getProgramNameIndexed(2,6,buf)", 1},
    {effGetProgramNameIndexed, 6, 2, nullptr, 0, 1, "", 0},
    {effCopyProgram, 9, 0, nullptr, 0, 1, "copyProgram(9)", 1},
    {effConnectInput, 1, 1, nullptr, 0, 0, "inputConnected(1,1)", 1},
    {effConnectOutput, 0, 0, nullptr, 0, 0, "outputConnected(0,0)", 1},
    {effGetInputProperties, 1, 0, gBuffer, 0, 1, "getInputProperties(1,buf)", 1},
    {effGetOutputProperties, 2, 0, gBuffer, 0, 0, "getOutputProperties(2,buf)", 0},
    {effGetOutputProperties, 0, 0, nullptr, 0, 1, "", 0},
    {effGetCurrentPosition, 0, 0, nullptr, 0, 12, "reportCurrentPosition()", 12},
    {effOfflineNotify, 1, 3, gBuffer, 0, 1, "offlineNotify(buf,3,1)", 1},
    {effOfflinePrepare, 0, 2, gBuffer, 0, 1, "offlinePrepare(buf,2)", 1},
    {effOfflineRun, 0, 2, gBuffer, 0, 0, "offlineRun(buf,2)", 0},
    {effProcessVarIo, 0, 0, gBuffer, 0, 1, "processVariableIo(buf)", 1},
    {effSetSpeakerArrangement, 0, intptr_t(gOther), gBuffer, 0, 1, "setSpeakerArrangement(other,buf)", 1},
    {effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f, 0, "setBlockSizeAndSampleRate(512,96000)", 1},
    {effSetBypass, 0, 1, nullptr, 0, 1, "setBypass(1)", 1},
    {effGetEffectName, 0, 0, gBuffer, 0, 1, "getEffectName(buf)", 1},
    {effGetErrorText, 0, 0, gBuffer, 0, 1, "getErrorText(buf)", 1},
    {effGetVendorString, 0, 0, gBuffer, 0, 1, "getVendorString(buf)", 1},
    {effGetProductString, 0, 0, gBuffer, 0, 1, "getProductString(buf)", 1},
    {effGetProductString, 0, 0, nullptr, 0, 1, "", 0},
    {effGetVendorVersion, 0, 0, nullptr, 0, 3, "getVendorVersion()", 3},
    {effVendorSpecific, 1, 2, gBuffer, 0.5f, 77, "vendorSpecific(1,2,buf,0.5)", 77},
    {effCanDo, 0, 0, gBuffer, 0, -1, "canDo(buf)", -1},
    {effCanDo, 0, 0, gBuffer, 0, 1, "canDo(buf)", 1},
    {effCanDo, 0, 0, nullptr, 0, 1, "", 0},
    {effGetTailSize, 0, 0, nullptr, 0, 10, "getTailSize()", 10},
    {effIdle, 0, 0, nullptr, 0, 1, "fxIdle()", 1},
    {effSetViewPosition, 10, 20, nullptr, 0, 1, "setViewPosition(10,20)", 1},
    {effGetParameterProperties, 3, 0, gBuffer, 0, 1, "getParameterProperties(3,buf)", 1},
    {effKeysRequired, 0, 0, nullptr, 0, 1, "keysRequired()", 0},
    {effKeysRequired, 0, 0, nullptr, 0, 0, "keysRequired()", 1},
    {effGetMidiProgramName, 1, 0, gBuffer, 0, 5, "getMidiProgramName(1,buf)", 5},
    {effGetCurrentMidiProgram, 2, 0, gBuffer, 0, 3, "getCurrentMidiProgram(2,buf)", 3},
    {effGetMidiProgramCategory, 3, 0, gBuffer, 0, 2, "getMidiProgramCategory(3,buf)", 2},
    {effHasMidiProgramsChanged, 4, 0, nullptr, 0, 1, "hasMidiProgramsChanged(4)", 1},
    {effGetMidiKeyName, 0, 0, gBuffer, 0, 1, "getMidiKeyName(0,buf)", 1},
    {effBeginSetProgram, 0, 0, nullptr, 0, 1, "beginSetProgram()", 1},
    {effEndSetProgram, 0, 0, nullptr, 0, 1, "endSetProgram()", 1},
};

TEST(EffectDispatcher, EachOpcodeReachesItsOperationWithItsArguments) {
    for (const DispatchRow& row : kDispatchRows) {
        std::vector<std::string> log;
        Probe probe(log);
        probe.reply = row.reply;
        // The virtual dispatcher: through the record, effClose would delete this stack object.
        const intptr_t result = probe.dispatcher(row.opcode, row.index, row.value, row.ptr, row.opt);

        const std::vector<std::string> expected =
            row.call[0] ? std::vector<std::string>{row.call} : std::vector<std::string>{};
        EXPECT_EQ(log, expected) << "opcode " << row.opcode;
        EXPECT_EQ(result, row.result) << "opcode " << row.opcode << " " << row.call;
    }
}

TEST(EffectDispatcher, OutOfRangeParameterTextIsClearedNotForwarded) {
    std::vector<std::string> log;
    Probe probe(log);
    std::strcpy(gBuffer, "stale");
    probe.dispatcher(effGetParamName, 10, 0, gBuffer, 0);
    EXPECT_STREQ(gBuffer, "");
    EXPECT_TRUE(log.empty());
}

TEST(EffectDispatcher, VuMeterIsScaledAndTruncated) {
    const struct {
        float vu;
        intptr_t result;
    } rows[] = {{0.5f, 16383}, {1.0f, 32767}, {0.0f, 0}, {-0.5f, -16383}, {kNaN, 0}, {1e30f, INT32_MAX}};
    for (const auto& row : rows) {
        std::vector<std::string> log;
        Probe probe(log);
        probe.vu = row.vu;
        EXPECT_EQ(probe.dispatcher(effGetVu, 0, 0, nullptr, 0), row.result) << row.vu;
    }
}

TEST(EffectDispatcher, DefaultsAnswerWithoutOverrides) {
    const struct {
        int32_t opcode;
        void* ptr;
        intptr_t result;
    } rows[] = {
        {effKeysRequired, nullptr, 1},       {effGetVstVersion, nullptr, 2200},
        {effGetCurrentMidiProgram, gBuffer, -1}, {effGetNumProgramCategories, nullptr, 1},
        {effCanBeAutomated, nullptr, 1},     {effGetPlugCategory, nullptr, 0},
        {effCanDo, gBuffer, 0},              {effGetProgram, nullptr, 0},
        {effGetVu, nullptr, 0},              {effGetChunk, gBuffer, 0},
        {effString2Parameter, gBuffer, 0},   {effGetEffectName, gBuffer, 0},
        {effProcessEvents, gBuffer, 0},      {effGetDestinationBuffer, nullptr, 0},
        {effGetIcon, nullptr, 0},            {effEditGetRect, gBuffer, 0},
        {effEditOpen, gBuffer, 0},           {effEditClose, nullptr, 0},
        {effEditIdle, nullptr, 0},           {effEditKeyDown, nullptr, 0},
        {effEditKeyUp, nullptr, 0},          {effSetEditKnobMode, nullptr, 0},
    };
    Plain plain;
    for (const auto& row : rows)
        EXPECT_EQ(plain.dispatcher(row.opcode, 0, 0, row.ptr, 0), row.result) << "opcode " << row.opcode;
}

TEST(EffectDispatcher, PlugCategoryFollowsTheSynthFlag) {
    Plain plain;
    plain.isSynth(true);
    EXPECT_EQ(plain.getPlugCategory(), 2);
    EXPECT_EQ(plain.dispatcher(effGetPlugCategory, 0, 0, nullptr, 0), 2);
    plain.isSynth(false);
    EXPECT_EQ(plain.getPlugCategory(), 0);
}

TEST(EffectDispatcher, DefaultStateOperationsStoreAndReturn) {
    Plain plain;
    AEffect* e = plain.getAeffect();
    e->dispatcher(e, effSetProgram, 0, 3, nullptr, 0);
    EXPECT_EQ(e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0), 3);
    e->dispatcher(e, effSetProgram, 0, 4, nullptr, 0);  // numPrograms is 4
    EXPECT_EQ(plain.getProgram(), 3);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 22050.0f);
    e->dispatcher(e, effSetBlockSize, 0, 64, nullptr, 0);
    EXPECT_EQ(plain.getSampleRate(), 22050.0f);
    EXPECT_EQ(plain.getBlockSize(), 64);
    e->dispatcher(e, effSetBlockSizeAndSampleRate, 0, 128, nullptr, 96000.0f);
    EXPECT_EQ(plain.getSampleRate(), 96000.0f);
    EXPECT_EQ(plain.getBlockSize(), 128);
    EXPECT_EQ(plain.getEditor(), nullptr);

    std::strcpy(gBuffer, "stale");
    e->dispatcher(e, effGetProgramName, 0, 0, gBuffer, 0);
    EXPECT_STREQ(gBuffer, "");
    std::strcpy(gBuffer, "stale");
    e->dispatcher(e, effGetParamDisplay, 1, 0, gBuffer, 0);
    EXPECT_STREQ(gBuffer, "");
    plain.getProgramName(nullptr);
    plain.getParameterLabel(0, nullptr);
}

// ---- The record and its entry points ----

TEST(EffectRecord, ConstructorFillsTheRecord) {
    Plain plain;
    const AEffect* e = plain.getAeffect();
    EXPECT_EQ(e->magic, fourCharCode('V', 's', 't', 'P'));
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numParams, 3);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->object, static_cast<EffectBase*>(&plain));
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->uniqueID, fourCharCode('N', 'o', 'E', 'f'));
    EXPECT_EQ(e->version, 1);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_EQ(e->processDoubleReplacing, nullptr);
    EXPECT_EQ(plain.getSampleRate(), 44100.0f);
    EXPECT_EQ(plain.getBlockSize(), 1024);
    EXPECT_EQ(EffectBase::fromAeffect(plain.getAeffect()), &plain);
    EXPECT_EQ(EffectBase::fromAeffect(nullptr), nullptr);

    plain.setUniqueID(fourCharCode('T', 'N', 'M', 'R'));
    plain.setNumInputs(0);
    plain.setNumOutputs(6);
    plain.setInitialDelay(12);
    plain.setRealtimeQualities(3);
    plain.setOfflineQualities(4);
    EXPECT_EQ(e->uniqueID, fourCharCode('T', 'N', 'M', 'R'));
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 6);
    EXPECT_EQ(e->initialDelay, 12);
    EXPECT_EQ(e->realQualities, 3);
    EXPECT_EQ(e->offQualities, 4);
}

TEST(EffectRecord, EntryPointsForwardToTheInstance) {
    std::vector<std::string> log;
    Probe probe(log);
    AEffect* e = probe.getAeffect();
    e->setParameter(e, 2, 0.75f);
    EXPECT_EQ(e->getParameter(e, 2), 0.75f);
    e->setParameter(e, 10, 0.5f);  // beyond numParams
    e->setParameter(e, -1, 0.5f);
    EXPECT_EQ(e->getParameter(e, 10), 0.0f);
    e->process(e, nullptr, nullptr, 64);
    e->processReplacing(e, nullptr, nullptr, 32);
    EXPECT_EQ(log, (std::vector<std::string>{"setParameter(2,0.75)", "process(64)", "processReplacing(32)"}));
}

TEST(EffectRecord, EffCloseAnswersOneAndDestroysTheInstanceAndItsEditor) {
    std::vector<std::string> log;
    Probe* probe = new Probe(log);
    new FakeEditor(probe, log);  // owned by the plug-in from here on
    AEffect* e = probe->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"close()", "destroyed", "editor destroyed"}));
}

// ---- Editor opcodes ----

TEST(EffectEditor, RegisteringSetsTheFlagAndEditorOpcodesReachIt) {
    struct Row {
        int32_t opcode;
        int32_t index;
        intptr_t value;
        void* ptr;
        float opt;
        int32_t reply;
        const char* call;
        intptr_t result;
    };
    ERect* rect = nullptr;
    const Row rows[] = {
        {effEditGetRect, 0, 0, &rect, 0, 1, "getRect", 1},
        {effEditGetRect, 0, 0, nullptr, 0, 1, "", 0},
        {effEditOpen, 0, 0, gBuffer, 0, 1, "open(buf)", 1},
        {effEditOpen, 0, 0, gBuffer, 0, 0, "open(buf)", 0},
        {effEditClose, 0, 0, nullptr, 0, 1, "close", 0},
        {effEditIdle, 0, 0, nullptr, 0, 1, "idle", 0},
        {effEditKeyDown, 'a', 3, nullptr, 2.7f, 1, "onKeyDown(97,3,2)", 1},
        {effEditKeyUp, 0, 9, nullptr, 4.0f, -1, "onKeyUp(0,9,4)", -1},
        {effEditKeyDown, 'x', 0, nullptr, kNaN, 0, "onKeyDown(120,0,0)", 0},
        {effSetEditKnobMode, 0, 2, nullptr, 0, 1, "setKnobMode(2)", 1},
    };
    for (const Row& row : rows) {
        std::vector<std::string> log;
        Plain plain;
        FakeEditor* editor = new FakeEditor(&plain, log);
        EXPECT_EQ(plain.getEditor(), editor);
        EXPECT_EQ(plain.getAeffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
        editor->reply = row.reply;
        EXPECT_EQ(plain.dispatcher(row.opcode, row.index, row.value, row.ptr, row.opt), row.result)
            << "opcode " << row.opcode;
        if (row.ptr == &rect) {
            EXPECT_EQ(rect, &editor->rect);
        }
        const std::vector<std::string> expected =
            row.call[0] ? std::vector<std::string>{row.call} : std::vector<std::string>{};
        EXPECT_EQ(log, expected) << "opcode " << row.opcode;
    }
}

TEST(EffectEditor, DestroyingTheEditorUnregistersIt) {
    std::vector<std::string> log;
    Plain plain;
    delete new FakeEditor(&plain, log);
    EXPECT_EQ(plain.getEditor(), nullptr);
    EXPECT_EQ(plain.getAeffect()->flags & effFlagsHasEditor, 0);
    EXPECT_EQ(plain.dispatcher(effEditOpen, 0, 0, gBuffer, 0), 0);
}

TEST(EffectEditor, PlainEditorDefaults) {
    Plain plain;
    BareEditor* editor = new BareEditor(&plain);
    ERect* rect = reinterpret_cast<ERect*>(gBuffer);
    EXPECT_EQ(plain.dispatcher(effEditGetRect, 0, 0, &rect, 0), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(plain.dispatcher(effEditKeyDown, 'a', 0, nullptr, 0), -1);
    EXPECT_EQ(plain.dispatcher(effEditKeyUp, 'a', 0, nullptr, 0), -1);
    EXPECT_EQ(plain.dispatcher(effSetEditKnobMode, 0, 2, nullptr, 0), 0);
    EXPECT_FALSE(editor->onWheel(1.0f));
    EXPECT_EQ(plain.dispatcher(effEditOpen, 0, 0, gOther, 0), 1);
    EXPECT_EQ(editor->getSystemWindow(), gOther);
    plain.dispatcher(effEditClose, 0, 0, nullptr, 0);
    EXPECT_EQ(editor->getSystemWindow(), nullptr);

    // postUpdate is acted on once, at the next idle.
    plain.dispatcher(effEditIdle, 0, 0, nullptr, 0);
    EXPECT_EQ(editor->updates, 0);
    editor->postUpdate();
    plain.dispatcher(effEditIdle, 0, 0, nullptr, 0);
    editor->idleWhileTracking();
    EXPECT_EQ(editor->updates, 1);
    EXPECT_FALSE(editor->isUpdatePending());
}

// ---- Host calls ----

struct HostRow {
    const char* name;
    std::function<intptr_t(Plain&)> call;
    intptr_t answer;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
    intptr_t result;        // with the host answering `answer`
    intptr_t noHostResult;  // without a host
};

VstTimeInfo gTimeInfo;
VstFileSelect gFileSelect;
const char kCanDoText[] = "openFileSelector";

const std::vector<HostRow>& hostRows() {
    static const std::vector<HostRow> rows = {
        {"getMasterVersion", [](Plain& p) { return p.getMasterVersion(); }, 2400, 1, 0, 0, nullptr, 0, 2400, 1},
        {"getMasterVersion silent", [](Plain& p) { return p.getMasterVersion(); }, 0, 1, 0, 0, nullptr, 0, 1, 1},
        {"getCurrentUniqueId", [](Plain& p) { return p.getCurrentUniqueId(); }, 77, 2, 0, 0, nullptr, 0, 77, 0},
        {"masterIdle", [](Plain& p) { p.masterIdle(); return 0; }, 1, 3, 0, 0, nullptr, 0, 0, 0},
        {"isInputConnected", [](Plain& p) { return p.isInputConnected(1); }, 0, 4, 1, 0, nullptr, 0, 1, 1},
        {"isInputConnected no", [](Plain& p) { return p.isInputConnected(1); }, 1, 4, 1, 0, nullptr, 0, 0, 1},
        {"isOutputConnected", [](Plain& p) { return p.isOutputConnected(0); }, 0, 4, 0, 1, nullptr, 0, 1, 1},
        {"wantEvents", [](Plain& p) { p.wantEvents(1); return 0; }, 1, 6, 0, 1, nullptr, 0, 0, 0},
        {"getTimeInfo", [](Plain& p) { return intptr_t(p.getTimeInfo(0x400)); }, intptr_t(&gTimeInfo), 7, 0, 0x400,
         nullptr, 0, intptr_t(&gTimeInfo), 0},
        {"tempoAt", [](Plain& p) { return p.tempoAt(10); }, 1200000, 10, 0, 10, nullptr, 0, 1200000, 0},
        {"getNumAutomatableParameters", [](Plain& p) { return p.getNumAutomatableParameters(); }, 5, 11, 0, 0,
         nullptr, 0, 5, 0},
        {"getParameterQuantization", [](Plain& p) { return p.getParameterQuantization(); }, 6, 12, 0, 0, nullptr,
         0, 6, 0},
        {"ioChanged", [](Plain& p) { return p.ioChanged(); }, 1, 13, 0, 0, nullptr, 0, 1, 0},
        {"ioChanged refused", [](Plain& p) { return p.ioChanged(); }, -1, 13, 0, 0, nullptr, 0, 0, 0},
        {"needIdle", [](Plain& p) { return p.needIdle(); }, 1, 14, 0, 0, nullptr, 0, 1, 0},
        {"sizeWindow", [](Plain& p) { return p.sizeWindow(432, 247); }, 1, 15, 432, 247, nullptr, 0, 1, 0},
        {"updateSampleRate", [](Plain& p) { return intptr_t(p.updateSampleRate()); }, 96000, 16, 0, 0, nullptr, 0,
         44100, 44100},
        {"updateBlockSize", [](Plain& p) { return p.updateBlockSize(); }, 64, 17, 0, 0, nullptr, 0, 1024, 1024},
        {"getInputLatency", [](Plain& p) { return p.getInputLatency(); }, 128, 18, 0, 0, nullptr, 0, 128, 0},
        {"getOutputLatency", [](Plain& p) { return p.getOutputLatency(); }, 256, 19, 0, 0, nullptr, 0, 256, 0},
        {"getPreviousPlug", [](Plain& p) { return intptr_t(p.getPreviousPlug(3)); }, intptr_t(gOther), 20, 0, 0,
         nullptr, 0, intptr_t(gOther), 0},
        {"getNextPlug", [](Plain& p) { return intptr_t(p.getNextPlug(2)); }, intptr_t(gOther), 21, 0, 0, nullptr,
         0, intptr_t(gOther), 0},
        {"willProcessReplacing", [](Plain& p) { return p.willProcessReplacing(); }, 2, 22, 0, 0, nullptr, 0, 2, 0},
        {"getCurrentProcessLevel", [](Plain& p) { return p.getCurrentProcessLevel(); }, 3, 23, 0, 0, nullptr, 0, 3,
         0},
        {"getAutomationState", [](Plain& p) { return p.getAutomationState(); }, 4, 24, 0, 0, nullptr, 0, 4, 0},
        {"offlineStart",
         [](Plain& p) { return p.offlineStart(reinterpret_cast<VstAudioFile*>(gBuffer), 4, 5); }, 1, 25, 5, 4,
         gBuffer, 0, 1, 0},
        {"offlineRead",
         [](Plain& p) { return p.offlineRead(reinterpret_cast<VstOfflineTask*>(gBuffer), 2, true); }, 1, 26, 1,
         2, gBuffer, 0, 1, 0},
        {"offlineWrite", [](Plain& p) { return p.offlineWrite(reinterpret_cast<VstOfflineTask*>(gBuffer), 3); },
         1, 27, 0, 3, gBuffer, 0, 1, 0},
        {"offlineGetCurrentPass", [](Plain& p) { return p.offlineGetCurrentPass(); }, 1, 28, 0, 0, nullptr, 0, 1,
         0},
        {"offlineGetCurrentMetaPass", [](Plain& p) { return p.offlineGetCurrentMetaPass(); }, 1, 29, 0, 0, nullptr,
         0, 1, 0},
        {"setOutputSamplerate", [](Plain& p) { p.setOutputSamplerate(48000.0f); return 0; }, 1, 30, 0, 0, nullptr,
         48000.0f, 0, 0},
        {"getSpeakerArrangement", [](Plain& p) { return p.getSpeakerArrangement(1, 2); }, 1, 31, 1, 2, nullptr, 0,
         1, 0},
        {"getHostVendorString", [](Plain& p) { return p.getHostVendorString(gBuffer); }, 1, 32, 0, 0, gBuffer, 0,
         1, 0},
        {"getHostProductString", [](Plain& p) { return p.getHostProductString(gBuffer); }, 1, 33, 0, 0, gBuffer,
         0, 1, 0},
        {"getHostVendorVersion", [](Plain& p) { return p.getHostVendorVersion(); }, 7, 34, 0, 0, nullptr, 0, 7, 0},
        {"hostVendorSpecific", [](Plain& p) { return p.hostVendorSpecific(1, 2, gBuffer, 0.5f); }, 9, 35, 1, 2,
         gBuffer, 0.5f, 9, 0},
        {"canHostDo", [](Plain& p) { return p.canHostDo(kCanDoText); }, 1, 37, 0, 0,
         const_cast<char*>(kCanDoText), 0, 1, 0},
        {"canHostDo refused", [](Plain& p) { return p.canHostDo(kCanDoText); }, -1, 37, 0, 0,
         const_cast<char*>(kCanDoText), 0, 0, 0},
        {"getHostLanguage", [](Plain& p) { return p.getHostLanguage(); }, 1, 38, 0, 0, nullptr, 0, 1, 0},
        {"openWindow", [](Plain& p) { return intptr_t(p.openWindow(reinterpret_cast<VstWindow*>(gBuffer))); },
         intptr_t(gOther), 39, 0, 0, gBuffer, 0, intptr_t(gOther), 0},
        {"closeWindow", [](Plain& p) { return p.closeWindow(reinterpret_cast<VstWindow*>(gBuffer)); }, 1, 40, 0,
         0, gBuffer, 0, 1, 0},
        {"getDirectory", [](Plain& p) { return intptr_t(p.getDirectory()); }, intptr_t(gOther), 41, 0, 0, nullptr,
         0, intptr_t(gOther), 0},
        {"updateDisplay", [](Plain& p) { return p.updateDisplay(); }, -1, 42, 0, 0, nullptr, 0, 1, 0},
        {"beginEdit", [](Plain& p) { return p.beginEdit(7); }, 1, 43, 7, 0, nullptr, 0, 1, 0},
        {"endEdit", [](Plain& p) { return p.endEdit(7); }, 0, 44, 7, 0, nullptr, 0, 0, 0},
        {"openFileSelector", [](Plain& p) { return p.openFileSelector(&gFileSelect); }, 1, 45, 0, 0, &gFileSelect,
         0, 1, 0},
        {"closeFileSelector", [](Plain& p) { return p.closeFileSelector(&gFileSelect); }, 1, 46, 0, 0,
         &gFileSelect, 0, 1, 0},
    };
    return rows;
}

TEST(EffectHostCalls, EachCallSendsItsOpcodeAndMapsTheAnswer) {
    for (const HostRow& row : hostRows()) {
        Plain plain(&recordingHost);
        gHost = FakeHost{};
        gHost.answer = row.answer;
        EXPECT_EQ(row.call(plain), row.result) << row.name;
        ASSERT_EQ(gHost.calls.size(), 1u) << row.name;
        const HostCall& c = gHost.calls[0];
        EXPECT_EQ(c.effect, plain.getAeffect()) << row.name;
        EXPECT_EQ(c.opcode, row.opcode) << row.name;
        EXPECT_EQ(c.index, row.index) << row.name;
        EXPECT_EQ(c.value, row.value) << row.name;
        EXPECT_EQ(c.ptr, row.ptr) << row.name;
        EXPECT_EQ(c.opt, row.opt) << row.name;
    }
}

TEST(EffectHostCalls, FallbacksWithoutAHost) {
    for (const HostRow& row : hostRows()) {
        Plain plain;
        EXPECT_EQ(row.call(plain), row.noHostResult) << row.name;
    }
}

TEST(EffectHostCalls, SetParameterAutomatedSetsThenTellsTheHost) {
    std::vector<std::string> log;
    Probe hosted(log, &recordingHost);
    gHost = FakeHost{};
    hosted.setParameterAutomated(3, 0.25f);
    EXPECT_EQ(log, std::vector<std::string>{"setParameter(3,0.25)"});
    ASSERT_EQ(gHost.calls.size(), 1u);
    EXPECT_EQ(gHost.calls[0].opcode, 0);
    EXPECT_EQ(gHost.calls[0].index, 3);
    EXPECT_EQ(gHost.calls[0].opt, 0.25f);

    std::vector<std::string> aloneLog;
    Probe alone(aloneLog);
    alone.setParameterAutomated(4, 0.5f);
    EXPECT_EQ(alone.getParameter(4), 0.5f);
}

TEST(EffectHostCalls, NullBuffersAndRequestsNeverReachTheHost) {
    Plain plain(&recordingHost);
    gHost = FakeHost{};
    gHost.answer = 1;
    EXPECT_FALSE(plain.getHostVendorString(nullptr));
    EXPECT_FALSE(plain.getHostProductString(nullptr));
    EXPECT_FALSE(plain.canHostDo(nullptr));
    EXPECT_FALSE(plain.openFileSelector(nullptr));
    EXPECT_FALSE(plain.closeFileSelector(nullptr));
    EXPECT_TRUE(gHost.calls.empty());
}

// ---- Flags ----

TEST(EffectFlags, EachOperationSetsAndClearsItsOwnBit) {
    const struct {
        const char* name;
        void (*set)(Plain&, bool);
        int32_t bit;
    } rows[] = {
        {"hasVu", [](Plain& p, bool s) { p.hasVu(s); }, 4},
        {"hasClip", [](Plain& p, bool s) { p.hasClip(s); }, 2},
        {"canMono", [](Plain& p, bool s) { p.canMono(s); }, 8},
        {"canProcessReplacing", [](Plain& p, bool s) { p.canProcessReplacing(s); }, 16},
        {"programsAreChunks", [](Plain& p, bool s) { p.programsAreChunks(s); }, 32},
        {"isSynth", [](Plain& p, bool s) { p.isSynth(s); }, 256},
        {"noTail", [](Plain& p, bool s) { p.noTail(s); }, 512},
        {"wantAsyncOperation", [](Plain& p, bool s) { p.wantAsyncOperation(s); }, 1024},
        {"hasExternalBuffer", [](Plain& p, bool s) { p.hasExternalBuffer(s); }, 2048},
    };
    for (const auto& row : rows) {
        Plain plain;
        int32_t& flags = plain.getAeffect()->flags;
        flags = 1;  // an unrelated bit that must survive
        row.set(plain, true);
        EXPECT_EQ(flags, 1 | row.bit) << row.name;
        row.set(plain, true);
        EXPECT_EQ(flags, 1 | row.bit) << row.name;
        row.set(plain, false);
        EXPECT_EQ(flags, 1) << row.name;
    }
}

// ---- Value-to-text tools ----

TEST(EffectValueText, FixedEightPlaceLayouts) {
    const struct {
        void (*tool)(Plain&, char*);
        const char* expected;
    } rows[] = {
        {[](Plain& p, char* t) { p.dbToText(0.0f, t); }, "  -oo   "},
        {[](Plain& p, char* t) { p.dbToText(-1.0f, t); }, "  -oo   "},
        {[](Plain& p, char* t) { p.dbToText(1.0f, t); }, "0.000000"},
        {[](Plain& p, char* t) { p.dbToText(10.0f, t); }, "20.00000"},
        {[](Plain& p, char* t) { p.dbToText(0.5f, t); }, "-6.02059"},
        {[](Plain& p, char* t) { p.hzToText(100.0f, t); }, "441.0000"},
        {[](Plain& p, char* t) { p.hzToText(0.0f, t); }, "0.000000"},
        {[](Plain& p, char* t) { p.msToText(441.0f, t); }, "10.00000"},
        {[](Plain& p, char* t) { p.floatToText(1.5f, t); }, "1.500000"},
        {[](Plain& p, char* t) { p.floatToText(123.25f, t); }, "123.2500"},
        {[](Plain& p, char* t) { p.floatToText(-2.0f, t); }, "-2.00000"},
        {[](Plain& p, char* t) { p.floatToText(0.0f, t); }, "0.000000"},
        {[](Plain& p, char* t) { p.floatToText(0.1f, t); }, "0.100000"},
        {[](Plain& p, char* t) { p.floatToText(1234567.0f, t); }, "1234567."},
        {[](Plain& p, char* t) { p.floatToText(-123.5f, t); }, "-123.500"},
        {[](Plain& p, char* t) { p.floatToText(1e8f + 8.0f, t); }, " Huge!  "},
        {[](Plain& p, char* t) { p.floatToText(-1e7f, t); }, " Huge!  "},
        {[](Plain& p, char* t) { p.floatToText(std::numeric_limits<float>::infinity(), t); }, " Huge!  "},
        {[](Plain& p, char* t) { p.floatToText(kNaN, t); }, " Huge!  "},
        {[](Plain& p, char* t) { p.longToText(1234, t); }, "   1234"},
        {[](Plain& p, char* t) { p.longToText(0, t); }, "      0"},
        {[](Plain& p, char* t) { p.longToText(99999999, t); }, "99999999"},
        {[](Plain& p, char* t) { p.longToText(100000000, t); }, " Huge!  "},
        {[](Plain& p, char* t) { p.longToText(-123456789, t); }, "-1234567"},
    };
    Plain plain;
    for (const auto& row : rows) {
        char text[16];
        std::memset(text, '#', sizeof text);
        row.tool(plain, text);
        EXPECT_STREQ(text, row.expected);
        for (std::size_t i = 9; i < sizeof text; ++i)
            EXPECT_EQ(text[i], '#') << row.expected << ": wrote past 9 bytes";
        row.tool(plain, nullptr);
    }
}

}  // namespace
}  // namespace tine
