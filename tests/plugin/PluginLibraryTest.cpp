// The built plug-in library driven as a host drives it: loaded with dlopen,
// reached only through VSTPluginMain and the AEffect record it returns.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "params/ParameterTable.h"
#include "params/PresetTestSupport.h"
#include "params/Program.h"
#include "plugin/VstTypes.h"

#if defined(TINE_PLUGIN_LIBRARY)
#include <dlfcn.h>
#endif

namespace tine {
namespace {

#if !defined(TINE_PLUGIN_LIBRARY)

TEST(PluginLibrary, NeedsTheLibraryPath) {
    GTEST_SKIP() << "TINE_PLUGIN_LIBRARY is not defined for this test build";
}

#else

using presettest::TempDir;

using EntryPoint = AEffect*(VSTCALLBACK*)(audioMasterCallback);

std::vector<int32_t> gHostOpcodes;

intptr_t VSTCALLBACK recordingHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    gHostOpcodes.push_back(opcode);
    return opcode == audioMasterVersion ? 2400 : 0;
}

// One loaded copy of the library. The engine keeps process-wide state (the
// modulator phase generator), so renders that must match start from a fresh
// copy each, loaded from a file of its own.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path) {
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_) entry_ = reinterpret_cast<EntryPoint>(dlsym(handle_, "VSTPluginMain"));
    }
    ~LoadedLibrary() {
        if (handle_) dlclose(handle_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    void* handle() const { return handle_; }
    EntryPoint entry() const { return entry_; }

private:
    void* handle_ = nullptr;
    EntryPoint entry_ = nullptr;
};

std::string freshCopy(const TempDir& dir, const std::string& name) {
    const std::string path = dir.file(name);
    presettest::writeBytes(path, presettest::readBytes(TINE_PLUGIN_LIBRARY));
    return path;
}

intptr_t call(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
              float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

std::string text(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0) {
    char buffer[256] = {};
    call(e, opcode, index, value, buffer);
    return buffer;
}

TEST(PluginLibrary, ExportsOnlyTheEntryPointAndRefusesANullHost) {
    LoadedLibrary library(TINE_PLUGIN_LIBRARY);
    ASSERT_NE(library.handle(), nullptr) << dlerror();
    ASSERT_NE(library.entry(), nullptr);
    EXPECT_EQ(library.entry()(nullptr), nullptr);
    // Internal symbols stay hidden, so they can never clash with a host's.
    EXPECT_EQ(dlsym(library.handle(), "_ZN4tine11reportErrorENS_9ErrorCodeE"), nullptr);
    EXPECT_EQ(dlsym(library.handle(), "_ZN4tine11SynthPluginC1EPFlPNS_7AEffectEiilPvfE"), nullptr);
}

// This Linux build has no editor, so the has-editor bit (1) is absent: 304.
TEST(PluginLibrary, IdentityProgramsAndParametersWithFlags304WithoutEditor) {
    LoadedLibrary library(TINE_PLUGIN_LIBRARY);
    ASSERT_NE(library.entry(), nullptr);
    AEffect* e = library.entry()(&recordingHost);
    ASSERT_NE(e, nullptr);

    EXPECT_EQ(e->magic, fourCharCode('V', 's', 't', 'P'));
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth);
    EXPECT_EQ(e->flags, 304);
    EXPECT_EQ(e->uniqueID, fourCharCode('T', 'N', 'M', 'R'));
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->numPrograms, 32);
    EXPECT_EQ(e->numParams, 62);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    call(e, effOpen);
    EXPECT_EQ(text(e, effGetEffectName), "Tinemaster");
    EXPECT_EQ(text(e, effGetVendorString), "Corvane");
    EXPECT_EQ(text(e, effGetProductString), "Tinemaster");
    EXPECT_EQ(call(e, effGetVendorVersion), 1);
    EXPECT_EQ(call(e, effGetPlugCategory), 2);
    EXPECT_EQ(call(e, effGetVstVersion), 2200);

    for (int p = 0; p < kNumPrograms; ++p) {
        char name[64] = {};
        EXPECT_EQ(call(e, effGetProgramNameIndexed, p, 0, name), 1);
        EXPECT_STREQ(name, kFactoryBank[p].name) << p;
    }
    EXPECT_EQ(call(e, effGetProgramNameIndexed, 32, 0, nullptr), 0);

    // Names and display texts agree with this build's own table at the
    // values the library reports.
    call(e, effSetProgram, 0, 1);
    EXPECT_EQ(call(e, effGetProgram), 1);
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(text(e, effGetParamName, i), ParameterTable[i].name) << i;
        const float value = e->getParameter(e, i);
        EXPECT_EQ(value, kFactoryBank[1].values[i]) << i;
        char expected[kParamTextBytes] = {};
        ParameterTable[i].display(value, expected);
        EXPECT_EQ(text(e, effGetParamDisplay, i), expected) << i;
    }
    EXPECT_EQ(text(e, effGetParamDisplay, kParamVoices), "16");
    EXPECT_EQ(text(e, effGetParamDisplay, kParamOsc1Mute), "OFF");

    EXPECT_EQ(call(e, effClose), 1);
}

