// Writes the fuzzer's seed corpus into a folder: a saved bank, a saved patch,
// an older 40-value bank, and the bare chunks of each, all made by this build.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "params/Chunks.h"
#include "params/PresetFiles.h"
#include "plugin/FileCommands.h"
#include "plugin/SynthPlugin.h"

namespace {

using namespace tine;

intptr_t VSTCALLBACK silentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

bool writeRaw(const std::string& path, const void* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

// The older layout: the same header, 28 name bytes and 40 values per program, the index.
std::vector<uint8_t> legacyBankChunk(const uint8_t* bank) {
    std::vector<uint8_t> out(kLegacyBankChunkBytes);
    std::memcpy(out.data(), bank, kChunkHeaderBytes);
    for (int p = 0; p < kNumPrograms; ++p)
        std::memcpy(&out[kChunkHeaderBytes + p * kLegacyProgramRecordBytes],
                    bank + kChunkHeaderBytes + p * kProgramRecordBytes, kLegacyProgramRecordBytes);
    std::memcpy(&out[kLegacyBankChunkNoIndexBytes], bank + kBankChunkNoIndexBytes, 4);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    SynthPlugin plugin(&silentHost);
    plugin.setProgram(6);
    char name[] = "Abc";
    plugin.setProgramName(name);
    plugin.setParameter(0, 0.5f);

    bool ok = saveBank(plugin, (dir + "/bank.fxb").c_str());
    ok = savePatch(plugin, (dir + "/patch.fxp").c_str()) && ok;

    void* data = nullptr;
    int32_t size = plugin.getChunk(&data, true);
    ok = writeRaw(dir + "/program.chunk", data, static_cast<size_t>(size)) && ok;
    size = plugin.getChunk(&data, false);
    ok = writeRaw(dir + "/bank.chunk", data, static_cast<size_t>(size)) && ok;

    const std::vector<uint8_t> legacy = legacyBankChunk(static_cast<const uint8_t*>(data));
    ok = writeRaw(dir + "/legacy-bank.chunk", legacy.data(), legacy.size()) && ok;
    ok = writeBankFile((dir + "/legacy-bank.fxb").c_str(), legacy.data(), static_cast<int32_t>(legacy.size())) && ok;
    return ok ? 0 : 1;
}
