#pragma once
// One block of the standalone host's sound: the MIDI gathered since the last
// block goes to the instrument, the instrument renders 16-bit stereo into the
// sound card's block, and a running recording gets a copy.

#include <cstdint>

namespace tine {

class SynthPlugin;
class MidiEventSource;
class RecorderSlot;

// What the audio output thread calls once per block: fill frames interleaved
// left/right 16-bit frames at samples.
using BlockSource = void (*)(void* context, int16_t* samples, uint32_t frames);

// Runs on the audio output thread. midi and recorder may be null.
void renderBlock(SynthPlugin& plugin, MidiEventSource* midi, RecorderSlot* recorder, int16_t* samples, uint32_t frames);

}  // namespace tine
