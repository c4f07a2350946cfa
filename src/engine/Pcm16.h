#pragma once

#include <cmath>
#include <cstdint>

namespace tine {

// Float sample to signed 16-bit, shared by every 16-bit output path so that a
// file rendered offline matches what the sound card would have played.
// The scale maps -1.0 and +1.0 symmetrically onto -32768..32767 before the
// clamp; -32768 is never produced so that negating a sample cannot overflow.
// std::nearbyint honours the current rounding mode (ties to even by default).
inline int16_t toPcm16(float x) {
    if (std::isnan(x))
        return 0;
    const double scaled = std::nearbyint(static_cast<double>(x) * 32767.5 - 0.5);
    if (scaled > 32767.0)
        return 32767;
    if (scaled < -32767.0)
        return -32767;
    return static_cast<int16_t>(scaled);
}

}  // namespace tine
