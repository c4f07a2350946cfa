// Guards the built-in shape records against editing slips: the names and keys
// are fixed facts of the instrument, the other fields must stay in the value
// sets the engine was tuned for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "engine/ShapeTable.h"

namespace tine {
namespace {

struct NamedKey {
    const char* name;
    float key;
};

// Every named slot, in slot order, with the "Shape" value that selects it.
const NamedKey kNamedKeys[kNamedShapes] = {
    {"Bright Synth 1", 0.05f}, {"Muffled Synth", 0.09f}, {"Bass Rhodes", 0.02f},
    {"Muted Rhodes 1", 0.98f}, {"Muted Rhodes 2", 0.97f}, {"Bright&Slow 1", 0.82f},
    {"RealTine 1", 0.12f}, {"Glassine 1", 0.86f}, {"Bright Lfo", 0.04f},
    {"Distorted 1", 0.75f}, {"Synthetic 1", 0.18f}, {"Bright Synth 4", 0.72f},
    {"Bright&Slow 2", 0.81f}, {"Classic 1", 0.15f}, {"Classic 1 Det", 0.3f},
    {"Classic 2", 0.29f}, {"Classic 3", 0.24f}, {"Classic 4", 0.03f},
    {"Classic 5", 0.22f}, {"Classic 6", 0.17f}, {"Classic 7", 0.25f},
    {"Classic 8", 0.56f}, {"Synthy 1", 0.14f}, {"Clicky 1", 0.19f},
    {"Clicky 2", 0.2f}, {"Synrhodes 1", 0.08f}, {"Electric 1", 0.36f},
    {"Electric 2", 0.34f}, {"Electric 3", 0.68f}, {"Supertramper 1", 0.38f},
    {"Woody", 0.41f}, {"Hard & Bright", 0.47f}, {"Pop Kybd", 0.74f},
    {"Supertramper 4", 0.71f}, {"Wurlitzer 1", 0.62f}, {"Wurlitzer 2", 0.63f},
    {"Dynamix 1", 0.66f}, {"Dynamix 2", 0.65f}, {"Dynamix 3", 0.8f},
    {"Dynamix 4", 0.84f}, {"Dynamix 5", 0.83f}, {"Heaven 2", 0.89f},
    {"Supertramper 2", 0.37f}, {"Supertramper 3", 0.39f}, {"Wurly Attack", 0.61f},
    {"Wurly Synth 1", 0.42f}, {"Wurly Synth 2", 0.99f}, {"Wurly Synth 3", 1.0f},
    {"TouchSynth", 0.06f}, {"MagicPiano3", 0.33f}, {"Onyx", 0.78f},
    {"Softy 1", 0.46f}, {"Synthy Bell 1", 0.58f}, {"Synthy Bell 2", 0.59f},
    {"RealTine 3", 0.1f}, {"Synthy Bell 3", 0.73f}, {"Synrhodes 2", 0.07f},
    {"Bell Hit 1", 0.16f}, {"Rhods-Acou 1", 0.43f}, {"Rhods-Acou 2", 0.44f},
    {"Rhods-Acou 3", 0.45f}, {"Soft Bell 1", 0.4f}, {"Soft Bell 2", 0.01f},
    {"Soft Bell 3", 0.67f}, {"Soft Bell 4", 0.35f}, {"Rhodes 1", 0.49f},
    {"Rhodes 2", 0.5f}, {"Rhodes 3", 0.51f}, {"Rhodes 4", 0.54f},
    {"Rhodes 5", 0.53f}, {"Rhodes 6", 0.52f}, {"Rhodes 7", 0.23f},
    {"Rhodes 8", 0.26f}, {"Fender 2-1", 0.28f}, {"Tiny Bell", 0.55f},
    {"Buzzy 1", 0.13f}, {"Buzzy 2", 0.64f}, {"Clicky3", 0.21f},
    {"MagicPiano1", 0.31f}, {"MagicPiano2", 0.32f}, {"Tine Attack", 0.11f},
    {"Spit Attack", 0.6f}, {"Soft Pad", 0.69f}, {"Metallic Hit", 0.7f},
    {"Clicky Attack", 0.76f}, {"Tuned Metal", 0.77f}, {"Music Box", 0.79f},
    {"Metal Breath", 0.9f}, {"Inharmonics", 0.85f}, {"Heaven 1", 0.88f},
    {"Whisper", 0.91f}, {"Hard Attack", 0.92f}, {"JazzClav 1", 0.93f},
    {"Harmonics 1", 0.94f}, {"Harmonics 2", 0.95f}, {"Quacky 1", 0.96f},
    {"Quacky 2", 0.f},
};

int hundredths(float v) { return static_cast<int>(std::floor(100.0 * v + 0.1)); }

bool onGrid(double value, double step) {
    const double n = value / step;
    return std::fabs(n - std::round(n)) < 1e-4;
}

TEST(ShapeTableData, NamedSlotsCarryTheirNamesAndKeys) {
    std::set<int> keys;
    for (int s = 0; s < kNamedShapes; ++s) {
        SCOPED_TRACE(s);
        ASSERT_NE(kShapeDesigns[s].name, nullptr);
        EXPECT_STREQ(kShapeDesigns[s].name, kNamedKeys[s].name);
        EXPECT_EQ(kShapeDesigns[s].key, kNamedKeys[s].key);
        EXPECT_TRUE(onGrid(kShapeDesigns[s].key, 0.01));
        EXPECT_TRUE(keys.insert(hundredths(kShapeDesigns[s].key)).second) << "key used twice";
    }
    // The gaps fall back to slot 0 when selected; a shape there would change old programs.
    for (int gap : {27, 48, 57, 87}) EXPECT_EQ(keys.count(gap), 0u) << gap;
    EXPECT_EQ(*keys.begin(), 0);
    EXPECT_EQ(*keys.rbegin(), 100);
}

bool isBlank(const OperatorSpec& op) {
    const OperatorSpec zero{};
    return std::memcmp(op.levels, zero.levels, 4) == 0 && std::memcmp(op.rates, zero.rates, 4) == 0 &&
           op.rateScaling == 0 && op.breakpoint == 0 && op.keyScaleDepth == 0.0f &&
           op.ratio == 0.0f && op.offset == 0.0f && !op.fixed && op.invBreakpoint == 0.0f &&
           op.invUpperSpan == 0.0f;
}

TEST(ShapeTableData, SpareSlotsAreEmpty) {
    for (int s = kNamedShapes; s < kShapeSlots; ++s) {
        SCOPED_TRACE(s);
        const ShapeRecord& r = kShapeDesigns[s];
        EXPECT_EQ(r.name, nullptr);
        EXPECT_EQ(r.key, 0.0f);
        EXPECT_EQ(r.feedback, 0.0f);
        EXPECT_EQ(r.gain, 0.0f);
        EXPECT_TRUE(isBlank(r.carrier));
        EXPECT_TRUE(isBlank(r.modulator));
    }
}

struct ExactOperator {
    uint8_t levels[4];
    uint8_t rates[4];
    uint8_t rateScaling;
    uint8_t breakpoint;
    float depth;
    float ratio;
    float offset;
    bool fixed;
};

struct ExactShape {
    int slot;
    float feedback;
    ExactOperator carrier;
    ExactOperator modulator;
};

void expectOperator(const OperatorSpec& op, const ExactOperator& want) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(op.levels[i], want.levels[i]) << "level " << i;
        EXPECT_EQ(op.rates[i], want.rates[i]) << "rate " << i;
    }
    EXPECT_EQ(op.rateScaling, want.rateScaling);
    EXPECT_EQ(op.breakpoint, want.breakpoint);
    EXPECT_EQ(op.keyScaleDepth, want.depth);
    EXPECT_EQ(op.ratio, want.ratio);
    EXPECT_EQ(op.offset, want.offset);
    EXPECT_EQ(op.fixed, want.fixed);
}

