// The 62 parameters through the plug-in's operations: rows, displays, bounds
// on what the engine receives, and hostile host values.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "TestHost.h"

namespace tine {
namespace {

using test::Midi;
using test::PluginRig;

std::string display(SynthPlugin& p, int32_t index) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    p.getParameterDisplay(index, text);
    return text;
}

struct DesignedRow {
    int index;
    std::string name, shortName, label;
    float defaultValue, maxValue, step;
};

// Every row as designed: oscillator parameters come in threes.
std::vector<DesignedRow> designedRows() {
    std::vector<DesignedRow> rows;
    auto one = [&](const char* name, const char* shortName, float def, float max = 1.0f, float step = 0.01f,
                   const char* label = "%") {
        rows.push_back({int(rows.size()), name, shortName, label, def, max, step});
    };
    auto three = [&](const char* what, const char* shortName, float def, float max = 1.0f, float step = 0.01f,
                     const char* label = "%") {
        for (int n = 1; n <= 3; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "Osc%d %s", n, what);
            one(name, shortName, def, max, step, label);
        }
    };
    one("Level", "Level", 1.0f);
    three("Shape", "Shape", 0.0f, 1.0f, 0.01f, " ");
    three("Level", "Level", 0.5f);
    three("Detune", "Detune", 0.5f);
    three("VS1", "VS1", 0.5f);
    three("VS2", "VS2", 0.5f);
    three("TimeScale", "Time", 0.5f);
    three("Brightness", "Brightness", 0.5f);
    three("Transpose", "Transpose", 0.5f);
    three("VS Curve", "Curve", 0.0f, 0.2f, 0.1f);
    one("Tremolo Speed", "Tremolo Speed", 0.5f);
    one("Tremolo Depth", "Tremolo Depth", 0.5f);
    one("Autopan Speed", "Autopan Speed", 0.5f);
    one("Autopan Depth", "Autopan Depth", 0.5f);
    one("Phaser Rate", "Rate", 0.5f);
    one("Phaser Depth", "Depth", 0.5f);
    one("Phaser Feedback", "Feedback", 0.5f);
    one("Chorus Rate", "C.Rate", 0.5f);
    one("Chorus Depth", "C.Depth", 0.5f);
    one("Chorus Split", "C.Split", 0.5f);
    one("Voices", "Voices", 0.05f, 0.31f);
    one("Decay", "Decay Time", 0.75f);
    one("Unused", "Unused", 0.75f);
    three("Mute", "Mute", 0.0f);
    while (rows.size() < std::size_t(kNumParams)) one("Unused", "Unused", 0.0f);
    return rows;
}

TEST(ParameterTable, EveryRowIsAsDesigned) {
    PluginRig rig;
    const std::vector<DesignedRow> rows = designedRows();
    ASSERT_EQ(rows.size(), std::size_t(kNumParams));
    const Program fresh;
    for (const DesignedRow& row : rows) {
        SCOPED_TRACE(row.index);
        const ParameterDescriptor& d = ParameterTable[row.index];
        EXPECT_EQ(d.shortName, row.shortName);
        EXPECT_TRUE(d.automatable);
        EXPECT_EQ(d.minValue, 0.0f);
        EXPECT_EQ(d.defaultValue, row.defaultValue);
        EXPECT_EQ(d.maxValue, row.maxValue);
        EXPECT_EQ(d.step, row.step);
        EXPECT_EQ(fresh.values[row.index], row.defaultValue);
        char text[64];
        std::memset(text, 'x', sizeof text);
        rig->getParameterName(row.index, text);
        EXPECT_EQ(std::string(text), row.name);
        std::memset(text, 'x', sizeof text);
        rig->getParameterLabel(row.index, text);
        EXPECT_EQ(std::string(text), row.label);
    }
    EXPECT_EQ(std::string(fresh.name), std::string(24, 'W'));
}

