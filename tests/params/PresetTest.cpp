// Program and bank chunks through getChunk and setChunk, and the fxp and fxb
// files around them: byte layouts, every accepted size, every refusal with its
// one message and nothing changed, round trips, and the file commands through
// a host's file selector. Images are written byte by byte here, never through
// the code under test.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestHost.h"
#include "params/PresetFiles.h"
#include "plugin/FileCommands.h"

namespace tine {
namespace {

using Bytes = std::vector<uint8_t>;
const std::string kInvalid = "This file format is not valid", kOpening = "Error opening file";
const std::string kNewer = "This file was created with a more recent version of the program";

// Everything a load may change that a user can see. The edit buffer's name is
// compared as text: the bytes behind its terminator are its own history.
struct State {
    explicit State(SynthPlugin& p) : edit(p.editBuffer()), current(p.getProgram()) {
        for (int s = 0; s < kNumPrograms; ++s) slots[s] = p.programSlot(s);
    }
    bool operator==(const State& o) const {
        return !std::memcmp(slots, o.slots, sizeof slots) && !std::strcmp(edit.name, o.edit.name) &&
               !std::memcmp(edit.values, o.edit.values, sizeof edit.values) && current == o.current;
    }
    Program slots[kNumPrograms], edit;
    int32_t current;
};

class Preset : public ::testing::Test {
protected:
    static uint32_t word(const Bytes& in, size_t at, bool big = false) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(in[at + i]) << (big ? 24 - 8 * i : 8 * i);
        return v;
    }
    static Bytes put(Bytes out, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
        return out;
    }
    static uint32_t bits(float f) {
        uint32_t b;
        std::memcpy(&b, &f, 4);
        return b;
    }
    static std::string text(const Bytes& in, size_t at, size_t n) {
        return std::string(in.begin() + at, in.begin() + at + n);
    }
    // A recognisable, exactly representable value for program p, parameter i.
    static float value(int p, int i) { return float((p * 7 + i * 3) % 64) / 64.0f; }
    static std::string name(int p) { return "Sample " + std::to_string(p); }

    // Header "RMNT" ('TNMR' little-endian) and version 1, records of 28 name
    // bytes and `values` floats, then the current index if there is one.
    static Bytes chunk(int programs, int values, bool withIndex, int32_t index = 3) {
        const size_t record = 28 + 4 * size_t(values);
        Bytes out(8 + programs * record + (withIndex ? 4 : 0), 0);
        std::memcpy(out.data(), "RMNT\1\0\0\0", 8);
        for (int p = 0; p < programs; ++p) {
            std::memcpy(&out[8 + p * record], name(p).c_str(), name(p).size());
            for (int i = 0; i < values; ++i) out = put(out, 8 + p * record + 28 + 4 * i, bits(value(p, i)));
        }
        return withIndex ? put(out, out.size() - 4, uint32_t(index)) : out;
    }
    static Bytes bank(int32_t index = 3) { return chunk(kNumPrograms, kNumParams, true, index); }
    static Bytes program() { return chunk(1, kNumParams, false); }
    static Bytes legacy() { return chunk(kNumPrograms, 40, true); }
    // A file as older writers leave it: only the kind and the chunk size set.
    static Bytes file(const Bytes& chunk, bool isBank) {
        Bytes out(isBank ? 160 : 60, 0);
        std::memcpy(out.data(), isBank ? "CcnK....FBCh" : "CcnK....FPCh", 12);
        for (int i = 0; i < 4; ++i) out[out.size() - 4 + i] = uint8_t(chunk.size() >> (24 - 8 * i));
        out.insert(out.end(), chunk.begin(), chunk.end());
        return out;
    }
    static Bytes chunkOf(SynthPlugin& p, bool isPreset) {
        void* data = nullptr;
        const int32_t size = p.getChunk(&data, isPreset);
        return Bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }
    static int32_t load(SynthPlugin& p, Bytes data, bool isPreset) {
        return p.setChunk(data.data(), int32_t(data.size()), isPreset);
    }

    void SetUp() override { ASSERT_TRUE(mkdtemp(&dir[0])); }
    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    static bool write(const std::string& path, const Bytes& b) {
        std::ofstream out(path, std::ios::binary);
        return bool(out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size())));
    }
    static Bytes read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string dir = "/tmp/tine-presets-XXXXXX";
    test::TablesHold tables;
};

