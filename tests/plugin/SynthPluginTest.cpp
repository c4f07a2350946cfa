// The instrument as a host drives it through its record: answers, programs
// and names, MIDI program changes, hostile calls, threads, and two instances
// in one process.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <string>
#include <thread>

#include "TestHost.h"
#include "engine/Allocation.h"

namespace tine {
namespace {

using test::Midi;

class Synth : public ::testing::Test {
protected:
    intptr_t call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return rig->getAeffect()->dispatcher(rig->getAeffect(), opcode, index, value, ptr, 0.0f);
    }
    std::string text(int32_t opcode, int32_t index = 0) {
        char buffer[80] = {};
        call(opcode, index, 0, buffer);
        return buffer;
    }
    // Name text and values; bytes after a name's terminator are not part of it.
    static bool same(const Program& a, const Program& b) {
        return !std::strcmp(a.name, b.name) && !std::memcmp(a.values, b.values, sizeof a.values);
    }
    static int hostCalls(int32_t opcode) {
        return int(std::count(test::hostOpcodes().begin(), test::hostOpcodes().end(), opcode));
    }
    Engine& engine() { return rig.engine(); }
    test::ErrorCapture errors;
    test::PluginRig rig;
};

TEST_F(Synth, AnswersToAHost) {
    const AEffect* e = rig->getAeffect();
    // This build has no editor, so the has-editor bit (1) is absent.
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth);
    EXPECT_EQ(e->uniqueID, fourCharCode('T', 'N', 'M', 'R'));
    EXPECT_TRUE(e->initialDelay == 0 && e->realQualities == 0 && e->offQualities == 0 && e->ioRatio == 1.0f &&
                e->resvd1 == 0 && e->resvd2 == 0);
    EXPECT_EQ(std::make_tuple(e->numInputs, e->numOutputs, e->numPrograms, e->numParams),
              std::make_tuple(0, 2, kNumPrograms, kNumParams));
    for (int p = 0; p < kNumPrograms; ++p) {
        EXPECT_EQ(text(effGetProgramNameIndexed, p), kFactoryBank[p].name);  // trailing blanks too
        EXPECT_EQ(std::memcmp(rig->programSlot(p).values, kFactoryBank[p].values, sizeof(Program::values)), 0);
    }
    EXPECT_TRUE(same(rig->editBuffer(), rig->programSlot(0)));