TEST(ParameterTable, Displays) {
    struct Row {
        int index;
        float value;
        const char* text;
    } rows[] = {
        // defaults
        {kParamLevel, 1.0f, "100"}, {kParamOsc1Level, 0.5f, "050"}, {kParamOsc1Detune, 0.5f, "+0"},
        {kParamOsc1Curve, 0.0f, "EXP1"}, {kParamVoices, 0.05f, "06"}, {kParamOsc1Mute, 0.0f, "OFF"},
        // truncation, never rounding
        {kParamLevel, 0.57f, "056"}, {kParamOsc1Detune, 0.51f, "+0"}, {kParamOsc1Detune, 0.49f, "-1"},
        {kParamOsc1Vs1, 0.999f, "099"}, {kParamOsc1Transpose + 2, 0.625f, "+12"},
        {kParamOsc1Detune + 1, 0.0f, "-50"}, {kParamOsc1TimeScale, 1.0f, "+50"},
        // off and on
        {kParamOsc1Level, 0.004f, "OFF"}, {kParamOsc1Level + 2, 0.01f, "OFF"}, {kParamOsc1Level + 2, 0.02f, "001"},
        {kParamOsc1Level + 2, 0.025f, "002"}, {kParamTremoloDepth, 0.0f, "OFF"},
        {kParamChorusRate, 0.0f, "OFF"}, {kParamTremoloSpeed, 0.0f, "000"}, {kParamOsc1Mute, 0.3f, "ON"},
        {kParamOsc1Mute + 1, 0.5f, "ON"}, {kParamOsc1Mute + 2, 1e-30f, "ON"},
        // counts and names
        {kParamVoices, 0.31f, "32"}, {kParamVoices, 0.0f, "01"}, {kParamVoices, 0.15f, "16"},
        {kParamOsc1Curve, 0.1f, "LIN"}, {kParamOsc1Curve + 1, 0.2f, "EXP2"},
        {kParamOsc1Shape, 0.27f, "000.Bright Synth 1"}, {kParamOsc1Shape, 0.0f, "096.Quacky 2"},
        {kParamOsc1Shape + 1, 0.15f, "013.Classic 1"}, {kParamOsc1Shape + 2, 0.29f, "015.Classic 2"},
        {kParamOsc1Shape, 1.0f, "047.Wurly Synth 3"}, {kParamOsc1Shape, 0.98f, "003.Muted Rhodes 1"},
        {kParamOsc1Shape, 0.87f, "000.Bright Synth 1"}, {kParamOsc1Shape, 0.85f, "088.Inharmonics"},
        // unused rows show percentages
        {40, 0.75f, "075"}, {61, 0.33f, "033"}};
    PluginRig rig;
    for (const Row& row : rows) {
        rig->setParameter(row.index, row.value);
        EXPECT_EQ(display(*rig, row.index), row.text) << row.index << " at " << row.value;
        EXPECT_EQ(rig->getParameter(row.index), row.value);
    }
}

TEST(ParameterTable, AfterProgramOneVoicesReads16AndMuteOff) {
    PluginRig rig;
    rig->setProgram(1);
    EXPECT_EQ(display(*rig, kParamVoices), "16");
    EXPECT_EQ(display(*rig, kParamOsc1Mute), "OFF");
    EXPECT_EQ(rig.engine().voicePool->maxVoices(), 16);
}

TEST(ParameterTable, IndexOutsideTheTable) {
    PluginRig rig;
    const Program before = rig->editBuffer();
    for (int32_t index : {-1, 62, 1000, -2147483647}) {
        rig->setParameter(index, 0.3f);
        EXPECT_EQ(rig->getParameter(index), 0.0f) << index;
        char text[64];
        for (auto get : {&SynthPlugin::getParameterName, &SynthPlugin::getParameterLabel,
                         &SynthPlugin::getParameterDisplay}) {
            std::memset(text, 'x', sizeof text);
            ((*rig).*get)(index, text);
            EXPECT_STREQ(text, "") << index;
        }
    }
    EXPECT_EQ(std::memcmp(before.values, rig->editBuffer().values, sizeof before.values), 0);
}

// What the engine receives is the value brought into the row's range (NaN as the
// row's default); the stored value stays as sent.
TEST(ParameterTable, EngineSeesValuesWithinTheRowRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    PluginRig rig;
    Engine& e = rig.engine();
    struct Row {
        int index;
        float value;
        std::function<bool()> holds;
    } rows[] = {
        {kParamLevel, nan, [&] { return e.masterLevel == 1.0f; }},
        {kParamLevel, -5.0f, [&] { return e.masterLevel == 0.0f; }},
        {kParamLevel, 1e30f, [&] { return e.masterLevel == 1.0f; }},
        {kParamVoices, 1e30f, [&] { return e.voicePool->maxVoices() == 32; }},
        {kParamVoices, -inf, [&] { return e.voicePool->maxVoices() == 1; }},
        {kParamVoices, nan, [&] { return e.voicePool->maxVoices() == 6; }},
        {kParamOsc1Curve, 1e30f, [&] { return e.oscillators[0].curve == 256; }},
        {kParamOsc1Curve, 0.5f, [&] { return e.oscillators[0].curve == 256; }},
        {kParamOsc1Curve, -1.0f, [&] { return e.oscillators[0].curve == 0; }},
        {kParamOsc1Transpose, inf, [&] { return e.oscillators[0].transpose == 50; }},
        {kParamOsc1Transpose, 0.0f, [&] { return e.oscillators[0].transpose == -50; }},
        {kParamOsc1Detune, 0.5f, [&] { return e.oscillators[0].detune == 1.0f; }},
        {kParamOsc1Detune, 1.0f, [&] { return std::fabs(e.oscillators[0].detune - 1.015f) < 1e-6f; }},
        {kParamOsc1Detune, 0.0f, [&] { return std::fabs(e.oscillators[0].detune * 1.015f - 1.0f) < 1e-6f; }},
        {kParamOsc1TimeScale, 0.0f, [&] { return std::fabs(e.oscillators[0].timeScale - 0.25f) < 1e-6f; }},
        {kParamOsc1TimeScale, 1.0f, [&] { return std::fabs(e.oscillators[0].timeScale - 4.0f) < 1e-5f; }},
        {kParamOsc1Mute, 0.3f, [&] { return e.oscillators[0].muteGain == 1.0f; }},
        {kParamOsc1Mute, 0.5f, [&] { return e.oscillators[0].muteGain == 0.0f; }},
        {kParamOsc1Mute, nan, [&] { return e.oscillators[0].muteGain == 1.0f; }},
        {kParamDecay, 0.75f, [&] { return e.decayFactor == 1.0f; }},
        {kParamOsc1Shape, nan, [&] { return e.shapes[0] == &shapeAt(96); }},
        {kParamOsc1Shape, 5.0f, [&] { return e.shapes[0] == &shapeAt(47); }},
        {kParamAutopanDepth, 2.0f, [&] { return e.effects.autopanDepth == 1.0f && e.effects.autopanBase == 0.0f; }},
        {kParamChorusSplit, -3.0f, [&] { return e.effects.chorusSplit == 1.0f; }},
    };
    for (const Row& row : rows) {
        rig->setParameter(row.index, row.value);
        rig.render(0);  // the engine takes new values when it next renders
        EXPECT_TRUE(row.holds()) << row.index << " at " << row.value;
        const float stored = rig->getParameter(row.index);
        EXPECT_TRUE(std::memcmp(&stored, &row.value, sizeof stored) == 0) << row.index;
    }
}

