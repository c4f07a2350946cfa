#include "host/MidiIntake.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace tine {
namespace {

struct Queued {
    int32_t delta;
    uint8_t status, d1, d2;
};

std::vector<Queued> contents(VstEvents* list) {
    std::vector<Queued> out;
    for (int32_t i = 0; i < list->numEvents; ++i) {
        const auto* e = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
        out.push_back({e->deltaFrames, uint8_t(e->midiData[0]), uint8_t(e->midiData[1]), uint8_t(e->midiData[2])});
    }
    return out;
}

uint32_t shortMessage(uint8_t status, uint8_t d1, uint8_t d2) { return status | (d1 << 8) | (d2 << 16); }

TEST(MidiIntake, StampsEventsAtTheirMillisecondInsideTheNextBlock) {
    struct Row {
        int32_t rate;
        uint32_t blockFrames;
        int32_t msAfterListStart;
        int32_t expected;
    };
    const Row rows[] = {
        {44100, 2205, 10, 440},   // 10 ms x 44 samples
        {44100, 2205, 60, 2204},  // beyond the block: its last frame
        {44100, 2205, 0, 1},      // the list's own millisecond: 1, not 0
        {44100, 2205, -2, 1},     // before the list began
        {44100, 2205, 50, 2200},
        {48000, 2400, 50, 2399},  // exactly one block later
        {48000, 2400, 49, 2352},
        {22050, 1102, 1, 22},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.msAfterListStart << " ms");
        auto intake = std::make_unique<MidiIntake>(-1, row.rate, row.blockFrames);
        const uint32_t openedAt = 70000;
        intake->onDriverMessage(kMidiInOpen, 0, 0, openedAt);
        // The second list starts 1234 ms after opening; time stamps share that origin.
        intake->takeEvents(openedAt + 1234);
        intake->onDriverMessage(kMidiInData, shortMessage(0x90, 60, 100), uint32_t(1234 + row.msAfterListStart),
                                openedAt + 1234 + 5);
        const auto got = contents(intake->takeEvents(openedAt + 1300));
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].delta, row.expected);
    }
}

TEST(MidiIntake, FirstListStartsAtTimeZero) {
    auto intake = std::make_unique<MidiIntake>(-1, 44100, 2205);
    intake->onDriverMessage(kMidiInOpen, 0, 0, 5000);
    intake->onDriverMessage(kMidiInData, shortMessage(0x90, 60, 1), 5, 5005);
    const auto got = contents(intake->takeEvents(5040));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].delta, 220);
    EXPECT_EQ(intake->openTime(), 5000u);
}

TEST(MidiIntake, QueuesOnlyChannelMessagesTheInstrumentUsesOnItsChannel) {
    struct Row {
        int32_t inputChannel;
        uint32_t driverMessage;
        uint32_t message;
        bool queued;
    };
    const Row rows[] = {
        {0, kMidiInData, shortMessage(0x91, 60, 100), false},  // channel 2 while listening to 1
        {-1, kMidiInData, shortMessage(0x91, 60, 100), true},  // all channels
        {0, kMidiInData, shortMessage(0x90, 60, 100), true},
        {0, kMidiInData, shortMessage(0x90, 60, 0), true},     // velocity 0 stays a note on
        {15, kMidiInMoreData, shortMessage(0x8F, 60, 0), true},
        {-1, kMidiInData, shortMessage(0xB3, 64, 127), true},  // sustain pedal
        {-1, kMidiInData, shortMessage(0xC0, 5, 0), true},
        {-1, kMidiInData, shortMessage(0xE0, 0, 64), true},
        {-1, kMidiInData, shortMessage(0xA0, 60, 30), false},  // polyphonic pressure
        {-1, kMidiInData, shortMessage(0xD0, 30, 0), false},   // channel pressure
        {-1, kMidiInData, 0xF8, false},                        // clock
        {-1, kMidiInData, 0xFE, false},                        // active sensing
        {8, kMidiInData, 0xF8, false},                         // passes the channel test, still system
        {-1, kMidiInData, shortMessage(0x3C, 64, 0), false},   // a stray data byte
        {-1, kMidiInLongData, shortMessage(0x90, 60, 100), false},
        {-1, kMidiInError, shortMessage(0x90, 60, 100), false},
        {-1, kMidiInLongError, shortMessage(0x90, 60, 100), false},
        {-1, kMidiInClose, shortMessage(0x90, 60, 100), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "channel " << row.inputChannel << " driver 0x" << std::hex
                                        << row.driverMessage << " message 0x" << row.message);
        auto intake = std::make_unique<MidiIntake>(row.inputChannel, 44100, 2205);
        intake->onDriverMessage(row.driverMessage, row.message, 3, 3);
        const auto got = contents(intake->takeEvents(40));
        ASSERT_EQ(got.size(), row.queued ? 1u : 0u);
        if (row.queued) {
            EXPECT_EQ(got[0].status, row.message & 0xFF);
            EXPECT_EQ(got[0].d1, (row.message >> 8) & 0xFF);
            EXPECT_EQ(got[0].d2, (row.message >> 16) & 0xFF);
        }
    }
}

