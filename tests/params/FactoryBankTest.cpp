// Guards the built-in bank against editing slips: fixed names and reference
// programs, the values every program shares, and each row's allowed range.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/ShapeTable.h"
#include "params/Program.h"

namespace tine {
namespace {

TEST(FactoryBank, NamesInOrderWithTheirTrailingBlanks) {
    static const char* const kNames[kNumPrograms] = {
        "Tinemaster ", "E.Piano 1", "Soft Tines 1", "MagicPiano", "TouchSynth", "Soft Tines 2",
        "Bluesy Rhodes", "Synthy Phazed", "Top 40 Ballad", "Pop Keyboard", "Wurly Synth", "Stereo Pads",
        "Phazed Synth Pad", "Bright Ballad", "Synrhodes", "Bass Wah", "Supertramper", "Muffled Piano",
        "Clean DX", "The Classic ", "Clickin' EP", "Glassine", "Phazed Wurly", "Electrix",
        "Big, big chords", "Dreamy", "Synthetics", "Pad Tinemaster", "Ambient Tinemaster", "Heaven",
        "Ultrabass", "MyWurl"};
    for (int p = 0; p < kNumPrograms; ++p) {
        ASSERT_NE(kFactoryBank[p].name, nullptr) << p;
        EXPECT_STREQ(kFactoryBank[p].name, kNames[p]) << p;
        EXPECT_LT(std::strlen(kFactoryBank[p].name), static_cast<size_t>(kProgramNameBytes)) << p;
    }
}

TEST(FactoryBank, ReferenceProgramsAreExact) {
    struct Reference {
        int program;
        float values[38];
    };
    static const Reference kReferences[] = {
        {0, {0.25f, 0.1f, 0.11f, 0.12f, 1.0f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f,
             0.7143f, 1.0f, 0.81f, 1.0f, 1.0f, 1.0f, 0.5f, 0.14f, 0.4f, 0.83f, 0.759f, 0.577f,
             0.5f, 0.5f, 0.625f, 0.1f, 0.1f, 0.1f, 0.519f, 0.263f, 0.2f, 0.209f,
             0.876f, 0.452f, 0.591f, 0.25f, 0.75f, 0.1f}},
        {1, {0.155f, 0.25f, 0.26f, 0.24f, 1.0f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f,
             0.2857f, 0.0f, 0.5714f, 0.5714f, 0.8571f, 0.5714f, 0.5f, 0.5f, 0.5f, 0.625f, 0.625f, 0.625f,
             0.5f, 0.5f, 0.5f, 0.1f, 0.1f, 0.1f, 0.1013f, 0.1238f, 0.63f, 0.2137f,
             0.5f, 0.605f, 0.58f, 0.66f, 0.405f, 0.63f}},
        {6, {0.11f, 0.22f, 0.23f, 0.24f, 1.0f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f,
             0.2857f, 0.2857f, 0.1429f, 1.0f, 0.8571f, 0.2857f, 0.4838f, 0.5f, 0.5275f, 0.5762f, 0.625f, 0.5737f,
             0.5f, 0.5f, 0.5f, 0.1f, 0.1f, 0.1f, 0.165f, 0.0975f, 0.44f, 0.535f,
             0.745f, 0.68f, 1.0f, 0.175f, 0.83f, 0.55f}},
    };
    for (const Reference& ref : kReferences) {
        for (int i = 0; i < 38; ++i) {
            EXPECT_EQ(kFactoryBank[ref.program].values[i], ref.values[i])
                << "program " << ref.program << ", value " << i;
        }
    }
}

TEST(FactoryBank, EveryProgramKeepsTheSharedValuesAndRanges) {
    for (int p = 0; p < kNumPrograms; ++p) {
        const float* v = kFactoryBank[p].values;
        SCOPED_TRACE(kFactoryBank[p].name);
        EXPECT_EQ(v[38], 0.15f);  // 16 voices
        EXPECT_EQ(v[39], 0.75f);  // decays as designed
        for (int i = 40; i < kNumParams; ++i) EXPECT_EQ(v[i], 0.0f) << i;
        for (int i = 0; i < 38; ++i) {
            const float max = (i >= 25 && i <= 27) ? 0.2f : 1.0f;
            EXPECT_GE(v[i], 0.0f) << i;
            EXPECT_LE(v[i], max) << i;
        }
        EXPECT_LE(v[38], 0.31f);
    }
}

TEST(FactoryBank, ShapeValuesSelectNamedShapes) {
    // A value that matches no key silently falls back to slot 0.
    for (int p = 0; p < kNumPrograms; ++p) {
        for (int osc = 1; osc <= 3; ++osc) {
            const int wanted = static_cast<int>(std::floor(100.0 * kFactoryBank[p].values[osc] + 0.1));
            bool found = false;
            for (int s = 0; s < kNamedShapes && !found; ++s) {
                found = static_cast<int>(std::floor(100.0 * kShapeDesigns[s].key + 0.1)) == wanted;
            }
            EXPECT_TRUE(found) << kFactoryBank[p].name << ", Osc" << osc << " Shape";
        }
    }
}

TEST(FactoryBank, NoTwoProgramsAreTheSame) {
    for (int a = 0; a < kNumPrograms; ++a) {
        for (int b = a + 1; b < kNumPrograms; ++b) {
            EXPECT_NE(std::memcmp(kFactoryBank[a].values, kFactoryBank[b].values, sizeof kFactoryBank[a].values), 0)
                << kFactoryBank[a].name << " and " << kFactoryBank[b].name;
        }
    }
}

}  // namespace
}  // namespace tine
