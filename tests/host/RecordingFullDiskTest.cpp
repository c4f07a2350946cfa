// A recording that runs into a full disk part-way keeps what reached the file
// playable. The disk fills at a file-size limit set for the process, the way
// a full disk refuses a write half-way.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/WavRecorder.h"
#include "params/ErrorReport.h"

namespace tine {
namespace {

std::vector<ErrorCode> gReported;

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(WavRecorder, AFullDiskPartWayKeepsTheFramesThatReachedTheFileAndReportsOnce) {
    char name[] = "/tmp/tine-full-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    const ErrorSink previous = setErrorSink([](ErrorCode code, const char*) { gReported.push_back(code); });
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    void (*signalBefore)(int) = std::signal(SIGXFSZ, SIG_IGN);

    // Room for the header, 1000 frames and half of the next.
    const uint32_t roomFrames = 1000;
    RecorderSlot recorder;
    ASSERT_TRUE(recorder.start(name, 44100));
    rlimit full = before;
    full.rlim_cur = kWavHeaderSize + roomFrames * 4 + 2;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    std::vector<int16_t> sent;
    for (int block = 0; block < 40; ++block) {
        std::vector<int16_t> samples(2 * 300);
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
    ASSERT_GE(file.size(), kWavHeaderSize + roomFrames * 4);
    EXPECT_EQ(le32(file, 40), roomFrames * 4) << "data size: the whole frames in the file";
    EXPECT_EQ(le32(file, 4), roomFrames * 4 + 36);
    for (std::size_t i = 0; i < roomFrames * 2; ++i)
        ASSERT_EQ(int16_t(file[kWavHeaderSize + 2 * i] | file[kWavHeaderSize + 2 * i + 1] << 8), sent[i]) << i;
    EXPECT_EQ(gReported, std::vector<ErrorCode>{ErrorCode::WriteFailed});
}

}  // namespace
}  // namespace tine
#endif
