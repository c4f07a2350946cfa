// The LV2 shell's cost: resources/demo.mid rendered through the built LV2
// binary (loaded with lilv, driven by run) and through SynthPlugin directly,
// both on program 0 at 44.1 kHz in blocks of 512. Every block's events are
// prepared before timing, as a host's would be, so only the rendering and
// the shell's own work are measured.
#include <benchmark/benchmark.h>
#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "MidiFile.h"
#include "lv2/Lv2Layout.h"
#include "plugin/SynthPlugin.h"

namespace {

using namespace tine;

constexpr int32_t kSongBlock = 512;
constexpr double kSongRate = 44100.0;

intptr_t silentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

std::vector<std::string> gUris;
LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
    auto found = std::find(gUris.begin(), gUris.end(), uri);
    if (found == gUris.end())
        found = gUris.insert(gUris.end(), uri);
    return LV2_URID(found - gUris.begin() + 1);
}
LV2_URID_Map gMap = {nullptr, mapUri};

// The song cut into blocks, each block's events ready in both forms.
struct Song {
    int64_t blocks = 0;
    std::vector<std::vector<VstMidiEvent>> midi;
    std::vector<std::vector<VstEvent*>> lists;     // a VstEvents header's room, then the pointers
    std::vector<std::vector<uint64_t>> sequences;  // one LV2 atom sequence per block

    Song() {
        MidiSong file;
        std::string error;
        if (!readMidiFile(TINE_DEMO_SONG, file, error))
            std::abort();
        blocks = static_cast<int64_t>(std::ceil((file.endSeconds + 2.0) * kSongRate / kSongBlock));
        midi.resize(size_t(blocks));
        for (const MidiEvent& e : file.events) {
            const int64_t frame = std::llround(e.seconds * kSongRate);
            VstMidiEvent m{};
            m.type = kVstMidiType, m.byteSize = sizeof(VstMidiEvent), m.deltaFrames = int32_t(frame % kSongBlock);
            for (int k = 0; k < 3; ++k) m.midiData[k] = char(e.bytes[k]);
            m.noteLength = e.size;  // kept here for the LV2 atom's size; SynthPlugin ignores it
            midi[size_t(frame / kSongBlock)].push_back(m);
        }
        for (std::vector<VstMidiEvent>& block : midi) {
            lists.emplace_back(4 + block.size());
            auto* list = reinterpret_cast<VstEvents*>(lists.back().data());
            list->numEvents = int32_t(block.size());
            for (size_t i = 0; i < block.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&block[i]);

            sequences.emplace_back(4 + 3 * block.size());
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(sequences.back().data());
            sequence->atom = {sizeof(LV2_Atom_Sequence_Body), mapUri(nullptr, LV2_ATOM__Sequence)};
            for (const VstMidiEvent& m : block) {
                struct {
                    LV2_Atom_Event head;
                    char bytes[3];
                } event = {{{m.deltaFrames}, {uint32_t(m.noteLength), mapUri(nullptr, LV2_MIDI__MidiEvent)}}, {}};
                std::copy(m.midiData, m.midiData + 3, event.bytes);
                const size_t capacity = sequences.back().size() * sizeof(uint64_t) - sizeof(LV2_Atom);
                lv2_atom_sequence_append_event(sequence, uint32_t(capacity), &event.head);
            }
        }
    }
};

Song& song() {
    static Song loaded;
    return loaded;
}

void countRealTime(benchmark::State& state) {
    const double seconds = double(state.iterations()) * double(song().blocks) * kSongBlock / kSongRate;
    state.counters["realtime_x"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}

void BM_DemoSongVst2Class(benchmark::State& state) {
    SynthPlugin plugin(&silentHost);
    plugin.setSampleRate(float(kSongRate));
    plugin.resume();
    std::vector<float> left(kSongBlock), right(kSongBlock);
    float* outputs[2] = {left.data(), right.data()};
    for (auto _ : state) {
        for (int64_t b = 0; b < song().blocks; ++b) {
            plugin.processEvents(reinterpret_cast<VstEvents*>(song().lists[size_t(b)].data()));
            plugin.processReplacing(nullptr, outputs, kSongBlock);
        }
        benchmark::DoNotOptimize(left.data());
    }
    countRealTime(state);
}

void BM_DemoSongLv2(benchmark::State& state) {
    LilvWorld* world = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, TINE_LV2_BUNDLE "/");
    lilv_world_load_bundle(world, bundle);
    LilvNode* uri = lilv_new_uri(world, lv2::kPluginUri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    const LV2_Feature mapFeature = {LV2_URID__map, &gMap};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    LilvInstance* instance = plugin ? lilv_plugin_instantiate(plugin, kSongRate, features) : nullptr;
    if (!instance) {
        state.SkipWithError("the LV2 bundle did not load");
        return;
    }
    std::vector<float> left(kSongBlock), right(kSongBlock);
    float controls[kNumParams];
    std::copy(kFactoryBank[0].values, kFactoryBank[0].values + kNumParams, controls);
    lilv_instance_connect_port(instance, lv2::kLeftPort, left.data());
    lilv_instance_connect_port(instance, lv2::kRightPort, right.data());
    for (int i = 0; i < kNumParams; ++i) lilv_instance_connect_port(instance, lv2::kFirstControlPort + i, &controls[i]);
    lilv_instance_activate(instance);
    for (auto _ : state) {
        for (int64_t b = 0; b < song().blocks; ++b) {
            lilv_instance_connect_port(instance, lv2::kMidiInPort, song().sequences[size_t(b)].data());
            lilv_instance_run(instance, kSongBlock);
        }
        benchmark::DoNotOptimize(left.data());
    }
    countRealTime(state);
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    lilv_node_free(uri);
    lilv_node_free(bundle);
    lilv_world_free(world);
}

BENCHMARK(BM_DemoSongVst2Class)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DemoSongLv2)->Unit(benchmark::kMillisecond);

}  // namespace
