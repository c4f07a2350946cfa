// The MIDI port's input through the very callback WinMM calls. No MIDI device
// exists here: the port opens nothing and the test plays the driver.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "standalone/MidiPort.h"

namespace tine {
namespace {

// A device index no system has: the port opens nothing, silently.
constexpr int32_t kNoDevice = 0x7FFF;

TEST(MidiPort, CallbackQueuesTheInputChannelsInstrumentMessagesAtTheirMillisecondInsideTheBlock) {
    struct Row {
        UINT driverMessage;
        uint32_t message;
        int32_t rate, msAfterListStart;
        int32_t offset;  // -1: not queued
    };
    // clang-format off
    const Row rows[] = {
        {MIM_DATA, 0x643C90, 44100, 10, 440},    {MIM_DATA, 0x643C90, 44100, 0, 1},
        {MIM_DATA, 0x643C90, 44100, -2, 1},      {MIM_DATA, 0x643C90, 44100, 60, 2204},  // clamped into the block
        {MIM_DATA, 0x643C90, 48000, 7, 336},     {MIM_DATA, 0x643C90, 48000, 50, 2399},
        {MIM_MOREDATA, 0x003C80, 44100, 5, 220}, // note off
        {MIM_DATA, 0x7F40B0, 44100, 5, 220},     // pedal
        {MIM_DATA, 0x0005C0, 44100, 5, 220},     // program change
        {MIM_DATA, 0x4000E0, 44100, 5, 220},     // pitch bend
        {MIM_DATA, 0x643C91, 44100, 5, -1},      // channel 2
        {MIM_DATA, 0x2040A0, 44100, 5, -1},      // polyphonic pressure
        {MIM_DATA, 0x0040D0, 44100, 5, -1},      // channel pressure
        {MIM_DATA, 0x0000F8, 44100, 5, -1},      // clock
        {MIM_LONGDATA, 0x643C90, 44100, 5, -1},  {MIM_ERROR, 0x643C90, 44100, 5, -1},
        {MIM_CLOSE, 0x643C90, 44100, 5, -1},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.message << std::dec << " at " << row.rate << " Hz, "
                                        << row.msAfterListStart << " ms into the list");
        const uint32_t blockFrames = uint32_t(row.rate / 20);  // 50 ms
        auto port = std::make_unique<MidiPort>(kNoDevice, kNoDevice, 0, 0, row.rate, blockFrames);
        const auto instance = reinterpret_cast<uintptr_t>(port.get());
        MidiPort::driverCallback(nullptr, MIM_OPEN, instance, 0, 0);
        // A fresh list whose start no clock tick split: its start in ms since the open.
        uint32_t start = 0;
        for (DWORD before = 0, after = 1; before != after;) {
            before = timeGetTime();
            port->takeEvents();
            after = timeGetTime();
            start = after - port->intake().openTime();
        }
        MidiPort::driverCallback(nullptr, row.driverMessage, instance, row.message,
                                 start + uint32_t(row.msAfterListStart));
        VstEvents* list = port->takeEvents();
        EXPECT_EQ(uint32_t(list->reserved), start) << "the list carries its start time";
        ASSERT_EQ(list->numEvents, row.offset < 0 ? 0 : 1);
        const auto* e = reinterpret_cast<const VstMidiEvent*>(list->events[0]);
        EXPECT_TRUE(row.offset < 0 || (e->deltaFrames == row.offset && std::memcmp(e->midiData, &row.message, 3) == 0))
            << e->deltaFrames;
    }
}

}  // namespace
}  // namespace tine
