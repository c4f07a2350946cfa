#include "host/WavWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace tine {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempFile {
public:
    TempFile()
    {
        char name[] = "/tmp/tine-wav-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        path_ = name;
    }
    ~TempFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(WavWriter, HeaderBytesAreExact)
{
    struct Row {
        uint32_t rate;
        uint16_t channels;
        uint32_t dataBytes;
        Bytes expected;
    };
    const std::vector<Row> rows = {
        // 44100 Hz stereo, 1000 frames: 4000 data bytes.
        {44100, 2, 4000,
         {'R', 'I', 'F', 'F', 0xC4, 0x0F, 0x00, 0x00, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
          0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x44, 0xAC, 0x00, 0x00,
          0x10, 0xB1, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 'd', 'a', 't', 'a', 0xA0, 0x0F, 0x00, 0x00}},
        // 8000 Hz mono, empty.
        {8000, 1, 0,
         {'R', 'I', 'F', 'F', 0x24, 0x00, 0x00, 0x00, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
          0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x40, 0x1F, 0x00, 0x00,
          0x80, 0x3E, 0x00, 0x00, 0x02, 0x00, 0x10, 0x00, 'd', 'a', 't', 'a', 0x00, 0x00, 0x00, 0x00}},
        // 192000 Hz, 6 channels, a size whose every byte differs.
        {192000, 6, 0x12345678,
         {'R', 'I', 'F', 'F', 0x9C, 0x56, 0x34, 0x12, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
          0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x00, 0xEE, 0x02, 0x00,
          0x00, 0x28, 0x23, 0x00, 0x0C, 0x00, 0x10, 0x00, 'd', 'a', 't', 'a', 0x78, 0x56, 0x34, 0x12}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rate);
        const auto header = makeWavHeader(row.rate, row.channels, row.dataBytes);
        EXPECT_EQ(Bytes(header.begin(), header.end()), row.expected);
    }
}

TEST(WavWriter, AppendsLittleEndianFramesAndPatchesSizes)
{
    TempFile tmp;
    WavWriter wav;
    ASSERT_TRUE(wav.open(tmp.path(), 48000, 2)) << wav.error();
    const int16_t first[] = {1, -1, 32767, -32767, 0x1234, -0x1234};
    const int16_t second[] = {0, 256};
    ASSERT_TRUE(wav.append(first, 3));
    ASSERT_TRUE(wav.append(second, 1));
    ASSERT_TRUE(wav.append(second, 0));
    EXPECT_EQ(wav.framesWritten(), 4u);
    ASSERT_TRUE(wav.finish()) << wav.error();
    EXPECT_FALSE(wav.isOpen());

    const Bytes file = readAll(tmp.path());
    ASSERT_EQ(file.size(), kWavHeaderSize + 16);
    const auto header = makeWavHeader(48000, 2, 16);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + kWavHeaderSize), Bytes(header.begin(), header.end()));
    const Bytes data(file.begin() + kWavHeaderSize, file.end());
    EXPECT_EQ(data, (Bytes{0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x80, 0x34, 0x12, 0xCC, 0xED,
                           0x00, 0x00, 0x00, 0x01}));
}

TEST(WavWriter, LargeAppendsAndReopeningReplaceTheFile)
{
    TempFile tmp;
    std::vector<int16_t> samples(2 * 10000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(i * 7);
    {
        WavWriter wav;
        ASSERT_TRUE(wav.open(tmp.path(), 44100, 2));
        ASSERT_TRUE(wav.append(samples.data(), 10000));
        ASSERT_TRUE(wav.finish());
    }
    const Bytes big = readAll(tmp.path());
    ASSERT_EQ(big.size(), kWavHeaderSize + 40000);
    for (std::size_t i = 0; i < samples.size(); i += 997) {
        const auto v = static_cast<uint16_t>(samples[i]);
        EXPECT_EQ(big[kWavHeaderSize + 2 * i], v & 0xFF);
        EXPECT_EQ(big[kWavHeaderSize + 2 * i + 1], v >> 8);
    }

    WavWriter again;
    ASSERT_TRUE(again.open(tmp.path(), 44100, 2));
    ASSERT_TRUE(again.finish());
    const Bytes empty = readAll(tmp.path());
    const auto header = makeWavHeader(44100, 2, 0);
    EXPECT_EQ(empty, Bytes(header.begin(), header.end()));
}

TEST(WavWriter, FailuresAreReportedNotSwallowed)
{
    struct Row {
        const char* name;
        const char* path;
        std::size_t frames;
        bool opens;
        const char* error;
    };
    const std::vector<Row> rows = {
        {"missing directory", "/nonexistent-tinemaster/out.wav", 10, false, "No such file"},
        // A full device accepts the buffered header; the loss must surface at
        // the latest when finishing, and at once when a write goes through.
        {"full device, small", "/dev/full", 10, true, "No space left"},
        {"full device, large", "/dev/full", 100000, true, "No space left"},
    };
    const std::vector<int16_t> samples(2 * 100000, 1000);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WavWriter wav;
        EXPECT_EQ(wav.open(row.path, 44100, 2), row.opens);
        wav.append(samples.data(), row.frames);
        EXPECT_FALSE(wav.finish());
        EXPECT_NE(wav.error().find(row.error), std::string::npos) << wav.error();
        EXPECT_NE(wav.error().find(row.path), std::string::npos) << wav.error();
        EXPECT_FALSE(wav.append(samples.data(), 1));
    }
}

}  // namespace
}  // namespace tine
