#include "params/ParameterTable.h"

#include <cstdio>

#include "engine/Engine.h"
#include "engine/ShapeTable.h"
#include "engine/StableMath.h"

namespace tine {
namespace {

// Percent-style integers are computed in double precision: 0.57 shows 056, 0.51 shows +0.
int32_t hundredths(float v) {
    return truncToInt(100.0 * static_cast<double>(v));
}

int curveIndex(float v) {
    const int32_t index = truncToInt(10.0 * static_cast<double>(v) + 0.1);
    return index < 0 ? 0 : (index > 2 ? 2 : index);
}

const char* const kCurveNames[3] = {"EXP1", "LIN", "EXP2"};

void write(char* text, const char* format, long long number) {
    std::snprintf(text, kParamTextBytes, format, number);
}

// Coefficient of a quadrature LFO for an angle step in radians per sample.
float lfoCoefficient(double angle) {
    return static_cast<float>(2.0 * stableSin(angle));
}

}  // namespace

int voicesForValue(float value) {
    const int32_t n = truncToInt(100.0 * static_cast<double>(value) + 0.1);
    if (n < 0)
        return 1;
    if (n >= kPoolVoices)
        return kPoolVoices;
    return n + 1;
}

void formatPercent(float v, char* text) {
    write(text, "%03lld", hundredths(v));
}

void formatPercentOrOff(float v, char* text) {
    const int32_t h = hundredths(v);
    if (h == 0)
        std::snprintf(text, kParamTextBytes, "OFF");
    else
        write(text, "%03lld", h);
}

void formatBipolar(float v, char* text) {
    write(text, "%+02lld", static_cast<long long>(hundredths(v)) - 50);
}

void formatOnOff(float v, char* text) {
    std::snprintf(text, kParamTextBytes, v == 0.0f ? "OFF" : "ON");
}

void formatShape(float v, char* text) {
    const int slot = shapeIndexForValue(v);
    const char* name = kShapeDesigns[slot].name;
    std::snprintf(text, kParamTextBytes, "%03d.%s", slot, name ? name : "");
}

void formatCurve(float v, char* text) {
    std::snprintf(text, kParamTextBytes, "%s", kCurveNames[curveIndex(v)]);
}

void formatVoices(float v, char* text) {
    write(text, "%02lld", static_cast<long long>(truncToInt(100.0 * static_cast<double>(v) + 0.1)) + 1);
}

namespace {

// Host values can be anything. The engine sees them brought into the row's
// range (NaN as the default) so that no conversion overflows, indexes outside
// a table or feeds an unstable loop; the stored value is never changed.
float bounded(int index, float v) {
    const ParameterDescriptor& row = ParameterTable[index];
    return boundedValue(v, row.minValue, row.maxValue, row.defaultValue);
}

void applyLevel(Engine& e, float v) {
    e.masterLevel = bounded(kParamLevel, v);
}

template <int Osc>
void applyShape(Engine& e, float v) {
    e.shapes[Osc] = &shapeAt(shapeIndexForValue(bounded(kParamOsc1Shape + Osc, v)));
}

template <int Osc>
void applyOscLevel(Engine& e, float v) {
    e.oscillators[Osc].level = bounded(kParamOsc1Level + Osc, v);
}

template <int Osc>
void applyDetune(Engine& e, float v) {
    // 1.015 as stored in single precision, widened.
    const double exponent = 2.0 * bounded(kParamOsc1Detune + Osc, v) - 1.0;
    e.oscillators[Osc].detune = static_cast<float>(stablePow(1.0149999856948853, exponent));
}

template <int Osc>
void applyVs1(Engine& e, float v) {
    e.oscillators[Osc].vs1 = bounded(kParamOsc1Vs1 + Osc, v);
}

template <int Osc>
void applyVs2(Engine& e, float v) {
    e.oscillators[Osc].vs2 = bounded(kParamOsc1Vs2 + Osc, v);
}

template <int Osc>
void applyTimeScale(Engine& e, float v) {
    e.oscillators[Osc].timeScale =
        static_cast<float>(stablePow(4.0, 2.0 * bounded(kParamOsc1TimeScale + Osc, v) - 1.0));
}

template <int Osc>
void applyBrightness(Engine& e, float v) {
    e.oscillators[Osc].brightness = 1.6f * bounded(kParamOsc1Brightness + Osc, v);
}

template <int Osc>
void applyTranspose(Engine& e, float v) {
    e.oscillators[Osc].transpose = hundredths(bounded(kParamOsc1Transpose + Osc, v)) - 50;
}

template <int Osc>
void applyCurve(Engine& e, float v) {
    e.oscillators[Osc].curve = curveIndex(bounded(kParamOsc1Curve + Osc, v)) * 128;
}

void applyTremoloSpeed(Engine& e, float v) {
    const float hz = 5.0f * bounded(kParamTremoloSpeed, v) + 1.0f;
    e.effects.tremoloLfo.k = lfoCoefficient(static_cast<double>(hz * e.halfSampleTime) * kTwoPi);
}

void applyTremoloDepth(Engine& e, float v) {
    e.effects.tremoloDepth = 0.5f * bounded(kParamTremoloDepth, v);
}

void applyAutopanSpeed(Engine& e, float v) {
    const float hz = 1.6f * bounded(kParamAutopanSpeed, v) + 0.4f;
    e.effects.autopanLfo.k = lfoCoefficient(static_cast<double>(hz * e.halfSampleTime * static_cast<float>(kTwoPi)));
}

void applyAutopanDepth(Engine& e, float v) {
    const float d = bounded(kParamAutopanDepth, v);
    e.effects.autopanDepth = d;
    e.effects.autopanBase = (1.0f - d) * 0.707106f;
}

void applyPhaserRate(Engine& e, float v) {
    const float hz = 0.45f * bounded(kParamPhaserRate, v) + 0.05f;
    e.effects.phaserLfo.k = lfoCoefficient(static_cast<double>(hz * e.halfSampleTime) * kTwoPi);
}

void applyPhaserDepth(Engine& e, float v) {
    e.effects.phaserDepth = bounded(kParamPhaserDepth, v);
}

void applyPhaserFeedback(Engine& e, float v) {
    e.effects.phaserFeedback = 0.6f * bounded(kParamPhaserFeedback, v);
}

void applyChorusRate(Engine& e, float v) {
    // The slow factor keeps both chorus delays near their starting values.
    const double t = static_cast<double>((0.35f * bounded(kParamChorusRate, v) + 0.005f) * e.halfSampleTime * 0.0008f) *
                     (0.5 * kTwoPi);
    e.effects.chorusLfoA.k = lfoCoefficient(t);
    e.effects.chorusLfoB.k = lfoCoefficient(0.78f * t);
}

void applyChorusDepth(Engine& e, float v) {
    e.effects.chorusDepth = bounded(kParamChorusDepth, v);
}

void applyChorusSplit(Engine& e, float v) {
    e.effects.chorusSplit = 1.0f - 0.75f * bounded(kParamChorusSplit, v);
}

void applyVoices(Engine& e, float v) {
    e.setVoiceLimit(voicesForValue(bounded(kParamVoices, v)));
}

void applyDecay(Engine& e, float v) {
    const float base = bounded(kParamDecay, v) + 0.25f;
    e.decayFactor = base * base * base * base;
}

template <int Osc>
void applyMute(Engine& e, float v) {
    e.oscillators[Osc].muteGain = bounded(kParamOsc1Mute + Osc, v) < 0.5f ? 1.0f : 0.0f;
}

void noApply(Engine&, float) {}

}  // namespace

// clang-format off
#define TINE_OSC_ROWS(n1, n2, n3, shortName, label, def, max, step, display, apply) \
    {shortName, n1, label, true, apply<0>, display, def, 0.0f, max, step},           \
    {shortName, n2, label, true, apply<1>, display, def, 0.0f, max, step},           \
    {shortName, n3, label, true, apply<2>, display, def, 0.0f, max, step}

#define TINE_UNUSED_ROW {"Unused", "Unused", "%", true, noApply, formatPercent, 0.0f, 0.0f, 1.0f, 0.01f}

const ParameterDescriptor ParameterTable[kNumParams] = {
    {"Level", "Level", "%", true, applyLevel, formatPercent, 1.0f, 0.0f, 1.0f, 0.01f},
    TINE_OSC_ROWS("Osc1 Shape", "Osc2 Shape", "Osc3 Shape", "Shape", " ", 0.0f, 1.0f, 0.01f, formatShape, applyShape),
    TINE_OSC_ROWS("Osc1 Level", "Osc2 Level", "Osc3 Level", "Level", "%", 0.5f, 1.0f, 0.01f, formatPercentOrOff,
                  applyOscLevel),
    TINE_OSC_ROWS("Osc1 Detune", "Osc2 Detune", "Osc3 Detune", "Detune", "%", 0.5f, 1.0f, 0.01f, formatBipolar,
                  applyDetune),
    TINE_OSC_ROWS("Osc1 VS1", "Osc2 VS1", "Osc3 VS1", "VS1", "%", 0.5f, 1.0f, 0.01f, formatPercent, applyVs1),
    TINE_OSC_ROWS("Osc1 VS2", "Osc2 VS2", "Osc3 VS2", "VS2", "%", 0.5f, 1.0f, 0.01f, formatPercent, applyVs2),
    TINE_OSC_ROWS("Osc1 TimeScale", "Osc2 TimeScale", "Osc3 TimeScale", "Time", "%", 0.5f, 1.0f, 0.01f,
                  formatBipolar, applyTimeScale),
    TINE_OSC_ROWS("Osc1 Brightness", "Osc2 Brightness", "Osc3 Brightness", "Brightness", "%", 0.5f, 1.0f, 0.01f,
                  formatPercent, applyBrightness),
    TINE_OSC_ROWS("Osc1 Transpose", "Osc2 Transpose", "Osc3 Transpose", "Transpose", "%", 0.5f, 1.0f, 0.01f,
                  formatBipolar, applyTranspose),
    TINE_OSC_ROWS("Osc1 VS Curve", "Osc2 VS Curve", "Osc3 VS Curve", "Curve", "%", 0.0f, 0.2f, 0.1f, formatCurve,
                  applyCurve),
    {"Tremolo Speed", "Tremolo Speed", "%", true, applyTremoloSpeed, formatPercent, 0.5f, 0.0f, 1.0f, 0.01f},
    {"Tremolo Depth", "Tremolo Depth", "%", true, applyTremoloDepth, formatPercentOrOff, 0.5f, 0.0f, 1.0f, 0.01f},
    {"Autopan Speed", "Autopan Speed", "%", true, applyAutopanSpeed, formatPercent, 0.5f, 0.0f, 1.0f, 0.01f},
    {"Autopan Depth", "Autopan Depth", "%", true, applyAutopanDepth, formatPercentOrOff, 0.5f, 0.0f, 1.0f, 0.01f},
    {"Rate", "Phaser Rate", "%", true, applyPhaserRate, formatPercent, 0.5f, 0.0f, 1.0f, 0.01f},
    {"Depth", "Phaser Depth", "%", true, applyPhaserDepth, formatPercentOrOff, 0.5f, 0.0f, 1.0f, 0.01f},
    {"Feedback", "Phaser Feedback", "%", true, applyPhaserFeedback, formatPercent, 0.5f, 0.0f, 1.0f, 0.01f},
    {"C.Rate", "Chorus Rate", "%", true, applyChorusRate, formatPercentOrOff, 0.5f, 0.0f, 1.0f, 0.01f},
    {"C.Depth", "Chorus Depth", "%", true, applyChorusDepth, formatPercentOrOff, 0.5f, 0.0f, 1.0f, 0.01f},
    {"C.Split", "Chorus Split", "%", true, applyChorusSplit, formatPercent, 0.5f, 0.0f, 1.0f, 0.01f},
    {"Voices", "Voices", "%", true, applyVoices, formatVoices, 0.05f, 0.0f, 0.31f, 0.01f},
    {"Decay Time", "Decay", "%", true, applyDecay, formatPercent, 0.75f, 0.0f, 1.0f, 0.01f},
    {"Unused", "Unused", "%", true, noApply, formatPercent, 0.75f, 0.0f, 1.0f, 0.01f},
    TINE_OSC_ROWS("Osc1 Mute", "Osc2 Mute", "Osc3 Mute", "Mute", "%", 0.0f, 1.0f, 0.01f, formatOnOff, applyMute),
    TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW,
    TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW,
    TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW, TINE_UNUSED_ROW,
};

// clang-format on

static_assert(sizeof(ParameterTable) / sizeof(ParameterTable[0]) == kNumParams, "62 rows");

}  // namespace tine
