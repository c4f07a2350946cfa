// The MIDI port's input through the very callback WinMM calls. No MIDI
// device exists here, so the port opens nothing and the test plays the
// driver.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "standalone/MidiPort.h"

namespace tine {
namespace {

// The list's events as (sample offset, short message).
using Queued = std::pair<int32_t, uint32_t>;

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

std::unique_ptr<MidiPort> openPort(int32_t inputChannel, int32_t rate = 44100, uint32_t blockFrames = 2205) {
    auto port = std::make_unique<MidiPort>(kNoDevice, kNoDevice, inputChannel, 0, rate, blockFrames);
    MidiPort::driverCallback(nullptr, MIM_OPEN, reinterpret_cast<uintptr_t>(port.get()), 0, 0);
    return port;
}

void callback(MidiPort& port, UINT message, uint32_t p1, uint32_t p2) {
    MidiPort::driverCallback(nullptr, message, reinterpret_cast<uintptr_t>(&port), p1, p2);
}

TEST(MidiPort, CallbackStampsEventsAtTheirMillisecondInsideTheBlock) {
    struct Row {
        int32_t rate;
        uint32_t blockFrames;
        int32_t msAfterListStart;
        int32_t expected;
    };
    const Row rows[] = {
        {44100, 2205, 10, 440}, {44100, 2205, 60, 2204}, {44100, 2205, 0, 1},
        {44100, 2205, -2, 1},   {48000, 2400, 50, 2399}, {48000, 2400, 7, 336},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.msAfterListStart << " ms");
        auto port = openPort(-1, row.rate, row.blockFrames);
        // A fresh list whose start no clock tick split: its start time in ms since the open.
        uint32_t start = 0;
        for (DWORD before = 0, after = 1; before != after;) {
            before = timeGetTime();
            port->takeEvents();
            after = timeGetTime();
            start = after - port->intake().openTime();
        }
        callback(*port, MIM_DATA, 0x643C90, start + uint32_t(row.msAfterListStart));
        VstEvents* list = port->takeEvents();
        EXPECT_EQ(uint32_t(list->reserved), start) << "the list carries its start time";
        EXPECT_EQ(contents(list), (std::vector<Queued>{{row.expected, 0x643C90}}));
    }
}

TEST(MidiPort, CallbackKeepsOnlyNotesControllersProgramsAndBendsOfTheInputChannel) {
    struct Row {
        UINT driverMessage;
        uint32_t message;
        bool queued;
    };
    const Row rows[] = {
        {MIM_DATA, 0x643C90, true},      // note on, channel 1
        {MIM_DATA, 0x643C91, false},     // channel 2
        {MIM_MOREDATA, 0x003C80, true},  // note off
        {MIM_DATA, 0x7F40B0, true},      // pedal
        {MIM_DATA, 0x0005C0, true},      // program change
        {MIM_DATA, 0x4000E0, true},      // pitch bend
        {MIM_DATA, 0x2040A0, false},     // polyphonic pressure
        {MIM_DATA, 0x0040D0, false},     // channel pressure
        {MIM_DATA, 0x0000F8, false},     // clock
        {MIM_LONGDATA, 0x643C90, false}, {MIM_ERROR, 0x643C90, false}, {MIM_CLOSE, 0x643C90, false},
    };
    auto port = openPort(0);
    std::vector<uint32_t> expected, got;
    for (const Row& row : rows) {
        callback(*port, row.driverMessage, row.message, 5);
        if (row.queued)
            expected.push_back(row.message);
    }
    for (const Queued& q : contents(port->takeEvents())) got.push_back(q.second);
    EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace tine
