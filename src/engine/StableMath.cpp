#include "engine/StableMath.h"

#include <cmath>

namespace tine {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLn2 = 0.69314718055994530942;

// Taylor series of sin on |x| <= pi/4; the terms fall below 1e-18 long before the end.
double sinSeries(double x) {
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 12; ++n) {
        term = -term * x2 / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sum;
}

double cosSeries(double x) {
    const double x2 = x * x;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 12; ++n) {
        term = -term * x2 / ((2.0 * n - 1.0) * (2.0 * n));
        sum += term;
    }
    return sum;
}

}  // namespace

double stableSin(double x) {
    if (!std::isfinite(x))
        return 0.0;
    // Reduce to quarter turns; std::floor and std::fmod are exact operations.
    const double quarter = kPi / 2.0;
    double turns = std::floor(x / quarter + 0.5);
    double r = x - turns * quarter;
    long long q = static_cast<long long>(std::fmod(turns, 4.0));
    if (q < 0)
        q += 4;
    switch (q) {
    case 0:
        return sinSeries(r);
    case 1:
        return cosSeries(r);
    case 2:
        return -sinSeries(r);
    default:
        return -cosSeries(r);
    }
}

double stableExp(double x) {
    if (x != x)
        return x;
    if (x > 709.0)
        return std::numeric_limits<double>::infinity();
    if (x < -745.0)
        return 0.0;
    // e^x = 2^k * e^r with |r| <= ln2/2; ldexp scales exactly.
    const double k = std::floor(x / kLn2 + 0.5);
    const double r = x - k * kLn2;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 22; ++n) {
        term = term * r / n;
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

double stableLog(double x) {
    if (!(x > 0.0))
        return -std::numeric_limits<double>::infinity();
    if (!std::isfinite(x))
        return x;
    int exponent = 0;
    double m = std::frexp(x, &exponent);  // x = m * 2^exponent, m in [0.5, 1)
    if (m < 0.70710678118654752) {
        m *= 2.0;
        exponent -= 1;
    }
    // log(m) = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.172
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double power = s;
    double sum = 0.0;
    for (int n = 0; n < 30; ++n) {
        sum += power / (2.0 * n + 1.0);
        power *= s2;
    }
    return 2.0 * sum + exponent * kLn2;
}

double stablePow(double base, double exponent) {
    return stableExp(exponent * stableLog(base));
}

int32_t truncToInt(double x) {
    if (!(x == x))
        return 0;
    if (x >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

int32_t nearestToInt(double x) {
    // Rounding first leaves an integral value (or NaN) that truncation takes as it is.
    return truncToInt(std::nearbyint(x));
}

}  // namespace tine
