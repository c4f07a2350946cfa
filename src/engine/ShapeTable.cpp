#include "engine/ShapeTable.h"

#include <limits>
#include <mutex>

#include "engine/EnvelopeTables.h"
#include "engine/StableMath.h"

namespace tine {
namespace {

ShapeRecord prepared[kShapeSlots];
std::once_flag preparedOnce;

float reciprocalOrInfinity(float x) {
    return x == 0.0f ? std::numeric_limits<float>::infinity() : 1.0f / x;
}

void derive(OperatorSpec& op) {
    op.invBreakpoint = reciprocalOrInfinity(static_cast<float>(op.breakpoint));
    op.invUpperSpan = reciprocalOrInfinity(static_cast<float>(127 - op.breakpoint));
}

void prepareAll() {
    for (int s = 0; s < kShapeSlots; ++s) {
        ShapeRecord r = kShapeDesigns[s];
        float loudest = 0.0f;
        for (int k = 0; k < 4; ++k) {
            const float level = CarrierLevelTable[r.carrier.levels[k] < 100 ? r.carrier.levels[k] : 99];
            if (level > loudest)
                loudest = level;
        }
        r.gain = reciprocalOrInfinity(loudest);
        derive(r.carrier);
        derive(r.modulator);
        prepared[s] = r;
    }
}

// The hundredths a normalized value stands for; the +0.1 keeps values stored
// slightly below a hundredth (0.29 as a float) on their intended key.
int32_t shapeKey(float v) {
    return nearestToInt(100.0 * static_cast<double>(v) + 0.1 - 0.5);
}

}  // namespace

int shapeIndexForValue(float v) {
    const int32_t key = shapeKey(v);
    for (int s = 0; s < kShapeSlots; ++s) {
        if (kShapeDesigns[s].name && shapeKey(kShapeDesigns[s].key) == key)
            return s;
    }
    return 0;
}

void prepareShapes() {
    std::call_once(preparedOnce, prepareAll);
}

const ShapeRecord& shapeAt(int slot) {
    prepareShapes();
    if (slot < 0 || slot >= kShapeSlots)
        slot = 0;
    return prepared[slot];
}

}  // namespace tine
