// The 62 parameters as hosts and musicians meet them: rows that fit their
// fields and ranges, texts that hold at any value a host sends, displays that
// truncate, and values heard as their equivalent setting.
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <string>

#include "TestHost.h"
#include "engine/ShapeTable.h"

namespace tine {
namespace {

using test::PluginRig;
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Each row fits its fields and range; its name, label and display, asked
// through the host's opcodes at the edges and beyond, stay terminated within
// kParamTextBytes (a display is never empty), and the value is kept as sent.
TEST(ParameterTable, RowsAndTextsHoldAtAnyValueAHostSends) {
    const float values[] = {0.0f, 1.0f, kNaN, kInf, -kInf, -5.0f, 1e30f, -1e30f, 1e-45f, 0.999999f, 0.5f};
    const Program fresh;
    std::map<std::string, int> names;
    PluginRig rig;
    AEffect* e = rig->getAeffect();
    for (int i = 0; i < kNumParams; ++i) {
        SCOPED_TRACE(i);
        const ParameterDescriptor& row = ParameterTable[i];
        for (const char* field : {row.name, row.shortName, row.label}) EXPECT_LT(std::strlen(field), kParamTextBytes);
        EXPECT_TRUE(++names[row.name] == 1 || std::string(row.name) == "Unused");
        EXPECT_TRUE(row.automatable);
        EXPECT_TRUE(row.minValue <= row.defaultValue && row.defaultValue <= row.maxValue &&
                    row.minValue < row.maxValue);
        EXPECT_EQ(fresh.values[i], row.defaultValue);
        const double steps = (double(row.maxValue) - row.minValue) / row.step;
        EXPECT_NEAR(steps, std::round(steps), 1e-4) << "the step divides the range";
        for (float value : values) {
            e->setParameter(e, i, value);
            const float stored = e->getParameter(e, i);
            EXPECT_EQ(std::memcmp(&stored, &value, sizeof value), 0);
            for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
                char text[64];
                std::memset(text, 0x7F, sizeof text);
                e->dispatcher(e, opcode, i, 0, text, 0.0f);
                EXPECT_LT(strnlen(text, sizeof text), kParamTextBytes) << value;
                EXPECT_TRUE(text[0] || opcode != effGetParamDisplay) << value;
                EXPECT_EQ(std::string(text + kParamTextBytes, 64 - kParamTextBytes),
                          std::string(64 - kParamTextBytes, 0x7F));
            }
        }
    }
    // The plug-in's own operations ignore indices outside the table too.
    const Program before = rig->editBuffer();
    for (int32_t index : {-1, kNumParams}) {
        char text[64] = "stale";
        rig->setParameter(index, 0.3f);
        rig->getParameterDisplay(index, text);
        EXPECT_EQ(std::string(text) + std::to_string(rig->getParameter(index)), "0.000000") << index;
    }
    EXPECT_EQ(std::memcmp(before.values, rig->editBuffer().values, sizeof before.values), 0);
}

TEST(ParameterTable, DisplaysTruncateAndNameTheirSettings) {
    struct Row {
        int index;
        float value;
        const char* text;
    };
    // clang-format off
    const Row rows[] = {
        {kParamLevel, 1.0f, "100"}, {kParamLevel, 0.57f, "056"}, {kParamOsc1Vs1, 0.999f, "099"},
        {kParamOsc1Detune, 0.5f, "+0"}, {kParamOsc1Detune, 0.51f, "+0"}, {kParamOsc1Detune, 0.49f, "-1"},
        {kParamOsc1Detune + 1, 0.0f, "-50"}, {kParamOsc1TimeScale, 1.0f, "+50"},
        {kParamOsc1Transpose + 2, 0.625f, "+12"},
        {kParamOsc1Level, 0.004f, "OFF"}, {kParamOsc1Level + 2, 0.025f, "002"}, {kParamTremoloDepth, 0.0f, "OFF"},
        {kParamChorusRate, 0.0f, "OFF"}, {kParamTremoloSpeed, 0.0f, "000"}, {kParamOsc1Mute, 0.0f, "OFF"},
        {kParamOsc1Mute + 2, 1e-30f, "ON"}, {kParamOsc1Curve, 0.0f, "EXP1"}, {kParamOsc1Curve + 1, 0.1f, "LIN"},
        {kParamOsc1Curve + 2, 0.2f, "EXP2"}, {kParamVoices, 0.0f, "01"}, {kParamVoices, 0.15f, "16"},
        {kParamVoices, 0.31f, "32"}, {61, 0.33f, "033"},
    };
    // clang-format on
    PluginRig rig;
    char text[64];
    for (const Row& row : rows) {
        rig->setParameter(row.index, row.value);
        rig->getParameterDisplay(row.index, text);
        EXPECT_STREQ(text, row.text) << row.index << " at " << row.value;
    }
    rig.render(0);  // the engine takes new values when it next renders
    EXPECT_EQ(rig.engine().voicePool->maxVoices(), 32);
    // The shape display names the shape that plays.
    for (int slot = 0; slot < kNamedShapes; ++slot) {
        rig->setParameter(kParamOsc1Shape, kShapeDesigns[slot].key);
        char expected[64];
        std::snprintf(expected, kParamTextBytes, "%03d.%s", slot, kShapeDesigns[slot].name);
        rig->getParameterDisplay(kParamOsc1Shape, text);
        EXPECT_STREQ(text, expected);
    }
}

// A chord and a few notes across the keyboard, both channels, on a fresh
// instance with the given settings.
std::vector<float> play(const std::vector<std::pair<int, float>>& settings, float rate = 44100.0f) {
    test::restartModulatorPhases();
    PluginRig rig;
    rig->setSampleRate(rate);
    for (auto [index, value] : settings) rig->setParameter(index, value);
    test::Stereo out = rig.render(2048, {{0, 0x90, 21, 127},
                                         {0, 0x90, 60, 64},
                                         {0, 0x90, 64, 1},
                                         {0, 0x90, 108, 127},
                                         {700, 0x80, 60, 0},
                                         {900, 0x90, 127, 127},
                                         {901, 0x90, 0, 30}});
    out.left.insert(out.left.end(), out.right.begin(), out.right.end());
    return out.left;
}

// The engine hears a host's value brought into the row's range, NaN as the
// row's default, so it sounds exactly like that setting. Mute acts from 0.5
// on; unused rows change nothing.
TEST(ParameterTable, ValuesSoundLikeTheirEquivalentSetting) {
    struct Row {
        int index;
        float value, sameAs;
    };
    // clang-format off
    const Row rows[] = {
        {kParamLevel, kNaN, 1.0f}, {kParamLevel, -5.0f, 0.0f}, {kParamOsc1Shape, kNaN, 0.0f},
        {kParamOsc1Shape + 1, 5.0f, 1.0f},
        {kParamOsc1Level + 1, -5.0f, 0.0f}, {kParamOsc1Detune, kInf, 1.0f}, {kParamOsc1Detune + 2, kNaN, 0.5f},
        {kParamOsc1Vs1, 1e30f, 1.0f}, {kParamOsc1Vs2 + 1, -kInf, 0.0f}, {kParamOsc1TimeScale, 7.0f, 1.0f},
        {kParamOsc1Brightness, -kInf, 0.0f}, {kParamOsc1Transpose, -kInf, 0.0f}, {kParamOsc1Curve, 0.5f, 0.2f},
        {kParamTremoloSpeed, kInf, 1.0f}, {kParamTremoloDepth, 3.0f, 1.0f}, {kParamAutopanSpeed, kNaN, 0.5f},
        {kParamAutopanDepth, 2.0f, 1.0f}, {kParamPhaserRate, -kInf, 0.0f}, {kParamPhaserDepth, kNaN, 0.5f},
        {kParamPhaserFeedback, 9.0f, 1.0f}, {kParamChorusRate, kNaN, 0.5f}, {kParamChorusDepth, -1.0f, 0.0f},
        {kParamChorusSplit, -3.0f, 0.0f}, {kParamVoices, 1e30f, 0.31f}, {kParamDecay, -1.0f, 0.0f},
        {kParamOsc1Mute, kNaN, 0.0f}, {kParamOsc1Mute + 1, kInf, 1.0f}, {kParamOsc1Mute, 0.49f, 0.0f},
        {kParamOsc1Mute + 2, 0.5f, 1.0f}, {40, 0.1f, 0.75f}, {44, 0.9f, 0.0f}, {61, 0.9f, 0.0f},
    };
    // clang-format on
    for (const Row& row : rows)
        EXPECT_TRUE(test::sameBits(play({{row.index, row.value}}), play({{row.index, row.sameAs}})))
            << row.index << " at " << row.value;
    EXPECT_FALSE(test::sameBits(play({{kParamOsc1Mute, 0.5f}}), play({})));
    EXPECT_FALSE(test::sameBits(play({{kParamOsc1Level, 0.004f}}), play({{kParamOsc1Level, 0.0f}})));

    for (float value : {kNaN, kInf, -kInf, -5.0f, 1e30f}) {
        std::vector<std::pair<int, float>> every;
        for (int index = 0; index < kNumParams; ++index) every.push_back({index, value});
        EXPECT_TRUE(test::allFinite(play(every)) && test::allFinite(play(every, 96000.0f))) << value;
    }
}

}  // namespace
}  // namespace tine
