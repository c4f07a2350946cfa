#include "host/WavRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "TestHost.h"
#include "params/ErrorReport.h"
#include "host/MidiIntake.h"
#include "host/RenderBlock.h"

namespace tine {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t le32(const Bytes& b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

class TempPath {
public:
    TempPath() {
        char name[] = "/tmp/tine-rec-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        path_ = name;
    }
    ~TempPath() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<ErrorCode>& reported() {
    static std::vector<ErrorCode> codes;
    return codes;
}

// Captures reportError for the life of a test.
struct ErrorCapture {
    ErrorSink previous;
    ErrorCapture() {
        reported().clear();
        previous = setErrorSink([](ErrorCode code, const char*) { reported().push_back(code); });
    }
    ~ErrorCapture() { setErrorSink(previous); }
};

// A complete recording of dataBytes at rate: the header as it must be, then
// exactly that much data.
void expectCompleteFile(const Bytes& file, uint32_t rate, uint32_t dataBytes) {
    ASSERT_EQ(file.size(), kWavHeaderSize + dataBytes);
    const auto header = makeWavHeader(rate, 2, dataBytes);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
    EXPECT_EQ(le32(file, 4), dataBytes + 36);
    EXPECT_EQ(le32(file, 24), rate);
    EXPECT_EQ(le32(file, 28), rate * 4);
    EXPECT_EQ(le32(file, 40), dataBytes);
}

// Hands out one prepared list per block, the way the MIDI port does.
class ScriptedMidi : public MidiEventSource {
public:
    explicit ScriptedMidi(std::vector<std::vector<test::Midi>> blocks) : blocks_(std::move(blocks)) {}
    VstEvents* takeEvents() override {
        const std::vector<test::Midi> none;
        current_ = std::make_unique<test::EventList>(next_ < blocks_.size() ? blocks_[next_] : none);
        ++next_;
        return current_->get();
    }

private:
    std::vector<std::vector<test::Midi>> blocks_;
    std::unique_ptr<test::EventList> current_;
    std::size_t next_ = 0;
};

TEST(WavRecorder, RecordsExactlyTheRenderedBlocksAsSentToTheDevice) {
    ErrorCapture errors;
    test::PluginRig rig;
    TempPath wav;
    RecorderSlot recorder;
    const uint32_t frames = 2205;
    const int blocksBefore = 2, blocksRecorded = 5, blocksAfter = 2;
    ScriptedMidi midi({{{100, 0x90, 60, 127}}});
    std::vector<int16_t> block(frames * 2);
    std::vector<int16_t> sent;

    for (int i = 0; i < blocksBefore; ++i) renderBlock(*rig, &midi, &recorder, block.data(), frames);
    ASSERT_TRUE(recorder.start(wav.path(), 44100));
    EXPECT_TRUE(recorder.recording());
    for (int i = 0; i < blocksRecorded; ++i) {
        renderBlock(*rig, &midi, &recorder, block.data(), frames);
        sent.insert(sent.end(), block.begin(), block.end());
    }
    recorder.finish();
    EXPECT_FALSE(recorder.recording());
    for (int i = 0; i < blocksAfter; ++i) renderBlock(*rig, &midi, &recorder, block.data(), frames);

    const Bytes file = readAll(wav.path());
    expectCompleteFile(file, 44100, blocksRecorded * frames * 4);
    ASSERT_EQ(file.size(), kWavHeaderSize + sent.size() * 2);
    bool sounding = false;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const int16_t s = int16_t(uint16_t(file[kWavHeaderSize + 2 * i] | file[kWavHeaderSize + 2 * i + 1] << 8));
        ASSERT_EQ(s, sent[i]) << i;
        sounding = sounding || s != 0;
    }
    EXPECT_TRUE(sounding) << "the note handed over by the first block should still sound";
    EXPECT_TRUE(reported().empty());
}

TEST(WavRecorder, RenderBlockHandsTheMidiToTheInstrumentBeforeRendering) {
    test::PluginRig rig;
    rig.dry();
    const uint32_t frames = 512;
    std::vector<int16_t> block(frames * 2, 0x5555);

    renderBlock(*rig, nullptr, nullptr, block.data(), frames);
    for (int16_t s : block) ASSERT_EQ(s, 0);  // silence rendered over the old contents

    ScriptedMidi midi({{{200, 0x90, 64, 127}}});
    renderBlock(*rig, &midi, nullptr, block.data(), frames);
    for (uint32_t i = 0; i < 200 * 2; ++i) ASSERT_EQ(block[i], 0) << i;  // quiet until its offset
    bool sounding = false;
    for (uint32_t i = 200 * 2; i < frames * 2; ++i) sounding = sounding || block[i] != 0;
    EXPECT_TRUE(sounding);
}

TEST(WavRecorder, HeaderSizesMatchTheFramesRecorded) {
    struct Row {
        int32_t rate;
        uint32_t blockFrames;
        uint32_t blocks;
    };
    const Row rows[] = {
        {44100, 2205, 20},  // exactly 44100 frames
        {44100, 2205, 0},   // finished before the first block: header only
        {48000, 480, 3},
        {96000, 1, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.blocks << " blocks");
        ErrorCapture errors;
        TempPath wav;
        std::vector<int16_t> block(row.blockFrames * 2);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = int16_t(i * 977);
        {
            WavRecorder recorder(wav.path(), row.rate);
            ASSERT_TRUE(recorder.isOpen());
            for (uint32_t b = 0; b < row.blocks; ++b) recorder.append(block.data(), row.blockFrames);
            EXPECT_EQ(recorder.framesRecorded(), uint64_t(row.blocks) * row.blockFrames);
            recorder.finish();
        }
        expectCompleteFile(readAll(wav.path()), uint32_t(row.rate), row.blocks * row.blockFrames * 4);
        EXPECT_TRUE(reported().empty());
    }
}

TEST(WavRecorder, FileThatCannotBeCreatedIsReportedAndRecordsNothing) {
    ErrorCapture errors;
    RecorderSlot recorder;
    EXPECT_FALSE(recorder.start("/nonexistent-dir/take.wav", 44100));
    EXPECT_FALSE(recorder.recording());
    ASSERT_EQ(reported().size(), 1u);
    EXPECT_EQ(reported()[0], ErrorCode::OpenFailed);
    int16_t block[8] = {};
    recorder.append(block, 4);  // no recording: nothing happens
    recorder.finish();
    EXPECT_EQ(reported().size(), 1u);
}

TEST(WavRecorder, FailedAppendsAreReportedOnceWhenTheRecordingIsFinished) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    ErrorCapture errors;
    RecorderSlot recorder;
    ASSERT_TRUE(recorder.start("/dev/full", 44100));
    std::vector<int16_t> block(2205 * 2, 1000);
    for (int i = 0; i < 20; ++i) recorder.append(block.data(), 2205);
    EXPECT_TRUE(reported().empty()) << "appending reports nothing itself";
    recorder.finish();
    ASSERT_EQ(reported().size(), 1u);
    EXPECT_EQ(reported()[0], ErrorCode::WriteFailed);
}

TEST(WavRecorder, ClosingWithARecordingRunningLeavesACompleteFile) {
    ErrorCapture errors;
    TempPath wav;
    {
        RecorderSlot recorder;
        ASSERT_TRUE(recorder.start(wav.path(), 48000));
        std::vector<int16_t> block(1200 * 2, -7);
        for (int i = 0; i < 3; ++i) recorder.append(block.data(), 1200);
    }
    expectCompleteFile(readAll(wav.path()), 48000, 3 * 1200 * 4);
    EXPECT_TRUE(reported().empty());
}

TEST(WavRecorder, StartingAgainFinishesThePreviousRecording) {
    ErrorCapture errors;
    TempPath first, second;
    RecorderSlot recorder;
    std::vector<int16_t> block(100 * 2, 3);
    ASSERT_TRUE(recorder.start(first.path(), 44100));
    recorder.append(block.data(), 100);
    ASSERT_TRUE(recorder.start(second.path(), 48000));  // e.g. after a rate change
    recorder.append(block.data(), 100);
    recorder.append(block.data(), 100);
    recorder.finish();
    expectCompleteFile(readAll(first.path()), 44100, 400);
    expectCompleteFile(readAll(second.path()), 48000, 800);
}

TEST(WavRecorder, RecordingsStartedAndFinishedWhileTheAudioThreadAppendsAreWhole) {
    ErrorCapture errors;
    RecorderSlot recorder;
    std::atomic<bool> stop{false};
    const uint32_t frames = 64;
    std::thread audio([&] {
        std::vector<int16_t> block(frames * 2, 0x1234);
        while (!stop) {
            recorder.append(block.data(), frames);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    });
    for (int take = 0; take < 30; ++take) {
        TempPath wav;
        ASSERT_TRUE(recorder.start(wav.path(), 44100));
        std::this_thread::sleep_for(std::chrono::microseconds(300 * (take % 5)));
        recorder.finish();
        // Nothing may reach the file after finish: its size is final.
        const Bytes file = readAll(wav.path());
        ASSERT_GE(file.size(), kWavHeaderSize);
        const uint32_t data = le32(file, 40);
        EXPECT_EQ(data % (frames * 4), 0u);
        expectCompleteFile(file, 44100, data);
        std::size_t wrong = 0;
        for (std::size_t i = kWavHeaderSize; i + 1 < file.size(); i += 2) wrong += file[i] != 0x34 || file[i + 1] != 0x12;
        EXPECT_EQ(wrong, 0u) << "take " << take;
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(reported().empty());
}

}  // namespace
}  // namespace tine
