// Playing live: a program change under a ringing chord fades instead of
// cutting, a lowered "Voices" damps only the voices beyond it, and a save that
// cannot open its file leaves the program alone.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "TestHost.h"
#include "params/ErrorReport.h"
#include "plugin/FileCommands.h"

namespace tine {
namespace {

using test::Midi;
using test::PluginRig;

constexpr int32_t kMs = 44;  // samples per millisecond at 44.1 kHz, rounded down
// Edited programs as far apart as level and effects go: quiet and dry, loud with every effect at full depth.
constexpr int32_t kQuietDry = 30, kLoudWet = 31;

void makeExtremePrograms(SynthPlugin& plugin) {
    for (int32_t target : {kQuietDry, kLoudWet}) {
        plugin.setProgram(0);
        for (int index : {kParamLevel, kParamTremoloDepth, kParamAutopanDepth, kParamPhaserDepth, kParamPhaserFeedback,
                          kParamChorusDepth})
            plugin.setParameter(index, target == kLoudWet ? 1.0f : index == kParamLevel ? 0.25f : 0.0f);
        plugin.copyProgram(target);
    }
}

// Largest sample-to-sample step of either channel over [from, to).
float largestStep(const test::Stereo& out, int32_t from, int32_t to) {
    float step = 0.0f;
    for (int32_t i = from; i < to; ++i)
        step = std::max({step, std::fabs(out.left[i] - out.left[i - 1]), std::fabs(out.right[i] - out.right[i - 1])});
    return step;
}

std::vector<int> soundingNotes(PluginRig& rig) {
    std::vector<int> notes;
    for (Voice* v = rig.engine().activeVoices; v; v = v->next) notes.push_back(v->note);
    return notes;
}

TEST(LiveProgramChange, UnderARingingChordFadesOutWithinTheDampAndSwitchesAtSilence) {
    struct Change {
        int32_t from, to;
        bool viaMidi;     // else the GUI's setProgram between blocks
        int32_t block;    // host block size
        bool noteInFade;  // a note-on 30 samples after the change
    } const changes[] = {{kQuietDry, kLoudWet, true, 64, false},
                         {kLoudWet, kQuietDry, false, 512, true},
                         {0, 15, true, 37, true},
                         {18, 12, false, 64, false},
                         {2, 6, true, 512, false},
                         {24, 0, true, 64, true},
                         {11, 22, false, 37, false}};
    for (const Change& c : changes) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + (c.viaMidi ? " by MIDI" : " by GUI") +
                     ", blocks of " + std::to_string(c.block));
        // The change falls mid-block for MIDI, on a block edge for the GUI.
        const int32_t at = 400 * kMs / c.block * c.block + (c.viaMidi ? c.block / 2 : 0);
        // The chord, the change at `at` and maybe a note `noteAfter` samples later.
        auto play = [&](int32_t noteAfter, PluginRig& rig) {
            test::restartModulatorPhases();
            makeExtremePrograms(*rig);
            rig->setProgram(c.from);
            test::Stereo out;
            for (int32_t start = 0; start < at + 200 * kMs; start += c.block) {
                std::vector<Midi> events;
                for (uint8_t note : {36, 48, 55, 60, 64, 67, 72, 79})
                    if (start == 0)
                        events.push_back({0, 0x90, note, 110});
                if (c.viaMidi && at >= start && at < start + c.block)
                    events.push_back({at - start, 0xC0, uint8_t(c.to), 0});
                if (!c.viaMidi && start == at)
                    rig->setProgram(c.to);
                if (noteAfter > 0 && at + noteAfter >= start && at + noteAfter < start + c.block)
                    events.push_back({at + noteAfter - start, 0x90, 62, 100});
                const test::Stereo block = rig.render(c.block, events);
                out.left.insert(out.left.end(), block.left.begin(), block.left.end());
                out.right.insert(out.right.end(), block.right.begin(), block.right.end());
            }
            return out;
        };
        PluginRig rig;
        const test::Stereo out = play(c.noteInFade ? 30 : 0, rig);
        const float own = largestStep(out, at - 20 * kMs, at);
        ASSERT_GT(own, 0.0f) << "the chord rings up to the change";
        // The fade, and what rings on after it when no new note starts.
        const float change = largestStep(out, at, at + kSwitchFadeFrames + (c.noteInFade ? 0 : 20 * kMs));
        EXPECT_LE(change, 4.0f * own) << "steps " << change / own << " times the sound's own";
        std::printf("step ratio %d -> %d: %.2f\n", c.from, c.to, change / own);
        EXPECT_EQ(out.left[at + kSwitchFadeFrames - 1], 0.0f);
        EXPECT_EQ(out.right[at + kSwitchFadeFrames - 1], 0.0f);
        EXPECT_EQ(rig.engine().masterLevel, rig->programSlot(c.to).values[kParamLevel]);
        EXPECT_EQ(soundingNotes(rig), c.noteInFade ? std::vector<int>{62} : std::vector<int>{}) << "the chord ended";
        if (c.noteInFade) {
            PluginRig atSwitch;
            const test::Stereo reference = play(kSwitchFadeFrames, atSwitch);
            EXPECT_TRUE(test::sameBits(out.left, reference.left) && test::sameBits(out.right, reference.right))
                << "a note played inside the fade starts right at the switch";
        }
    }
}

TEST(LiveProgramChange, LoweringVoicesDampsTheOldestBeyondTheLimitAndRaisingChangesNothing) {
    PluginRig rig;
    for (uint8_t note : {40, 52, 57, 64, 69, 76}) rig.render(200, {{0, 0x90, note, 100}});
    rig->setParameter(kParamVoices, 0.01f);  // two voices
    rig.render(kSwitchFadeFrames);
    EXPECT_EQ(soundingNotes(rig), (std::vector<int>{76, 69})) << "the two newest stay";
    rig->setParameter(kParamVoices, 0.31f);
    rig.render(kSwitchFadeFrames * 3);
    EXPECT_EQ(soundingNotes(rig), (std::vector<int>{76, 69}));
    for (uint8_t note : {41, 53, 58, 65, 70, 77}) rig.render(16, {{0, 0x90, note, 100}});
    EXPECT_EQ(soundingNotes(rig).size(), 8u) << "room for 32 again";
}

std::vector<ErrorCode> gReported;

TEST(LiveProgramChange, SaveThatCannotOpenItsFileLeavesSlotAndEditBufferAlone) {
    const ErrorSink previous = setErrorSink([](ErrorCode code, const char*) { gReported.push_back(code); });
    for (auto save : {&saveBank, &savePatch}) {
        gReported.clear();
        PluginRig rig;
        rig->setParameter(kParamLevel, 0.123f);
        EXPECT_FALSE(save(*rig, "/nonexistent-tinemaster/preset"));
        EXPECT_EQ(gReported, std::vector<ErrorCode>{ErrorCode::OpenFailed});
        EXPECT_EQ(rig->programSlot(0).values[kParamLevel], kFactoryBank[0].values[kParamLevel]) << "slot untouched";
        EXPECT_EQ(rig->getParameter(kParamLevel), 0.123f) << "edit kept";
    }
    setErrorSink(previous);
}

}  // namespace
}  // namespace tine
