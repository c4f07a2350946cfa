// fxb and fxp files: saved layouts, round trips, every refusal with its
// message, and the four file commands through a host's file selector.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "params/PresetFiles.h"
#include "params/PresetTestSupport.h"
#include "plugin/FileCommands.h"

namespace tine {
namespace {

using namespace presettest;

const std::string kInvalid = "This file format is not valid";
const std::string kNewer = "This file was created with a more recent version of the program";
const std::string kOpening = "Error opening file";
const std::string kReading = "Error reading file";
const std::string kWriting = "Error writing file";

std::vector<uint8_t> bankFileImage(const std::vector<uint8_t>& chunk) {
    std::vector<uint8_t> file(160, 0);
    std::memcpy(&file[0], "CcnKxxxxFBCh", 12);
    putBe32(file, 156, static_cast<uint32_t>(chunk.size()));
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

std::vector<uint8_t> patchFileImage(const std::vector<uint8_t>& chunk) {
    std::vector<uint8_t> file(60, 0);
    std::memcpy(&file[0], "CcnKxxxxFPCh", 12);
    putBe32(file, 56, static_cast<uint32_t>(chunk.size()));
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

// Edits that make every slot differ from the factory bank, then selects `current`.
void editEverySlot(SynthPlugin& plugin, int32_t current) {
    for (int p = 0; p < kNumPrograms; ++p) {
        plugin.setProgram(p);
        std::string name = sampleName(p);
        plugin.setProgramName(&name[0]);
        plugin.setParameter(p % kNumParams, sampleValue(p, 1));
        plugin.storeEditBuffer();
    }
    plugin.setProgram(current);
}

TEST(PresetFile, SavedBankHasTheDocumentedLayoutAndLoadsBackWhole) {
    TempDir dir;
    const std::string path = dir.file("bank.fxb");
    auto source = makePlugin();
    editEverySlot(*source, 23);
    ErrorCapture errors;
    ASSERT_TRUE(saveBank(*source, path.c_str()));

    const std::vector<uint8_t> file = readBytes(path);
    ASSERT_EQ(file.size(), 9004u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "CcnK");
    EXPECT_EQ(getBe32(file, 4), 9004u - 8);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 12), "FBCh");
    EXPECT_EQ(getBe32(file, 12), 1u);
    EXPECT_EQ(std::string(file.begin() + 16, file.begin() + 20), "TNMR");
    EXPECT_EQ(getBe32(file, 20), 1u);
    EXPECT_EQ(getBe32(file, 24), 32u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 28, file.begin() + 156), std::vector<uint8_t>(128, 0));
    EXPECT_EQ(getBe32(file, 156), 8844u);
    EXPECT_EQ(std::string(file.begin() + 160, file.begin() + 164), "RMNT");

    auto target = makePlugin();
    ASSERT_TRUE(loadBank(*target, path.c_str()));
    EXPECT_TRUE(errors.messages().empty());
    EXPECT_TRUE(PluginState(*target) == PluginState(*source));
    EXPECT_EQ(target->getProgram(), 23);
    EXPECT_EQ(std::string(target->programSlot(31).name), sampleName(31));
}

// After "Bluesy Rhodes" is renamed "Abc", the older name's bytes stay behind the
// terminator; the patch keeps them in its 24-byte name field and in its chunk.
TEST(PresetFile, SavedPatchCarriesTheRenamedNameFieldAsStored) {
    TempDir dir;
    const std::string path = dir.file("patch.fxp");
    auto source = makePlugin();
    source->setProgram(6);
    char name[] = "Abc";
    source->setProgramName(name);
    source->setParameter(kParamChorusDepth, 0.125f);
    ErrorCapture errors;
    ASSERT_TRUE(savePatch(*source, path.c_str()));

    const std::vector<uint8_t> file = readBytes(path);
    ASSERT_EQ(file.size(), 344u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "CcnK");
    EXPECT_EQ(getBe32(file, 4), 344u - 8);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 12), "FPCh");
    EXPECT_EQ(getBe32(file, 12), 1u);
    EXPECT_EQ(std::string(file.begin() + 16, file.begin() + 20), "TNMR");
    EXPECT_EQ(getBe32(file, 20), 1u);
    EXPECT_EQ(getBe32(file, 24), 62u);
    EXPECT_EQ(std::string(file.begin() + 28, file.begin() + 42), std::string("Abc\0sy Rhodes\0", 14));
    EXPECT_EQ(getBe32(file, 52), 0u);
    EXPECT_EQ(getBe32(file, 56), 284u);
    EXPECT_EQ(std::string(file.begin() + 68, file.begin() + 82), std::string("Abc\0sy Rhodes\0", 14));

    auto target = makePlugin();
    target->setProgram(2);
    const PluginState before(*target);
    ASSERT_TRUE(loadPatch(*target, path.c_str()));
    EXPECT_TRUE(errors.messages().empty());
    EXPECT_EQ(target->getProgram(), 2);
    EXPECT_STREQ(target->programSlot(2).name, "Abc");
    EXPECT_EQ(target->getParameter(kParamChorusDepth), 0.125f);
    EXPECT_EQ(std::memcmp(target->programSlot(2).values, source->programSlot(6).values, sizeof(Program::values)), 0);
    EXPECT_EQ(std::memcmp(&target->programSlot(3), &before.slots[3], sizeof(Program)), 0);
}