TEST(PluginLibrary, ChunksRoundTripThroughTheDispatcher) {
    LoadedLibrary library(TINE_PLUGIN_LIBRARY);
    ASSERT_NE(library.entry(), nullptr);
    AEffect* e = library.entry()(&recordingHost);
    ASSERT_NE(e, nullptr);

    void* data = nullptr;
    call(e, effSetProgram, 0, 3);
    ASSERT_EQ(call(e, effGetChunk, 1, 0, &data), 284);
    ASSERT_NE(data, nullptr);
    const std::vector<uint8_t> program(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 284);
    ASSERT_EQ(call(e, effGetChunk, 0, 0, &data), 8844);
    const std::vector<uint8_t> bank(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 8844);

    // Disturb the state, then give the bank back: names and selection return.
    char renamed[] = "Renamed";
    call(e, effSetProgram, 0, 8);
    call(e, effSetProgramName, 0, 0, renamed);
    e->setParameter(e, kParamLevel, 0.0625f);
    std::vector<uint8_t> copy = bank;
    EXPECT_EQ(call(e, effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data()), 1);
    EXPECT_EQ(call(e, effGetProgram), 3);
    EXPECT_EQ(text(e, effGetProgramName), kFactoryBank[3].name);
    char name8[64] = {};
    call(e, effGetProgramNameIndexed, 8, 0, name8);
    EXPECT_STREQ(name8, kFactoryBank[8].name);
    EXPECT_EQ(e->getParameter(e, kParamLevel), kFactoryBank[3].values[kParamLevel]);

    // Program 3's chunk into slot 10.
    call(e, effSetProgram, 0, 10);
    copy = program;
    EXPECT_EQ(call(e, effSetChunk, 1, static_cast<intptr_t>(copy.size()), copy.data()), 1);
    EXPECT_EQ(call(e, effGetProgram), 10);
    EXPECT_EQ(text(e, effGetProgramName), kFactoryBank[3].name);
    ASSERT_EQ(call(e, effGetChunk, 1, 0, &data), 284);
    // Values byte for byte; the name as text (the edit buffer's bytes behind
    // the terminator are its own history).
    EXPECT_TRUE(std::equal(program.begin() + 36, program.end(), static_cast<uint8_t*>(data) + 36));
    EXPECT_STREQ(reinterpret_cast<const char*>(data) + 8, kFactoryBank[3].name);

    // Refused sizes answer 0 and leave the program alone.
    copy = program;
    EXPECT_EQ(call(e, effSetChunk, 1, 283, copy.data()), 0);
    EXPECT_EQ(call(e, effSetChunk, 0, 284, copy.data()), 0);
    EXPECT_EQ(text(e, effGetProgramName), kFactoryBank[3].name);

    EXPECT_EQ(call(e, effClose), 1);
}

struct TimedMidi {
    int32_t frame;  // absolute sample time
    uint8_t status, data1, data2;
};

