#pragma once
// What the engine tests share: the sample rates, a look at the effects frame
// by frame, the speed of an LFO.
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "TestHost.h"

namespace tine {
namespace test {

constexpr double kPi = 3.14159265358979323846;

// The sample rates a host may run the instrument at, around the usual 44.1 kHz.
constexpr float kRates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};

// Renders `frames` frames, calling look(effects) as each is written.
template <typename Look>
void watch(Engine& engine, int32_t frames, Look look) {
    struct Probe {
        EffectsChain* fx;
        Look* look;
        void write(float, float) { (*look)(*fx); }
    } probe{&engine.effects, &look};
    MidiQueue none{engine, {}};
    engine.renderBlock(frames, probe, none);
}

// Turns per second of the tremolo, auto-pan and phaser LFOs over `frames`
// frames, from the angles their sine/cosine pairs sweep; look sees every frame.
inline std::array<double, 3> lfoHz(Engine& engine, int32_t frames, std::function<void(const EffectsChain&)> look = {}) {
    const QuadratureLfo* lfos[3] = {&engine.effects.tremoloLfo, &engine.effects.autopanLfo, &engine.effects.phaserLfo};
    std::array<double, 3> angle{}, previous{};
    for (int k = 0; k < 3; ++k) previous[k] = std::atan2(lfos[k]->y, lfos[k]->x);
    watch(engine, frames, [&](const EffectsChain& fx) {
        for (int k = 0; k < 3; ++k) {
            const double a = std::atan2(lfos[k]->y, lfos[k]->x), d = a - previous[k];
            angle[k] += d - 2 * kPi * std::round(d / (2 * kPi));
            previous[k] = a;
        }
        if (look)
            look(fx);
    });
    for (double& a : angle) a = std::fabs(a) / (2 * kPi) * engine.sampleRate / frames;
    return angle;
}

}  // namespace test
}  // namespace tine