// The loaders trust only the chunk size and the chunk's own header: files of
// older writers (byte size 0, any counts) and older bank chunks load.
TEST(PresetFile, LoadersIgnoreTheFileHeader) {
    struct Row {
        const char* what;
        bool bank;
        std::vector<uint8_t> file;
        int32_t selected;
    };
    const Row rows[] = {
        {"bank with zero byte size", true, bankFileImage(bankChunkImage(62, true, 4)), 4},
        {"bank of 8840-byte chunk", true, bankFileImage(bankChunkImage(62, false)), 0},
        {"older 6028-byte bank", true, bankFileImage(bankChunkImage(40, true, 8)), 8},
        {"older 6024-byte bank", true, bankFileImage(bankChunkImage(40, false)), 0},
        {"patch with zero byte size", false, patchFileImage(programChunkImage("Sample 11", 0.0f)), 11},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        const std::string path = dir.file("in");
        ASSERT_TRUE(writeBytes(path, row.file));
        ErrorCapture errors;
        auto plugin = makePlugin();
        plugin->setProgram(11);
        EXPECT_TRUE(row.bank ? loadBank(*plugin, path.c_str()) : loadPatch(*plugin, path.c_str()));
        EXPECT_TRUE(errors.messages().empty());
        EXPECT_EQ(plugin->getProgram(), row.selected);
        EXPECT_EQ(std::string(plugin->editBuffer().name), sampleName(row.selected));
    }
}