// Renders `total` frames in blocks of `block`, handing each block the events
// that fall inside it with offsets measured from the block's start.
std::vector<float> render(AEffect* e, const std::vector<TimedMidi>& events, int32_t total, int32_t block) {
    std::vector<float> left(static_cast<size_t>(total)), right(static_cast<size_t>(total));
    std::vector<VstMidiEvent> midi;
    std::vector<char> listMemory;
    for (int32_t start = 0; start < total; start += block) {
        const int32_t frames = std::min(block, total - start);
        midi.clear();
        for (const TimedMidi& t : events) {
            if (t.frame < start || t.frame >= start + frames) continue;
            VstMidiEvent m{};
            m.type = kVstMidiType;
            m.byteSize = sizeof(VstMidiEvent);
            m.deltaFrames = t.frame - start;
            m.midiData[0] = static_cast<char>(t.status);
            m.midiData[1] = static_cast<char>(t.data1);
            m.midiData[2] = static_cast<char>(t.data2);
            midi.push_back(m);
        }
        if (!midi.empty()) {
            listMemory.assign(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*), 0);
            auto* list = reinterpret_cast<VstEvents*>(listMemory.data());
            list->numEvents = static_cast<int32_t>(midi.size());
            for (size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
            call(e, effProcessEvents, 0, 0, list);
        }
        float* outputs[2] = {left.data() + start, right.data() + start};
        e->processReplacing(e, nullptr, outputs, frames);
    }
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

TEST(PluginLibrary, RendersIdenticallyInBlocksOf1And64And4096) {
    // Notes that start, overlap, cross block edges and end; a program change
    // and the sustain pedal in the middle.
    const std::vector<TimedMidi> events = {
        {0, 0x90, 60, 100},     {1000, 0x90, 64, 80},  {4095, 0x90, 67, 127}, {4096, 0xB0, 64, 127},
        {5000, 0x80, 60, 0},    {6001, 0x90, 72, 60},  {7000, 0xC0, 5, 0},    {7001, 0x90, 48, 110},
        {8191, 0xB0, 64, 0},    {9000, 0x80, 64, 0},   {9001, 0x80, 67, 0},   {11000, 0x80, 48, 0},
    };
    const int32_t total = 3 * 4096 + 123;
    TempDir dir;
    std::vector<float> previousRate;
    for (float rate : {44100.0f, 48000.0f}) {
        std::vector<float> reference;
        for (int32_t block : {4096, 64, 1}) {
            SCOPED_TRACE("rate " + std::to_string(rate) + ", block " + std::to_string(block));
            LoadedLibrary library(freshCopy(dir, "copy-" + std::to_string(int(rate)) + "-" +
                                                     std::to_string(block) + ".so"));
            ASSERT_NE(library.entry(), nullptr) << dlerror();
            AEffect* e = library.entry()(&recordingHost);
            ASSERT_NE(e, nullptr);
            call(e, effOpen);
            call(e, effSetSampleRate, 0, 0, nullptr, rate);
            call(e, effSetBlockSize, 0, block);
            gHostOpcodes.clear();
            call(e, effMainsChanged, 0, 1);
            EXPECT_NE(std::find(gHostOpcodes.begin(), gHostOpcodes.end(), audioMasterWantMidi), gHostOpcodes.end());

            const std::vector<float> out = render(e, events, total, block);
            call(e, effMainsChanged, 0, 0);
            EXPECT_EQ(call(e, effClose), 1);

            float peak = 0.0f;
            for (float s : out) peak = std::max(peak, std::fabs(s));
            EXPECT_GT(peak, 0.01f);
            EXPECT_LE(peak, 4.0f);
            if (reference.empty()) {
                reference = out;
                continue;
            }
            ASSERT_EQ(out.size(), reference.size());
            size_t firstDifference = out.size();
            for (size_t i = 0; i < out.size(); ++i) {
                if (std::memcmp(&out[i], &reference[i], sizeof(float)) != 0) {
                    firstDifference = i;
                    break;
                }
            }
            EXPECT_EQ(firstDifference, out.size()) << "first differing sample (left, then right channel)";
        }
        // The rate reaches the engine: the same notes sound different.
        EXPECT_NE(reference, previousRate);
        previousRate = reference;
    }
}

#endif

}  // namespace
}  // namespace tine