TEST(ShapeTableData, ReferenceShapesAreExact) {
    const ExactShape rows[] = {
        {0, 0.0f,
         {{99, 95, 0, 0}, {95, 20, 20, 60}, 3, 36, 0.0f, 1.0f, 0.0f, false},
         {{99, 95, 0, 0}, {95, 19, 20, 50}, 3, 36, 0.0f, 0.5f, 0.0f, false}},
        {2, 0.0f,
         {{99, 95, 0, 0}, {91, 20, 20, 50}, 3, 75, 1.0f, 1.0f, 0.75f, false},
         {{85, 81, 52, 0}, {91, 29, 20, 37}, 3, 76, 1.0f, 0.5f, 0.0f, false}},
        {13, 0.08355635f,
         {{99, 99, 0, 0}, {99, 32, 20, 60}, 0, 135, 0.0f, 1.0f, 0.0f, false},
         {{79, 75, 0, 0}, {95, 29, 20, 50}, 0, 135, 0.0f, 1.0f, 0.25f, false}},
        {85, 0.0f,
         {{91, 91, 0, 0}, {95, 60, 53, 55}, 2, 82, 0.32323232f, 8.0f, 0.5f, false},
         {{98, 33, 78, 0}, {95, 60, 27, 45}, 2, 41, 1.0f, 6.0f, 0.0f, false}},
        {95, 0.0f,
         {{99, 60, 0, 0}, {85, 30, 35, 55}, 3, 75, 0.0f, 0.5f, 0.0f, false},
         {{90, 0, 0, 0}, {85, 75, 99, 85}, 2, 70, 0.0f, 75.86f, 0.0f, true}},
    };
    for (const ExactShape& row : rows) {
        SCOPED_TRACE(kShapeDesigns[row.slot].name);
        EXPECT_EQ(kShapeDesigns[row.slot].feedback, row.feedback);
        expectOperator(kShapeDesigns[row.slot].carrier, row.carrier);
        expectOperator(kShapeDesigns[row.slot].modulator, row.modulator);
    }
}

