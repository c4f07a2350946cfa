#pragma once
// Shared by the chunk and preset-file tests: captured error messages, a
// plug-in with a quiet host, state snapshots, chunk images built by hand (so
// the tests do not read back through the code under test), temp files.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "params/ErrorReport.h"
#include "params/ParameterTable.h"
#include "params/Program.h"
#include "plugin/SynthPlugin.h"

namespace tine {
namespace presettest {

inline std::vector<std::string>& capturedMessages() {
    static std::vector<std::string> messages;
    return messages;
}

// Every message reported while it lives, instead of the default sink.
class ErrorCapture {
public:
    ErrorCapture() {
        capturedMessages().clear();
        previous_ = setErrorSink([](ErrorCode, const char* text) { capturedMessages().push_back(text); });
    }
    ~ErrorCapture() { setErrorSink(previous_); }
    const std::vector<std::string>& messages() const { return capturedMessages(); }
    void clear() { capturedMessages().clear(); }

private:
    ErrorSink previous_;
};

inline intptr_t VSTCALLBACK quietHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

inline std::unique_ptr<SynthPlugin> makePlugin(audioMasterCallback host = &quietHost) {
    return std::make_unique<SynthPlugin>(host);
}

// Everything a load may change that a user can see. The edit buffer's name is
// compared as text: the bytes behind its terminator are its own history.
struct PluginState {
    Program slots[kNumPrograms];
    Program editBuffer;
    int32_t current;

    explicit PluginState(SynthPlugin& plugin) : current(plugin.getProgram()) {
        for (int p = 0; p < kNumPrograms; ++p) slots[p] = plugin.programSlot(p);
        editBuffer = plugin.editBuffer();
    }
    bool operator==(const PluginState& other) const {
        return std::memcmp(slots, other.slots, sizeof(slots)) == 0 &&
               std::memcmp(editBuffer.values, other.editBuffer.values, sizeof(editBuffer.values)) == 0 &&
               std::strcmp(editBuffer.name, other.editBuffer.name) == 0 && current == other.current;
    }
};

// ---- Chunk images, written byte by byte ----

inline void putLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void putBe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline uint32_t getBe32(const std::vector<uint8_t>& in, size_t at) {
    return (uint32_t(in[at]) << 24) | (uint32_t(in[at + 1]) << 16) | (uint32_t(in[at + 2]) << 8) | in[at + 3];
}
inline void putFloatLe(std::vector<uint8_t>& out, size_t at, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    putLe32(out, at, bits);
}

// A recognisable value for program p, parameter i, exactly representable.
inline float sampleValue(int p, int i) { return static_cast<float>((p * 7 + i * 3) % 64) / 64.0f; }
inline std::string sampleName(int p) { return "Sample " + std::to_string(p); }

// Header 'TNMR' (stored little-endian: "RMNT") and version.
inline void putHeader(std::vector<uint8_t>& out, int32_t version = 1) {
    out[0] = 'R';
    out[1] = 'M';
    out[2] = 'N';
    out[3] = 'T';
    putLe32(out, 4, static_cast<uint32_t>(version));
}

// A bank chunk of the given layout: every slot named and valued by sampleValue.
// valuesPerProgram 62 (current) or 40 (older); withIndex adds the current index.
inline std::vector<uint8_t> bankChunkImage(int valuesPerProgram, bool withIndex, int32_t index = 0) {
    const size_t record = 28 + 4 * static_cast<size_t>(valuesPerProgram);
    std::vector<uint8_t> out(8 + 32 * record + (withIndex ? 4 : 0), 0);
    putHeader(out);
    for (int p = 0; p < kNumPrograms; ++p) {
        const size_t at = 8 + p * record;
        const std::string name = sampleName(p);
        std::memcpy(&out[at], name.c_str(), name.size());
        for (int i = 0; i < valuesPerProgram; ++i) putFloatLe(out, at + 28 + 4 * i, sampleValue(p, i));
    }
    if (withIndex) putLe32(out, out.size() - 4, static_cast<uint32_t>(index));
    return out;
}

inline std::vector<uint8_t> programChunkImage(const char* name, float valueBase) {
    std::vector<uint8_t> out(284, 0);
    putHeader(out);
    std::memcpy(&out[8], name, std::strlen(name));
    for (int i = 0; i < kNumParams; ++i) putFloatLe(out, 8 + 28 + 4 * i, valueBase + static_cast<float>(i) / 128.0f);
    return out;
}

// ---- Files ----

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/tine-presets-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? made : "";
    }
    ~TempDir() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

}  // namespace presettest
}  // namespace tine
