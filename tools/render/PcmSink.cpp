#include "PcmSink.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/Pcm16.h"

namespace tine {

PcmSink::PcmSink(WavWriter& wav, int32_t maxFrames, double silenceThresholdDb)
    : wav_(wav),
      pcm_(static_cast<std::size_t>(maxFrames) * 2),
      threshold_(static_cast<float>(std::pow(10.0, silenceThresholdDb / 20.0))) {}

bool PcmSink::write(const float* left, const float* right, int32_t frames, int64_t start) {
    for (int32_t i = 0; i < frames; ++i) {
        const int16_t l = toPcm16(left[i]);
        const int16_t r = toPcm16(right[i]);
        pcm_[2 * i] = l;
        pcm_[2 * i + 1] = r;
        peak_ = std::max({peak_, std::abs(int(l)), std::abs(int(r))});
        if (std::fabs(left[i]) >= threshold_ || std::fabs(right[i]) >= threshold_)
            lastLoud_ = start + i;
    }
    return wav_.append(pcm_.data(), static_cast<std::size_t>(frames));
}

}  // namespace tine
