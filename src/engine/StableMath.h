#pragma once
// Transcendental functions built only from IEEE basic operations, so that the
// tables and coefficients computed from them are bit-identical on every
// compiler and C library the instrument is built with (the samples of the
// Linux, 32-bit and 64-bit Windows builds must agree).

#include <cstdint>
#include <limits>

namespace tine {

// 2π as the design gives it, in double precision.
constexpr double kTwoPi = 6.283185308;

double stableSin(double x);
double stableExp(double x);
double stableLog(double x);                      // x > 0
double stablePow(double base, double exponent);  // base > 0

// Saturating conversions: NaN gives 0, values beyond the range give its ends.
int32_t truncToInt(double x);
int32_t nearestToInt(double x);  // ties to even

// NaN gives fallback; everything else is limited to lo..hi.
inline float boundedValue(float v, float lo, float hi, float fallback) {
    if (!(v == v))
        return fallback;
    if (v < lo)
        return lo;
    if (v > hi)
        return hi;
    return v;
}

}  // namespace tine