template <size_t N>
bool oneOf(float v, const float (&set)[N]) {
    return std::find(set, set + N, v) != set + N;
}

void expectOperatorInRange(const OperatorSpec& op) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_LE(op.levels[i], 99);
        EXPECT_LE(op.rates[i], 99);
    }
    EXPECT_LE(op.rateScaling, 7);
    EXPECT_TRUE(op.breakpoint <= 127 || op.breakpoint == 135) << int(op.breakpoint);
    EXPECT_GE(op.keyScaleDepth, 0.0f);
    EXPECT_LE(op.keyScaleDepth, 1.0f);
    EXPECT_TRUE(onGrid(op.keyScaleDepth, 1.0 / 99.0)) << op.keyScaleDepth;
    EXPECT_LE(std::fabs(op.offset), 1.75f);
    EXPECT_TRUE(onGrid(op.offset, 0.25)) << op.offset;
    if (!op.fixed) {
        EXPECT_GE(op.ratio, 0.5f);
        EXPECT_LE(op.ratio, 31.0f);
    }
    EXPECT_EQ(op.invBreakpoint, 0.0f);
    EXPECT_EQ(op.invUpperSpan, 0.0f);
}

TEST(ShapeTableData, DesignedValuesStayInTheirSets) {
    static const float kFeedbacks[] = {0.0f, 0.041778173f, 0.055704232f, 0.06963029f, 0.08355635f, 0.097482406f};
    static const float kFixedCarriers[] = {1.0f, 1.023f, 1.445f, 1.514f, 1.778f, 2.239f, 2.344f, 3.311f, 10.0f, 100.0f};
    for (int s = 0; s < kNamedShapes; ++s) {
        const ShapeRecord& r = kShapeDesigns[s];
        SCOPED_TRACE(r.name);
        EXPECT_TRUE(oneOf(r.feedback, kFeedbacks)) << r.feedback;
        EXPECT_EQ(r.gain, 0.0f);
        expectOperatorInRange(r.carrier);
        expectOperatorInRange(r.modulator);
        EXPECT_FALSE(r.carrier.fixed && r.modulator.fixed);
        if (r.carrier.fixed) {
            EXPECT_TRUE(oneOf(r.carrier.ratio, kFixedCarriers)) << r.carrier.ratio;
        }
        if (r.modulator.fixed) {
            const bool metal = std::strcmp(r.name, "Metallic Hit") == 0 || std::strcmp(r.name, "Inharmonics") == 0;
            EXPECT_TRUE(metal || std::strcmp(r.name, "Quacky 1") == 0);
            EXPECT_EQ(r.modulator.ratio, metal ? 3388.0f : 75.86f);
        }
        // A carrier that never leaves level 0 would make the shape silent.
        EXPECT_GT(*std::max_element(r.carrier.levels, r.carrier.levels + 4), 0);
    }
}

}  // namespace
}  // namespace tine
