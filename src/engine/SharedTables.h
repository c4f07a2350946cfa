#pragma once
// Tables shared by every instance in the process: built with the first
// instance, freed with the last.

#include <cstdint>

namespace tine {

constexpr int kSineSize = 8192;

struct SharedTables {
    // One sine cycle; entry kSineSize repeats entry 0 so that interpolation
    // never needs to wrap the upper index.
    float sine[kSineSize + 1];
    // Note -> frequency one octave above standard pitch (entry 57 is 440).
    float noteFrequency[128];
    // Three velocity curves of 128 entries, from -1 at velocity 0 to 0 at 127.
    float velocityCurve[3 * 128];
};

// Counts one more user; the first builds the tables. False when they could not be allocated.
bool buildSharedTables();
// Counts one user out; the last frees the tables.
void releaseSharedTables();
// The tables while at least one user holds them, else null.
const SharedTables* sharedTables();

// The process-wide 16-bit generator that scatters modulator start phases.
uint16_t nextModulatorSeed();

}  // namespace tine
