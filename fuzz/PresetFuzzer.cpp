// Any bytes as a program chunk, a bank chunk, a bank file and a patch file.
// Beyond the sanitizers' own checks, whatever state a load leaves must save
// and load again unchanged.

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "params/ErrorReport.h"
#include "plugin/FileCommands.h"
#include "plugin/SynthPlugin.h"

namespace {

using namespace tine;

intptr_t VSTCALLBACK silentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}
void quietSink(ErrorCode, const char*) {}

std::string gPath;
void removeTempFile() {
    if (!gPath.empty())
        std::remove(gPath.c_str());
}

SynthPlugin& plugin() {
    static SynthPlugin* instance = [] {
        setErrorSink(&quietSink);
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && dir[0] ? dir : "/tmp") + "/tine-fuzz-XXXXXX";
        const int fd = mkstemp(&pattern[0]);
        if (fd < 0)
            std::abort();
        close(fd);
        gPath = pattern;
        std::atexit(&removeTempFile);
        return new SynthPlugin(&silentHost);
    }();
    return *instance;
}

std::vector<uint8_t> chunkCopy(SynthPlugin& p, bool isPreset) {
    void* data = nullptr;
    const int32_t size = p.getChunk(&data, isPreset);
    if (!data || size <= 0)
        __builtin_trap();
    return std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// What the plug-in hands out must come back accepted and unchanged.
void checkRoundTrip(SynthPlugin& p, bool isPreset) {
    std::vector<uint8_t> first = chunkCopy(p, isPreset);
    if (p.setChunk(first.data(), static_cast<int32_t>(first.size()), isPreset) != 1)
        __builtin_trap();
    if (chunkCopy(p, isPreset) != first)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SynthPlugin& p = plugin();
    if (size > static_cast<size_t>(INT32_MAX))
        return 0;
    // A private copy of exactly the input's size, so any read past it is caught.
    std::vector<uint8_t> bytes(data, data + size);
    const int32_t n = static_cast<int32_t>(size);
    bool loaded = p.setChunk(bytes.empty() ? nullptr : bytes.data(), n, true) == 1;
    loaded = (p.setChunk(bytes.empty() ? nullptr : bytes.data(), n, false) == 1) || loaded;

    std::FILE* file = std::fopen(gPath.c_str(), "wb");
    if (!file)
        std::abort();
    if (size && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    loaded = loadBank(p, gPath.c_str()) || loaded;
    loaded = loadPatch(p, gPath.c_str()) || loaded;

    // Only a load changes what there is to check; refusals were already
    // checked by the sanitizers on the way.
    if (loaded) {
        checkRoundTrip(p, false);
        checkRoundTrip(p, true);
    }
    return 0;
}
