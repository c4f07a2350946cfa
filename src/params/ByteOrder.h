#pragma once
// Byte-order helpers shared by every stored format: chunks (little-endian),
// fxp/fxb headers and MIDI files (big-endian), WAV headers (little-endian).
// Written byte by byte, so the result is the same whatever the build.

#include <cstdint>

namespace tine {

inline void putLittleEndian16(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

inline void putLittleEndian32(uint8_t* out, uint32_t value) {
    putLittleEndian16(out, value);
    putLittleEndian16(out + 2, value >> 16);
}

inline uint32_t getLittleEndian32(const uint8_t* in) {
    return uint32_t(in[0]) | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16) | (uint32_t(in[3]) << 24);
}

inline void putBigEndian32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

inline uint32_t getBigEndian16(const uint8_t* in) {
    return (uint32_t(in[0]) << 8) | uint32_t(in[1]);
}

inline uint32_t getBigEndian24(const uint8_t* in) {
    return (uint32_t(in[0]) << 16) | getBigEndian16(in + 1);
}

inline uint32_t getBigEndian32(const uint8_t* in) {
    return (uint32_t(in[0]) << 24) | getBigEndian24(in + 1);
}

}  // namespace tine
