#include "engine/Effects.h"

#include <algorithm>
#include <utility>

#include "engine/Allocation.h"

namespace tine {

ChorusLines::ChorusLines(int32_t lineSize) {
    if (lineSize < 1)
        return;
    left = allocateArray<float>(static_cast<std::size_t>(lineSize));
    right = left ? allocateArray<float>(static_cast<std::size_t>(lineSize)) : nullptr;
    if (!left || !right) {
        delete[] left;
        left = nullptr;
        return;
    }
    size = lineSize;
}

ChorusLines::~ChorusLines() {
    delete[] left;
    delete[] right;
}

EffectsChain::~EffectsChain() {
    delete[] chorusLeft;
    delete[] chorusRight;
}

void EffectsChain::swapChorus(ChorusLines& lines) {
    std::swap(chorusLeft, lines.left);
    std::swap(chorusRight, lines.right);
    std::swap(chorusSize, lines.size);
    chorusWrite = 0;
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
