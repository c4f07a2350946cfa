// The VST 2 base classes: the calls back to the host by the standard's opcode
// numbers, the record's entry points, flags, the editor seam and value texts.
// What the dispatcher does with a host's calls is tested through the
// instrument itself (SynthPluginTest).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "plugin/EditorBase.h"
#include "plugin/EffectBaseX.h"

namespace tine {
namespace {

alignas(16) char gBuffer[256];
alignas(16) char gOther[256];
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A plug-in with every default, that remembers the last parameter set.
class Plain : public EffectBaseX {
public:
    explicit Plain(audioMasterCallback master = nullptr) : EffectBaseX(master, 4, 3) {}
    ~Plain() override {
        if (log)
            log->push_back("plug-in destroyed");
    }
    void process(float**, float**, int32_t) override {}
    void setParameter(int32_t index, float value) override { set = {index, value}; }
    float getParameter(int32_t index) override { return index == set.first ? set.second : 0.0f; }
    float getVu() override { return vu; }
    std::pair<int32_t, float> set{-1, 0.0f};
    float vu = 0.0f;
    std::vector<std::string>* log = nullptr;
};

struct HostCall {
    int count = 0;
    int32_t opcode = -1, index = 0;
    intptr_t value = 0;
    void* ptr = nullptr;
    float opt = 0.0f;
} gCall;
intptr_t gAnswer = 0;

intptr_t VSTCALLBACK host(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    gCall = {gCall.count + 1, opcode, index, value, ptr, opt};
    return gAnswer;
}

VstFileSelect gSelect;
const char kCanDoText[] = "openFileSelector";

TEST(EffectHostCalls, EachCallSendsItsOpcodeAndMapsTheAnswer) {
    auto* task = reinterpret_cast<VstOfflineTask*>(gBuffer);
    auto* window = reinterpret_cast<VstWindow*>(gBuffer);
    struct Row {
        std::function<intptr_t(Plain&)> call;
        int32_t opcode, index;
        intptr_t value;
        void* ptr;
        float opt;
        intptr_t whenHostSaysMinus1, withoutHost;
    };
#define TINE_CALL(expr) [=](Plain& p) -> intptr_t { return intptr_t(expr); }
#define TINE_VOID(expr) [=](Plain& p) -> intptr_t { return expr, 0; }
    // clang-format off
    const Row rows[] = {
        {TINE_CALL(p.getMasterVersion()), 1, 0, 0, nullptr, 0, -1, 1},
        {TINE_VOID(p.masterIdle()), 3, 0, 0, nullptr, 0, 0, 0},
        {TINE_CALL(p.isInputConnected(1)), 4, 1, 0, nullptr, 0, 0, 1},
        {TINE_CALL(p.isOutputConnected(0)), 4, 0, 1, nullptr, 0, 0, 1},
        {TINE_VOID(p.wantEvents(1)), 6, 0, 1, nullptr, 0, 0, 0},
        {TINE_CALL(p.getTimeInfo(0x400)), 7, 0, 0x400, nullptr, 0, -1, 0},
        {TINE_CALL(p.tempoAt(10)), 10, 0, 10, nullptr, 0, -1, 0},
        {TINE_CALL(p.ioChanged()), 13, 0, 0, nullptr, 0, 0, 0},
        {TINE_CALL(p.needIdle()), 14, 0, 0, nullptr, 0, 0, 0},
        {TINE_CALL(p.sizeWindow(432, 247)), 15, 432, 247, nullptr, 0, 0, 0},
        {TINE_CALL(p.updateSampleRate()), 16, 0, 0, nullptr, 0, 44100, 44100},
        {TINE_CALL(p.updateBlockSize()), 17, 0, 0, nullptr, 0, 1024, 1024},
        {TINE_CALL(p.offlineStart(reinterpret_cast<VstAudioFile*>(gBuffer), 4, 5)), 25, 5, 4, gBuffer, 0, 1, 0},
        {TINE_CALL(p.offlineRead(task, 2, true)), 26, 1, 2, gBuffer, 0, 0, 0},
        {TINE_CALL(p.offlineWrite(task, 3)), 27, 0, 3, gBuffer, 0, 1, 0},
        {TINE_CALL(p.offlineGetCurrentPass()), 28, 0, 0, nullptr, 0, 0, 0},
        {TINE_VOID(p.setOutputSamplerate(48000.0f)), 30, 0, 0, nullptr, 48000.0f, 0, 0},
        {TINE_CALL(p.getSpeakerArrangement(1, 2)), 31, 1, 2, nullptr, 0, 0, 0},
        {TINE_CALL(p.getHostVendorString(gBuffer)), 32, 0, 0, gBuffer, 0, 0, 0},
        {TINE_CALL(p.getHostProductString(gBuffer)), 33, 0, 0, gBuffer, 0, 0, 0},
        {TINE_CALL(p.hostVendorSpecific(1, 2, gBuffer, 0.5f)), 35, 1, 2, gBuffer, 0.5f, -1, 0},
        {TINE_CALL(p.canHostDo(kCanDoText)), 37, 0, 0, const_cast<char*>(kCanDoText), 0, 0, 0},
        {TINE_CALL(p.openWindow(window)), 39, 0, 0, gBuffer, 0, -1, 0},
        {TINE_CALL(p.closeWindow(window)), 40, 0, 0, gBuffer, 0, 1, 0},
        {TINE_CALL(p.updateDisplay()), 42, 0, 0, nullptr, 0, 1, 0},
        {TINE_CALL(p.beginEdit(7)), 43, 7, 0, nullptr, 0, 1, 0},
        {TINE_CALL(p.endEdit(7)), 44, 7, 0, nullptr, 0, 1, 0},
        {TINE_CALL(p.openFileSelector(&gSelect)), 45, 0, 0, &gSelect, 0, 1, 0},
        {TINE_CALL(p.closeFileSelector(&gSelect)), 46, 0, 0, &gSelect, 0, 1, 0},
    };
    // clang-format on
#undef TINE_CALL
#undef TINE_VOID
    for (const Row& row : rows) {
        SCOPED_TRACE(row.opcode);
        Plain hosted(&host);
        gCall = {};
        gAnswer = -1;
        EXPECT_EQ(row.call(hosted), row.whenHostSaysMinus1);
        EXPECT_EQ(gCall.count, 1);
        EXPECT_EQ(std::make_tuple(gCall.opcode, gCall.index, gCall.value, gCall.ptr, gCall.opt),
                  std::make_tuple(row.opcode, row.index, row.value, row.ptr, row.opt));
        Plain alone;
        EXPECT_EQ(row.call(alone), row.withoutHost);
    }

    // Automation sets the value first, then tells the host; null requests never reach it.
    Plain plain(&host);
    gCall = {};
    plain.setParameterAutomated(2, 0.25f);
    EXPECT_EQ(plain.set, std::make_pair(2, 0.25f));
    EXPECT_EQ(std::make_tuple(gCall.opcode, gCall.index, gCall.opt), std::make_tuple(0, 2, 0.25f));
    gCall = {};
    gAnswer = 1;
    EXPECT_FALSE(plain.getHostVendorString(nullptr) || plain.getHostProductString(nullptr) ||
                 plain.canHostDo(nullptr) || plain.openFileSelector(nullptr) || plain.closeFileSelector(nullptr));
    EXPECT_EQ(gCall.count, 0);
}

// A plug-in that implements nothing more says "not supported" (0) to every
// extension request, except where the standard's default is another answer.
TEST(EffectDispatcher, DefaultsSayNotSupported) {
    const std::map<int32_t, intptr_t> answers = {
        {effCanBeAutomated, 1}, {effGetNumProgramCategories, 1},   {effConnectInput, 1},
        {effConnectOutput, 1},  {effSetBlockSizeAndSampleRate, 1}, {effGetCurrentMidiProgram, -1},
        {effKeysRequired, 1},   {effGetVstVersion, 2200}};
    for (int32_t opcode = effProcessEvents; opcode <= effEndSetProgram; ++opcode) {
        Plain plain;
        const auto answer = answers.find(opcode);
        EXPECT_EQ(plain.dispatcher(opcode, 0, 0, gBuffer, 0), answer == answers.end() ? 0 : answer->second) << opcode;
    }
}

TEST(EffectRecord, EntryPointsVuAndCategory) {
    Plain plain;
    AEffect* e = plain.getAeffect();
    EXPECT_EQ(e->magic, fourCharCode('V', 's', 't', 'P'));
    EXPECT_EQ(std::make_tuple(e->numPrograms, e->numParams, e->flags, e->ioRatio), std::make_tuple(4, 3, 0, 1.0f));
    EXPECT_EQ(e->processDoubleReplacing, nullptr);
    EXPECT_EQ(e->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(e->dispatcher(e, effGetVstVersion, 0, 0, nullptr, 0), 2200);
    e->dispatcher(e, effSetProgram, 0, 3, nullptr, 0);
    e->dispatcher(e, effSetProgram, 0, 4, nullptr, 0);
    EXPECT_EQ(e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0), 3) << "the last program of four is 3";
    // A host's parameter index outside the range never reaches the plug-in.
    e->setParameter(e, 2, 0.75f);
    EXPECT_EQ(e->getParameter(e, 2), 0.75f);
    for (int32_t index : {3, -1}) {
        e->setParameter(e, index, 0.5f);
        EXPECT_EQ(plain.set, std::make_pair(2, 0.75f)) << index;
        EXPECT_EQ(e->getParameter(e, index), 0.0f);
    }
    for (auto [vu, result] :
         {std::pair<float, intptr_t>{0.5f, 16383}, {-0.5f, -16383}, {kNaN, 0}, {1e30f, INT32_MAX}}) {
        plain.vu = vu;
        EXPECT_EQ(e->dispatcher(e, effGetVu, 0, 0, nullptr, 0), result) << vu;
    }

    plain.isSynth(true);
    EXPECT_EQ(std::make_pair(e->flags, plain.dispatcher(effGetPlugCategory, 0, 0, nullptr, 0)),
              std::make_pair(256, intptr_t(2)));
    plain.isSynth(false);
    EXPECT_EQ(std::make_pair(e->flags, plain.dispatcher(effGetPlugCategory, 0, 0, nullptr, 0)),
              std::make_pair(0, intptr_t(0)));
}

class FakeEditor : public EditorBase {
public:
    explicit FakeEditor(EffectBase* owner, std::vector<std::string>* sink = nullptr) : EditorBase(owner), log(sink) {}
    ~FakeEditor() override { note("editor destroyed"); }
    std::vector<std::string>* log;
    ERect rect{0, 0, 247, 432};
    void note(const std::string& s) {
        if (log)
            log->push_back(s);
    }
    int32_t getRect(ERect** r) override {
        *r = &rect;
        return 5;
    }
    int32_t onKeyDown(VstKeyCode& k) override { return k.character * 10000 + k.virt * 100 + k.modifier; }
    int32_t onKeyUp(VstKeyCode& k) override { return -k.character; }
    int32_t setKnobMode(int32_t m) override { return m + 1; }
};

TEST(EffectEditor, EditorOpcodesReachTheRegisteredEditorWhileItLives) {
    Plain plain;
    FakeEditor* first = new FakeEditor(&plain);
    EXPECT_EQ(plain.getAeffect()->flags, effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_EQ(plain.dispatcher(effEditGetRect, 0, 0, &rect, 0), 5);
    EXPECT_EQ(rect, &first->rect);
    EXPECT_EQ(plain.dispatcher(effEditGetRect, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(plain.dispatcher(effEditKeyDown, 'a', 3, nullptr, 2.7f), 'a' * 10000 + 302);
    EXPECT_EQ(plain.dispatcher(effEditKeyDown, 'x', 0, nullptr, kNaN), 'x' * 10000);
    EXPECT_EQ(plain.dispatcher(effEditKeyUp, 'b', 9, nullptr, 4.0f), -'b');
    EXPECT_EQ(plain.dispatcher(effSetEditKnobMode, 0, 2, nullptr, 0), 3);
    EXPECT_EQ(plain.dispatcher(effEditOpen, 0, 0, gOther, 0), 1);
    EXPECT_EQ(first->getSystemWindow(), gOther);
    plain.dispatcher(effEditClose, 0, 0, nullptr, 0);
    EXPECT_EQ(first->getSystemWindow(), nullptr);

    // Destroying a replaced editor leaves its successor registered; destroying
    // the registered one unregisters it.
    FakeEditor* second = new FakeEditor(&plain);
    delete first;
    EXPECT_EQ(plain.getEditor(), second);
    delete second;
    EXPECT_EQ(plain.getEditor(), nullptr);
    EXPECT_EQ(plain.getAeffect()->flags, 0);
    EXPECT_EQ(plain.dispatcher(effEditOpen, 0, 0, gBuffer, 0), 0);
    EXPECT_EQ(plain.dispatcher(effEditKeyDown, 'a', 0, nullptr, 0), 0);
    delete new FakeEditor(nullptr);  // a free-standing editor has nobody to tell

    // effClose through the record closes, then destroys the plug-in and its editor.
    std::vector<std::string> log;
    Plain* closing = new Plain;
    closing->log = &log;
    new FakeEditor(closing, &log);
    AEffect* e = closing->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"plug-in destroyed", "editor destroyed"}));
}

// The plain editor: no size, keys and wheel left to the host, updates posted for the next idle.
TEST(EffectEditor, PlainEditorDefaults) {
    struct Counting : EditorBase {
        explicit Counting(EffectBase* owner) : EditorBase(owner) {}
        int updates = 0;
        void update() override { ++updates; }
    };
    Plain plain;
    Counting* editor = new Counting(&plain);
    ERect* rect = reinterpret_cast<ERect*>(gBuffer);
    EXPECT_EQ(plain.dispatcher(effEditGetRect, 0, 0, &rect, 0), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(plain.dispatcher(effEditKeyDown, 'a', 0, nullptr, 0), -1);
    EXPECT_EQ(plain.dispatcher(effEditKeyUp, 'a', 0, nullptr, 0), -1);
    EXPECT_EQ(plain.dispatcher(effSetEditKnobMode, 0, 2, nullptr, 0), 0);
    EXPECT_FALSE(editor->onWheel(1.0f));
    plain.dispatcher(effEditIdle, 0, 0, nullptr, 0);
    EXPECT_EQ(editor->updates, 0);
    editor->postUpdate();
    editor->idleWhileTracking();  // a modal mouse loop keeps the editor current
    EXPECT_EQ(editor->updates, 1);
    plain.dispatcher(effEditIdle, 0, 0, nullptr, 0);
    EXPECT_EQ(editor->updates, 1) << "a posted update is acted on once";
}

TEST(EffectValueText, AlwaysEightPlacesAndATerminator) {
    using Tool = void (*)(Plain&, double, char*);
    const Tool db = [](Plain& p, double v, char* t) { p.dbToText(float(v), t); };
    const Tool hz = [](Plain& p, double v, char* t) { p.hzToText(float(v), t); };
    const Tool ms = [](Plain& p, double v, char* t) { p.msToText(float(v), t); };
    const Tool fl = [](Plain& p, double v, char* t) { p.floatToText(float(v), t); };
    const Tool ln = [](Plain& p, double v, char* t) { p.longToText(int32_t(v), t); };
    const struct {
        Tool tool;
        double value;
        const char* text;
    } rows[] = {
        {db, 0, "  -oo   "},       {db, 10, "20.00000"},       {db, 0.5, "-6.02059"},    {hz, 100, "441.0000"},
        {hz, 0, "0.000000"},       {ms, 441, "10.00000"},      {fl, 123.25, "123.2500"}, {fl, 0.1, "0.100000"},
        {fl, 1234567, "1234567."}, {fl, -123.5, "-123.500"},   {fl, -1e7, " Huge!  "},   {fl, kNaN, " Huge!  "},
        {ln, 1234, "   1234"},     {ln, 99999999, "99999999"}, {ln, 1e8, " Huge!  "},    {ln, -123456789, "-1234567"}};
    Plain plain;
    for (const auto& row : rows) {
        char text[16];
        std::memset(text, '#', sizeof text);
        row.tool(plain, row.value, text);
        EXPECT_STREQ(text, row.text);
        EXPECT_EQ(std::string(text + 9, 7), std::string(7, '#')) << row.text << ": wrote past 9 bytes";
        row.tool(plain, row.value, nullptr);
    }
}

}  // namespace
}  // namespace tine
