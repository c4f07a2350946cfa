// A recording that runs into a full disk part-way keeps what reached the file
// playable. The disk fills at a file-size limit set for the process, which
// refuses a write half-way as a full disk does.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "host/WavRecorder.h"
#include "params/ErrorReport.h"

namespace tine {
namespace {

std::vector<ErrorCode> gReported;

TEST(WavRecorder, AFullDiskPartWayKeepsTheFramesThatReachedTheFileAndReportsOnce) {
    char name[] = "/tmp/tine-full-XXXXXX";
    close(mkstemp(name));
    const ErrorSink previous = setErrorSink([](ErrorCode code, const char*) { gReported.push_back(code); });
    rlimit before{}, full{};
    getrlimit(RLIMIT_FSIZE, &before);
    void (*signalBefore)(int) = std::signal(SIGXFSZ, SIG_IGN);
    RecorderSlot recorder;
    ASSERT_TRUE(recorder.start(name, 44100));
    const uint32_t room = 1000;  // frames, and half of the next one
    full = before;
    full.rlim_cur = kWavHeaderSize + room * 4 + 2;
    setrlimit(RLIMIT_FSIZE, &full);
    std::vector<int16_t> sent;
    for (int block = 0; block < 40; ++block) {
        std::vector<int16_t> samples(600);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(block * 600 + int(i) - 12000);
        recorder.append(samples.data(), 300);
        sent.insert(sent.end(), samples.begin(), samples.end());
    }
    recorder.finish();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, signalBefore);
    setErrorSink(previous);

    std::ifstream in(name, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(name);
    ASSERT_GE(file.size(), kWavHeaderSize + room * 4);
    uint32_t riff = 0, data = 0;  // little-endian like the machine
    std::memcpy(&riff, &file[4], 4);
    std::memcpy(&data, &file[40], 4);
    EXPECT_EQ(data, room * 4) << "the whole frames in the file";
    EXPECT_EQ(riff, room * 4 + 36);
    EXPECT_EQ(std::memcmp(&file[kWavHeaderSize], sent.data(), room * 4), 0);
    EXPECT_EQ(gReported, std::vector<ErrorCode>{ErrorCode::WriteFailed});
}

}  // namespace
}  // namespace tine
#endif
