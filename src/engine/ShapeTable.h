#pragma once
// The 97 built-in phase-modulation shapes that give each oscillator its character.

#include <cstdint>

namespace tine {

struct OperatorSpec {
    uint8_t levels[4];    // 0..99: attack, first decay and last decay targets, then the start level
    uint8_t rates[4];     // 0..99: attack, first decay, last decay, release
    uint8_t rateScaling;  // 0..7, key rate scaling amount
    uint8_t breakpoint;   // MIDI note above which the level falls; 135 = key scaling off
    float keyScaleDepth;  // 0..1, how far the level falls from the breakpoint to note 127
    float ratio;          // frequency ratio to the played note, or a frequency value when fixed
    float offset;         // frequency value added after the ratio
    bool fixed;           // the operator ignores the keyboard
    float invBreakpoint;  // derived by prepareShapes
    float invUpperSpan;   // derived by prepareShapes: 1 / (127 - breakpoint)
};

struct ShapeRecord {
    const char* name;  // null in the empty slots
    float key;         // normalized "Shape" value that selects this shape
    float feedback;    // modulator self-feedback
    float gain;        // derived: 1 / loudest carrier level amplitude
    OperatorSpec carrier;
    OperatorSpec modulator;
};

constexpr int kShapeSlots = 102;
constexpr int kNamedShapes = 97;

// One feedback step; the shapes use 0 or 3..7 of these.
constexpr float kFeedbackStep = 0.013926058f;

// The shape records as designed, derived fields left at 0 (ShapeTableData.cpp).
extern const ShapeRecord kShapeDesigns[kShapeSlots];

// Slot whose key matches v to the hundredth; slot 0 when none does.
int shapeIndexForValue(float v);

// The prepared table: designs plus derived gain and key-scaling spans.
const ShapeRecord& shapeAt(int slot);

// Computes the derived fields; cheap and idempotent after the first call.
void prepareShapes();

}  // namespace tine
