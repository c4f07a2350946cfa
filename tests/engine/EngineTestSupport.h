#pragma once
// What the engine tests share: the sample rates, a look at the effects frame
// by frame, the speed of an LFO.
#include <cmath>
#include <vector>

#include "TestHost.h"

namespace tine {
namespace test {

constexpr double kPi = 3.14159265358979323846;

// The sample rates a host may run the instrument at, around the usual 44.1 kHz.
constexpr float kRates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};

// Renders `frames` frames, calling look(effects) as each is written.
template <typename Look>
void watch(EngineRig& rig, int32_t frames, Look look) {
    struct Probe {
        EffectsChain* fx;
        Look* look;
        void write(float, float) { (*look)(*fx); }
    } probe{&rig.engine.effects, &look};
    MidiQueue none{rig.engine, {}};
    rig.engine.renderBlock(frames, probe, none);
}

// Turns of an LFO per second over `frames` frames, from the angle its
// sine/cosine pair sweeps.
inline double lfoHz(EngineRig& rig, QuadratureLfo EffectsChain::*lfo, int32_t frames) {
    const QuadratureLfo& l = rig.engine.effects.*lfo;
    double angle = 0.0, previous = std::atan2(l.y, l.x);
    watch(rig, frames, [&](EffectsChain&) {
        const double a = std::atan2(l.y, l.x), d = a - previous;
        angle += d - 2 * kPi * std::round(d / (2 * kPi));
        previous = a;
    });
    return std::fabs(angle) / (2 * kPi) * rig.engine.sampleRate / frames;
}

}  // namespace test
}  // namespace tine
