#include "host/RenderBlock.h"

#include "host/MidiIntake.h"
#include "host/WavRecorder.h"
#include "params/ErrorReport.h"
#include "plugin/SynthPlugin.h"

namespace tine {

void renderBlock(SynthPlugin& plugin, MidiEventSource* midi, RecorderSlot* recorder, int16_t* samples,
                 uint32_t frames) {
    // Whatever goes wrong in this block is shown later by the GUI thread.
    AudioThreadScope audioThread;
    // The list stays valid through render16: the MIDI side only refills it
    // after the next hand-over.
    if (midi != nullptr)
        plugin.processEvents(midi->takeEvents());
    plugin.render16(samples, static_cast<int32_t>(frames));
    if (recorder != nullptr)
        recorder->append(samples, frames);
}

}  // namespace tine