TEST_F(Preset, GetChunkStoresTheEditBufferAndLaysOutLittleEndian) {
    SynthPlugin plugin(&test::recordingHost);
    plugin.setProgram(6);
    plugin.setParameter(kParamLevel, 0.875f);
    char edited[] = "Edited";
    plugin.setProgramName(edited);
    for (bool isPreset : {true, false}) {
        const Bytes c = chunkOf(plugin, isPreset);
        ASSERT_EQ(c.size(), isPreset ? 284u : 8844u);
        EXPECT_EQ(text(c, 0, 8), std::string("RMNT\1\0\0\0", 8));
        for (int p = 0; p < (isPreset ? 1 : kNumPrograms); ++p) {
            const size_t at = 8 + 276 * p;
            const int source = isPreset ? 6 : p;
            EXPECT_STREQ(reinterpret_cast<const char*>(&c[at]), source == 6 ? "Edited" : kFactoryBank[p].name);
            const size_t length = std::strlen(reinterpret_cast<const char*>(&c[at]));
            EXPECT_TRUE(source == 6 || Bytes(c.begin() + at + length, c.begin() + at + 28) == Bytes(28 - length, 0))
                << "factory names are zero-padded";
            for (int i = 0; i < kNumParams; ++i)
                ASSERT_EQ(word(c, at + 28 + 4 * i),
                          bits(source == 6 && i == 0 ? 0.875f : kFactoryBank[source].values[i]));
        }
        EXPECT_TRUE(isPreset || word(c, 8840) == 6u) << "the bank ends with the current program";
    }
}

TEST_F(Preset, SetChunkAcceptsEveryLayoutAndLoadsWhatItHolds) {
    const struct {
        bool isPreset;
        Bytes data;
        int32_t selected;  // current afterwards
        int values;        // loaded per program: 62, or 40 from the older layout
    } rows[] = {{false, bank(9), 9, 62},
                {false, chunk(kNumPrograms, kNumParams, false), 0, 62},
                {false, chunk(kNumPrograms, 40, true, 7), 7, 40},
                {false, chunk(kNumPrograms, 40, false), 0, 40},
                {true, program(), 4, 62},
                {true, put(program(), 4, 0xFFFFFFFF), 4, 62},  // versions below 2 are ours, signed
                {true, put(program(), 4, 0), 4, 62}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.data.size());
        test::ErrorCapture errors;
        SynthPlugin plugin(&test::recordingHost);
        plugin.setProgram(4);
        const State before(plugin);
        EXPECT_EQ(load(plugin, row.data, row.isPreset), 1);
        EXPECT_TRUE(errors.messages().empty());
        EXPECT_EQ(plugin.getProgram(), row.selected);
        for (int p = 0; p < kNumPrograms; ++p) {
            const Program& slot = plugin.programSlot(p);
            if (row.isPreset && p != 4) {
                EXPECT_EQ(std::memcmp(&slot, &before.slots[p], sizeof slot), 0) << p;
                continue;
            }
            EXPECT_EQ(std::string(slot.name), name(row.isPreset ? 0 : p));
            for (int i = 0; i < kNumParams; ++i)
                ASSERT_EQ(slot.values[i], i < row.values ? value(row.isPreset ? 0 : p, i) : before.slots[p].values[i]);
        }
        EXPECT_EQ(
            std::memcmp(plugin.editBuffer().values, plugin.programSlot(row.selected).values, sizeof(Program::values)),
            0);
    }
}

// A name filling its 28 bytes loses its last character: nothing beyond the
// field is read. A stored index outside the bank leaves the selection.
TEST_F(Preset, FullNamesAreCutAndForeignIndicesIgnored) {
    for (int values : {kNumParams, 40}) {
        SynthPlugin plugin(&test::recordingHost);
        plugin.setProgram(5);
        const Program edit = plugin.editBuffer();
        Bytes data = chunk(kNumPrograms, values, true, 32);
        std::memset(&data[8], 'N', 28);
        ASSERT_EQ(load(plugin, data, false), 1);
        char shown[64];
        EXPECT_TRUE(plugin.getProgramNameIndexed(0, 0, shown));
        EXPECT_EQ(std::string(shown), std::string(27, 'N'));
        EXPECT_EQ(std::string(plugin.programSlot(0).name), std::string(27, 'N'));
        EXPECT_EQ(plugin.getProgram(), 5);
        EXPECT_EQ(std::memcmp(&plugin.editBuffer(), &edit, sizeof edit), 0);
    }
}

