#pragma once
// The 62 parameters: names, ranges, conversion into engine settings, display text.

#include <cstddef>

#include "params/Program.h"

namespace tine {

class Engine;

// Room the text operations fill: long enough for the longest name and for a
// shape display ("000." and up to 14 characters), cut beyond.
constexpr std::size_t kParamTextBytes = 24;

using ApplyFunction = void (*)(Engine& engine, float value);
using DisplayFunction = void (*)(float value, char* text);  // text holds kParamTextBytes

struct ParameterDescriptor {
    const char* shortName;
    const char* name;
    const char* label;
    bool automatable;
    ApplyFunction apply;
    DisplayFunction display;
    float defaultValue;
    float minValue;
    float maxValue;
    float step;
};

extern const ParameterDescriptor ParameterTable[kNumParams];

// Named parameter indices used outside the table.
enum ParameterIndex : int {
    kParamLevel = 0,
    kParamOsc1Shape = 1,
    kParamOsc1Level = 4,
    kParamOsc1Detune = 7,
    kParamOsc1Vs1 = 10,
    kParamOsc1Vs2 = 13,
    kParamOsc1TimeScale = 16,
    kParamOsc1Brightness = 19,
    kParamOsc1Transpose = 22,
    kParamOsc1Curve = 25,
    kParamTremoloSpeed = 28,
    kParamTremoloDepth = 29,
    kParamAutopanSpeed = 30,
    kParamAutopanDepth = 31,
    kParamPhaserRate = 32,
    kParamPhaserDepth = 33,
    kParamPhaserFeedback = 34,
    kParamChorusRate = 35,
    kParamChorusDepth = 36,
    kParamChorusSplit = 37,
    kParamVoices = 38,
    kParamDecay = 39,
    kParamOsc1Mute = 41,
};

// The display formatters, usable on their own (the editor shows the same texts).
void formatPercent(float value, char* text);
void formatPercentOrOff(float value, char* text);
void formatBipolar(float value, char* text);
void formatOnOff(float value, char* text);
void formatShape(float value, char* text);
void formatCurve(float value, char* text);
void formatVoices(float value, char* text);

// Polyphony limit for a "Voices" value, bounded to the pool.
int voicesForValue(float value);

}  // namespace tine
