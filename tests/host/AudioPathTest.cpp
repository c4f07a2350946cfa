// The sound's way out of the standalone host: block sizes and the audio
// thread's loop over a looping sound buffer (simulated here), each block's
// render, and the recording of what was sent into a WAV file.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "TestFiles.h"
#include "host/AudioStream.h"
#include "host/MidiIntake.h"
#include "host/WavRecorder.h"
#include "params/ErrorReport.h"
#include "plugin/SynthPlugin.h"

namespace tine {
namespace {

using namespace test;

enum class Trouble { None, StatusFails, Lost, LostForGood, LostBeforePlaying, PlayFails, LockFails, UnlockFails };

constexpr uint32_t kBytesPerMs = 176;  // 44100 Hz stereo

// Trouble strikes at the 30th sleep, or at the third lock or the fourth unlock.
struct SimulatedBuffer {
    SimulatedBuffer(uint32_t bytes, uint32_t startCursor, Trouble what = Trouble::None, int stopAfter = 8)
        : size(bytes), cursor(startCursor), trouble(what), stopAfterWrites(stopAfter), memory(bytes) {}
    uint32_t size, cursor;
    Trouble trouble;
    int stopAfterWrites;  // the GUI thread's stop
    bool playing = false;
    int plays = 0, restores = 0, sleeps = 0, locks = 0, unlocks = 0;
    std::vector<uint8_t> memory;
    std::vector<std::pair<uint32_t, uint32_t>> writes;  // offset, play cursor at the time
    std::vector<uint8_t> tape;                          // everything copied in, in order