// Every refused file: its one message (or none for an empty file), a false
// result, and the plug-in exactly as before.
TEST(PresetFile, RefusedFilesShowTheirMessageOnceAndChangeNothing) {
    TempDir dir;
    auto retagged = [](std::vector<uint8_t> chunk) {
        chunk[0] = 'X';
        return chunk;
    };
    auto newer = [](std::vector<uint8_t> chunk) {
        putLe32(chunk, 4, 2);
        return chunk;
    };
    struct Row {
        const char* what;
        bool bank;
        std::string path;                 // empty: written from `file`
        std::vector<uint8_t> file;
        std::vector<std::string> messages;
    };
    // An fxb holding a plain list of programs instead of a chunk.
    std::vector<uint8_t> programList(160 + 32 * (28 + 4 * 62), 0);
    std::memcpy(&programList[8], "FxBk", 4);
    const Row rows[] = {
        {"bank with foreign tag", true, "", bankFileImage(retagged(bankChunkImage(62, true))), {kInvalid}},
        {"patch with foreign tag", false, "", patchFileImage(retagged(programChunkImage("x", 0))), {kInvalid}},
        {"bank of version 2", true, "", bankFileImage(newer(bankChunkImage(62, true))), {kNewer}},
        {"patch of version 2", false, "", patchFileImage(newer(programChunkImage("x", 0))), {kNewer}},
        {"bank of program list", true, "", programList, {kInvalid}},
        {"patch one byte short", false, "", std::vector<uint8_t>(343, 0), {kInvalid}},
        {"bank given a patch", true, "", patchFileImage(programChunkImage("x", 0)), {kInvalid}},
        {"empty bank", true, "", {}, {}},
        {"empty patch", false, "", {}, {}},
        {"bank shorter than header", true, "", std::vector<uint8_t>(159, 1), {kInvalid}},
        {"patch shorter than header", false, "", std::vector<uint8_t>(12, 1), {kInvalid}},
        {"bank exactly its header", true, "", std::vector<uint8_t>(160, 1), {kInvalid}},
        {"oversized bank", true, "", std::vector<uint8_t>(kMaxPresetFileBytes + 4096, 0), {kInvalid}},
        {"missing bank", true, dir.file("missing.fxb"), {}, {kOpening}},
        {"patch in missing folder", false, dir.file("no/such.fxp"), {}, {kOpening}},
        {"bank path is a directory", true, dir.path(), {}, {kReading}},
        {"patch path is a directory", false, dir.path(), {}, {kReading}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string path = row.path;
        if (path.empty()) {
            path = dir.file("refused");
            ASSERT_TRUE(writeBytes(path, row.file));
        }
        auto plugin = makePlugin();
        plugin->setProgram(2);
        plugin->setParameter(kParamDecay, 0.25f);  // an unsaved edit must survive too
        const PluginState before(*plugin);
        ErrorCapture errors;
        EXPECT_FALSE(row.bank ? loadBank(*plugin, path.c_str()) : loadPatch(*plugin, path.c_str()));
        EXPECT_EQ(errors.messages(), row.messages);
        EXPECT_TRUE(PluginState(*plugin) == before);
    }
}

// A write-protected preset must load: the reader never asks for write access.
// Root ignores file modes, so the load runs in a child that gave up root.
TEST(PresetFile, ReadOnlyFileLoads) {
    TempDir dir;
    const std::string path = dir.file("readonly.fxb");
    ASSERT_TRUE(writeBytes(path, bankFileImage(bankChunkImage(62, true, 13))));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0) std::_Exit(3);
            // Sanity: this process really cannot write the file.
            if (access(path.c_str(), W_OK) == 0) std::_Exit(4);
            auto plugin = makePlugin();
            const bool loaded = loadBank(*plugin, path.c_str());
            std::_Exit(loaded && plugin->getProgram() == 13 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(PresetFile, SavesThatCannotOpenOrWriteReportAndReturnFalse) {
    TempDir dir;
    struct Row {
        const char* what;
        bool bank;
        std::string path;
        std::string message;
    };
    const Row rows[] = {
        {"bank into missing folder", true, dir.file("no/bank.fxb"), kOpening},
        {"patch into missing folder", false, dir.file("no/patch.fxp"), kOpening},
        {"bank onto a directory", true, dir.path(), kOpening},
        // /dev/full accepts the open and fails the write: the failure shows
        // only when the buffered data is flushed.
        {"bank onto a full device", true, "/dev/full", kWriting},
        {"patch onto a full device", false, "/dev/full", kWriting},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto plugin = makePlugin();
        ErrorCapture errors;
        EXPECT_FALSE(row.bank ? saveBank(*plugin, row.path.c_str()) : savePatch(*plugin, row.path.c_str()));
        EXPECT_EQ(errors.messages(), std::vector<std::string>{row.message});
    }
}

// ---- The four commands through a host's file selector ----

struct SelectorHost {
    intptr_t canDoAnswer = 1;
    intptr_t openAnswer = 1;
    std::string chosenPath;
    std::vector<int32_t> opcodes;
    VstFileSelect seen{};
    VstFileType seenType{};
    const void* opened = nullptr;
    const void* closed = nullptr;
};
SelectorHost gSelector;

intptr_t VSTCALLBACK selectorHost(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    if (opcode == audioMasterCanDo && ptr && std::strcmp(static_cast<const char*>(ptr), "openFileSelector") == 0)
        return gSelector.canDoAnswer;
    if (opcode == audioMasterOpenFileSelector) {
        auto* request = static_cast<VstFileSelect*>(ptr);
        gSelector.opcodes.push_back(opcode);
        gSelector.opened = ptr;
        gSelector.seen = *request;
        if (request->fileTypes) gSelector.seenType = request->fileTypes[0];
        if (gSelector.openAnswer && request->returnPath)
            std::snprintf(request->returnPath, static_cast<size_t>(request->sizeReturnPath), "%s",
                          gSelector.chosenPath.c_str());
        return gSelector.openAnswer;
    }
    if (opcode == audioMasterCloseFileSelector) {
        gSelector.opcodes.push_back(opcode);
        gSelector.closed = ptr;
    }
    return 0;
}

TEST(PresetFile, CommandsFillTheRequestAndUseTheHostSelector) {
    struct Row {
        FileCommand command;
        int32_t selectCommand;
        const char* title;
        const char* typeName;
        const char* macType;
        const char* extension;
    };
    const Row rows[] = {
        {FileCommand::SaveBank, 1, "Save FX Bank", "FX Banks", ".fxb", "fxb"},
        {FileCommand::LoadBank, 0, "Load FX Bank", "FX Banks", ".fxb", "fxb"},
        {FileCommand::SavePatch, 1, "Save FX Patch", "FX Patches", ".fxp", "fxp"},
        {FileCommand::LoadPatch, 0, "Load FX Patch", "FX Patches", ".fxp", "fxp"},
    };
    TempDir dir;
    auto source = makePlugin(&selectorHost);
    editEverySlot(*source, 19);
    auto target = makePlugin(&selectorHost);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title);
        gSelector = SelectorHost{};
        gSelector.chosenPath = dir.file(std::string("chosen.") + row.extension);
        const bool saving = row.selectCommand == 1;
        ErrorCapture errors;
        EXPECT_TRUE(runFileCommand(saving ? *source : *target, row.command, nullptr));
        EXPECT_TRUE(errors.messages().empty());

        EXPECT_EQ(gSelector.opcodes, (std::vector<int32_t>{audioMasterOpenFileSelector, audioMasterCloseFileSelector}));
        EXPECT_EQ(gSelector.closed, gSelector.opened);
        EXPECT_EQ(gSelector.seen.command, row.selectCommand);
        EXPECT_EQ(gSelector.seen.type, 0);
        EXPECT_EQ(gSelector.seen.nbFileTypes, 1);
        EXPECT_STREQ(gSelector.seen.title, row.title);
        EXPECT_EQ(gSelector.seen.initialPath, nullptr);
        EXPECT_NE(gSelector.seen.returnPath, nullptr);
        EXPECT_EQ(gSelector.seen.sizeReturnPath, 1024);
        EXPECT_STREQ(gSelector.seenType.name, row.typeName);
        EXPECT_STREQ(gSelector.seenType.macType, row.macType);
        for (const char* field : {gSelector.seenType.dosType, gSelector.seenType.unixType,
                                  gSelector.seenType.mimeType1, gSelector.seenType.mimeType2})
            EXPECT_STREQ(field, row.extension);
        if (!saving) {
            EXPECT_EQ(target->getProgram(), 19);
        }
    }
    // The bank went out and came back through the commands; the patch then
    // replaced slot 19 with the same program.
    EXPECT_TRUE(PluginState(*target) == PluginState(*source));
}

TEST(PresetFile, CommandWithoutAChosenFileDoesNothing) {
    struct Row {
        const char* what;
        intptr_t canDo;
        intptr_t openAnswer;
        std::vector<int32_t> opcodes;
    };
    const Row rows[] = {
        // The host cancels: its selector is still closed again.
        {"host selector cancelled", 1, 0, {audioMasterOpenFileSelector, audioMasterCloseFileSelector}},
        // A host without a selector: the local dialog, which this build does not have.
        {"no host selector", 0, 1, {}},
        {"host refuses the question", -1, 1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        gSelector = SelectorHost{};
        gSelector.canDoAnswer = row.canDo;
        gSelector.openAnswer = row.openAnswer;
        gSelector.chosenPath = dir.file("never.fxb");
        auto plugin = makePlugin(&selectorHost);
        ErrorCapture errors;
        EXPECT_FALSE(runFileCommand(*plugin, FileCommand::SaveBank, nullptr));
        EXPECT_TRUE(errors.messages().empty());
        EXPECT_EQ(gSelector.opcodes, row.opcodes);
        EXPECT_NE(access(gSelector.chosenPath.c_str(), F_OK), 0);
    }
}

}  // namespace
}  // namespace tine