    char buffer[64];
    void* chunk = nullptr;
    VstPinProperties pin{};
    auto say = [](const char* s) { return static_cast<void*>(const_cast<char*>(s)); };
    const struct {
        int32_t opcode, index;
        intptr_t value;
        void* ptr;
        intptr_t result;
        const char* text;  // what the buffer holds afterwards, if that matters
    } rows[] = {
        // clang-format off
        {effGetProgramName, 0, 0, buffer, 0, kFactoryBank[0].name},
        {effGetProgramNameIndexed, 6, 2, buffer, 1, kFactoryBank[6].name},
        {effGetProgramNameIndexed, 32, 0, buffer, 0, "unchanged"},
        {effGetProgramNameIndexed, -1, 0, buffer, 0, "unchanged"},
        {effGetParamName, 3, 0, buffer, 0, ParameterTable[3].name},
        {effGetParamLabel, 4, 0, buffer, 0, ParameterTable[4].label},
        {effGetParamDisplay, 62, 0, buffer, 0, ""},                 {effGetParamName, -1, 0, buffer, 0, ""},
        {effGetEffectName, 0, 0, buffer, 1, "Tinemaster"}, {effGetProductString, 0, 0, buffer, 1, "Tinemaster"},
        {effGetVendorString, 0, 0, buffer, 1, "Corvane"},           {effGetChunk, 1, 0, &chunk, 284, nullptr},
        {effGetChunk, 0, 0, &chunk, 8844, nullptr},                 {effSetChunk, 1, -4, buffer, 0, nullptr},
        {effGetOutputProperties, 2, 0, &pin, 0, nullptr},           {effGetOutputProperties, -1, 0, &pin, 0, nullptr},
        {effGetInputProperties, 0, 0, &pin, 0, nullptr},            {effGetPlugCategory, 0, 0, nullptr, 2, nullptr},
        {effGetVstVersion, 0, 0, nullptr, 2200, nullptr},           {effGetVendorVersion, 0, 0, nullptr, 1, nullptr},
        {effKeysRequired, 0, 0, nullptr, 0, nullptr},               {effCanBeAutomated, 5, 0, nullptr, 1, nullptr},
        {effGetNumProgramCategories, 0, 0, nullptr, 1, nullptr},   {effProcessEvents, 0, 0, nullptr, 0, nullptr},
        {effSetSampleRate, 0, 0, nullptr, 0, nullptr},
        {effGetCurrentMidiProgram, 0, 0, buffer, -1, "unchanged"},
        {effGetMidiProgramName, 0, 0, buffer, 0, nullptr},          {effGetTailSize, 0, 0, nullptr, 0, nullptr},
        {effGetParameterProperties, 0, 0, buffer, 0, nullptr},      {effString2Parameter, 0, 0, buffer, 0, "unchanged"},
        {effSetBypass, 0, 1, nullptr, 0, nullptr},                  {effCopyProgram, 32, 0, nullptr, 0, nullptr},
        {effEditOpen, 0, 0, buffer, 0, nullptr},
        {effIdentify, 0, 0, nullptr, fourCharCode('N', 'v', 'E', 'f'), nullptr},
        {effConnectInput, 0, 1, nullptr, 1, nullptr}, {effCanDo, 0, 0, say("receiveVstEvents"), 1, nullptr},
        {effCanDo, 0, 0, say("receiveVstMidiEvent"), 1, nullptr},
        {effCanDo, 0, 0, say("receiveVstMidiEvents"), -1, nullptr},
        {effCanDo, 0, 0, say("sendVstEvents"), -1, nullptr},        {effCanDo, 0, 0, say(""), -1, nullptr},
        {-1, 0, 0, buffer, 0, "unchanged"},                         {1000, 0, 0, buffer, 0, "unchanged"},
        // clang-format on
    };
    for (const auto& row : rows) {
        std::strcpy(buffer, "unchanged");
        EXPECT_EQ(call(row.opcode, row.index, row.value, row.ptr), row.result) << row.opcode;
        if (row.text) {
            EXPECT_STREQ(buffer, row.text) << row.opcode;
        }
    }
    for (int32_t index : {0, 1}) {
        EXPECT_EQ(call(effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_STREQ(pin.label, index == 0 ? "TNMR1" : "TNMR2");
        EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    }
    test::hostOpcodes().clear();
    call(effMainsChanged, 0, 1);
    EXPECT_EQ(hostCalls(audioMasterWantMidi), 1) << "resuming asks for MIDI";
    EXPECT_TRUE(errors.messages().empty());
}

TEST_F(Synth, ProgramsAndTheirNames) {
    test::hostOpcodes().clear();
    call(effSetProgram, 0, 31);
    EXPECT_EQ(call(effGetProgram), 31);
    call(effSetProgram, 0, 5);
    EXPECT_EQ(text(effGetProgramName), kFactoryBank[5].name);
    EXPECT_TRUE(same(rig->editBuffer(), rig->programSlot(5)));
    EXPECT_EQ(rig->getParameter(kParamLevel), kFactoryBank[5].values[kParamLevel]);
    EXPECT_GE(hostCalls(audioMasterUpdateDisplay), 2) << "a host refreshes its program display when asked";
    for (intptr_t bad : {32, -1, 1000}) {
        call(effSetProgram, 0, bad);
        EXPECT_EQ(call(effGetProgram), 5) << bad;
    }
    // Unstored edits are dropped by switching away and back; copied into
    // another slot, they come back with that slot.
    rig->setParameter(kParamLevel, 0.33f);
    call(effSetProgram, 0, 1);
    call(effSetProgram, 0, 5);
    EXPECT_EQ(rig->getParameter(kParamLevel), kFactoryBank[5].values[kParamLevel]);
    rig->setParameter(kParamOsc1Shape, 0.66f);
    const Program edited = rig->editBuffer();
    EXPECT_EQ(call(effCopyProgram, 3), 1);
    call(effSetProgram, 0, 7);
    call(effSetProgram, 0, 3);
    EXPECT_TRUE(same(rig->editBuffer(), edited));
    // A rename is cut to 27 characters and reaches the current slot only.
    char longName[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    call(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(text(effGetProgramName), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0");
    EXPECT_STREQ(rig->programSlot(3).name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0");
    EXPECT_EQ(text(effGetProgramNameIndexed, 4), kFactoryBank[4].name);
    Program blank;  // a fresh record, as a default chunk stores it: 24 'W's, then zeros
    EXPECT_EQ(std::string(blank.name, sizeof blank.name), std::string(24, 'W') + std::string(4, '\0'));
    blank.setName(nullptr);
    EXPECT_STREQ(blank.name, "");
}

// A MIDI program change acts at its offset: the notes before it fade, the
// events after it wait for the fade's end, and numbers above 31 change nothing.
TEST_F(Synth, MidiProgramChangesActAtTheirOffset) {
    rig.render(64, {{10, 0x90, 60, 100}, {20, 0xC5, 7, 0}, {30, 0x90, 64, 100}, {40, 0xC0, 40, 0}});
    rig.render(kSwitchFadeFrames);
    EXPECT_EQ(rig->getProgram(), 7) << "numbers above 31 change nothing";
    EXPECT_TRUE(same(rig->editBuffer(), rig->programSlot(7)));
    ASSERT_NE(engine().activeVoices, nullptr);
    EXPECT_EQ(engine().activeVoices->note, 64);
    EXPECT_EQ(engine().activeVoices->next, nullptr);
}

// Every opcode with a null pointer, indices and values outside every range and
// a NaN: nothing breaks, nothing changes, nothing is reported.
TEST_F(Synth, AnyOpcodeWithHostileArgumentsIsHarmless) {
    call(effSetProgram, 0, 3);
    const Program before = rig->editBuffer();
    for (int32_t opcode = -2; opcode < 80; ++opcode) {
        for (int32_t index : {-1, kNumParams, std::numeric_limits<int32_t>::min()})
            for (intptr_t value : {intptr_t(-1), intptr_t(kNumPrograms), std::numeric_limits<intptr_t>::max()})
                if (opcode != effClose)  // through the record it ends the instance
                    rig->getAeffect()->dispatcher(rig->getAeffect(), opcode, index, value, nullptr, NAN);
    }
    EXPECT_TRUE(errors.messages().empty());
    EXPECT_EQ(rig->getProgram(), 3);
    EXPECT_TRUE(same(rig->editBuffer(), before) && same(rig->programSlot(3), before));
    const test::Stereo out = rig.render(2048, {{0, 0x90, 60, 100}});
    EXPECT_TRUE(test::allFinite(out.left) && !test::allZero(out.left));
}

// While blocks with notes and program changes render, another thread switches
// programs and voice counts: the engine never shows half a program.
TEST_F(Synth, ProgramAndVoiceChangesFromAnotherThread) {
    rig->setProgram(1);
    std::atomic<bool> stop{false};
    std::thread other([&] {
        for (int i = 0; !stop; ++i)
            i % 3 ? rig->setProgram(i % 2 ? 1 : 6) : rig->setParameter(kParamVoices, 0.01f * float(i % 32));
    });
    int mismatches = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
    for (int block = 0; std::chrono::steady_clock::now() < end || block < 20; ++block) {
        const uint8_t note = uint8_t(40 + block % 40);
        std::vector<Midi> events = {{0, 0x90, note, 100}, {17, 0x80, uint8_t(note - 3), 0}};
        if (block % 7 == 3)
            events.push_back({33, 0xC0, uint8_t(block % 2 ? 1 : 6), 0});
        EXPECT_TRUE(test::allFinite(rig.render(64 + block % 3 * 33, events).left));
        std::lock_guard<std::recursive_mutex> lock(engine().engineLock);
        const float* v = kFactoryBank[engine().masterLevel == kFactoryBank[1].values[kParamLevel] ? 1 : 6].values;
        mismatches +=
            !(engine().masterLevel == v[kParamLevel] && engine().effects.phaserDepth == v[kParamPhaserDepth] &&
              engine().effects.chorusDepth == v[kParamChorusDepth] &&
              engine().oscillators[2].vs1 == v[kParamOsc1Vs1 + 2]);
    }
    stop = true;
    other.join();
    EXPECT_EQ(mismatches, 0);
    rig->setParameter(kParamVoices, 0.07f);
    rig.render(kSwitchFadeFrames);  // past the fade of a switch still running
    ASSERT_NE(engine().voicePool, nullptr);
    EXPECT_EQ(engine().voicePool->maxVoices(), 8);
}

// Instance A plays while B comes, works without notes and goes: A's samples
// are those it plays alone. B shares the tables and must not take modulator
// phases it has no notes for. Once the last instance is gone, a new one
// builds the tables again and plays the same.
TEST(SynthPluginInstances, ASecondInstanceLeavesTheFirstsSamplesAlone) {
    auto play = [](const std::function<void(int)>& beforeBlock) {
        test::restartModulatorPhases();
        SynthPlugin a(&test::recordingHost);
        std::vector<float> out;
        for (int block = 0; block < 12; ++block) {
            beforeBlock(block);
            const test::Stereo s =
                test::renderPlugin(a, 256,
                                   block == 0   ? std::vector<Midi>{{0, 0x90, 48, 100}, {3, 0x90, 64, 110}}
                                   : block == 5 ? std::vector<Midi>{{17, 0x80, 48, 0}, {100, 0x90, 72, 80}}
                                                : std::vector<Midi>{});
            out.insert(out.end(), s.left.begin(), s.left.end());
            out.insert(out.end(), s.right.begin(), s.right.end());
        }
        return out;
    };
    const std::vector<float> alone = play([](int) {});
    EXPECT_GT(*std::max_element(alone.begin(), alone.end()), 0.01f);
    std::unique_ptr<SynthPlugin> b;
    EXPECT_TRUE(test::sameBits(alone, play([&](int block) {
                                   if (block == 2) {
                                       b.reset(new SynthPlugin(&test::recordingHost));
                                       b->setSampleRate(48000.0f);
                                       b->setProgram(7);
                                   }
                                   if (b)
                                       b->setParameter(kParamVoices, 0.01f * float(block));
                                   if (b)
                                       test::renderPlugin(*b, 100, {{0, 0xB0, 64, 127}, {50, 0xE0, 0, 90}});
                                   if (block == 8)
                                       b.reset();
                               })));
    ASSERT_EQ(sharedTables(), nullptr) << "the last instance is gone, the tables must be too";
    EXPECT_TRUE(test::sameBits(play([](int) {}), alone));
}

}  // namespace
}  // namespace tine
