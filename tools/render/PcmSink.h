#pragma once
// Where rendered blocks go: turned into 16-bit frames exactly as the sound
// card path turns them, appended to the WAV file, and watched for the peak
// and for the last frame above the silence threshold.

#include <cstdint>
#include <string>
#include <vector>

#include "host/WavWriter.h"

namespace tine {

class PcmSink {
public:
    PcmSink(WavWriter& wav, int32_t maxFrames, double silenceThresholdDb);

    // Appends frames [start, start + frames); false with error() set when the file refused them.
    bool write(const float* left, const float* right, int32_t frames, int64_t start);

    const std::string& error() const { return wav_.error(); }
    int peak() const { return peak_; }                   // largest 16-bit magnitude so far
    int64_t lastLoudFrame() const { return lastLoud_; }  // -1 while everything was silent

private:
    WavWriter& wav_;
    std::vector<int16_t> pcm_;
    float threshold_;
    int peak_ = 0;
    int64_t lastLoud_ = -1;
};

}  // namespace tine
