#include "engine/Effects.h"

#include <algorithm>

#include "engine/Allocation.h"

namespace tine {

EffectsChain::~EffectsChain() {
    delete[] chorusLeft;
    delete[] chorusRight;
}

bool EffectsChain::allocateChorus(int32_t size) {
    delete[] chorusLeft;
    delete[] chorusRight;
    chorusLeft = nullptr;
    chorusRight = nullptr;
    chorusSize = 0;
    chorusWrite = 0;
    if (size < 1)
        return false;
    float* left = allocateArray<float>(static_cast<std::size_t>(size));
    float* right = left ? allocateArray<float>(static_cast<std::size_t>(size)) : nullptr;
    if (!left || !right) {
        delete[] left;
        return false;
    }
    chorusLeft = left;
    chorusRight = right;
    chorusSize = size;
    return true;
}

void EffectsChain::clearChorus() {
    if (chorusSize == 0)
        return;
    std::fill(chorusLeft, chorusLeft + chorusSize, 0.0f);
    std::fill(chorusRight, chorusRight + chorusSize, 0.0f);
}

void EffectsChain::restartModulation() {
    tremoloLfo.restart();
    autopanLfo.restart();
    phaserLfo.restart();
    for (PhaserStage& stage : phaserStages) stage = PhaserStage{};
}

void EffectsChain::renormalizeLfos() {
    tremoloLfo.renormalize();
    autopanLfo.renormalize();
    phaserLfo.renormalize();
    chorusLfoA.renormalize();
    chorusLfoB.renormalize();
}

}  // namespace tine
