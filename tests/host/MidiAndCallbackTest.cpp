// The host's side facing the instrument: MIDI input filtered, stamped inside
// the next block and handed over in two alternating lists; and the answers to
// the instrument's requests (the fixed opcode table, time information, MIDI
// output, display refreshes and the file selectors).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "host/HostCallback.h"
#include "host/MidiIntake.h"
#include "plugin/EditorBase.h"
#include "plugin/FileCommands.h"

namespace tine {
namespace {

std::vector<VstMidiEvent> contents(VstEvents* list) {
    std::vector<VstMidiEvent> out;
    for (int32_t i = 0; i < list->numEvents; ++i) out.push_back(*reinterpret_cast<VstMidiEvent*>(list->events[i]));
    return out;
}

uint32_t shortMessage(uint8_t status, uint8_t d1, uint8_t d2) {
    return status | (d1 << 8) | (d2 << 16);
}
uint32_t dataOf(const VstMidiEvent& e) {
    return uint8_t(e.midiData[1]) | uint8_t(e.midiData[2]) << 7;
}

TEST(MidiIntake, StampsEachEventAtItsMillisecondInsideTheNextBlock) {
    struct Row {
        int32_t rate;
        uint32_t blockFrames;
        int32_t msAfterListStart, expected;
    } rows[] = {
        {44100, 2205, 10, 440},   // 10 ms x 44 whole samples
        {44100, 2205, 60, 2204},  // beyond the block: its last frame
        {44100, 2205, 0, 1},      // the list's own millisecond: 1, not 0
        {44100, 2205, -2, 1},     // stamped before the list began
        {48000, 2400, 50, 2399},  // exactly one block later
        {48000, 2400, 49, 2352}, {22050, 1102, 1, 22},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.msAfterListStart << " ms");
        auto intake = std::make_unique<MidiIntake>(-1, row.rate, row.blockFrames);
        intake->onDriverMessage(kMidiInOpen, 0, 0, 70000);
        // Time stamps count from the open; the first list starts there, the
        // second where the first was taken.
        for (uint32_t listStart : {0u, 1234u}) {
            intake->onDriverMessage(kMidiInData, shortMessage(0x90, 60, 100), listStart + row.msAfterListStart, 0);
            const auto got = contents(intake->takeEvents(70000 + 1234));
            ASSERT_EQ(got.size(), 1u);
            EXPECT_EQ(got[0].deltaFrames, row.expected) << "list from " << listStart;
        }
    }
}

TEST(MidiIntake, QueuesTheChannelMessagesTheInstrumentUsesAsVstMidiEvents) {
    struct Row {
        int32_t inputChannel;
        uint32_t driverMessage, message;
        bool queued;
    } rows[] = {
        {0, kMidiInData, shortMessage(0x91, 60, 100), false},  // channel 2 while listening to 1
        {-1, kMidiInData, shortMessage(0x91, 60, 100), true},  // all channels
        {0, kMidiInData, 0xAB7F3C90u, true},                   // junk in the top byte is not copied
        {15, kMidiInMoreData, shortMessage(0x8F, 60, 0), true},
        {-1, kMidiInData, shortMessage(0xB3, 64, 127), true},  // sustain pedal
        {-1, kMidiInData, shortMessage(0xC0, 5, 0), true},
        {-1, kMidiInData, shortMessage(0xE0, 0, 64), true},
        {-1, kMidiInData, shortMessage(0xA0, 60, 30), false},  // polyphonic pressure
        {8, kMidiInData, 0xF8, false},                         // clock: passes the channel test, still system
        {-1, kMidiInData, shortMessage(0x3C, 64, 0), false},   // a stray data byte
        {-1, kMidiInLongData, shortMessage(0x90, 60, 100), false},
        {-1, kMidiInClose, shortMessage(0x90, 60, 100), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "channel " << row.inputChannel << " driver 0x" << std::hex
                                        << row.driverMessage << " message 0x" << row.message);
        auto intake = std::make_unique<MidiIntake>(row.inputChannel, 44100, 2205);
        intake->onDriverMessage(row.driverMessage, row.message, 3, 3);
        const auto got = contents(intake->takeEvents(40));
        ASSERT_EQ(got.size(), row.queued ? 1u : 0u);
        // The standard's record, with the byte size 24 this host has always sent.
        VstMidiEvent expected{kVstMidiType, 24, 3 * 44, 0, 0, 0, {}, 0, 0, 0, 0};
        for (int i = 0; i < 3; ++i) expected.midiData[i] = char(row.message >> (8 * i));
        EXPECT_TRUE(!row.queued || std::memcmp(&got[0], &expected, sizeof expected) == 0);
    }
}

TEST(MidiIntake, AHandedListStaysIntactWhileTheNextFillsAndAFullListKeepsItsFirstEvents) {
    auto intake = std::make_unique<MidiIntake>(-1, 44100, 2205);
    const uint32_t sent = kMidiListLimit + 100;
    for (uint32_t i = 0; i < sent; ++i)
        intake->onDriverMessage(kMidiInData, shortMessage(0xB0, uint8_t(i & 0x7F), uint8_t(i >> 7)), 1, 1);
    VstEvents* first = intake->takeEvents(50);
    for (uint32_t i = 0; i < sent; ++i) intake->onDriverMessage(kMidiInData, shortMessage(0x80, 2, 0), 60, 60);

    const auto handed = contents(first);
    ASSERT_EQ(handed.size(), kMidiListLimit);
    for (uint32_t i = 0; i < handed.size(); ++i) ASSERT_EQ(dataOf(handed[i]), i) << i;
    VstEvents* second = intake->takeEvents(100);
    EXPECT_NE(second, first);
    const auto next = contents(second);
    ASSERT_EQ(next.size(), kMidiListLimit);
    EXPECT_EQ(uint8_t(next[0].midiData[0]), 0x80);
    EXPECT_EQ(next[0].deltaFrames, 440);  // 10 ms after its list began at 50
    EXPECT_EQ(intake->droppedEvents(), 200u);

    // The third list is the first one again, emptied, and takes events again.
    intake->onDriverMessage(kMidiInData, shortMessage(0x90, 60, 1), 110, 110);
    EXPECT_EQ(intake->takeEvents(150), first);
    EXPECT_EQ(first->numEvents, 1);
}

struct CountingEditor : EditorBase {
    CountingEditor() : EditorBase(nullptr) {}
    void idle() override { ++idles; }
    int idles = 0;
};

struct FakeHost : HostServices {
    EditorBase* editorOrNull = nullptr;
    float tempoBpm = 120.0f;
    int32_t channel = 0;
    std::vector<uint32_t> sent;  // short messages as the port would send them
    int refreshes = 0;