TEST_F(Preset, SavedFilesHaveTheStandardHeadersAndLoadBackWhole) {
    SynthPlugin source(&test::recordingHost), target(&test::recordingHost);
    for (int p = 0; p < kNumPrograms; ++p) {  // every slot differs from the factory
        source.setProgram(p);
        std::string renamed = name(p);
        source.setProgramName(&renamed[0]);
        source.setParameter(p % kNumParams, value(p, 1));
        source.storeEditBuffer();
    }
    source.setProgram(6);
    char abc[] = "Abc";  // the older name's bytes stay behind the terminator
    source.setProgramName(abc);
    source.setParameter(kParamChorusDepth, 0.125f);
    test::ErrorCapture errors;
    ASSERT_TRUE(saveBank(source, path("b.fxb").c_str()));
    ASSERT_TRUE(savePatch(source, path("p.fxp").c_str()));
    for (bool isBank : {true, false}) {
        const Bytes f = read(path(isBank ? "b.fxb" : "p.fxp"));
        ASSERT_EQ(f.size(), isBank ? 9004u : 344u);
        EXPECT_EQ(text(f, 0, 4) + text(f, 8, 4) + text(f, 16, 4), isBank ? "CcnKFBChTNMR" : "CcnKFPChTNMR");
        EXPECT_EQ(word(f, 4, true), f.size() - 8);
        EXPECT_EQ(word(f, 12, true), 1u);
        EXPECT_EQ(word(f, 20, true), 1u);
        EXPECT_EQ(word(f, 24, true), isBank ? 32u : 62u);
        EXPECT_EQ(word(f, isBank ? 156 : 56, true), isBank ? 8844u : 284u);
        EXPECT_EQ(Bytes(f.begin() + (isBank ? 160 : 60), f.end()), chunkOf(source, !isBank));
        EXPECT_EQ(isBank ? Bytes(f.begin() + 28, f.begin() + 156) : Bytes(f.begin() + 52, f.begin() + 56),
                  Bytes(isBank ? 128 : 4, 0));
        EXPECT_TRUE(isBank || text(f, 28, 24) == std::string(source.programSlot(6).name, 24)) << "name field as stored";
    }
    EXPECT_NE(std::string(source.programSlot(6).name + 4, 4), std::string(4, '\0'));

    ASSERT_TRUE(loadBank(target, path("b.fxb").c_str()));
    EXPECT_TRUE(State(target) == State(source));
    target.setProgram(2);
    const Program three = target.programSlot(3);
    ASSERT_TRUE(loadPatch(target, path("p.fxp").c_str()));
    EXPECT_EQ(target.getProgram(), 2);
    EXPECT_STREQ(target.programSlot(2).name, "Abc");
    EXPECT_EQ(std::memcmp(target.programSlot(2).values, source.programSlot(6).values, sizeof(Program::values)), 0);
    EXPECT_EQ(std::memcmp(&target.programSlot(3), &three, sizeof three), 0);
    EXPECT_TRUE(errors.messages().empty());
}

