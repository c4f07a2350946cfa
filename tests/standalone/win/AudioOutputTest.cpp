// DirectSound output heard through Wine's ALSA, whose default device
// (cmake/wine/asound.conf) writes every played byte to $TINE_ALSA_CAPTURE.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ShellTestSupport.h"
#include "standalone/AudioOutput.h"

namespace tine {
namespace {

// Frame n of the stream: left climbs through a ramp, right mirrors it.
struct PatternSource {
    std::atomic<uint32_t> blocks{0};
    uint32_t frame = 0;
    static void fill(void* context, int16_t* samples, uint32_t frames) {
        auto* self = static_cast<PatternSource*>(context);
        for (uint32_t i = 0; i < frames; ++i, ++self->frame) {
            samples[2 * i] = int16_t(1000 + (self->frame * 7) % 20000);
            samples[2 * i + 1] = int16_t(-samples[2 * i]);
        }
        ++self->blocks;
    }
};

// Frames of the capture that continue the pattern. The device may take the
// samples as 16-bit integers or floats (x/32768), at another rate, which
// scales the step (6.4 at 48 kHz): both readings, at every alignment.
uint32_t patternFrames(const std::vector<uint8_t>& bytes) {
    uint32_t best = 0;
    for (std::size_t sampleBytes : {2, 4}) {
        const auto read = [&](std::size_t at) {
            float f;
            std::memcpy(&f, &bytes[at], 4);
            return sampleBytes == 2 ? double(int16_t(bytes[at] | bytes[at + 1] << 8)) : double(f) * 32768.0;
        };
        for (std::size_t shift = 0; shift < 2 * sampleBytes; ++shift) {
            uint32_t matched = 0;
            double previous = 0.0;
            for (std::size_t at = shift; at + 8 <= bytes.size(); at += 2 * sampleBytes) {
                const double left = read(at), right = read(at + sampleBytes), step = left - previous;
                matched += std::fabs(left + right) < 0.01 && left >= 1000.0 && left < 21000.0 && step > 5 && step < 8;
                previous = left;
            }
            best = std::max(best, matched);
        }
    }
    return best;
}

// Needs TINE_ALSA_CAPTURE in the runner's own environment (the ctest entry
// AudioOutputCaptureUnderWine sets it): Wine's ALSA driver reads it on the
// Unix side, where a variable set from Windows code never arrives.
TEST(AudioOutputCapture, DISABLED_BlocksStreamUntilStoppedAndThePatternReachesTheDevice) {
    const char* capture = std::getenv("TINE_ALSA_CAPTURE");
    ASSERT_NE(capture, nullptr) << "TINE_ALSA_CAPTURE is not set";
    PatternSource source;
    // Straight into the primary buffer first, with far more latency than it
    // holds; then the device beyond the list, which is the default one.
    for (bool primary : {true, false}) {
        SCOPED_TRACE(primary ? "primary buffer" : "secondary buffer");
        AudioOutput out(GetDesktopWindow(), primary ? 0 : 9999, primary ? 2000 : 50, primary, 44100);
        if (primary && !out.hasThread())
            continue;  // this device offers no writable primary buffer
        ASSERT_TRUE(out.hasThread());
        EXPECT_TRUE(primary || out.blockFrames() == 2205u) << out.blockFrames() << " frames a block";
        EXPECT_LE(out.blockBytes(), out.bufferBytes() / 2);
        EXPECT_EQ(out.blockBytes() % 4, 0u);
        const uint32_t before = source.blocks;
        out.start(&PatternSource::fill, &source);
        Sleep(primary ? 400 : 1500);
        // Past the first buffer's worth blocks only come as the device plays.
        EXPECT_GT(source.blocks - before, out.bufferBytes() / out.blockBytes());
        const DWORD stopping = GetTickCount();
        out.stop();
        EXPECT_LT(GetTickCount() - stopping, 5000u);
        EXPECT_EQ(out.exitCode(), kStreamStopped);
    }
    Sleep(200);  // the device is closed with the last period written
    const std::vector<uint8_t> bytes = shelltest::readAll(capture);
    // Far more than the first buffer's worth has gone through the device.
    EXPECT_GE(patternFrames(bytes), 44100u / 2)
        << bytes.size() << " bytes captured, " << source.blocks.load() << " blocks rendered";
}

}  // namespace
}  // namespace tine
