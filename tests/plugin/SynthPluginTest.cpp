// The instrument as a host sees it: identity, programs, names, MIDI program
// changes, out-of-memory paths and threads.
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "TestHost.h"
#include "engine/Allocation.h"
#include "params/ErrorReport.h"

namespace tine {
namespace {

using test::EventList;
using test::Midi;
using test::PluginRig;

intptr_t dispatch(SynthPlugin& p, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
    AEffect* e = p.getAeffect();
    return e->dispatcher(e, opcode, index, value, ptr, 0.0f);
}

// Name text and values; bytes after a name's terminator are not part of it.
bool sameProgram(const Program& a, const Program& b) {
    return std::strcmp(a.name, b.name) == 0 && std::memcmp(a.values, b.values, sizeof(a.values)) == 0;
}

std::string programName(SynthPlugin& p) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    p.getProgramName(text);
    return text;
}

// This build has no editor, so the has-editor bit (1) is missing from 305.
TEST(SynthPlugin, FreshInstanceIdentityFlags304WithoutEditorBuild) {
    PluginRig rig;
    const AEffect* e = rig->getAeffect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->numPrograms, 32);
    EXPECT_EQ(e->numParams, 62);
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth);
    EXPECT_EQ(e->flags, 304);
    EXPECT_EQ(e->uniqueID, ('T' << 24) | ('N' << 16) | ('M' << 8) | 'R');
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(dispatch(*rig, effGetPlugCategory), 2);
    EXPECT_EQ(dispatch(*rig, effGetVstVersion), 2200);
    EXPECT_EQ(dispatch(*rig, effGetVendorVersion), 1);
    EXPECT_EQ(dispatch(*rig, effKeysRequired), 0);
    EXPECT_EQ(rig->getProgram(), 0);
    EXPECT_EQ(rig->getSampleRate(), 44100.0f);
    EXPECT_TRUE(sameProgram(rig->editBuffer(), rig->programSlot(0)));
    char text[80];
    for (auto [opcode, expected] : {std::pair<int32_t, const char*>{effGetEffectName, "Tinemaster"},
                                    {effGetProductString, "Tinemaster"},
                                    {effGetVendorString, "Corvane"}}) {
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(dispatch(*rig, opcode, 0, 0, text), 1);
        EXPECT_STREQ(text, expected);
    }
    for (int p = 0; p < kNumPrograms; ++p) {
        EXPECT_STREQ(rig->programSlot(p).name, kFactoryBank[p].name) << p;
        EXPECT_EQ(std::memcmp(rig->programSlot(p).values, kFactoryBank[p].values, sizeof(float) * kNumParams), 0);
    }
}

TEST(SynthPlugin, SetProgramLoadsTheSlotAndAsksForADisplayUpdate) {
    PluginRig rig;
    test::hostLog().opcodes.clear();
    rig->setProgram(5);
    EXPECT_EQ(rig->getProgram(), 5);
    EXPECT_TRUE(sameProgram(rig->editBuffer(), rig->programSlot(5)));
    EXPECT_EQ(programName(*rig), kFactoryBank[5].name);
    EXPECT_GE(test::hostLog().count(audioMasterUpdateDisplay), 1);
    rig.render(0);  // the engine takes the program when it next renders
    EXPECT_EQ(rig.engine().voicePool->maxVoices(), 16);
    EXPECT_EQ(rig.engine().masterLevel, kFactoryBank[5].values[kParamLevel]);

    for (int32_t bad : {32, -1, 1000}) {
        const Program before = rig->editBuffer();
        VoicePool* pool = rig.engine().voicePool;
        rig->setProgram(bad);
        EXPECT_EQ(rig->getProgram(), 5) << bad;
        EXPECT_TRUE(sameProgram(rig->editBuffer(), before)) << bad;
        EXPECT_EQ(rig.engine().voicePool, pool) << bad;
    }
}

TEST(SynthPlugin, SwitchingAwayAndBackRestoresTheStoredValues) {
    PluginRig rig;
    rig->setParameter(kParamLevel, 0.33f);
    rig->setParameter(kParamOsc1Shape, 0.66f);
    rig->setProgram(1);
    rig->setProgram(0);
    EXPECT_EQ(rig->getParameter(kParamLevel), kFactoryBank[0].values[kParamLevel]);
    EXPECT_EQ(rig->getParameter(kParamOsc1Shape), kFactoryBank[0].values[kParamOsc1Shape]);
    EXPECT_EQ(rig.engine().masterLevel, kFactoryBank[0].values[kParamLevel]);
}

TEST(SynthPlugin, CopyProgramThenSelectingItReproducesTheEdit) {
    PluginRig rig;
    rig->setParameter(kParamLevel, 0.4f);
    rig->setParameter(kParamOsc1Shape, 0.66f);
    rig->setParameter(kParamChorusDepth, 0.0f);
    const Program edited = rig->editBuffer();
    EXPECT_TRUE(rig->copyProgram(3));
    EXPECT_FALSE(rig->copyProgram(32));
    EXPECT_FALSE(rig->copyProgram(-1));
    rig->setProgram(7);
    rig->setProgram(3);
    rig.render(0);
    EXPECT_TRUE(sameProgram(rig->editBuffer(), edited));
    EXPECT_EQ(rig.engine().shapes[0], &shapeAt(shapeIndexForValue(0.66f)));
    EXPECT_EQ(rig.engine().effects.chorusDepth, 0.0f);
    EXPECT_EQ(programName(*rig), kFactoryBank[0].name);
}