// Loaders trust only the chunk behind the header. Refused files and chunks
// say why once (an empty file says nothing) and change nothing, not even an
// unsaved edit.
TEST_F(Preset, LoadsDependOnTheChunkAlone) {
    Bytes programList(160 + 32 * 276, 0);  // a plain program list instead of a chunk
    std::memcpy(&programList[8], "FxBk", 4);
    auto cut = [](Bytes data, size_t size) {
        data.resize(size, 0);
        return data;
    };
    const struct {
        bool isBank;
        Bytes data;
        std::string path, message;  // path empty: written from `data`; message empty: accepted
        int32_t selected;
    } rows[] = {
        // clang-format off
        {true, file(bank(4), true), "", "", 4}, {true, file(chunk(kNumPrograms, 40, false), true), "", "", 0},
        {false, file(program(), false), "", "", 11},
        // The tag is compared as a little-endian integer: "TNMR" in reading order is foreign.
        {true, file(put(bank(), 0, 0x524D4E54), true), "", kInvalid, 0},
        {true, file(put(legacy(), 0, 0x4B6E6343), true), "", kInvalid, 0},
        {false, file(put(program(), 0, 0x534E4D52), false), "", kInvalid, 0},
        {true, file(put(bank(), 4, 2), true), "", kNewer, 0},  {true, file(put(legacy(), 4, 2), true), "", kNewer, 0},
        {false, file(put(program(), 4, 0x7FFFFFFF), false), "", kNewer, 0},
        {true, file(cut(bank(), 8843), true), "", kInvalid, 0}, {true, file(cut(bank(), 8845), true), "", kInvalid, 0},
        {true, file(cut(legacy(), 6027), true), "", kInvalid, 0}, {true, file(cut(bank(), 8), true), "", kInvalid, 0},
        {false, file(cut(program(), 283), false), "", kInvalid, 0},
        {false, file(cut(program(), 285), false), "", kInvalid, 0},
        {true, file(program(), true), "", kInvalid, 0},         {false, file(bank(), false), "", kInvalid, 0},
        {true, programList, "", kInvalid, 0},                   {false, Bytes(1, 1), "", kInvalid, 0},
        {true, Bytes(160, 1), "", kInvalid, 0}, {true, Bytes(kMaxPresetFileBytes + 4096, 0), "", kInvalid, 0},
        {true, {}, "", "", 0},                                  {false, {}, "", "", 0},
        {true, {}, path("missing.fxb"), kOpening, 0},           {false, {}, path("no/such.fxp"), kOpening, 0},
        {true, {}, dir, "Error reading file", 0},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + std::to_string(row.data.size()));
        const std::string at = row.path.empty() ? path("in") : row.path;
        ASSERT_TRUE(!row.path.empty() || write(at, row.data));
        SynthPlugin plugin(&test::recordingHost);
        plugin.setProgram(11);
        plugin.setParameter(kParamDecay, 0.25f);
        const State before(plugin);
        test::ErrorCapture errors;
        const bool loaded = row.isBank ? loadBank(plugin, at.c_str()) : loadPatch(plugin, at.c_str());
        EXPECT_EQ(errors.messages(),
                  row.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.message});
        EXPECT_EQ(loaded, row.message.empty() && !row.data.empty());
        if (loaded) {
            EXPECT_EQ(plugin.getProgram(), row.selected);
            EXPECT_EQ(std::string(plugin.editBuffer().name), name(row.isBank ? row.selected : 0));
        } else {
            EXPECT_TRUE(State(plugin) == before);
        }
    }
}

