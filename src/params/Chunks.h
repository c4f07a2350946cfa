#pragma once
// The opaque chunks the plug-in exchanges with hosts and keeps inside preset
// files: one program (284 bytes) or the whole bank (8844 bytes), each behind
// an 8-byte ChunkHeader. Chunks are byte images, little-endian whatever the
// build, so a chunk written on one machine loads on any other.

#include <cstdint>

#include "params/Program.h"

namespace tine {

// 'TNMR' as a 32-bit integer, first character in the most significant byte.
constexpr int32_t kChunkTag =
    static_cast<int32_t>((uint32_t('T') << 24) | (uint32_t('N') << 16) | (uint32_t('M') << 8) | uint32_t('R'));
constexpr int32_t kChunkVersion = 1;

constexpr int32_t kChunkHeaderBytes = 8;
constexpr int32_t kProgramRecordBytes = 276;
constexpr int32_t kLegacyProgramRecordBytes = 188;
constexpr int32_t kProgramChunkBytes = kChunkHeaderBytes + kProgramRecordBytes;                                 // 284
constexpr int32_t kBankChunkNoIndexBytes = kChunkHeaderBytes + kNumPrograms * kProgramRecordBytes;              // 8840
constexpr int32_t kBankChunkBytes = kBankChunkNoIndexBytes + 4;                                                 // 8844
constexpr int32_t kLegacyBankChunkNoIndexBytes = kChunkHeaderBytes + kNumPrograms * kLegacyProgramRecordBytes;  // 6024
constexpr int32_t kLegacyBankChunkBytes = kLegacyBankChunkNoIndexBytes + 4;                                     // 6028

struct ChunkHeader {
    int32_t tag;
    int32_t version;
};

void writeChunkHeader(uint8_t* out, const ChunkHeader& header = {kChunkTag, kChunkVersion});
ChunkHeader readChunkHeader(const uint8_t* in);
// A foreign tag reports InvalidFormat, a version of 2 or more NewerVersion;
// both answer false.
bool checkChunkHeader(const uint8_t* in);

// One 276-byte program record: the 28 name bytes as stored (bytes after the
// terminator travel too), then 62 little-endian floats.
void writeProgramRecord(uint8_t* out, const Program& program);
// A name without a terminator inside its 28 bytes is cut at 27 characters.
void readProgramRecord(const uint8_t* in, Program& program);
// A 188-byte record of the older 40-value layout into a slot: name and values
// 0..39; the slot keeps its values 40..61.
void readLegacyProgramRecord(const uint8_t* in, Program& program);

// What getChunk hands out for one program. Always a complete, valid chunk:
// construction stores the default program.
struct ProgramChunk {
    alignas(4) uint8_t bytes[kProgramChunkBytes];

    ProgramChunk();
    void store(const Program& program);
};

// What getChunk hands out for the bank. Construction stores the factory bank
// with program 0 current.
struct BankChunk {
    alignas(4) uint8_t bytes[kBankChunkBytes];

    BankChunk();
    void store(const Program* slots, int32_t currentProgram);
};

// Reads a program chunk into one slot. Sizes other than 284 report
// InvalidFormat; a bad header reports through checkChunkHeader. On failure the
// slot is untouched.
bool readProgramChunk(const void* data, int32_t byteSize, Program& slot);

enum class BankChunkLayout {
    Current,         // 8844 bytes
    CurrentNoIndex,  // 8840 bytes
    Legacy,          // 6028 bytes: 40 values per program
    LegacyNoIndex,   // 6024 bytes
    Unknown,
};
BankChunkLayout bankChunkLayout(int32_t byteSize);

struct BankChunkRead {
    bool ok;
    // The program to select: the stored index (not range-checked; a bad one is
    // for the caller to ignore), or 0 for layouts without an index.
    int32_t currentProgram;
};

// Reads a bank chunk of any accepted layout into the 32 slots. An unknown size
// reports InvalidFormat; a bad header reports through checkChunkHeader. On
// failure no slot is touched.
BankChunkRead readBankChunk(const void* data, int32_t byteSize, Program* slots);

}  // namespace tine
