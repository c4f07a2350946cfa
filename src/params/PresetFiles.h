#pragma once
// fxb (bank) and fxp (patch) files: the standard's file headers around our
// chunks, written in one go, and read back whole. Header integers are
// big-endian whatever the build.
//
// fxb: "CcnK", byte size, "FBCh", version 1, "TNMR", fx version 1, 32
//      programs, 128 zero bytes, chunk size, bank chunk    (160 + 8844 bytes)
// fxp: "CcnK", byte size, "FPCh", version 1, "TNMR", fx version 1, 62
//      parameters, 24 name bytes, 4 zero bytes, chunk size, program chunk
//      (60 + 284 bytes)
// The byte size field holds the length of everything after it (file size - 8).

#include <cstdint>
#include <cstdio>

namespace tine {

constexpr int32_t kBankFileHeaderBytes = 160;
constexpr int32_t kPatchFileHeaderBytes = 60;
constexpr int32_t kPatchFileNameBytes = 24;

// Nothing we accept comes near this; bigger files are cut here so that a
// wrong pick in a file dialog cannot exhaust memory. What remains is still an
// invalid chunk size, so the user sees the usual format message.
constexpr int32_t kMaxPresetFileBytes = 1 << 20;

// The headers, field by field. chunkSize is the size of the chunk behind them.
void writeBankFileHeader(uint8_t* out, int32_t chunkSize);
// nameField: the first 24 bytes of a program's name field, copied as stored.
void writePatchFileHeader(uint8_t* out, const char* nameField, int32_t chunkSize);

// A preset file being saved. It is opened (created, or an older one replaced)
// before anything is asked of the plug-in, so that a save which cannot open
// its file changes nothing; then header and chunk are written, flushed and
// the file closed, so a saved file is complete on disk when writing returns.
class PresetFileOut {
public:
    // Reports OpenFailed when the file cannot be opened.
    explicit PresetFileOut(const char* path);
    ~PresetFileOut();  // closes a file that was opened but not written
    PresetFileOut(const PresetFileOut&) = delete;
    PresetFileOut& operator=(const PresetFileOut&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    // Header and chunk, then the file is closed. Report InvalidFormat for a
    // missing chunk, WriteFailed when the bytes did not all reach the file.
    bool writeBank(const void* chunk, int32_t chunkSize);
    bool writePatch(const char* nameField, const void* chunk, int32_t chunkSize);

private:
    bool write(const uint8_t* header, int32_t headerBytes, const void* chunk, int32_t chunkSize);

    std::FILE* file_ = nullptr;
};

// Opens the file and writes header and chunk. Reports OpenFailed or WriteFailed.
bool writeBankFile(const char* path, const void* chunk, int32_t chunkSize);
bool writePatchFile(const char* path, const char* nameField, const void* chunk, int32_t chunkSize);

// A whole file in memory, owned and freed by this object. Extra zero bytes
// behind the data are never counted in size.
class FileContents {
public:
    FileContents() = default;
    ~FileContents();
    FileContents(const FileContents&) = delete;
    FileContents& operator=(const FileContents&) = delete;

    const uint8_t* data() const { return data_; }
    int32_t size() const { return size_; }

private:
    friend bool readWholeFile(const char* path, FileContents& contents);
    void reset();

    uint8_t* data_ = nullptr;
    int32_t size_ = 0;
};

// Opens for reading only and reads to the end (at most kMaxPresetFileBytes + 1
// bytes). Reports OpenFailed, OutOfMemory or ReadFailed and answers false; an
// empty file is a success with size 0.
bool readWholeFile(const char* path, FileContents& contents);

// The chunk stored in a file image: everything behind the file header, which
// is not looked at. A file shorter than its header yields a negative size.
struct StoredChunk {
    const uint8_t* data;  // null when the size is not positive
    int32_t size;
};
StoredChunk chunkBehindHeader(const FileContents& contents, int32_t headerBytes);

}  // namespace tine
