#include "engine/SharedTables.h"

#include <atomic>
#include <mutex>
#include <new>

#include "engine/StableMath.h"

namespace tine {
namespace {

std::mutex tablesMutex;
int tableUsers = 0;
std::atomic<SharedTables*> tables{nullptr};
std::atomic<uint32_t> modulatorSeed{1000};

// The sine table's own 2 pi: the table is defined by it, and kTwoPi would change 4456 of its entries.
constexpr double kSineTwoPi = 6.2831852;

void fill(SharedTables& t) {
    for (int i = 0; i <= kSineSize; ++i)
        t.sine[i] = static_cast<float>(stableSin(kSineTwoPi * (i % kSineSize) / kSineSize));
    for (int n = 0; n < 128; ++n) t.noteFrequency[n] = static_cast<float>(13.75 * stablePow(2.0, (n + 3) / 12.0));
    const double e2 = stableExp(2.0);
    for (int v = 0; v < 128; ++v) {
        t.velocityCurve[v] = static_cast<float>(-(stableExp(2.0 * (127 - v) / 127.0) - 1.0) / (e2 - 1.0));
        t.velocityCurve[128 + v] = static_cast<float>(v / 127.0 - 1.0);
        t.velocityCurve[256 + v] = static_cast<float>((stableExp(2.0 * v / 127.0) - e2) / (e2 - 1.0));
    }
}

}  // namespace

bool buildSharedTables() {
    std::lock_guard<std::mutex> guard(tablesMutex);
    if (tableUsers == 0) {
        SharedTables* built = new (std::nothrow) SharedTables;
        if (!built)
            return false;
        fill(*built);
        tables.store(built);
    }
    ++tableUsers;
    return true;
}

void releaseSharedTables() {
    std::lock_guard<std::mutex> guard(tablesMutex);
    if (tableUsers == 0)
        return;
    if (--tableUsers == 0)
        delete tables.exchange(nullptr);
}

const SharedTables* sharedTables() {
    return tables.load(std::memory_order_acquire);
}

uint16_t nextModulatorSeed() {
    uint32_t seed = modulatorSeed.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = (seed * 15625u + 1u) & 0xFFFFu;
    } while (!modulatorSeed.compare_exchange_weak(seed, next, std::memory_order_relaxed));
    return static_cast<uint16_t>(next);
}

}  // namespace tine
