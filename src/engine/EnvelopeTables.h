#pragma once
// Read-only tables that turn the 0..99 operator levels and rates and the MIDI
// note into amplitudes, modulation indices, segment times and scaling factors.

#include <array>

namespace tine {

extern const std::array<float, 100> CarrierLevelTable;  // level -> carrier amplitude before squaring
extern const std::array<float, 100> ModIndexTable;      // level -> modulation index, cycles
extern const std::array<float, 100> RiseTimeTable;      // rate -> seconds for a full rise
extern const std::array<float, 100> FallTimeTable;      // rate -> seconds for a full fall
extern const std::array<float, 100> RisePositionTable;  // level -> position on a rise, 0..1
extern const std::array<float, 100> FallPositionTable;  // level -> position on a fall, 0..1
extern const std::array<float, 128> KeyRateScaleTable;  // note -> rate-scaling multiplier

// Curvature of carrier segments: 1 / (e - 1).
constexpr float kCarrierCurve = 0.5819767f;

}  // namespace tine