// A write-protected preset loads. Root ignores file modes, so the load runs
// in a child that gave up root.
TEST_F(Preset, ReadOnlyFileLoads) {
    ASSERT_TRUE(write(path("ro.fxb"), file(bank(13), true)));
    ASSERT_EQ(chmod(path("ro.fxb").c_str(), 0444) | chmod(dir.c_str(), 0755), 0);
    EXPECT_EXIT(
        {
            if ((geteuid() == 0 && setuid(65534) != 0) || access(path("ro.fxb").c_str(), W_OK) == 0)
                std::_Exit(3);
            SynthPlugin plugin(&test::recordingHost);
            std::_Exit(loadBank(plugin, path("ro.fxb").c_str()) && plugin.getProgram() == 13 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// /dev/full accepts the open and fails the write, seen only when the data is flushed.
TEST_F(Preset, SavesThatCannotOpenOrWriteSaySo) {
    const std::tuple<bool, std::string, std::string> rows[] = {{true, path("no/b.fxb"), kOpening},
                                                               {false, path("no/p.fxp"), kOpening},
                                                               {true, dir, kOpening},
                                                               {true, "/dev/full", "Error writing file"},
                                                               {false, "/dev/full", "Error writing file"}};
    for (const auto& [isBank, at, message] : rows) {
        SynthPlugin plugin(&test::recordingHost);
        test::ErrorCapture errors;
        EXPECT_FALSE(isBank ? saveBank(plugin, at.c_str()) : savePatch(plugin, at.c_str())) << at;
        EXPECT_EQ(errors.messages(), std::vector<std::string>{message}) << at;
    }
    // Without a sink of its own, a program (the render tool) shows the message
    // on standard error.
    SynthPlugin plugin(&test::recordingHost);
    const ErrorSink previous = setErrorSink(nullptr);
    testing::internal::CaptureStderr();
    saveBank(plugin, "/dev/full");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tinemaster Error: Error writing file\n");
    setErrorSink(previous);
}

// ---- The commands through a host's file selector ----

struct Selector {
    intptr_t canDo = 1, answer = 1;
    std::string chosen;
    VstFileSelect seen{};
    VstFileType type{};
    const void *opened = nullptr, *closed = nullptr;
} gSelector;

intptr_t VSTCALLBACK selectorHost(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    if (opcode == audioMasterCanDo)
        return std::strcmp(static_cast<char*>(ptr), "openFileSelector") ? 0 : gSelector.canDo;
    if (opcode == audioMasterCloseFileSelector)
        gSelector.closed = ptr;
    if (opcode != audioMasterOpenFileSelector)
        return 0;
    auto* request = static_cast<VstFileSelect*>(ptr);
    gSelector.opened = ptr;
    gSelector.seen = *request;
    gSelector.type = request->fileTypes[0];
    if (gSelector.answer)
        std::snprintf(request->returnPath, size_t(request->sizeReturnPath), "%s", gSelector.chosen.c_str());
    return gSelector.answer;
}

TEST_F(Preset, CommandsAskTheHostsSelectorAndActOnTheChosenFile) {
    const std::tuple<FileCommand, int32_t, const char*, const char*, const char*> rows[] = {
        {FileCommand::SaveBank, 1, "Save FX Bank", "FX Banks", "fxb"},
        {FileCommand::LoadBank, 0, "Load FX Bank", "FX Banks", "fxb"},
        {FileCommand::SavePatch, 1, "Save FX Patch", "FX Patches", "fxp"},
        {FileCommand::LoadPatch, 0, "Load FX Patch", "FX Patches", "fxp"}};
    SynthPlugin source(&selectorHost), target(&selectorHost);
    source.setProgram(19);
    source.setParameter(kParamLevel, 0.125f);
    for (const auto& [command, save, title, typeName, extension] : rows) {
        SCOPED_TRACE(title);
        gSelector = Selector{};
        gSelector.chosen = path(std::string("chosen.") + extension);
        test::ErrorCapture errors;
        EXPECT_TRUE(runFileCommand(save ? source : target, command, nullptr));
        EXPECT_TRUE(errors.messages().empty());
        EXPECT_TRUE(gSelector.opened && gSelector.closed == gSelector.opened);
        EXPECT_EQ(std::make_tuple(gSelector.seen.command, gSelector.seen.type, gSelector.seen.nbFileTypes,
                                  gSelector.seen.initialPath, gSelector.seen.sizeReturnPath),
                  std::make_tuple(save, 0, 1, static_cast<char*>(nullptr), 1024));
        EXPECT_STREQ(gSelector.seen.title, title);
        EXPECT_STREQ(gSelector.type.name, typeName);
        EXPECT_EQ(gSelector.type.macType, "." + std::string(extension));
        for (const char* field :
             {gSelector.type.dosType, gSelector.type.unixType, gSelector.type.mimeType1, gSelector.type.mimeType2})
            EXPECT_STREQ(field, extension);
    }
    EXPECT_TRUE(State(target) == State(source));  // the bank came back; the patch replaced slot 19 alike

    // Cancelled in the host's selector (still closed again), or no selector at
    // all (the local dialog, which this build lacks): nothing happens.
    for (auto [canDo, answer] : {std::pair<intptr_t, intptr_t>{1, 0}, {0, 1}, {-1, 1}}) {
        gSelector = Selector{canDo, answer, path("never.fxb")};
        test::ErrorCapture errors;
        EXPECT_FALSE(runFileCommand(source, FileCommand::SaveBank, nullptr));
        EXPECT_TRUE(errors.messages().empty());
        EXPECT_EQ(gSelector.closed != nullptr, canDo == 1);
        EXPECT_NE(access(gSelector.chosen.c_str(), F_OK), 0);
    }
}

}  // namespace
}  // namespace tine