    EditorBase* editor() override { return editorOrNull; }
    float tempo() override { return tempoBpm; }
    int32_t outputChannel() override { return channel; }
    bool sendControlChange(uint8_t d1, uint8_t d2) override {
        sent.push_back(controlChangeMessage(channel, d1, d2));
        return true;
    }
    void refreshDisplay() override { ++refreshes; }
    void* mainWindow() override { return nullptr; }
};

intptr_t ask(HostServices* host, int32_t opcode, intptr_t value = 0, void* ptr = nullptr) {
    return answerHostRequest(host, opcode, 0, value, ptr, 0.0f);
}

TEST(HostCallback, AnswersTheFixedTableAndZeroForEverythingElse) {
    FakeHost host;
    CountingEditor editor;
    char question[] = "fly to the moon";
    const std::set<int32_t> answeredOne = {audioMasterAutomate, audioMasterIdle,          audioMasterProcessEvents,
                                           audioMasterCanDo,    audioMasterUpdateDisplay, audioMasterCloseFileSelector};
    EXPECT_EQ(ask(&host, audioMasterIdle), 1);  // no editor open
    host.editorOrNull = &editor;
    for (int32_t opcode = -3; opcode <= 60; ++opcode) {
        // Before the instrument exists every request answers 1, without acting.
        EXPECT_EQ(hostCallback(nullptr, opcode, 0, 0, nullptr, 0.0f), 1) << "opcode " << opcode;
        if (opcode == audioMasterGetTime)
            continue;
        const intptr_t expected = opcode == audioMasterVersion ? 2 : answeredOne.count(opcode);
        EXPECT_EQ(ask(&host, opcode, 0, opcode == audioMasterCanDo ? question : nullptr), expected) << opcode;
    }
    EXPECT_EQ(ask(&host, 0x7FFFFFFF), 0);
    EXPECT_EQ(editor.idles, 1);
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_TRUE(host.sent.empty());
    // Once installed, the host answers the instrument's callback.
    setHostServices(&host);
    EXPECT_EQ(hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f), 2);
    setHostServices(nullptr);
}