TEST(MidiIntake, QueuedRecordHasTheMidiEventLayout) {
    auto intake = std::make_unique<MidiIntake>(-1, 44100, 2205);
    intake->onDriverMessage(kMidiInData, 0xAB7F3C90u, 1, 1);  // junk in the top byte is not copied
    VstEvents* list = intake->takeEvents(10);
    ASSERT_EQ(list->numEvents, 1);
    const auto* e = reinterpret_cast<const VstMidiEvent*>(list->events[0]);
    EXPECT_EQ(e->type, kVstMidiType);
    EXPECT_EQ(e->byteSize, 24);
    EXPECT_EQ(e->deltaFrames, 44);
    EXPECT_EQ(e->flags, 0);
    EXPECT_EQ(e->noteLength, 0);
    EXPECT_EQ(e->noteOffset, 0);
    EXPECT_EQ(uint8_t(e->midiData[0]), 0x90);
    EXPECT_EQ(uint8_t(e->midiData[1]), 0x3C);
    EXPECT_EQ(uint8_t(e->midiData[2]), 0x7F);
    EXPECT_EQ(e->midiData[3], 0);
    EXPECT_EQ(e->detune, 0);
    EXPECT_EQ(e->noteOffVelocity, 0);
    EXPECT_EQ(e->reserved1, 0);
    EXPECT_EQ(e->reserved2, 0);
}

TEST(MidiIntake, ListsAlternateAndAHandedListStaysIntactWhileTheNextFills) {
    auto intake = std::make_unique<MidiIntake>(-1, 44100, 2205);
    for (uint8_t n = 0; n < 3; ++n) intake->onDriverMessage(kMidiInData, shortMessage(0x90, n, 1), 1, 1);
    VstEvents* first = intake->takeEvents(50);
    for (uint8_t n = 10; n < 15; ++n) intake->onDriverMessage(kMidiInData, shortMessage(0x90, n, 1), 60, 60);

    const auto handed = contents(first);
    ASSERT_EQ(handed.size(), 3u);
    for (uint8_t n = 0; n < 3; ++n) EXPECT_EQ(handed[n].d1, n);

    VstEvents* second = intake->takeEvents(100);
    EXPECT_NE(second, first);
    const auto next = contents(second);
    ASSERT_EQ(next.size(), 5u);
    EXPECT_EQ(next[0].d1, 10);
    EXPECT_EQ(next[0].delta, 440);  // 10 ms after the list began at 50
    // The third list is the first one again, emptied.
    EXPECT_EQ(intake->takeEvents(150), first);
    EXPECT_EQ(first->numEvents, 0);
}

