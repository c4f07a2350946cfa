#include "params/PresetFiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "params/ByteOrder.h"
#include "params/Chunks.h"
#include "params/ErrorReport.h"
#include "params/Program.h"

namespace tine {
namespace {

constexpr int32_t kFileFormatVersion = 1;
constexpr int32_t kFxVersion = 1;
// The byte size field counts from behind itself.
constexpr int32_t kBytesBeforeSizeEnd = 8;

void putCode(uint8_t* out, const char* code) {
    std::memcpy(out, code, 4);
}

void writeCommonHeader(uint8_t* out, const char* kind, int32_t totalBytes, int32_t count) {
    putCode(out + 0, "CcnK");
    putBigEndian32(out + 4, static_cast<uint32_t>(totalBytes - kBytesBeforeSizeEnd));
    putCode(out + 8, kind);
    putBigEndian32(out + 12, kFileFormatVersion);
    putCode(out + 16, "TNMR");
    putBigEndian32(out + 20, kFxVersion);
    putBigEndian32(out + 24, static_cast<uint32_t>(count));
}

bool validChunkArgument(const void* chunk, int32_t chunkSize) {
    if (chunk && chunkSize > 0)
        return true;
    reportError(ErrorCode::InvalidFormat);
    return false;
}

}  // namespace

void writeBankFileHeader(uint8_t* out, int32_t chunkSize) {
    writeCommonHeader(out, "FBCh", kBankFileHeaderBytes + chunkSize, kNumPrograms);
    std::memset(out + 28, 0, 128);
    putBigEndian32(out + 156, static_cast<uint32_t>(chunkSize));
}

void writePatchFileHeader(uint8_t* out, const char* nameField, int32_t chunkSize) {
    writeCommonHeader(out, "FPCh", kPatchFileHeaderBytes + chunkSize, kNumParams);
    if (nameField)
        std::memcpy(out + 28, nameField, kPatchFileNameBytes);
    else
        std::memset(out + 28, 0, kPatchFileNameBytes);
    putBigEndian32(out + 52, 0);
    putBigEndian32(out + 56, static_cast<uint32_t>(chunkSize));
}

PresetFileOut::PresetFileOut(const char* path) {
    if (path && path[0])
        file_ = std::fopen(path, "wb");
    if (!file_)
        reportError(ErrorCode::OpenFailed);
}

PresetFileOut::~PresetFileOut() {
    if (file_)
        std::fclose(file_);
}

bool PresetFileOut::writeBank(const void* chunk, int32_t chunkSize) {
    if (!file_ || !validChunkArgument(chunk, chunkSize))
        return false;
    uint8_t header[kBankFileHeaderBytes];
    writeBankFileHeader(header, chunkSize);
    return write(header, kBankFileHeaderBytes, chunk, chunkSize);
}

bool PresetFileOut::writePatch(const char* nameField, const void* chunk, int32_t chunkSize) {
    if (!file_ || !validChunkArgument(chunk, chunkSize))
        return false;
    uint8_t header[kPatchFileHeaderBytes];
    writePatchFileHeader(header, nameField, chunkSize);
    return write(header, kPatchFileHeaderBytes, chunk, chunkSize);
}

bool PresetFileOut::write(const uint8_t* header, int32_t headerBytes, const void* chunk, int32_t chunkSize) {
    std::FILE* file = file_;
    file_ = nullptr;
    bool written =
        std::fwrite(header, 1, static_cast<std::size_t>(headerBytes), file) == static_cast<std::size_t>(headerBytes);
    if (written)
        written =
            std::fwrite(chunk, 1, static_cast<std::size_t>(chunkSize), file) == static_cast<std::size_t>(chunkSize);
    // A full disk often shows only when the buffer is flushed or the file closed.
    if (std::fflush(file) != 0)
        written = false;
    if (std::fclose(file) != 0)
        written = false;
    if (!written)
        reportError(ErrorCode::WriteFailed);
    return written;
}

bool writeBankFile(const char* path, const void* chunk, int32_t chunkSize) {
    if (!validChunkArgument(chunk, chunkSize))
        return false;
    PresetFileOut out(path);
    return out.writeBank(chunk, chunkSize);
}

bool writePatchFile(const char* path, const char* nameField, const void* chunk, int32_t chunkSize) {
    if (!validChunkArgument(chunk, chunkSize))
        return false;
    PresetFileOut out(path);
    return out.writePatch(nameField, chunk, chunkSize);
}

FileContents::~FileContents() {
    reset();
}

void FileContents::reset() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}

bool readWholeFile(const char* path, FileContents& contents) {
    contents.reset();
    // Read-only: a preset on a write-protected medium must load.
    std::FILE* file = (path && path[0]) ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        reportError(ErrorCode::OpenFailed);
        return false;
    }
    // Read to the end instead of trusting a seek: a directory opened as a file
    // reports an enormous length on some systems and only fails on reading.
    const std::size_t limit = static_cast<std::size_t>(kMaxPresetFileBytes) + 1;
    std::size_t capacity = 16384;
    std::size_t size = 0;
    auto* buffer = static_cast<uint8_t*>(std::calloc(capacity, 1));
    bool ok = buffer != nullptr;
    if (!ok)
        reportError(ErrorCode::OutOfMemory);
    while (ok) {
        if (size == capacity) {
            if (capacity >= limit)
                break;
            const std::size_t grown = capacity * 2 < limit ? capacity * 2 : limit;
            auto* larger = static_cast<uint8_t*>(std::realloc(buffer, grown));
            if (!larger) {
                reportError(ErrorCode::OutOfMemory);
                ok = false;
                break;
            }
            std::memset(larger + capacity, 0, grown - capacity);
            buffer = larger;
            capacity = grown;
        }
        const std::size_t got = std::fread(buffer + size, 1, capacity - size, file);
        size += got;
        if (got == 0) {
            if (std::ferror(file)) {
                reportError(ErrorCode::ReadFailed);
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    if (!ok) {
        std::free(buffer);
        return false;
    }
    contents.data_ = buffer;
    contents.size_ = static_cast<int32_t>(size);
    return true;
}

StoredChunk chunkBehindHeader(const FileContents& contents, int32_t headerBytes) {
    const int32_t size = contents.size() - headerBytes;
    return {size > 0 ? contents.data() + headerBytes : nullptr, size};
}

}  // namespace tine