TEST(HostCallback, TimeInfoCarriesOnlyTheConfiguredTempo) {
    FakeHost host;
    host.tempoBpm = 96.5f;
    const auto* info = reinterpret_cast<const VstTimeInfo*>(ask(&host, audioMasterGetTime, 0x400 | 0x200 | 0x1));
    VstTimeInfo expected{};
    expected.tempo = 96.5;
    expected.flags = 0x400;  // the other request bits claim nothing
    EXPECT_EQ(std::memcmp(info, &expected, sizeof expected), 0);
    // Without the tempo bit: flags cleared, the tempo left as last written.
    host.tempoBpm = 140.0f;
    EXPECT_EQ(ask(&host, audioMasterGetTime, 0), reinterpret_cast<intptr_t>(info));
    EXPECT_EQ(info->flags, 0);
    EXPECT_EQ(info->tempo, 96.5);
}

TEST(HostCallback, EventsGoOutAsControlChangeOfTheFirstEventsDataBytes) {
    FakeHost host;
    host.channel = 2;
    // The data bytes go out as they are, unmasked.
    VstMidiEvent events[2] = {{kVstMidiType, 32, 0, 0, 0, 0, {char(0x90), char(0xBC), char(0xE4), 0}, 0, 0, 0, 0},
                              {kVstMidiType, 32, 5, 0, 0, 0, {char(0xB0), 7, 100, 0}, 0, 0, 0, 0}};
    VstEvents list{2, 0, {reinterpret_cast<VstEvent*>(&events[0]), reinterpret_cast<VstEvent*>(&events[1])}};
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, &list), 1);
    EXPECT_EQ(host.sent, std::vector<uint32_t>{0xE4BCB2u});
    list.numEvents = 1;
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, &list), 1);
    EXPECT_EQ(host.sent.size(), 2u);
    // Nothing more goes out, and the answer stays 1: output channel "none", an
    // emptied list that still points at its old records, no list.
    host.channel = -1;
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, &list), 1);
    host.channel = 0;
    list.numEvents = 0;
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, &list), 1);
    EXPECT_EQ(ask(&host, audioMasterProcessEvents, 0, nullptr), 1);
    EXPECT_EQ(host.sent.size(), 2u);
}

TEST(HostCallback, ClosingTheSelectorFreesOnlyWhatTheDialogAllocated) {
    FakeHost host;
    // The caller's own buffer stays the caller's (freeing it here would make
    // the free below a double free); one the dialog put in its place is
    // released (a sanitizer build would report it leaked otherwise).
    for (bool dialogAllocated : {false, true}) {
        char* own = static_cast<char*>(std::calloc(kReturnPathBytes, 1));
        FileSelectRequest request;
        fillFileSelectRequest(request, FileCommand::LoadBank, own);
        request.select.reserved = reinterpret_cast<intptr_t>(own);
        if (dialogAllocated)
            request.select.returnPath = static_cast<char*>(std::malloc(64));
        EXPECT_EQ(ask(&host, audioMasterCloseFileSelector, 0, &request.select), 1);
        EXPECT_EQ(request.select.returnPath, nullptr);
        std::strcpy(own, "still mine");
        std::free(own);
    }
}

}  // namespace
}  // namespace tine
