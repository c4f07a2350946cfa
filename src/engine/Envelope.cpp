#include "engine/Envelope.h"

#include <algorithm>

#include "engine/ShapeTable.h"
#include "engine/StableMath.h"

namespace tine {
namespace {

// The tiny target keeps release ramps from landing on exact zero or denormals.
constexpr float kSilence = 1e-24f;

int level(uint8_t l) {
    return l < 100 ? l : 99;
}

float keyScaled(float scale, int note, const OperatorSpec& op) {
    if (note > op.breakpoint)
        scale *= 1.0f - static_cast<float>(note - op.breakpoint) * op.invUpperSpan * op.keyScaleDepth;
    return scale;
}

template <typename LevelTable>
void planOne(Envelope& env, const OperatorSpec& op, float scale, int note, const LevelTable& levels,
             const EnvelopePlanInput& in) {
    const int rateBoost = truncToInt(op.rateScaling * KeyRateScaleTable[note]);
    env.amplitude = scale * levels[level(op.levels[3])];
    int current = level(op.levels[3]);
    for (int k = 0; k < 4; ++k) {
        const int target = k < 3 ? level(op.levels[k]) : 0;
        const int rate = std::min(99, static_cast<int>(op.rates[k] < 100 ? op.rates[k] : 99) + rateBoost);
        const bool rises = current < target;
        const auto& time = rises ? RiseTimeTable : FallTimeTable;
        const auto& position = rises ? RisePositionTable : FallPositionTable;
        float distance = position[current] - position[target];
        if (distance < 0.0f)
            distance = -distance;
        float seconds = distance * in.timeScale * time[rate];
        if (k == 1 || k == 2)
            seconds *= in.decayFactor;
        int32_t count = truncToInt(static_cast<double>(seconds * in.sampleRate));
        if (count < 0)
            count = 0;
        // Hours of samples; three carriers' counts still add up without overflow.
        if (count > 0x1FFFFFFF)
            count = 0x1FFFFFFF;
        env.counts[k] = count + 1;
        env.increments[k] = (levels[target] - levels[current]) * scale / static_cast<float>(env.counts[k]);
        // The release is planned as a fall from the middle level, whatever is reached.
        current = k == 2 ? 50 : target;
    }
    env.counts[4] = env.counts[3];
    env.increments[4] = env.increments[3];
    env.increments[3] = 0.0f;
    env.remaining = env.counts[0];
    env.increment = env.increments[0];
    env.step = -1;
    env.segment = kAttack;
}

}  // namespace

void Envelope::release() {
    segment = kRelease;
    step = -1;
    remaining = counts[kRelease];
    increment = (kSilence - amplitude) / static_cast<float>(counts[kRelease]);
}

void Envelope::damp() {
    segment = kRelease;
    step = -1;
    remaining = 100;
    increment = (kSilence - amplitude) * 0.01f;
}

void planEnvelopes(Envelope& carrier, Envelope& modulator, const OperatorSpec& carrierSpec,
                   const OperatorSpec& modulatorSpec, const EnvelopePlanInput& in) {
    const int note = in.note < 0 ? 0 : (in.note > 127 ? 127 : in.note);
    planOne(carrier, carrierSpec, keyScaled(in.carrierScale, note, carrierSpec), note, CarrierLevelTable, in);
    planOne(modulator, modulatorSpec, keyScaled(in.modulatorScale, note, modulatorSpec), note, ModIndexTable, in);
}

}  // namespace tine