    PlayResult play() {
        if (++plays == 1 && trouble == Trouble::LostBeforePlaying)
            return PlayResult::Lost;
        if (plays == 1 && trouble == Trouble::PlayFails)
            return PlayResult::Failed;
        playing = true;
        return PlayResult::Ok;
    }
    bool restore() { return ++restores, trouble != Trouble::LostForGood; }
    bool playCursor(uint32_t& position) { return position = cursor, true; }
    bool status(bool& isPlaying, bool& lost) {
        isPlaying = playing;
        lost = sleeps == 30 && restores == 0 && (trouble == Trouble::Lost || trouble == Trouble::LostForGood);
        return sleeps != 30 || trouble != Trouble::StatusFails;
    }
    bool lock(uint32_t offset, uint32_t bytes, LockedRegions& r) {
        if ((locks++ == 2 && trouble == Trouble::LockFails) || offset >= size || bytes > size)
            return false;
        writes.push_back({offset, cursor});
        r.first = &memory[offset];
        r.firstBytes = std::min(bytes, size - offset);
        r.second = bytes > r.firstBytes ? &memory[0] : nullptr;
        r.secondBytes = bytes - r.firstBytes;
        return true;
    }
    bool unlock(const LockedRegions& r) {
        tape.insert(tape.end(), static_cast<uint8_t*>(r.first), static_cast<uint8_t*>(r.first) + r.firstBytes);
        tape.insert(tape.end(), memory.data(), memory.data() + (r.second ? r.secondBytes : 0));
        playing = playing && int(writes.size()) < stopAfterWrites;
        return unlocks++ != 3 || trouble != Trouble::UnlockFails;
    }
    void sleepOneMs() {
        cursor = (cursor + kBytesPerMs) % size;
        playing = ++sleeps < 20000 && playing;  // a loop that never writes still ends
    }
};

// Each block holds its own number, so the tape shows what went where.
int16_t sampleOf(uint32_t block, uint32_t i) {
    return int16_t(block * 1000 + i % 7);
}

uint32_t run(SimulatedBuffer& buffer, uint32_t blockBytes) {
    uint32_t blocks = 0;
    std::vector<uint8_t> scratch(blockBytes);
    auto fill = [](void* context, int16_t* samples, uint32_t frames) {
        const uint32_t block = ++*static_cast<uint32_t*>(context);
        for (uint32_t i = 0; i < frames * 2; ++i) samples[i] = sampleOf(block, i);
    };
    return streamBlocks(buffer, buffer.size, blockBytes, scratch.data(), fill, &blocks);
}

TEST(AudioStream, BlockSizesFollowLatencyAndRateInWholeFrames) {
    EXPECT_EQ(latencyBlockBytes(44100, 50), 8820u);  // 2205 frames
    EXPECT_EQ(latencyBlockBytes(48000, 50), 9600u);
    EXPECT_EQ(latencyBlockBytes(44100, 3), 528u);  // 529.2 bytes: a partial frame would shift every later block
    EXPECT_EQ(latencyBlockBytes(0, 50), 0u);
    EXPECT_EQ(latencyBlockBytes(44100, -50), 0u);
    EXPECT_EQ(latencyBlockBytes(2147483647, 2147483647), 0xFFFFFFFCu);  // saturates rather than wraps
    EXPECT_EQ(secondaryBufferBytes(8820), 44100u);
    EXPECT_EQ(secondaryBufferBytes(0xFFFFFFFCu), 0u);
    // Straight into a primary buffer, a block needs room to wait behind the cursor.
    EXPECT_EQ(primaryBlockBytes(8820, 65536), 8820u);
    EXPECT_EQ(primaryBlockBytes(8820, 8820), 4408u);
    EXPECT_EQ(primaryBlockBytes(8000, 8190), 4092u);  // half, in whole frames
}

TEST(AudioStream, EachBlockGoesWhereThePlayCursorJustWasUntilTheStreamEnds) {
    const uint32_t k = 8820, n = 5 * 1764;
    struct Row {
        uint32_t buffer, block, startCursor;
        Trouble trouble;
        uint32_t exitCode;
        int restores;
    } rows[] = {
        // clang-format off
        {5 * k, k, 0, Trouble::None, kStreamStopped, 0},
        {5 * k, k, 1000, Trouble::None, kStreamStopped, 0},
        {5 * k, k, 5 * k - 4, Trouble::None, kStreamStopped, 0},  // the first block already wraps
        {k, primaryBlockBytes(k, k), 0, Trouble::None, kStreamStopped, 0},
        {n, 1764, 0, Trouble::StatusFails, kStreamDeviceFailed, 0},
        {n, 1764, 0, Trouble::Lost, kStreamStopped, 1},
        {n, 1764, 0, Trouble::LostForGood, kStreamRestoreFailed, 1},
        {n, 1764, 0, Trouble::LostBeforePlaying, kStreamStopped, 1},
        {n, 1764, 0, Trouble::PlayFails, kStreamStopped, 0},  // ignored, and nothing plays
        {n, 1764, 0, Trouble::LockFails, kStreamDeviceFailed, 0},
        {n, 1764, 0, Trouble::UnlockFails, kStreamDeviceFailed, 0},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.block << " from " << row.startCursor << ", trouble "
                                        << int(row.trouble));
        SimulatedBuffer buffer(row.buffer, row.startCursor, row.trouble, 14);
        EXPECT_EQ(run(buffer, row.block), row.exitCode);
        EXPECT_EQ(buffer.restores, row.restores);
        // Fourteen blocks went out exactly when the GUI thread's stop ended the stream.
        const uint32_t blocks = uint32_t(buffer.writes.size());
        EXPECT_EQ(blocks == 14, row.exitCode == kStreamStopped && row.trouble != Trouble::PlayFails);
        // What went out arrived in order, split across the buffer's end where needed.
        std::vector<uint8_t> tape;
        for (uint32_t b = 1; b <= blocks; ++b)
            for (uint32_t i = 0; i < row.block / 2; ++i)
                tape.insert(tape.end(), {uint8_t(sampleOf(b, i) & 0xFF), uint8_t(uint16_t(sampleOf(b, i)) >> 8)});
        EXPECT_EQ(buffer.tape, tape);
        for (std::size_t i = 0; i < blocks; ++i) {
            const auto [offset, cursor] = buffer.writes[i];
            EXPECT_EQ(offset, ((i ? buffer.writes[i - 1].first : row.startCursor) + row.block) % row.buffer) << i;
            // The cursor is past the whole region, once caught up by less than one poll.
            const uint32_t behind = (cursor + row.buffer - offset) % row.buffer;
            EXPECT_GE(behind, row.block) << i;
            EXPECT_TRUE(i < 5 || behind < row.block + kBytesPerMs) << i;
        }
    }
}

TEST(WavWriter, HeaderBytesAreExact) {
    // 192 kHz, six channels, and a size whose every byte differs.
    const auto header = makeWavHeader(192000, 6, 0x12345678);
    // clang-format off
    EXPECT_EQ(Bytes(header.begin(), header.end()),
              (Bytes{'R', 'I', 'F', 'F', 0x9C, 0x56, 0x34, 0x12, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                     0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x00, 0xEE, 0x02, 0x00, 0x00, 0x28, 0x23, 0x00,
                     0x0C, 0x00, 0x10, 0x00, 'd', 'a', 't', 'a', 0x78, 0x56, 0x34, 0x12}));
    // clang-format on
    // A RIFF size past 32 bits saturates: wrapped, it would describe a tiny file.
    const auto huge = makeWavHeader(44100, 2, 0xFFFFFFF0u);
    EXPECT_EQ(Bytes(&huge[4], &huge[8]), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(WavWriter, FailuresNameTheFileAndStickUntilReopened) {
    TempDir dir;
    struct Row {
        std::string path;
        uint32_t rate;
        uint16_t channels;
        std::size_t frames;
        bool opens;
        const char* error;
    } rows[] = {
        {dir / "none/out.wav", 44100, 2, 10, false, "No such file"},
        {dir / "a.wav", 44100, 0, 0, false, "invalid format"},
        {dir / "b.wav", 0x7FFFFFFF, 2, 0, false, "sample rate too high"},  // bytes per second past 32 bits
        {dir / "c.wav", 44100, 2, std::size_t(1) << 30, true, "4 GiB limit"},
        // A full device takes the buffered header: the loss must surface at
        // the latest when finishing, and at once when a write goes through.
        {"/dev/full", 44100, 2, 10, true, "No space left"},
        {"/dev/full", 44100, 2, 100000, true, "No space left"},
    };
    const std::vector<int16_t> samples(2 * 100000, 1000);
    const std::vector<int16_t> edges = {1, -1, 32767, -32768, 0x1234, -0x1234};
    for (const Row& row : rows) {
        WavWriter wav;
        EXPECT_EQ(wav.open(row.path, row.rate, row.channels), row.opens) << row.error;
        wav.append(samples.data(), row.frames);  // past 4 GiB, refused before any sample is read
        EXPECT_FALSE(wav.finish()) << row.error;
        EXPECT_NE(wav.error().find(row.error), std::string::npos) << wav.error();
        EXPECT_NE(wav.error().find(row.path), std::string::npos) << wav.error();
        EXPECT_FALSE(wav.append(samples.data(), 1)) << row.error;
        // Opened again, on a file that exists from the row before.
        ASSERT_TRUE(wav.open(dir / "fine.wav", 48000, 2));
        EXPECT_TRUE(wav.append(edges.data(), 2) && wav.append(edges.data(), 0) && wav.append(edges.data() + 4, 1));
        EXPECT_TRUE(wav.finish()) << wav.error();
        const Bytes file = readBytes(dir / "fine.wav");
        EXPECT_EQ(file, wavFile(48000, 2, edges));
        EXPECT_EQ(Bytes(file.begin() + 44, file.end()),
                  (Bytes{0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x80, 0x34, 0x12, 0xCC, 0xED}));
    }
}

std::vector<ErrorCode> reported;

// Collects the reported errors for the life of a test.
struct ErrorCapture {
    ErrorSink previous = setErrorSink([](ErrorCode code, const char*) { reported.push_back(code); });
    ErrorCapture() { reported.clear(); }
    ~ErrorCapture() { setErrorSink(previous); }
};

// The MIDI port's side: one note 200 frames into the first block, then empty lists.
struct OneNote : MidiEventSource {
    VstMidiEvent note{kVstMidiType, 24, 200, 0, 0, 0, {char(0x90), 60, 127, 0}, 0, 0, 0, 0};
    VstEvents list{0, 0, {reinterpret_cast<VstEvent*>(&note), nullptr}};
    int taken = 0;
    VstEvents* takeEvents() override {
        list.numEvents = taken++ == 0 ? 1 : 0;
        return &list;
    }
};

TEST(WavRecorder, RecordsExactlyTheBlocksSentUntilRestartedOrClosed) {
    ErrorCapture errors;
    TempDir dir;
    SynthPlugin plugin([](AEffect*, int32_t, int32_t, intptr_t, void*, float) -> intptr_t { return 0; });
    OneNote midi;
    const uint32_t frames = 512;
    std::vector<int16_t> block(frames * 2, 0x5555), first, second;
    auto sounds = [&](int from, int to) {
        return std::any_of(block.begin() + from, block.begin() + to, [](int16_t s) { return s != 0; });
    };
    {
        RecorderSlot recorder;
        renderBlock(plugin, &midi, &recorder, block.data(), frames);
        EXPECT_FALSE(sounds(0, 400)) << "the old contents are rendered over";
        EXPECT_TRUE(sounds(400, frames * 2)) << "the block's note sounds from its frame on";
        ASSERT_TRUE(recorder.start(dir / "first.wav", 44100));
        for (int i = 0; i < 5; ++i) {
            renderBlock(plugin, &midi, &recorder, block.data(), frames);
            first.insert(first.end(), block.begin(), block.end());
        }
        ASSERT_TRUE(recorder.start(dir / "second.wav", 48000));  // e.g. after a rate change
        EXPECT_TRUE(recorder.recording());
        renderBlock(plugin, nullptr, &recorder, block.data(), frames);
        second = block;
    }
    renderBlock(plugin, nullptr, nullptr, block.data(), frames);
    EXPECT_EQ(readBytes(dir / "first.wav"), wavFile(44100, 2, first));
    EXPECT_EQ(readBytes(dir / "second.wav"), wavFile(48000, 2, second));
    EXPECT_TRUE(reported.empty());
}

TEST(WavRecorder, FinishingWaitsForTheBlockBeingAppendedAndReportsEachFailureOnce) {
    ErrorCapture errors;
    TempDir dir;
    RecorderSlot recorder;
    const std::vector<int16_t> block(2 * 1000000, 0x1234);  // long enough to be caught while written
    EXPECT_FALSE(recorder.start(dir / "none/take.wav", 44100));
    EXPECT_FALSE(recorder.recording());
    recorder.append(block.data(), 1);
    // Finished while the audio thread writes a block, the file is whole and
    // final: the block is in it. Tried until a take finishes mid-block.
    for (int take = 0; take < 20; ++take) {
        ASSERT_TRUE(recorder.start(dir / "take.wav", 44100));
        std::atomic<bool> appended{false};
        std::thread audio([&] {
            recorder.append(block.data(), 1000000);
            appended = true;
        });
        while (!appended && std::filesystem::file_size(dir / "take.wav") <= kWavHeaderSize) std::this_thread::yield();
        const bool midBlock = !appended;
        recorder.finish();
        EXPECT_EQ(readBytes(dir / "take.wav"), wavFile(44100, 2, block));
        audio.join();
        if (midBlock)
            break;
    }
    // A lost write is reported when finishing, not by the audio thread.
    ASSERT_TRUE(recorder.start("/dev/full", 44100));
    recorder.append(block.data(), 20000);
    EXPECT_EQ(reported, std::vector<ErrorCode>{ErrorCode::OpenFailed});
    recorder.finish();
    EXPECT_FALSE(recorder.recording());
    recorder.finish();
    EXPECT_EQ(reported, (std::vector<ErrorCode>{ErrorCode::OpenFailed, ErrorCode::WriteFailed}));
}

}  // namespace
}  // namespace tine