TEST(MidiIntake, AFullListDropsLaterEventsAndKeepsEarlierOnes) {
    auto intake = std::make_unique<MidiIntake>(-1, 44100, 2205);
    const uint32_t sent = 5000;
    for (uint32_t i = 0; i < sent; ++i)
        intake->onDriverMessage(kMidiInData, shortMessage(0xB0, uint8_t(i & 0x7F), uint8_t(i >> 7)), 1, 1);
    const auto block = contents(intake->takeEvents(50));
    ASSERT_EQ(block.size(), kMidiListLimit);
    for (uint32_t i = 0; i < block.size(); ++i) {
        ASSERT_EQ(block[i].d1, i & 0x7F) << i;
        ASSERT_EQ(block[i].d2, i >> 7) << i;
    }
    EXPECT_EQ(intake->droppedEvents(), sent - kMidiListLimit);

    // The next block takes events again.
    intake->onDriverMessage(kMidiInData, shortMessage(0x90, 60, 1), 60, 60);
    EXPECT_EQ(contents(intake->takeEvents(100)).size(), 1u);
}

TEST(MidiIntake, TwoFullListsNeverShareRecords) {
    auto intake = std::make_unique<MidiIntake>(-1, 44100, 2205);
    for (uint32_t i = 0; i < kMidiListLimit; ++i)
        intake->onDriverMessage(kMidiInData, shortMessage(0x90, 1, uint8_t(i & 0x7F)), 1, 1);
    VstEvents* rendering = intake->takeEvents(50);
    for (uint32_t i = 0; i < kMidiListLimit; ++i)
        intake->onDriverMessage(kMidiInData, shortMessage(0x80, 2, 0), 60, 60);
    const auto kept = contents(rendering);
    ASSERT_EQ(kept.size(), kMidiListLimit);
    for (uint32_t i = 0; i < kept.size(); ++i) {
        ASSERT_EQ(kept[i].status, 0x90) << i;
        ASSERT_EQ(kept[i].d2, i & 0x7F) << i;
    }
}

TEST(MidiIntake, EveryEventArrivesOnceWhileBlocksAreTakenConcurrently) {
    auto intake = std::make_unique<MidiIntake>(-1, 44100, 2205);
    const uint32_t total = 20000;
    std::atomic<bool> done{false};
    std::atomic<uint32_t> takes{0};
    std::thread driver([&] {
        for (uint32_t i = 0; i < total; ++i) {
            intake->onDriverMessage(kMidiInData, shortMessage(0xB0, uint8_t(i & 0x7F), uint8_t((i >> 7) & 0x7F)), i,
                                    i);
            // Never more than a list's worth between two hand-overs, however
            // the threads are scheduled.
            if (i % 1000 == 999) {
                const uint32_t seenTakes = takes.load();
                while (takes.load() < seenTakes + 2) std::this_thread::yield();
            }
        }
        done = true;
    });
    std::vector<uint32_t> seen;
    uint32_t now = 0;
    for (;;) {
        const bool last = done.load();
        for (const Queued& q : contents(intake->takeEvents(now += 50))) seen.push_back(q.d1 | (q.d2 << 7));
        ++takes;
        if (last) break;
    }
    driver.join();
    for (const Queued& q : contents(intake->takeEvents(now + 50))) seen.push_back(q.d1 | (q.d2 << 7));
    ASSERT_EQ(intake->droppedEvents(), 0u);
    ASSERT_EQ(seen.size(), total);
    for (uint32_t i = 0; i < total; ++i) ASSERT_EQ(seen[i], i & 0x3FFF) << i;
}

TEST(MidiIntake, ControlChangeGoesOutOnTheChannelWithUnmaskedDataBytes) {
    struct Row {
        int32_t channel;
        uint8_t d1, d2;
        uint32_t expected;
    };
    const Row rows[] = {
        {0, 7, 100, 0x6407B0},   // B0 07 64
        {15, 64, 127, 0x7F40BF},
        {3, 0x80, 0xFF, 0xFF80B3},
    };
    for (const Row& row : rows) EXPECT_EQ(controlChangeMessage(row.channel, row.d1, row.d2), row.expected);
}

}  // namespace
}  // namespace tine
