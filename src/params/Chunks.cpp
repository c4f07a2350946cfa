#include "params/Chunks.h"

#include <cstring>

#include "params/ByteOrder.h"
#include "params/ErrorReport.h"

namespace tine {
namespace {

constexpr int kNameOffset = 0;
constexpr int kValuesOffset = kProgramNameBytes;

void putFloat(uint8_t* out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    putLittleEndian32(out, bits);
}

float getFloat(const uint8_t* in) {
    const uint32_t bits = getLittleEndian32(in);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

// The 28 name bytes as stored. Nothing past the field is ever read: a name
// that fills it without a terminator loses its last character instead.
void readName(const uint8_t* in, char* name) {
    std::memcpy(name, in + kNameOffset, kProgramNameBytes);
    if (std::memchr(name, '\0', kProgramNameBytes) == nullptr)
        name[kProgramNameBytes - 1] = '\0';
}

}  // namespace

void writeChunkHeader(uint8_t* out, const ChunkHeader& header) {
    putLittleEndian32(out, static_cast<uint32_t>(header.tag));
    putLittleEndian32(out + 4, static_cast<uint32_t>(header.version));
}

ChunkHeader readChunkHeader(const uint8_t* in) {
    return {static_cast<int32_t>(getLittleEndian32(in)), static_cast<int32_t>(getLittleEndian32(in + 4))};
}

bool checkChunkHeader(const uint8_t* in) {
    const ChunkHeader header = readChunkHeader(in);
    if (header.tag != kChunkTag) {
        reportError(ErrorCode::InvalidFormat);
        return false;
    }
    // Signed on purpose: any version below 2 is ours.
    if (header.version >= 2) {
        reportError(ErrorCode::NewerVersion);
        return false;
    }
    return true;
}

void writeProgramRecord(uint8_t* out, const Program& program) {
    std::memcpy(out + kNameOffset, program.name, kProgramNameBytes);
    for (int i = 0; i < kNumParams; ++i) putFloat(out + kValuesOffset + 4 * i, program.values[i]);
}

void readProgramRecord(const uint8_t* in, Program& program) {
    readName(in, program.name);
    for (int i = 0; i < kNumParams; ++i) program.values[i] = getFloat(in + kValuesOffset + 4 * i);
}

void readLegacyProgramRecord(const uint8_t* in, Program& program) {
    LegacyProgram legacy;
    readName(in, legacy.name);
    for (int i = 0; i < kLegacyParams; ++i) legacy.values[i] = getFloat(in + kValuesOffset + 4 * i);
    program.copyLegacy(legacy);
}

ProgramChunk::ProgramChunk() {
    store(Program());
}

void ProgramChunk::store(const Program& program) {
    writeChunkHeader(bytes);
    writeProgramRecord(bytes + kChunkHeaderBytes, program);
}

BankChunk::BankChunk() {
    Program factory[kNumPrograms];
    fillFromFactory(factory);
    store(factory, 0);
}

void BankChunk::store(const Program* slots, int32_t currentProgram) {
    writeChunkHeader(bytes);
    for (int p = 0; p < kNumPrograms; ++p)
        writeProgramRecord(bytes + kChunkHeaderBytes + p * kProgramRecordBytes, slots[p]);
    putLittleEndian32(bytes + kBankChunkNoIndexBytes, static_cast<uint32_t>(currentProgram));
}

bool readProgramChunk(const void* data, int32_t byteSize, Program& slot) {
    if (!data || byteSize != kProgramChunkBytes) {
        reportError(ErrorCode::InvalidFormat);
        return false;
    }
    const auto* in = static_cast<const uint8_t*>(data);
    if (!checkChunkHeader(in))
        return false;
    readProgramRecord(in + kChunkHeaderBytes, slot);
    return true;
}

BankChunkLayout bankChunkLayout(int32_t byteSize) {
    switch (byteSize) {
    case kBankChunkBytes:
        return BankChunkLayout::Current;
    case kBankChunkNoIndexBytes:
        return BankChunkLayout::CurrentNoIndex;
    case kLegacyBankChunkBytes:
        return BankChunkLayout::Legacy;
    case kLegacyBankChunkNoIndexBytes:
        return BankChunkLayout::LegacyNoIndex;
    default:
        return BankChunkLayout::Unknown;
    }
}

BankChunkRead readBankChunk(const void* data, int32_t byteSize, Program* slots) {
    const BankChunkLayout layout = bankChunkLayout(byteSize);
    if (!data || layout == BankChunkLayout::Unknown) {
        reportError(ErrorCode::InvalidFormat);
        return {false, 0};
    }
    const auto* in = static_cast<const uint8_t*>(data);
    if (!checkChunkHeader(in))
        return {false, 0};

    const bool legacy = layout == BankChunkLayout::Legacy || layout == BankChunkLayout::LegacyNoIndex;
    const int32_t recordBytes = legacy ? kLegacyProgramRecordBytes : kProgramRecordBytes;
    for (int p = 0; p < kNumPrograms; ++p) {
        const uint8_t* record = in + kChunkHeaderBytes + p * recordBytes;
        if (legacy)
            readLegacyProgramRecord(record, slots[p]);
        else
            readProgramRecord(record, slots[p]);
    }
    const int32_t indexOffset = kChunkHeaderBytes + kNumPrograms * recordBytes;
    const bool hasIndex = layout == BankChunkLayout::Current || layout == BankChunkLayout::Legacy;
    const int32_t current = hasIndex ? static_cast<int32_t>(getLittleEndian32(in + indexOffset)) : 0;
    return {true, current};
}

}  // namespace tine
