// Voice life cycle: stealing, repeated notes, the sustain pedal, the pool's limits.
#include <algorithm>
#include <string>

#include "TestHost.h"

namespace tine {
namespace {

using test::EngineRig;
using test::Midi;
using test::PluginRig;

// A damped voice fades for exactly this many samples.
constexpr int kDampSamples = 100;

std::vector<int> sorted(std::vector<int> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// One step of a scenario: note-on, note-off or render.
struct Act {
    char kind;  // 'n' note-on (a = note, b = velocity), 'f' note-off (a = note), 'r' render a samples
    int a;
    int b;
};

struct StealRow {
    const char* what;
    int maxVoices;
    std::vector<Act> before;
    int stolen;  // note expected to disappear when note 90 starts; -1 none
};

class StealingOrder : public ::testing::TestWithParam<StealRow> {};

TEST_P(StealingOrder, NewNoteDampsTheExpectedVoice) {
    const StealRow& row = GetParam();
    EngineRig rig(row.maxVoices);
    for (const Act& act : row.before) {
        if (act.kind == 'n') rig.noteOn(act.a, act.b);
        if (act.kind == 'f') rig.noteOff(act.a);
        if (act.kind == 'r') rig.render(act.a);
    }
    std::vector<int> expected = rig.notes();
    rig.noteOn(90, 100);
    rig.render(kDampSamples - 1);
    std::vector<int> all = expected;
    all.push_back(90);
    EXPECT_EQ(sorted(rig.notes()), sorted(all)) << row.what << ": the damped voice sounds for 100 samples";
    rig.render(1);
    if (row.stolen >= 0) expected.erase(std::find(expected.begin(), expected.end(), row.stolen));
    expected.push_back(90);
    EXPECT_EQ(sorted(rig.notes()), sorted(expected)) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StealingOrder,
    ::testing::Values(
        StealRow{"lowest note spared although softest", 2, {{'n', 40, 10}, {'n', 50, 90}}, 50},
        StealRow{"softest held voice", 3, {{'n', 40, 100}, {'n', 50, 80}, {'n', 52, 60}, {'n', 54, 70}}, 52},
        StealRow{"equally soft: the older", 3, {{'n', 40, 100}, {'n', 50, 60}, {'n', 52, 60}, {'n', 54, 90}}, 50},
        StealRow{"fading voice before a softer held one", 3,
                 {{'n', 40, 100}, {'n', 50, 120}, {'r', 64, 0}, {'f', 50, 0}, {'n', 52, 5}}, 50},
        StealRow{"oldest fading voice", 4,
                 {{'n', 40, 100}, {'n', 50, 100}, {'r', 200, 0}, {'n', 52, 100}, {'r', 100, 0},
                  {'f', 52, 0}, {'f', 50, 0}, {'n', 54, 1}},
                 50},
        StealRow{"fading voice younger than 64 samples is no candidate", 3,
                 {{'n', 40, 100}, {'n', 50, 100}, {'n', 52, 127}, {'r', 63, 0}, {'f', 52, 0}}, 50},
        StealRow{"fading voices of equal age: the newer", 3,
                 {{'n', 40, 100}, {'n', 50, 100}, {'n', 52, 100}, {'r', 200, 0}, {'f', 50, 0}, {'f', 52, 0}},
                 52},
        StealRow{"no more than the limit: nothing stolen", 4, {{'n', 40, 100}, {'n', 50, 100}}, -1}),
    [](const ::testing::TestParamInfo<StealRow>& row) { return "Row" + std::to_string(row.index); });

// The new note is not yet in the list when a victim is chosen, so with one
// voice sounding that voice is always the lowest and nothing is stolen.
TEST(VoiceAllocation, FewVoicesKeepTheLowestSoundingNote) {
    struct Row {
        float voices;
        std::vector<int> played;
        std::vector<int> sounding;
    } rows[] = {{0.0f, {60, 40}, {40, 60}},
                {0.0f, {40, 60}, {40, 60}},
                {0.01f, {60, 50, 40}, {40, 50}},
                {0.01f, {40, 60, 50}, {40, 50}},
                {0.01f, {50, 40, 60}, {40, 60}}};
    for (const Row& row : rows) {
        EngineRig rig;
        rig.apply(kParamVoices, row.voices);
        for (int note : row.played) {
            rig.noteOn(note);
            rig.render(10);
        }
        rig.render(kDampSamples);
        EXPECT_EQ(sorted(rig.notes()), row.sounding) << row.played.front() << " first, voices " << row.voices;
    }
}

TEST(VoiceAllocation, SameLowestNoteOverlapsBeyondTheLimit) {
    EngineRig rig(1);
    for (int i = 0; i < 3; ++i) rig.noteOn(40);
    EXPECT_EQ(rig.engine.voicePool->activeCount(), 3);
    EXPECT_EQ(rig.notes().size(), 3u);
    rig.render(kDampSamples);
    EXPECT_EQ(rig.notes(), std::vector<int>{40});
}

TEST(VoiceAllocation, RepeatedNoteDampsTheOldVoiceOverExactly100Samples) {
    // The old voice may be held, sustained or already releasing.
    for (const char* state : {"held", "sustained", "fading"}) {
        EngineRig rig;
        if (std::string(state) == "sustained") rig.pedal(true);
        rig.noteOn(60);
        rig.render(300);
        if (std::string(state) != "held") rig.noteOff(60);
        Voice* old = rig.voiceFor(60);
        rig.noteOn(60);
        Voice* fresh = rig.voiceFor(60);
        ASSERT_NE(old, fresh) << state;
        EXPECT_TRUE(fresh->keyHeld) << state;
        rig.render(kDampSamples - 1);
        EXPECT_EQ(rig.voices().size(), 2u) << state;
        rig.render(1);
        ASSERT_EQ(rig.voices().size(), 1u) << state;
        EXPECT_EQ(rig.voices()[0], fresh) << state;
    }
}

TEST(VoiceAllocation, VelocityZeroNoteOnIsANoteOff) {
    std::vector<float> outputs[2];
    for (int variant = 0; variant < 2; ++variant) {
        test::restartModulatorPhases();
        EngineRig rig;
        std::vector<Midi> events = {{0, 0x90, 60, 100}, {0, 0x90, 64, 90}};
        events.push_back(variant == 0 ? Midi{500, 0x80, 60, 64} : Midi{500, 0x93, 60, 0});
        test::Stereo out = rig.render(4000, events);
        outputs[variant] = out.left;
        Voice* released = rig.voiceFor(60);
        ASSERT_NE(released, nullptr);
        EXPECT_FALSE(released->keyHeld);
        EXPECT_TRUE(released->fading);
        EXPECT_TRUE(rig.voiceFor(64)->keyHeld);
    }
    EXPECT_TRUE(test::sameBits(outputs[0], outputs[1]));
}

TEST(VoiceAllocation, PedalKeepsReleasedKeysAndReleasesOnlyThemWhenLifted) {
    EngineRig rig;
    rig.pedal(true);
    rig.noteOn(60);
    rig.noteOn(64);
    rig.render(64);
    rig.noteOff(60);
    Voice* sustained = rig.voiceFor(60);
    Voice* held = rig.voiceFor(64);
    EXPECT_TRUE(sustained->sustained);
    EXPECT_FALSE(sustained->keyHeld);
    EXPECT_FALSE(sustained->fading);
    rig.pedal(false);
    EXPECT_FALSE(rig.engine.sustainPedal);
    EXPECT_TRUE(sustained->fading);
    EXPECT_FALSE(held->fading);
    EXPECT_FALSE(held->sustained);
    EXPECT_TRUE(held->keyHeld);
}

TEST(VoiceAllocation, AllNotesOffWithPedalDownReleasesEverythingAndLiftsThePedal) {
    EngineRig rig;
    rig.pedal(true);
    rig.noteOn(60);
    rig.noteOn(64);
    rig.render(64);
    rig.noteOff(60);
    rig.engine.handleMidi(0xB5, 123, 0);
    EXPECT_FALSE(rig.engine.sustainPedal);
    for (Voice* v : rig.voices()) {
        EXPECT_FALSE(v->keyHeld) << int(v->note);
        EXPECT_TRUE(v->fading) << int(v->note);
    }
    // With the pedal up a later note-off releases at once.
    rig.noteOn(70);
    rig.noteOff(70);
    EXPECT_TRUE(rig.voiceFor(70)->fading);
}

TEST(VoiceAllocation, MidiChannelIsIgnored) {
    EngineRig rig;
    rig.engine.handleMidi(0x9F, 60, 100);
    ASSERT_NE(rig.voiceFor(60), nullptr);
    rig.engine.handleMidi(0x83, 60, 0);
    EXPECT_FALSE(rig.voiceFor(60)->keyHeld);
}

TEST(VoiceAllocation, FullPoolDropsTheNote) {
    EngineRig rig(128);
    for (int n = 0; n < 128; ++n) rig.noteOn(n);
    EXPECT_EQ(rig.engine.voicePool->freeCount(), 0);
    EXPECT_EQ(rig.voices().size(), 128u);
    // Replaying note 60 damps its voice but finds no free one for the new note.
    rig.noteOn(60, 127);
    EXPECT_EQ(rig.voices().size(), 128u);
    rig.render(kDampSamples);
    EXPECT_EQ(rig.voices().size(), 127u);
    EXPECT_EQ(rig.voiceFor(60), nullptr);
    EXPECT_EQ(rig.engine.voicePool->freeCount(), 1);
}

TEST(VoiceAllocation, PitchBendOtherControllersAndNonMidiEventsChangeNothing) {
    const std::vector<Midi> notes = {{0, 0x90, 60, 100}, {10, 0x90, 67, 80}, {1500, 0x80, 60, 0}};
    std::vector<Midi> noisy = notes;
    for (Midi m : {Midi{300, 0xE0, 0x7F, 0x7F}, Midi{300, 0xB0, 1, 127}, Midi{300, 0xB0, 7, 0},
                   Midi{300, 0xD0, 100, 0}, Midi{300, 0xA0, 60, 100}, Midi{301, 0xB0, 120, 0},
                   Midi{302, 0xF0, 0x7E, 0x7F}, Midi{303, 0xB0, 121, 0}})
        noisy.push_back(m);
    std::sort(noisy.begin(), noisy.end(), [](const Midi& a, const Midi& b) { return a.delta < b.delta; });

    std::vector<float> outputs[2];
    for (int variant = 0; variant < 2; ++variant) {
        test::restartModulatorPhases();
        PluginRig rig;
        test::EventList list(variant == 0 ? notes : noisy, variant == 0 ? std::vector<int32_t>{}
                                                                        : std::vector<int32_t>{2, 6, 0});
        rig->processEvents(list.get());
        test::Stereo out = rig.renderPending(4096);
        outputs[variant] = out.left;
        outputs[variant].insert(outputs[variant].end(), out.right.begin(), out.right.end());
    }
    EXPECT_FALSE(test::allZero(outputs[0]));
    EXPECT_TRUE(test::sameBits(outputs[0], outputs[1]));
}

}  // namespace
}  // namespace tine
