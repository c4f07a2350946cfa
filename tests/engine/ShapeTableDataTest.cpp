// The built-in shapes as the rest of the instrument relies on them: every
// named shape is found by its own key and fits the display, the empty slots
// stay empty, and every value lies where the engine can play it (the sound of
// the data itself is guarded by the render fingerprint of the factory
// programs); and the math the tables are computed with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>

#include "engine/EnvelopeTables.h"
#include "engine/ShapeTable.h"
#include "engine/StableMath.h"
#include "params/ParameterTable.h"

namespace tine {
namespace {

void expectPlayable(const OperatorSpec& op) {
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(op.levels[i] <= 99 && op.rates[i] <= 99) << i;
    EXPECT_TRUE(op.rateScaling <= 7 && (op.breakpoint <= 127 || op.breakpoint == 135)) << int(op.breakpoint);
    EXPECT_TRUE(op.keyScaleDepth >= 0.0f && op.keyScaleDepth <= 1.0f) << op.keyScaleDepth;
    EXPECT_TRUE(op.ratio > 0.0f && std::isfinite(op.ratio)) << op.ratio;
    const float quarters = op.offset / 0.25f;
    EXPECT_TRUE(std::fabs(quarters) <= 7.0f && quarters == std::round(quarters)) << op.offset;
}

TEST(ShapeTable, EveryNamedShapeIsSelectedByItsKeyShownWholeAndPlayable) {
    std::set<std::string> names;
    std::set<int> keys;
    for (int s = 0; s < kNamedShapes; ++s) {
        const ShapeRecord& r = kShapeDesigns[s];
        ASSERT_NE(r.name, nullptr) << s;
        SCOPED_TRACE(r.name);
        EXPECT_TRUE(names.insert(r.name).second) << "name used twice";
        const int hundredths = int(std::lround(100.0 * r.key));
        EXPECT_NEAR(r.key, hundredths / 100.0, 1e-6);
        EXPECT_TRUE(hundredths >= 0 && hundredths <= 100 && keys.insert(hundredths).second) << "key used twice";
        EXPECT_EQ(shapeIndexForValue(r.key), s);
        char shown[kParamTextBytes], whole[64];
        formatShape(r.key, shown);
        std::snprintf(whole, sizeof whole, "%03d.%s", s, r.name);
        EXPECT_STREQ(shown, whole);

        expectPlayable(r.carrier);
        expectPlayable(r.modulator);
        EXPECT_FALSE(r.carrier.fixed && r.modulator.fixed);
        const float steps = r.feedback / kFeedbackStep;
        EXPECT_TRUE(steps == 0.0f || (steps >= 2.99f && steps <= 7.01f)) << r.feedback;
        EXPECT_NEAR(steps, std::round(steps), 1e-4);
        // The gain brings the loudest carrier level to full scale.
        const int loudest = *std::max_element(r.carrier.levels, r.carrier.levels + 4);
        ASSERT_GT(loudest, 0) << "a carrier that never rises is silent";
        EXPECT_FLOAT_EQ(shapeAt(s).gain * CarrierLevelTable[std::size_t(loudest)], 1.0f);
    }
    // Hundredths no shape claims, and slots beyond the table, fall back to slot 0.
    for (int h = 0; h <= 100; ++h) EXPECT_TRUE(keys.count(h) || shapeIndexForValue(h / 100.0f) == 0) << h;
    for (int s = kNamedShapes; s < kShapeSlots; ++s) EXPECT_EQ(kShapeDesigns[s].name, nullptr) << s;
    EXPECT_TRUE(&shapeAt(-1) == &shapeAt(0) && &shapeAt(kShapeSlots) == &shapeAt(0));
}

// The tables are built from math made of basic operations only, so that every
// build computes the same bits; it is still the library's math, to rounding.
TEST(StableMath, AgreesWithTheLibraryAndSaturates) {
    for (double x = -40.0; x <= 40.0; x += 0.37) {
        EXPECT_NEAR(stableSin(x), std::sin(x), 1e-14) << x;
        EXPECT_NEAR(stableExp(x), std::exp(x), std::exp(x) * 1e-14) << x;
        EXPECT_NEAR(stableLog(std::exp(x / 4)), x / 4, 1e-14) << x;
        EXPECT_NEAR(stablePow(1.015, x), std::pow(1.015, x), 1e-14) << x;
    }
    EXPECT_TRUE(stableSin(INFINITY) == 0 && stableSin(NAN) == 0 && std::isnan(stableExp(NAN)));
    EXPECT_TRUE(stableExp(710) == INFINITY && stableExp(-746) == 0);
    EXPECT_TRUE(stableLog(0) == -INFINITY && stableLog(-1) == -INFINITY && stableLog(INFINITY) == INFINITY);
    const int32_t top = 2147483647, bottom = -top - 1;
    EXPECT_TRUE(truncToInt(-3.7) == -3 && truncToInt(NAN) == 0 && truncToInt(1e10) == top &&
                truncToInt(-1e10) == bottom);
    EXPECT_TRUE(nearestToInt(2.5) == 2 && nearestToInt(-3.5) == -4 && nearestToInt(NAN) == 0 &&
                nearestToInt(3e9) == top);
}

}  // namespace
}  // namespace tine
