// The MIDI port's input path through the very callback WinMM calls. No MIDI
// device exists here, so the port's devices stay closed and the test plays
// the driver.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "standalone/MidiPort.h"

namespace tine {
namespace {

struct Queued {
    int32_t delta;
    uint32_t message;
};

std::vector<Queued> contents(VstEvents* list) {
    std::vector<Queued> out;
    for (int32_t i = 0; i < list->numEvents; ++i) {
        const auto* e = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
        out.push_back({e->deltaFrames, uint32_t(uint8_t(e->midiData[0])) | uint32_t(uint8_t(e->midiData[1])) << 8 |
                                           uint32_t(uint8_t(e->midiData[2])) << 16});
    }
    return out;
}

// A device index no system has: the port opens nothing, silently.
constexpr int32_t kNoDevice = 0x7FFF;

// Switches to a fresh list and answers its start time (system ms since the
// driver's open message), read so that no clock tick fell inside the switch.
uint32_t switchList(MidiPort& port) {
    for (;;) {
        const DWORD before = timeGetTime();
        port.takeEvents();
        const DWORD after = timeGetTime();
        if (before == after) return after - port.intake().openTime();
    }
}

void callback(MidiPort& port, UINT message, uint32_t p1, uint32_t p2) {
    MidiPort::driverCallback(nullptr, message, reinterpret_cast<uintptr_t>(&port), p1, p2);
}

TEST(MidiPort, WithoutADeviceNothingIsOpened) {
    auto port = std::make_unique<MidiPort>(kNoDevice, kNoDevice, 0, 0, 44100, 2205);
    EXPECT_FALSE(port->inputOpen());
    EXPECT_FALSE(port->outputOpen());
    port->sendControlChange(7, 100);  // goes nowhere, quietly
    EXPECT_EQ(port->takeEvents()->numEvents, 0);
}

TEST(MidiPort, CallbackStampsEventsAtTheirMillisecond) {
    struct Row {
        int32_t rate;
        uint32_t blockFrames;
        int32_t msAfterListStart;
        int32_t expected;
    };
    const Row rows[] = {
        {44100, 2205, 10, 440}, {44100, 2205, 60, 2204}, {44100, 2205, 0, 1},
        {44100, 2205, -2, 1},   {48000, 2400, 50, 2399},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.msAfterListStart << " ms");
        auto port = std::make_unique<MidiPort>(kNoDevice, kNoDevice, -1, -1, row.rate, row.blockFrames);
        callback(*port, MIM_OPEN, 0, 0);
        const uint32_t start = switchList(*port);
        callback(*port, MIM_DATA, 0x643C90, start + uint32_t(row.msAfterListStart));
        VstEvents* list = port->takeEvents();
        EXPECT_EQ(uint32_t(list->reserved), start) << "the list carries its start time";
        const auto got = contents(list);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].delta, row.expected);
        EXPECT_EQ(got[0].message, 0x643C90u);
    }
}

TEST(MidiPort, CallbackKeepsOnlyTheChannelsMessages) {
    struct Row {
        UINT driverMessage;
        uint32_t message;
        bool queued;
    };
    const Row rows[] = {
        {MIM_DATA, 0x643C90, true},       // channel 1
        {MIM_DATA, 0x643C91, false},      // channel 2
        {MIM_MOREDATA, 0x003C80, true},
        {MIM_DATA, 0x7F40B0, true},
        {MIM_DATA, 0x2040A0, false},      // polyphonic pressure
        {MIM_DATA, 0x0040D0, false},      // channel pressure
        {MIM_DATA, 0x0000F8, false},      // clock
        {MIM_DATA, 0x0000FE, false},      // active sensing
        {MIM_LONGDATA, 0x643C90, false},
        {MIM_ERROR, 0x643C90, false},
        {MIM_CLOSE, 0x643C90, false},
    };
    auto port = std::make_unique<MidiPort>(kNoDevice, kNoDevice, 0, 0, 44100, 2205);
    callback(*port, MIM_OPEN, 0, 0);
    std::vector<uint32_t> expected;
    for (const Row& row : rows) {
        callback(*port, row.driverMessage, row.message, 5);
        if (row.queued) expected.push_back(row.message);
    }
    std::vector<uint32_t> got;
    for (const Queued& q : contents(port->takeEvents())) got.push_back(q.message);
    EXPECT_EQ(got, expected);
}

TEST(MidiPort, InjectedMessagesLandInTheBlockBeingGathered) {
    _putenv("TINEMASTER_TEST_HOOKS=1");
    const unsigned int injection = midiInjectionWindowMessage();
    ASSERT_NE(injection, 0u);
    EXPECT_EQ(injection, RegisterWindowMessageA("Tinemaster.InjectMidiShortMessage"));

    auto port = std::make_unique<MidiPort>(kNoDevice, kNoDevice, -1, 0, 44100, 2205);
    port->takeEvents();
    EXPECT_TRUE(handleInjectionMessage(port.get(), injection, 0x7F3C90));
    EXPECT_FALSE(handleInjectionMessage(port.get(), WM_USER, 0x7F3C90));
    EXPECT_TRUE(handleInjectionMessage(nullptr, injection, 0x7F3C90));  // no port: swallowed
    port->deliverShortMessageNow(0x003C80);
    const auto got = contents(port->takeEvents());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, 0x7F3C90u);
    EXPECT_EQ(got[1].message, 0x003C80u);
    for (const Queued& q : got) {
        EXPECT_GE(q.delta, 1);
        EXPECT_LT(q.delta, 2205);
    }
}

}  // namespace
}  // namespace tine
