// The standalone host's answers to the instrument: the fixed opcode table,
// time information, MIDI output, display refreshes and the file selectors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "TestHost.h"
#include "plugin/EditorBase.h"
#include "plugin/FileCommands.h"
#include "host/HostCallback.h"
#include "host/MidiIntake.h"

namespace tine {
namespace {

class CountingEditor : public EditorBase {
public:
    CountingEditor() : EditorBase(nullptr) {}
    void idle() override { ++idles; }
    int idles = 0;
};

struct FakeHost : HostServices {
    EditorBase* editorOrNull = nullptr;
    float tempoBpm = 120.0f;
    int32_t channel = 0;
    bool hasPort = true;
    std::vector<uint32_t> sent;  // short messages as the port would send them
    int refreshes = 0;

    EditorBase* editor() override { return editorOrNull; }
    float tempo() override { return tempoBpm; }
    int32_t outputChannel() override { return channel; }
    bool sendControlChange(uint8_t d1, uint8_t d2) override {
        if (!hasPort) return false;
        sent.push_back(controlChangeMessage(channel, d1, d2));
        return true;
    }
    void refreshDisplay() override { ++refreshes; }
    void* mainWindow() override { return nullptr; }
};

// Installs a host for one test and removes it again.
struct Installed {
    explicit Installed(HostServices* host) { setHostServices(host); }
    ~Installed() { setHostServices(nullptr); }
};

intptr_t ask(HostServices* host, int32_t opcode, intptr_t value = 0, void* ptr = nullptr) {
    return answerHostRequest(host, opcode, 0, value, ptr, 0.0f);
}

TEST(HostCallback, BeforeTheInstrumentExistsEveryRequestAnswersOne) {
    for (int32_t opcode : {-1, 0, 1, 7, 8, 42, 45, 47, 1000}) {
        EXPECT_EQ(ask(nullptr, opcode), 1) << "opcode " << opcode;
        EXPECT_EQ(hostCallback(nullptr, opcode, 0, 0, nullptr, 0.0f), 1) << "opcode " << opcode;
    }
    // The version query the instrument makes while it is being built.
    SynthPlugin plugin(&hostCallback);
    EXPECT_EQ(plugin.getMasterVersion(), 1);
    FakeHost host;
    Installed installed(&host);
    EXPECT_EQ(plugin.getMasterVersion(), 2);
}

TEST(HostCallback, AnswersTheFixedTableAndZeroForEverythingElse) {
    FakeHost host;
    const std::set<int32_t> answeredOne = {audioMasterAutomate, audioMasterIdle, audioMasterProcessEvents,
                                           audioMasterCanDo, audioMasterUpdateDisplay,
                                           audioMasterCloseFileSelector};
    for (int32_t opcode = -3; opcode <= 60; ++opcode) {
        if (opcode == audioMasterGetTime || opcode == audioMasterOpenFileSelector) continue;
        if (opcode == audioMasterUpdateDisplay) continue;  // counted below
        intptr_t expected = answeredOne.count(opcode) ? 1 : 0;
        if (opcode == audioMasterVersion) expected = 2;
        EXPECT_EQ(ask(&host, opcode), expected) << "opcode " << opcode;
    }
    for (int32_t opcode : std::initializer_list<int32_t>{audioMasterGetSampleRate, audioMasterGetBlockSize, audioMasterBeginEdit,
                           audioMasterEndEdit, 47, 48, 0x7FFFFFFF, -0x7FFFFFFF})
        EXPECT_EQ(ask(&host, opcode), 0) << "opcode " << opcode;
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(host.refreshes, 0);
    // The effect argument is never looked at.
    Installed installed(&host);
    AEffect unrelated{};
    EXPECT_EQ(hostCallback(&unrelated, audioMasterVersion, 0, 0, nullptr, 0.0f), 2);
}

TEST(HostCallback, CanDoAnswersYesToAnyQuestion) {
    FakeHost host;
    char empty[] = "";
    char selector[] = "openFileSelector";
    char nonsense[] = "fly to the moon";
    for (char* text : {empty, selector, nonsense, static_cast<char*>(nullptr)})
        EXPECT_EQ(ask(&host, audioMasterCanDo, 0, text), 1);
    Installed installed(&host);
    SynthPlugin plugin(&hostCallback);
    EXPECT_TRUE(plugin.canHostDo("openFileSelector"));
}

TEST(HostCallback, IdleReachesTheEditorWhenThereIsOne) {
    FakeHost host;
    EXPECT_EQ(ask(&host, audioMasterIdle), 1);
    CountingEditor editor;
    host.editorOrNull = &editor;
    EXPECT_EQ(ask(&host, audioMasterIdle), 1);
    EXPECT_EQ(ask(&host, audioMasterIdle), 1);
    EXPECT_EQ(editor.idles, 2);
}

TEST(HostCallback, TimeInfoCarriesOnlyTheConfiguredTempo) {
    FakeHost host;
    host.tempoBpm = 96.5f;
    const intptr_t address = ask(&host, audioMasterGetTime, 0x400);
    ASSERT_EQ(address, reinterpret_cast<intptr_t>(&hostTimeInfo()));
    const auto* info = reinterpret_cast<const VstTimeInfo*>(address);
    EXPECT_EQ(info->tempo, 96.5);
    EXPECT_EQ(info->flags, 0x400);

    // Without the tempo bit: flags cleared, the tempo left as last written.
    host.tempoBpm = 140.0f;
    EXPECT_EQ(ask(&host, audioMasterGetTime, 0), address);
    EXPECT_EQ(info->flags, 0);
    EXPECT_EQ(info->tempo, 96.5);

    // Other request bits claim nothing.
    EXPECT_EQ(ask(&host, audioMasterGetTime, 0x400 | 0x200 | 0x100 | 0x4000 | 0x1), address);
    EXPECT_EQ(info->flags, 0x400);
    EXPECT_EQ(info->tempo, 140.0);

    // A tempo of 120 survives the widening exactly; every other field stays 0.
    host.tempoBpm = 120.0f;
    ask(&host, audioMasterGetTime, 0x400);
    VstTimeInfo expected{};
    expected.tempo = 120.0;
    expected.flags = 0x400;
    EXPECT_EQ(std::memcmp(info, &expected, sizeof expected), 0);
}

TEST(HostCallback, EventsGoOutAsControlChangeOfTheFirstEventsDataBytes) {
    FakeHost host;
    host.channel = 2;
    test::EventList list({{0, 0x90, 0x3C, 0x64}, {5, 0xB0, 7, 100}});
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, list.get()), 1);
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0], 0x643CB2u);  // B2 3C 64

    // Output channel "none": nothing goes out, the answer is still 1.
    host.channel = -1;
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, list.get()), 1);
    EXPECT_EQ(host.sent.size(), 1u);

    // No MIDI port, an empty list or none at all: still 1, nothing sent.
    host.channel = 0;
    host.hasPort = false;
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, list.get()), 1);
    host.hasPort = true;
    test::EventList empty;
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, empty.get()), 1);
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, nullptr), 1);
    EXPECT_EQ(host.sent.size(), 1u);
}

