// Program and bank chunks as hosts see them through getChunk and setChunk:
// byte layout, every accepted size, every refusal with its message.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "params/Chunks.h"
#include "params/PresetTestSupport.h"

namespace tine {
namespace {

using namespace presettest;

std::vector<uint8_t> chunkOf(SynthPlugin& plugin, bool isPreset) {
    void* data = nullptr;
    const int32_t size = plugin.getChunk(&data, isPreset);
    if (!data || size <= 0) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

float floatAt(const std::vector<uint8_t>& bytes, size_t at) {
    const uint32_t bits = uint32_t(bytes[at]) | (uint32_t(bytes[at + 1]) << 8) | (uint32_t(bytes[at + 2]) << 16) |
                          (uint32_t(bytes[at + 3]) << 24);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

TEST(Chunk, GetChunkLaysOutHeaderRecordsAndIndexLittleEndian) {
    auto plugin = makePlugin();
    plugin->setProgram(6);

    const std::vector<uint8_t> program = chunkOf(*plugin, true);
    ASSERT_EQ(program.size(), 284u);
    // 'TNMR' stored little-endian reads backwards; version 1.
    EXPECT_EQ(std::string(program.begin(), program.begin() + 8), std::string("RMNT\1\0\0\0", 8));
    EXPECT_STREQ(reinterpret_cast<const char*>(&program[8]), "Bluesy Rhodes");
    // 0.11f and 0.22f are the first two values of "Bluesy Rhodes"; 0.11f is 0x3DE147AE.
    EXPECT_EQ(program[36], 0xAE);
    EXPECT_EQ(program[39], 0x3D);
    EXPECT_EQ(floatAt(program, 36 + 4), 0.22f);

    const std::vector<uint8_t> bank = chunkOf(*plugin, false);
    ASSERT_EQ(bank.size(), 8844u);
    EXPECT_EQ(std::string(bank.begin(), bank.begin() + 8), std::string("RMNT\1\0\0\0", 8));
    for (int p = 0; p < kNumPrograms; ++p) {
        const size_t at = 8 + 276 * p;
        EXPECT_STREQ(reinterpret_cast<const char*>(&bank[at]), kFactoryBank[p].name) << p;
        EXPECT_EQ(floatAt(bank, at + 28), kFactoryBank[p].values[0]) << p;
        EXPECT_EQ(floatAt(bank, at + 28 + 4 * 61), kFactoryBank[p].values[61]) << p;
    }
    EXPECT_EQ(std::vector<uint8_t>(bank.end() - 4, bank.end()), (std::vector<uint8_t>{6, 0, 0, 0}));
}

TEST(Chunk, GetChunkStoresTheEditBufferIntoTheCurrentSlotFirst) {
    auto plugin = makePlugin();
    plugin->setProgram(3);
    plugin->setParameter(kParamLevel, 0.875f);
    char name[] = "Edited";
    plugin->setProgramName(name);

    const std::vector<uint8_t> bank = chunkOf(*plugin, false);
    ASSERT_EQ(bank.size(), 8844u);
    EXPECT_EQ(floatAt(bank, 8 + 276 * 3 + 28), 0.875f);
    EXPECT_EQ(plugin->programSlot(3).values[kParamLevel], 0.875f);

    const std::vector<uint8_t> program = chunkOf(*plugin, true);
    EXPECT_STREQ(reinterpret_cast<const char*>(&program[8]), "Edited");
    EXPECT_EQ(floatAt(program, 36), 0.875f);
}

// Every accepted size: what is selected and what each slot holds afterwards.
TEST(Chunk, SetChunkAcceptsEveryDocumentedSize) {
    struct Row {
        const char* what;
        bool isPreset;
        std::vector<uint8_t> data;
        int32_t selected;  // program current afterwards
        int valuesLoaded;  // 62, or 40 for the older layout
    };
    const Row rows[] = {
        {"bank 8844 with index", false, bankChunkImage(62, true, 9), 9, 62},
        {"bank 8840 without index", false, bankChunkImage(62, false), 0, 62},
        {"older bank 6028 with index", false, bankChunkImage(40, true, 7), 7, 40},
        {"older bank 6024 without index", false, bankChunkImage(40, false), 0, 40},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ErrorCapture errors;
        auto plugin = makePlugin();
        plugin->setProgram(4);
        const PluginState before(*plugin);

        std::vector<uint8_t> data = row.data;
        EXPECT_EQ(plugin->setChunk(data.data(), static_cast<int32_t>(data.size()), row.isPreset), 1);
        EXPECT_TRUE(errors.messages().empty());
        EXPECT_EQ(plugin->getProgram(), row.selected);
        for (int p = 0; p < kNumPrograms; ++p) {
            const Program& slot = plugin->programSlot(p);
            EXPECT_EQ(std::string(slot.name), sampleName(p)) << p;
            for (int i = 0; i < kNumParams; ++i) {
                const float expected = i < row.valuesLoaded ? sampleValue(p, i) : before.slots[p].values[i];
                ASSERT_EQ(slot.values[i], expected) << "program " << p << " value " << i;
            }
        }
        // The selection went through setProgram: the edit buffer follows the slot.
        EXPECT_EQ(std::memcmp(&plugin->editBuffer().values, &plugin->programSlot(row.selected).values,
                              sizeof(Program::values)),
                  0);
    }
}

TEST(Chunk, ProgramChunkLoadsIntoTheCurrentSlotOnly) {
    ErrorCapture errors;
    auto plugin = makePlugin();
    plugin->setProgram(12);
    const PluginState before(*plugin);

    std::vector<uint8_t> chunk = programChunkImage("Incoming", 0.25f);
    EXPECT_EQ(plugin->setChunk(chunk.data(), 284, true), 1);
    EXPECT_TRUE(errors.messages().empty());
    EXPECT_EQ(plugin->getProgram(), 12);
    EXPECT_STREQ(plugin->programSlot(12).name, "Incoming");
    char name[32] = {};
    plugin->getProgramName(name);
    EXPECT_STREQ(name, "Incoming");
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(plugin->programSlot(12).values[i], 0.25f + static_cast<float>(i) / 128.0f) << i;
        EXPECT_EQ(plugin->getParameter(i), 0.25f + static_cast<float>(i) / 128.0f) << i;
    }
    for (int p = 0; p < kNumPrograms; ++p) {
        if (p == 12) continue;
        EXPECT_EQ(std::memcmp(&plugin->programSlot(p), &before.slots[p], sizeof(Program)), 0) << p;
    }
}

// Every refusal: its one message, result 0, and nothing changed.
TEST(Chunk, SetChunkRefusalsShowTheirMessageOnceAndChangeNothing) {
    const std::string invalid = "This file format is not valid";
    const std::string newer = "This file was created with a more recent version of the program";
    auto withTag = [](std::vector<uint8_t> data, const char* tag) {
        std::memcpy(data.data(), tag, 4);
        return data;
    };
    auto withVersion = [](std::vector<uint8_t> data, uint32_t version) {
        putLe32(data, 4, version);
        return data;
    };
    auto resized = [](std::vector<uint8_t> data, size_t size) {
        data.resize(size, 0);
        return data;
    };
    const std::vector<uint8_t> bank = bankChunkImage(62, true, 3);
    const std::vector<uint8_t> legacy = bankChunkImage(40, true, 3);
    const std::vector<uint8_t> program = programChunkImage("Refused", 0.5f);
    struct Row {
        const char* what;
        bool isPreset;
        std::vector<uint8_t> data;
        std::string message;
    };
    const Row rows[] = {
        // The tag is compared as a little-endian integer: the code in reading order is wrong.
        {"bank tag in reading order", false, withTag(bank, "TNMR"), invalid},
        {"foreign bank tag", false, withTag(bank, "CcnK"), invalid},
        {"older bank with foreign tag", false, withTag(legacy, "XXXX"), invalid},
        {"program tag", true, withTag(program, "RMNS"), invalid},
        {"bank version 2", false, withVersion(bank, 2), newer},
        {"older bank version 2", false, withVersion(legacy, 2), newer},
        {"program version 2", true, withVersion(program, 2), newer},
        {"program version INT32_MAX", true, withVersion(program, 0x7FFFFFFF), newer},
        {"bank of 8843 bytes", false, resized(bank, 8843), invalid},
        {"bank of 8845 bytes", false, resized(bank, 8845), invalid},
        {"bank of 6027 bytes", false, resized(legacy, 6027), invalid},
        {"bank of one program", false, program, invalid},
        {"bank of 8 bytes", false, resized(bank, 8), invalid},
        {"program of 283 bytes", true, resized(program, 283), invalid},
        {"program of 285 bytes", true, resized(program, 285), invalid},
        {"program given a bank", true, bank, invalid},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ErrorCapture errors;
        auto plugin = makePlugin();
        plugin->setProgram(2);
        plugin->setParameter(kParamLevel, 0.5f);  // an unsaved edit must survive too
        const PluginState before(*plugin);
        std::vector<uint8_t> data = row.data;
        EXPECT_EQ(plugin->setChunk(data.data(), static_cast<int32_t>(data.size()), row.isPreset), 0);
        EXPECT_EQ(errors.messages(), std::vector<std::string>{row.message});
        EXPECT_TRUE(PluginState(*plugin) == before);
    }
}

TEST(Chunk, VersionsBelowTwoAreAcceptedAsSignedIntegers) {
    for (uint32_t version : {0u, 1u, 0xFFFFFFFFu, 0x80000000u}) {
        ErrorCapture errors;
        auto plugin = makePlugin();
        std::vector<uint8_t> chunk = programChunkImage("Old", 0.0f);
        putLe32(chunk, 4, version);
        EXPECT_EQ(plugin->setChunk(chunk.data(), 284, true), 1) << version;
        EXPECT_TRUE(errors.messages().empty()) << version;
    }
}

// Names that fill their 28 bytes are cut at 27 characters; nothing beyond the
// field is read (the next record's bytes must not leak into the name).
TEST(Chunk, NameWithoutTerminatorIsCutAt27Characters) {
    const std::string full(27, 'N');
    struct Row {
        const char* what;
        bool isPreset;
        std::vector<uint8_t> data;
    };
    std::vector<uint8_t> program = programChunkImage("", 0.0f);
    std::memset(&program[8], 'N', 28);
    std::vector<uint8_t> bank = bankChunkImage(62, true, 0);
    std::memset(&bank[8], 'N', 28);
    std::vector<uint8_t> legacy = bankChunkImage(40, true, 0);
    std::memset(&legacy[8], 'N', 28);
    const Row rows[] = {{"program", true, program}, {"bank", false, bank}, {"older bank", false, legacy}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto plugin = makePlugin();
        std::vector<uint8_t> data = row.data;
        ASSERT_EQ(plugin->setChunk(data.data(), static_cast<int32_t>(data.size()), row.isPreset), 1);
        EXPECT_EQ(std::string(plugin->programSlot(0).name), full);
        char name[64];
        std::memset(name, 'x', sizeof(name));
        plugin->getProgramName(name);
        EXPECT_EQ(std::string(name), full);
        EXPECT_EQ(std::string(plugin->editBuffer().name), full);
    }
}

// A bank's stored index outside 0..31 is ignored by the selection: the slots
// load, the edit buffer and the current program stay.
TEST(Chunk, BankIndexOutsideTheBankLeavesTheSelection) {
    for (int32_t index : {32, -1, 0x7FFFFFFF}) {
        auto plugin = makePlugin();
        plugin->setProgram(5);
        const Program editBefore = plugin->editBuffer();
        std::vector<uint8_t> chunk = bankChunkImage(62, true, index);
        EXPECT_EQ(plugin->setChunk(chunk.data(), 8844, false), 1) << index;
        EXPECT_EQ(plugin->getProgram(), 5) << index;
        EXPECT_EQ(std::memcmp(&plugin->editBuffer(), &editBefore, sizeof(Program)), 0) << index;
        EXPECT_EQ(std::string(plugin->programSlot(5).name), sampleName(5)) << index;
    }
}

}  // namespace
}  // namespace tine
