#include "engine/EnvelopeTables.h"

#include <array>
#include <cstddef>

namespace tine {
namespace {

struct Breakpoint {
    int index;
    double value;
};

// Entries between two breakpoints lie on the straight line between them.
template <std::size_t N, std::size_t B>
constexpr std::array<float, N> lineTable(const Breakpoint (&points)[B]) {
    std::array<float, N> table{};
    for (std::size_t k = 0; k + 1 < B; ++k) {
        const Breakpoint a = points[k];
        const Breakpoint b = points[k + 1];
        for (int i = a.index; i <= b.index; ++i) {
            const double t = static_cast<double>(i - a.index) / (b.index - a.index);
            table[static_cast<std::size_t>(i)] = static_cast<float>(a.value + (b.value - a.value) * t);
        }
    }
    return table;
}

// clang-format off
constexpr Breakpoint kModIndexPoints[] = {
    {0, 0}, {10, 0.000477}, {20, 0.002}, {30, 0.00493}, {40, 0.01257}, {50, 0.02992},
    {60, 0.07098}, {65, 0.10981}, {70, 0.16997}, {75, 0.260855}, {80, 0.39979},
    {85, 0.61974}, {90, 0.95954}, {95, 1.47425}, {99, 2.08795}};

// Rate 74 is deliberately faster than rate 75.
constexpr Breakpoint kRiseTimePoints[] = {
    {0, 38}, {5, 22.8}, {10, 12}, {15, 7.5}, {20, 4.8}, {25, 2.7}, {30, 1.8}, {35, 1.3},
    {43, 0.737}, {46, 0.615}, {49, 0.505}, {52, 0.409}, {55, 0.321}, {61, 0.08},
    {67, 0.055}, {69, 0.032}, {72, 0.024}, {74, 0.013333}, {75, 0.024}, {78, 0.018},
    {81, 0.014}, {87, 0.008}, {90, 0.007}, {96, 0.003}, {99, 0.003}};

constexpr Breakpoint kFallTimePoints[] = {
    {0, 318}, {4, 181}, {9, 115}, {14, 63}, {19, 39.7}, {24, 20}, {29, 11.2}, {34, 7},
    {42, 5.66}, {45, 3.98}, {51, 1.99}, {54, 1.34}, {57, 0.99}, {60, 0.71}, {65, 0.41},
    {68, 0.15}, {71, 0.081}, {74, 0.068}, {77, 0.047}, {80, 0.037}, {83, 0.025},
    {86, 0.02}, {89, 0.013}, {92, 0.008}, {99, 0.008}};

constexpr Breakpoint kRisePositionPoints[] = {
    {0, 0.00001}, {31, 0.00001}, {35, 0.02}, {50, 0.14}, {60, 0.24}, {70, 0.35},
    {80, 0.5}, {90, 0.7}, {95, 0.86}, {99, 1}};

constexpr Breakpoint kFallPositionPoints[] = {
    {0, 0.00001}, {10, 0.25}, {20, 0.35}, {30, 0.43}, {40, 0.52}, {50, 0.59},
    {60, 0.7}, {80, 0.84}, {90, 0.92}, {99, 1}};

// Notes up to 33 are not rate-scaled; above, a straight rise to 5.329461 at note 127.
constexpr Breakpoint kKeyRatePoints[] = {{0, 0}, {33, 0}, {127, 5.329461}};
// clang-format on

}  // namespace

// Every table is constant-initialised at compile time: nothing runs at start-up.
const std::array<float, 100> ModIndexTable = lineTable<100>(kModIndexPoints);
const std::array<float, 100> RiseTimeTable = lineTable<100>(kRiseTimePoints);
const std::array<float, 100> FallTimeTable = lineTable<100>(kFallTimePoints);
const std::array<float, 100> RisePositionTable = lineTable<100>(kRisePositionPoints);
const std::array<float, 100> FallPositionTable = lineTable<100>(kFallPositionPoints);
const std::array<float, 128> KeyRateScaleTable = lineTable<128>(kKeyRatePoints);

// Level 0..99 -> carrier amplitude; squared at the output it follows the
// modulation-index curve scaled to a peak of 1.
const std::array<float, 100> CarrierLevelTable = {
    0,         0.004782f, 0.006763f, 0.008283f, 0.009564f, 0.010693f, 0.011713f, 0.012652f, 0.013526f, 0.014346f,
    0.015122f, 0.017461f, 0.019522f, 0.021386f, 0.023099f, 0.024694f, 0.026192f, 0.027609f, 0.028956f, 0.030244f,
    0.031479f, 0.033588f, 0.035572f, 0.037451f, 0.03924f,  0.040951f, 0.042593f, 0.044174f, 0.045701f, 0.047178f,
    0.048611f, 0.052239f, 0.05563f,  0.058827f, 0.061859f, 0.064749f, 0.067515f, 0.070172f, 0.072733f, 0.075206f,
    0.0776f,   0.082781f, 0.087656f, 0.092273f, 0.096671f, 0.100877f, 0.104914f, 0.108802f, 0.112555f, 0.116187f,
    0.119709f, 0.12766f,  0.135143f, 0.142233f, 0.148986f, 0.155446f, 0.161648f, 0.167621f, 0.173388f, 0.178969f,
    0.184381f, 0.194207f, 0.203559f, 0.212499f, 0.221078f, 0.229337f, 0.241574f, 0.253221f, 0.264355f, 0.275038f,
    0.285322f, 0.300189f, 0.314354f, 0.327908f, 0.340923f, 0.353459f, 0.371809f, 0.389296f, 0.40603f,  0.422101f,
    0.437582f, 0.461028f, 0.483338f, 0.504662f, 0.525122f, 0.544813f, 0.573907f, 0.601596f, 0.628065f, 0.653463f,
    0.67791f,  0.713348f, 0.747106f, 0.779404f, 0.810415f, 0.840283f, 0.882925f, 0.9236f,   0.962558f, 1.0f,
};

}  // namespace tine