// Plays a chord and a few notes across the keyboard, returning both channels.
std::vector<float> playSomething(PluginRig& rig) {
    test::Stereo out = rig.render(2048, {{0, 0x90, 21, 127}, {0, 0x90, 60, 64}, {0, 0x90, 64, 1}, {0, 0x90, 108, 127},
                                         {700, 0x80, 60, 0}, {900, 0x90, 127, 127}, {901, 0x90, 0, 30}});
    std::vector<float> both = out.left;
    both.insert(both.end(), out.right.begin(), out.right.end());
    return both;
}

TEST(ParameterTable, HostileValuesAreStoredAndNeverUpsetTheSound) {
    const float hostile[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), -5.0f, 1e30f, 2.0f};
    for (float value : hostile) {
        PluginRig every;  // every row hostile at once
        for (int index = 0; index < kNumParams; ++index) {
            SCOPED_TRACE(index);
            every->setParameter(index, value);
            const float stored = every->getParameter(index);
            EXPECT_EQ(std::memcmp(&stored, &value, sizeof value), 0);
            char text[64];
            std::memset(text, 0x7F, sizeof text);
            every->getParameterDisplay(index, text);
            const std::size_t length = strnlen(text, sizeof text);
            EXPECT_LT(length, kParamTextBytes) << value;
            EXPECT_GT(length, 0u) << value;
            for (std::size_t i = kParamTextBytes; i < sizeof text; ++i) ASSERT_EQ(text[i], 0x7F) << "wrote past the text";

            PluginRig single;  // this row alone
            single->setParameter(index, value);
            EXPECT_TRUE(test::allFinite(playSomething(single))) << value;
        }
        EXPECT_TRUE(test::allFinite(playSomething(every))) << value;
        every->setSampleRate(96000.0f);
        EXPECT_TRUE(test::allFinite(playSomething(every))) << value;
    }
}

TEST(ParameterTable, NearlySilentLevelAndSoftMuteStillSound) {
    struct Row {
        int index;
        float value;
        bool sounds;
    } rows[] = {{kParamOsc1Level, 0.004f, true}, {kParamOsc1Level, 0.0f, false},
                {kParamOsc1Mute, 0.3f, true},    {kParamOsc1Mute, 0.49f, true},
                {kParamOsc1Mute, 0.5f, false},   {kParamOsc1Mute, 1.0f, false}};
    for (const Row& row : rows) {
        PluginRig rig;
        rig.dry();
        rig->setParameter(kParamOsc1Mute + 1, 1.0f);
        rig->setParameter(kParamOsc1Mute + 2, 1.0f);
        rig->setParameter(row.index, row.value);
        test::Stereo out = rig.render(1024, {{0, 0x90, 60, 127}});
        EXPECT_EQ(!test::allZero(out.left), row.sounds) << row.index << " at " << row.value;
        EXPECT_NE(rig.engine().activeVoices, nullptr) << "a muted voice still runs its envelopes";
    }
}

TEST(ParameterTable, UnusedRowsChangeNothingInTheSound) {
    std::vector<float> renders[2];
    for (int variant = 0; variant < 2; ++variant) {
        test::restartModulatorPhases();
        PluginRig rig;
        if (variant == 1) {
            rig->setParameter(40, 0.1f);
            for (int index = 44; index < kNumParams; ++index) rig->setParameter(index, 0.9f);
        }
        renders[variant] = playSomething(rig);
    }
    EXPECT_TRUE(test::sameBits(renders[0], renders[1]));
}

}  // namespace
}  // namespace tine
