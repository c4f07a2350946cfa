#include "host/AudioStream.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tine {
namespace {

// A looping buffer whose play cursor moves on by a fixed number of bytes per
// millisecond slept. Every lock is logged with the cursor at that moment.
struct SimulatedBuffer {
    uint32_t size;
    uint32_t bytesPerMs;
    uint32_t cursor = 0;
    bool playing = false;
    std::vector<uint8_t> memory;

    // Scripted trouble.
    PlayResult firstPlay = PlayResult::Ok;
    int lostAtSleep = -1;
    bool restoreWorks = true;
    int statusFailsAtSleep = -1;
    int lockFailsAt = -1;
    int unlockFailsAt = -1;
    int stopAfterWrites = 8;
    int sleepBudget = 20000;  // a loop that never writes still ends

    int plays = 0, restores = 0, sleeps = 0, locks = 0, unlocks = 0;
    struct Write {
        uint32_t offset, bytes, cursor;
    };
    std::vector<Write> writes;
    std::vector<uint8_t> tape;  // everything copied in, in order
    LockedRegions pending;

    SimulatedBuffer(uint32_t bytes, uint32_t perMs) : size(bytes), bytesPerMs(perMs), memory(bytes, 0) {}

    PlayResult play() {
        ++plays;
        if (plays == 1 && firstPlay != PlayResult::Ok) return firstPlay;
        playing = true;
        return PlayResult::Ok;
    }
    bool restore() {
        ++restores;
        return restoreWorks;
    }
    bool playCursor(uint32_t& position) {
        position = cursor;
        return true;
    }
    bool status(bool& isPlaying, bool& lost) {
        if (sleeps == statusFailsAtSleep) return false;
        isPlaying = playing;
        lost = sleeps == lostAtSleep && restores == 0;
        return true;
    }
    bool lock(uint32_t offset, uint32_t bytes, LockedRegions& r) {
        if (locks++ == lockFailsAt || offset >= size || bytes > size) return false;
        writes.push_back({offset, bytes, cursor});
        r.first = &memory[offset];
        r.firstBytes = bytes < size - offset ? bytes : size - offset;
        r.second = bytes > r.firstBytes ? &memory[0] : nullptr;
        r.secondBytes = bytes - r.firstBytes;
        pending = r;
        return true;
    }
    bool unlock(const LockedRegions& r) {
        if (unlocks++ == unlockFailsAt) return false;
        const uint8_t* a = static_cast<uint8_t*>(r.first);
        tape.insert(tape.end(), a, a + r.firstBytes);
        if (r.second) {
            const uint8_t* b = static_cast<uint8_t*>(r.second);
            tape.insert(tape.end(), b, b + r.secondBytes);
        }
        if (int(writes.size()) >= stopAfterWrites) playing = false;  // the GUI thread's stop
        return true;
    }
    void sleepOneMs() {
        ++sleeps;
        cursor = (cursor + bytesPerMs) % size;
        if (sleeps >= sleepBudget) playing = false;
    }
};

// Fills each block with its own number, so the tape shows what went where.
struct NumberedBlocks {
    uint32_t calls = 0;
    static void fill(void* context, int16_t* samples, uint32_t frames) {
        auto* self = static_cast<NumberedBlocks*>(context);
        ++self->calls;
        for (uint32_t i = 0; i < frames * 2; ++i) samples[i] = int16_t(self->calls * 1000 + i % 7);
    }
};

std::vector<uint8_t> expectedTape(uint32_t blocks, uint32_t blockBytes) {
    std::vector<uint8_t> tape;
    for (uint32_t b = 1; b <= blocks; ++b)
        for (uint32_t i = 0; i < blockBytes / 2; ++i) {
            const auto s = uint16_t(int16_t(b * 1000 + i % 7));
            tape.push_back(uint8_t(s & 0xFF));
            tape.push_back(uint8_t(s >> 8));
        }
    return tape;
}

uint32_t run(SimulatedBuffer& buffer, uint32_t blockBytes, NumberedBlocks& source) {
    std::vector<uint8_t> scratch(blockBytes, 0);
    return streamBlocks(buffer, buffer.size, blockBytes, scratch.data(), &NumberedBlocks::fill, &source);
}

TEST(AudioStream, BlockBytesFollowLatencyAndRateInWholeFrames) {
    struct Row {
        int32_t rate, latencyMs;
        uint32_t expected;
    };
    const Row rows[] = {
        {44100, 50, 8820},    // 2205 frames
        {48000, 50, 9600},
        {44100, 3, 528},      // 529.2 bytes: a partial frame would shift every later block
        {22050, 1, 88},
        {44100, 0, 0},
        {0, 50, 0},
        {-44100, 50, 0},
        {44100, -50, 0},
        {192000, 2000, 1536000},
        {2147483647, 2147483647, 0xFFFFFFFCu},  // saturates rather than wraps
    };
    for (const Row& row : rows) {
        EXPECT_EQ(latencyBlockBytes(row.rate, row.latencyMs), row.expected) << row.rate << " Hz " << row.latencyMs;
    }
    EXPECT_EQ(secondaryBufferBytes(8820), 44100u);
    EXPECT_EQ(secondaryBufferBytes(0xFFFFFFFCu), 0u);
}

TEST(AudioStream, PrimaryBlocksAreAtMostHalfThePrimaryBuffer) {
    struct Row {
        uint32_t block, buffer, expected;
    };
    const Row rows[] = {
        {8820, 8820, 4408},  // as large as the buffer: it could never be written
        {8820, 65536, 8820},
        {32768, 65536, 32768},
        {32772, 65536, 32768},
        {4000, 8190, 4000},
        {8000, 8190, 4092},  // half of 8190 rounded down to whole frames
        {100, 0, 0},
    };
    for (const Row& row : rows) EXPECT_EQ(primaryBlockBytes(row.block, row.buffer), row.expected) << row.block;

    // The limited block actually streams.
    const uint32_t n = 8820;
    SimulatedBuffer buffer(n, 176);
    NumberedBlocks source;
    const uint32_t k = primaryBlockBytes(n, n);
    EXPECT_EQ(run(buffer, k, source), kStreamStopped);
    EXPECT_EQ(buffer.writes.size(), 8u);
    EXPECT_EQ(buffer.tape, expectedTape(8, k));
}

TEST(AudioStream, EachBlockGoesIntoTheRegionThePlayCursorHasJustLeft) {
    const uint32_t k = 8820, n = 5 * k, perMs = 176;
    for (uint32_t startCursor : {0u, 1000u, n - 4u}) {
        SCOPED_TRACE(startCursor);
        SimulatedBuffer buffer(n, perMs);
        buffer.cursor = startCursor;
        buffer.stopAfterWrites = 14;
        NumberedBlocks source;
        EXPECT_EQ(run(buffer, k, source), kStreamStopped);
        ASSERT_EQ(buffer.writes.size(), 14u);
        // Everything arrives, in order, split across the buffer's end where needed.
        EXPECT_EQ(buffer.tape, expectedTape(14, k));
        EXPECT_EQ(buffer.writes[0].offset, (startCursor + k) % n);
        for (std::size_t i = 0; i < buffer.writes.size(); ++i) {
            const auto& w = buffer.writes[i];
            if (i > 0) {
                EXPECT_EQ(w.offset, (buffer.writes[i - 1].offset + k) % n) << i;
            }
            // The cursor is past the whole region, by less than one poll.
            const uint32_t behind = (w.cursor + n - w.offset) % n;
            EXPECT_GE(behind, k) << i;
            if (i >= 5) {
                EXPECT_LT(behind, k + perMs) << i;
            }
        }
    }
}

TEST(AudioStream, ThreadEndsWithTheCodeOfWhatStoppedIt) {
    struct Row {
        const char* what;
        std::function<void(SimulatedBuffer&)> script;
        uint32_t exitCode;
        int minWrites;
        int restores;
    };
    const Row rows[] = {
        {"stopped", [](SimulatedBuffer&) {}, kStreamStopped, 8, 0},
        {"status fails", [](SimulatedBuffer& b) { b.statusFailsAtSleep = 30; }, kStreamDeviceFailed, 0, 0},
        {"lost and restored", [](SimulatedBuffer& b) { b.lostAtSleep = 30; }, kStreamStopped, 8, 1},
        {"lost for good",
         [](SimulatedBuffer& b) {
             b.lostAtSleep = 30;
             b.restoreWorks = false;
         },
         kStreamRestoreFailed, 0, 1},
        {"lost before playing", [](SimulatedBuffer& b) { b.firstPlay = PlayResult::Lost; }, kStreamStopped, 8, 1},
        {"lost before playing for good",
         [](SimulatedBuffer& b) {
             b.firstPlay = PlayResult::Lost;
             b.restoreWorks = false;
         },
         kStreamRestoreFailed, 0, 1},
        {"play fails otherwise: ignored", [](SimulatedBuffer& b) { b.firstPlay = PlayResult::Failed; },
         kStreamStopped, 0, 0},
        {"lock fails", [](SimulatedBuffer& b) { b.lockFailsAt = 2; }, kStreamDeviceFailed, 2, 0},
        {"unlock fails", [](SimulatedBuffer& b) { b.unlockFailsAt = 3; }, kStreamDeviceFailed, 3, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SimulatedBuffer buffer(5 * 1764, 176);
        row.script(buffer);
        NumberedBlocks source;
        EXPECT_EQ(run(buffer, 1764, source), row.exitCode);
        EXPECT_GE(int(buffer.writes.size()), row.minWrites);
        EXPECT_EQ(buffer.restores, row.restores);
        if (row.exitCode != kStreamStopped) {
            EXPECT_LT(int(buffer.writes.size()), 8);
        }
    }
}

}  // namespace
}  // namespace tine