TEST(HostCallback, DisplayRefreshIsHandedToTheHostOncePerRequest) {
    FakeHost host;
    EXPECT_EQ(ask(&host, audioMasterUpdateDisplay), 1);
    EXPECT_EQ(host.refreshes, 1);
    // A program change of the instrument asks for one.
    Installed installed(&host);
    test::TablesHold tables;
    SynthPlugin plugin(&hostCallback);
    host.refreshes = 0;
    plugin.setProgram(3);
    EXPECT_GE(host.refreshes, 1);
}

TEST(HostCallback, ClosingTheSelectorFreesOnlyWhatTheDialogAllocated) {
    FakeHost host;
    EXPECT_EQ(ask(&host, audioMasterOpenFileSelector, 0, nullptr), 0);
    EXPECT_EQ(ask(&host, audioMasterCloseFileSelector, 0, nullptr), 1);

    // The caller's own buffer stays the caller's: writing to it afterwards
    // is fine (a sanitizer build would catch a free).
    char* own = static_cast<char*>(std::calloc(kReturnPathBytes, 1));
    FileSelectRequest request;
    fillFileSelectRequest(request, FileCommand::LoadBank, own);
    request.select.reserved = reinterpret_cast<intptr_t>(own);
    EXPECT_EQ(ask(&host, audioMasterCloseFileSelector, 0, &request.select), 1);
    EXPECT_EQ(request.select.returnPath, nullptr);
    std::strcpy(own, "still mine");
    std::free(own);

    // A buffer the dialog put in place of the caller's is released and cleared
    // (a sanitizer build would report it leaked otherwise).
    char* callers = static_cast<char*>(std::calloc(kReturnPathBytes, 1));
    fillFileSelectRequest(request, FileCommand::SavePatch, callers);
    request.select.reserved = reinterpret_cast<intptr_t>(callers);
    request.select.returnPath = static_cast<char*>(std::malloc(64));
    EXPECT_EQ(ask(&host, audioMasterCloseFileSelector, 0, &request.select), 1);
    EXPECT_EQ(request.select.returnPath, nullptr);
    std::free(callers);
}

#if !defined(_WIN32)
// Builds here have no native dialog, so the whole command runs through the
// host without a window: open answers "nothing chosen", close must not free
// the command's buffer (the command frees it itself).
TEST(HostCallback, FileCommandRoundTripThroughTheHostLeavesNothingBehind) {
    FakeHost host;
    Installed installed(&host);
    test::TablesHold tables;
    SynthPlugin plugin(&hostCallback);
    const Program before = plugin.programSlot(0);
    EXPECT_FALSE(runFileCommand(plugin, FileCommand::LoadBank, nullptr));
    EXPECT_FALSE(runFileCommand(plugin, FileCommand::SavePatch, nullptr));
    EXPECT_EQ(std::memcmp(&before, &plugin.programSlot(0), sizeof before), 0);
}
#endif

}  // namespace
}  // namespace tine