TEST(SynthPlugin, ProgramNamesKeepTrailingBlanks) {
    PluginRig rig;
    struct Row {
        int32_t program;
        const char* name;
    } rows[] = {{0, "Tinemaster "}, {19, "The Classic "}, {21, "Glassine"}, {31, "MyWurl"}};
    for (const Row& row : rows) {
        char text[64];
        EXPECT_TRUE(rig->getProgramNameIndexed(0, row.program, text));
        EXPECT_STREQ(text, row.name);
        rig->setProgram(row.program);
        EXPECT_EQ(programName(*rig), row.name);
    }
    char text[64] = "unchanged";
    EXPECT_FALSE(rig->getProgramNameIndexed(0, 32, text));
    EXPECT_FALSE(rig->getProgramNameIndexed(0, -1, text));
    EXPECT_STREQ(text, "unchanged");
}

TEST(SynthPlugin, ProgramNameIsCutTo27Characters) {
    PluginRig rig;
    rig->setProgram(2);
    char longName[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    rig->setProgramName(longName);
    EXPECT_EQ(programName(*rig), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0");
    EXPECT_STREQ(rig->editBuffer().name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0");
    EXPECT_STREQ(rig->programSlot(2).name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0");
    char text[64];
    rig->getProgramNameIndexed(0, 3, text);
    EXPECT_STREQ(text, kFactoryBank[3].name);
}

TEST(SynthPlugin, CanDoAndOutputProperties) {
    PluginRig rig;
    struct Row {
        const char* text;
        int32_t answer;
    } rows[] = {{"receiveVstEvents", 1}, {"receiveVstMidiEvent", 1}, {"sendVstEvents", -1},
                {"receiveVstMidiEvents", -1}, {"receiveVstEvent", -1}, {"", -1}};
    for (const Row& row : rows) EXPECT_EQ(rig->canDo(row.text), row.answer) << row.text;

    for (int32_t index : {0, 1}) {
        VstPinProperties pin{};
        EXPECT_TRUE(rig->getOutputProperties(index, &pin));
        EXPECT_STREQ(pin.label, index == 0 ? "TNMR1" : "TNMR2");
        EXPECT_EQ(pin.flags, 3);
    }
    for (int32_t index : {2, -1}) {
        VstPinProperties pin{};
        EXPECT_FALSE(rig->getOutputProperties(index, &pin)) << index;
    }
}

TEST(SynthPlugin, MidiProgramChangeSelectsTheProgramAtItsOffset) {
    PluginRig rig;
    rig.render(64, {{10, 0x90, 60, 100}, {20, 0xC5, 7, 0}});
    EXPECT_EQ(rig->getProgram(), 7);
    EXPECT_TRUE(sameProgram(rig->editBuffer(), rig->programSlot(7)));
    rig.render(100);
    EXPECT_EQ(rig.engine().activeVoices, nullptr) << "selecting a program fades out every note";
    rig.render(64, {{0, 0xC0, 40, 0}});
    EXPECT_EQ(rig->getProgram(), 7) << "numbers above 31 change nothing";
}

// Runs `work` on a second thread while the caller renders blocks with notes,
// for a bounded time.
template <typename Work, typename Check>
void renderWhile(PluginRig& rig, Work work, Check check) {
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> stop{false};
    std::thread other([&] {
        for (int i = 0; !stop.load(); ++i) work(i);
    });
    const auto end = Clock::now() + std::chrono::milliseconds(150);
    int blocks = 0;
    while (Clock::now() < end || blocks < 20) {
        const uint8_t note = uint8_t(40 + blocks % 40);
        std::vector<Midi> events = {{0, 0x90, note, 100}, {17, 0x80, uint8_t(note - 3), 0}};
        if (blocks % 7 == 3) events.push_back({33, 0xC0, uint8_t(blocks % 2 ? 1 : 6), 0});
        test::Stereo out = rig.render(64 + blocks % 3 * 33, events);
        ASSERT_TRUE(test::allFinite(out.left));
        check();
        ++blocks;
    }
    stop = true;
    other.join();
}

TEST(SynthPlugin, ProgramSwitchOnAnotherThreadNeverShowsAHalfLoadedProgram) {
    PluginRig rig;
    rig->setProgram(1);
    int mismatches = 0;
    renderWhile(
        rig, [&](int i) { rig->setProgram(i % 2 ? 1 : 6); },
        [&] {
            Engine& e = rig.engine();
            std::lock_guard<std::recursive_mutex> lock(e.engineLock);
            const int p = e.masterLevel == kFactoryBank[1].values[kParamLevel] ? 1 : 6;
            const float* v = kFactoryBank[p].values;
            const bool whole = e.masterLevel == v[kParamLevel] && e.effects.tremoloDepth == 0.5f * v[kParamTremoloDepth] &&
                               e.effects.phaserDepth == v[kParamPhaserDepth] &&
                               e.effects.chorusDepth == v[kParamChorusDepth] &&
                               e.oscillators[2].vs1 == v[kParamOsc1Vs1 + 2] &&
                               e.voicePool && e.voicePool->maxVoices() == 16;
            mismatches += !whole;
        });
    EXPECT_EQ(mismatches, 0);
}

TEST(SynthPlugin, VoicesChangeOnAnotherThreadWhileRendering) {
    PluginRig rig;
    renderWhile(
        rig, [&](int i) { rig->setParameter(kParamVoices, 0.01f * float(i % 32)); }, [] {});
    rig->setParameter(kParamVoices, 0.07f);
    rig.render(kSwitchFadeFrames);  // past the fade of a program change still running
    ASSERT_NE(rig.engine().voicePool, nullptr);
    EXPECT_EQ(rig.engine().voicePool->maxVoices(), 8);
    rig.render(16, {{0, 0x90, 60, 100}});
    EXPECT_NE(rig.engine().activeVoices, nullptr);
}

}  // namespace
}  // namespace tine
