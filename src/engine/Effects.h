#pragma once
// The global effects after the voice sum: phaser, tremolo, master level,
// chorus and auto-pan, all modulated by quadrature sine oscillators.

#include <cstdint>

namespace tine {

// A sine/cosine pair turned by two multiply-adds per sample; its radius drifts
// slowly and is pulled back to 1 by renormalize() once per control period.
struct QuadratureLfo {
    float x = 1.0f;  // cosine
    float y = 0.0f;  // sine
    float k = 0.0f;  // 2 sin(pi f / sampleRate)

    inline void step() {
        x = x + k * y;
        y = y - k * x;
    }
    inline void renormalize() {
        const float g = 1.5f - 0.5f * (x * x + y * y);
        x = g * x;
        y = g * y;
    }
    void restart() {
        x = 1.0f;
        y = 0.0f;
    }
};

// A pair of zeroed chorus delay lines, allocated apart from the chain so that
// the chain can take them over (and hand back its old ones) in an instant.
// Both null and size 0 when the size is not positive or allocation failed.
struct ChorusLines {
    explicit ChorusLines(int32_t size);
    ~ChorusLines();
    ChorusLines(const ChorusLines&) = delete;
    ChorusLines& operator=(const ChorusLines&) = delete;

    float* left = nullptr;
    float* right = nullptr;
    int32_t size = 0;
};

struct PhaserStage {
    float previousIn = 0.0f;
    float previousOut = 0.0f;
};

struct EffectsChain {
    QuadratureLfo tremoloLfo;
    float tremoloDepth = 0.0f;
    float tremoloGain = 1.0f;

    QuadratureLfo autopanLfo;
    float autopanDepth = 0.0f;
    float autopanBase = 0.707106f;
    float leftGain = 0.5f;
    float rightGain = 0.5f;

    QuadratureLfo phaserLfo;
    float phaserDepth = 0.0f;
    float phaserFeedback = 0.0f;
    PhaserStage phaserStages[6];

    QuadratureLfo chorusLfoA;
    QuadratureLfo chorusLfoB;
    float chorusLeftModulation = 0.0f;
    float chorusRightModulation = 0.0f;
    float chorusDepth = 0.0f;
    float chorusSplit = 1.0f;  // low-pass coefficient c
    float chorusMemory = 0.0f;
    float* chorusLeft = nullptr;  // delay lines of chorusSize samples
    float* chorusRight = nullptr;
    int32_t chorusSize = 0;  // 0 while no lines exist: the chorus is bypassed
    int32_t chorusWrite = 0;

    EffectsChain() = default;
    EffectsChain(const EffectsChain&) = delete;
    EffectsChain& operator=(const EffectsChain&) = delete;
    ~EffectsChain();

    // Takes over `lines` (without lines the chorus is bypassed) and hands the
    // old ones back in it, for freeing elsewhere. Writing starts over.
    void swapChorus(ChorusLines& lines);
    void clearChorus();
    // Program switch: tremolo, autopan and phaser start over.
    void restartModulation();
    void renormalizeLfos();

    // Voice sum -> mono after tremolo and phaser; also steps the autopan gains.
    inline float mono(float s0, float denormalOffset) {
        tremoloLfo.step();
        tremoloGain = (tremoloLfo.x - 1.0f) * tremoloDepth + 1.0f;

        autopanLfo.step();
        const float q = autopanDepth * (autopanLfo.x * autopanLfo.x);
        leftGain = autopanBase + q;
        rightGain = autopanBase + autopanDepth - q;

        if (phaserDepth == 0.0f)
            return tremoloGain * s0;

        phaserLfo.step();
        const float ax = phaserLfo.x < 0.0f ? -phaserLfo.x : phaserLfo.x;
        const float a = -0.5f - 0.4f * ax;
        float in = phaserFeedback * phaserStages[5].previousOut + denormalOffset + s0;
        for (PhaserStage& stage : phaserStages) {
            const float out = (in - stage.previousOut) * a + stage.previousIn;
            stage.previousIn = in;
            stage.previousOut = out;
            in = out;
        }
        return tremoloGain * ((phaserDepth * in + s0) * 0.5f);
    }

    // Master signal -> left and right before the autopan gains.
    inline void chorus(float s, float denormalOffset, float& left, float& right) {
        if (chorusDepth == 0.0f || chorusSize == 0) {
            left = s;
            right = s;
            return;
        }
        chorusLfoA.step();
        chorusLfoB.step();
        chorusLeftModulation = (chorusLfoA.x + 1.0f) * 0.15f + 0.1f;
        chorusRightModulation = (1.0f - chorusLfoB.y) * 0.15f + 0.2f;
        chorusMemory = s - (s - chorusMemory) * chorusSplit;
        chorusLeft[chorusWrite] = chorusMemory + denormalOffset;
        chorusRight[chorusWrite] = chorusMemory - denormalOffset;
        const float span = static_cast<float>(chorusSize) * chorusDepth;
        const float index = static_cast<float>(chorusWrite);
        left = readDelay(chorusLeft, index - span * chorusLeftModulation) - 0.5f * s;
        right = readDelay(chorusRight, index - span * chorusRightModulation) - 0.5f * s;
        if (++chorusWrite >= chorusSize)
            chorusWrite = 0;
    }

private:
    inline float readDelay(const float* line, float position) const {
        int32_t i = static_cast<int32_t>(position);
        if (static_cast<float>(i) > position)
            --i;
        const float t = position - static_cast<float>(i);
        int32_t j = i + 1;
        if (i < 0)
            i += chorusSize;
        else if (i >= chorusSize)
            i -= chorusSize;
        if (j < 0)
            j += chorusSize;
        else if (j >= chorusSize)
            j -= chorusSize;
        return line[i] + (line[j] - line[i]) * t;
    }
};

// Turns voice sums into output frames, in order, one sample at a time. The
// last voices of a stretch drive it sample by sample, so that the effects'
// serial chains (the phaser above all) overlap with voice work.
struct StretchFinisher {
    EffectsChain* effects;
    float masterLevel;
    float denormalOffset;
    const float* sum;
    float* left;
    float* right;
    int32_t finished;  // samples already turned into output

    // Finishes every sample up to and including the one at `through`.
    inline void finishThrough(const float* through) { finishUpTo(static_cast<int32_t>(through - sum) + 1); }

    inline void finishUpTo(int32_t end) {
        for (; finished < end; ++finished) {
            const float s = effects->mono(sum[finished], denormalOffset) * masterLevel;
            float l, r;
            effects->chorus(s, denormalOffset, l, r);
            left[finished] = l * effects->leftGain;
            right[finished] = r * effects->rightGain;
        }
    }
};

}  // namespace tine
