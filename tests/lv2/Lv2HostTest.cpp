// The built LV2 bundle driven through liblilv as a host drives it, against
// SynthPlugin itself: same samples for the same events in the same blocks,
// the factory programs as presets, the bank in the host's state.

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ShapeTable.h"
#include "engine/SharedTables.h"
#include "lv2/Lv2Layout.h"
#include "params/Chunks.h"
#include "params/ErrorReport.h"
#include "params/ParameterTable.h"
#include "plugin/SynthPlugin.h"

namespace tine {
namespace {

struct TimedMidi {
    int32_t frame;
    uint8_t status, data1, data2;
};
using Score = std::vector<TimedMidi>;
using Bytes = std::vector<uint8_t>;

constexpr float kRate = 48000.0f;  // not the instrument's own default

intptr_t VSTCALLBACK silentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

LV2_URID mapUri(LV2_URID_Map_Handle uris, const char* uri) {
    auto& list = *static_cast<std::vector<std::string>*>(uris);
    auto found = std::find(list.begin(), list.end(), uri);
    if (found == list.end())
        found = list.insert(list.end(), uri);
    return LV2_URID(found - list.begin() + 1);
}

// One instance with its own world, URID map and port buffers; its controls
// start at program 0's values, as after loading that preset. The engine keeps
// process-wide state (the modulator phase generator), so a render that must
// match another starts from a fresh copy of the bundle, whose binary loads anew.
struct Host {
    std::vector<std::string> uris;
    LV2_URID_Map map = {&uris, mapUri};
    LV2_Feature mapFeature = {LV2_URID__map, &map};
    LilvWorld* world = lilv_world_new();
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    std::string copy;
    float controls[kNumParams] = {};
    std::vector<uint64_t> atoms = std::vector<uint64_t>(8192);  // 64 KiB, 8-byte aligned
    std::vector<float> scratch = std::vector<float>(128);       // the outputs of short cycles
    Bytes state;
    LV2_URID stateType = 0;

    explicit Host(bool freshCopy, bool withMap = true) {
        std::string folder = TINE_LV2_BUNDLE;
        if (freshCopy) {
            char name[] = "/tmp/tine-lv2-XXXXXX";
            folder = copy = mkdtemp(name);
            std::filesystem::copy(TINE_LV2_BUNDLE, copy, std::filesystem::copy_options::recursive);
        }
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, (folder + "/").c_str());
        LilvNode* uri = lilv_new_uri(world, lv2::kPluginUri);
        lilv_world_load_bundle(world, bundle);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        lilv_node_free(bundle);
        const LV2_Feature* features[] = {withMap ? &mapFeature : nullptr, nullptr};
        instance = plugin ? lilv_plugin_instantiate(plugin, kRate, features) : nullptr;
        if (!instance)
            return;
        std::copy(kFactoryBank[0].values, kFactoryBank[0].values + kNumParams, controls);
        lilv_instance_connect_port(instance, lv2::kMidiInPort, atoms.data());
        for (int i = 0; i < kNumParams; ++i)
            lilv_instance_connect_port(instance, lv2::kFirstControlPort + i, &controls[i]);
        lilv_instance_activate(instance);
    }
    ~Host() {
        if (instance)
            lilv_instance_deactivate(instance), lilv_instance_free(instance);
        lilv_world_free(world);
        if (!copy.empty())
            std::filesystem::remove_all(copy);
    }
    LV2_URID urid(const char* uri) { return mapUri(&uris, uri); }

    // One cycle; events carry offsets inside it.
    void run(const Score& events = {}, int32_t frames = 64, float* left = nullptr, float* right = nullptr) {
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atoms.data());
        sequence->atom = {sizeof(LV2_Atom_Sequence_Body), urid(LV2_ATOM__Sequence)};
        sequence->body = {0, 0};
        for (const TimedMidi& e : events) {
            struct {
                LV2_Atom_Event head;
                uint8_t bytes[3];
            } midi = {{{e.frame}, {(e.status & 0xE0) == 0xC0 ? 2u : 3u, urid(LV2_MIDI__MidiEvent)}},
                      {e.status, e.data1, e.data2}};
            lv2_atom_sequence_append_event(sequence, uint32_t(atoms.size() * 8 - sizeof(LV2_Atom)), &midi.head);
        }
        lilv_instance_connect_port(instance, lv2::kLeftPort, left ? left : scratch.data());
        lilv_instance_connect_port(instance, lv2::kRightPort, right ? right : scratch.data() + 64);
        lilv_instance_run(instance, uint32_t(frames));
    }

    // The state holds one property: the bank chunk.
    const LV2_State_Interface& stateInterface() const {
        return *static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    }
    Bytes save() {
        auto store = [](void* host, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t) {
            Host& h = *static_cast<Host*>(host);
            EXPECT_TRUE(key == h.urid(lv2::kBankStateUri) && type == h.urid(LV2_ATOM__Chunk));
            h.state.assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
            return LV2_STATE_SUCCESS;
        };
        state.clear();
        EXPECT_EQ(stateInterface().save(lilv_instance_get_handle(instance), store, this, 0, nullptr),
                  LV2_STATE_SUCCESS);
        return state;
    }
    LV2_State_Status restore(const Bytes& bytes, LV2_URID type) {
        auto retrieve = [](void* host, uint32_t key, size_t* size, uint32_t* kind, uint32_t* flags) -> const void* {
            Host& h = *static_cast<Host*>(host);
            *size = h.state.size(), *kind = h.stateType, *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            return key == h.urid(lv2::kBankStateUri) ? h.state.data() : nullptr;
        };
        state = bytes, stateType = type;
        return stateInterface().restore(lilv_instance_get_handle(instance), retrieve, this, 0, nullptr);
    }
    // Whether the current program holds these 62 values, as the bank chunk shows it.
    bool holds(const float* values) {
        const Bytes bank = save();
        Program slots[kNumPrograms];
        const BankChunkRead read = readBankChunk(bank.data(), int32_t(bank.size()), slots);
        return read.ok && std::memcmp(slots[read.currentProgram].values, values, sizeof(slots[0].values)) == 0;
    }
};

// Renders in blocks, each given the events inside it at offsets from its
// start. Left channel, then right.
template <typename RunBlock>
std::vector<float> renderInBlocks(const Score& score, int32_t total, int32_t block, RunBlock runBlock) {
    std::vector<float> left(static_cast<size_t>(total)), right(left.size());
    for (int32_t start = 0; start < total; start += block) {
        const int32_t frames = std::min(block, total - start);
        Score inside;
        for (const TimedMidi& e : score)
            if (e.frame >= start && e.frame < start + frames)
                inside.push_back({e.frame - start, e.status, e.data1, e.data2});
        runBlock(inside, frames, left.data() + start, right.data() + start);
    }
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

std::vector<float> renderLv2(Host& host, const Score& score, int32_t total, int32_t block) {
    return renderInBlocks(score, total, block, [&](const Score& events, int32_t frames, float* l, float* r) {
        host.run(events, frames, l, r);
    });
}

// SynthPlugin as the VST 2 library's host drives it, its modulator phases
// from the start a freshly loaded binary has.
std::vector<float> renderVst(const Score& score, int32_t total, int32_t block) {
    while (nextModulatorSeed() != 1000) {
    }
    SynthPlugin plugin(&silentHost);
    plugin.setSampleRate(kRate);
    plugin.resume();
    return renderInBlocks(score, total, block, [&](const Score& events, int32_t frames, float* l, float* r) {
        std::vector<VstMidiEvent> midi(events.size());
        std::vector<VstEvent*> room(4 + events.size());  // a VstEvents header, then the pointers
        auto* list = reinterpret_cast<VstEvents*>(room.data());
        list->numEvents = int32_t(events.size());
        for (size_t i = 0; i < events.size(); ++i) {
            midi[i].type = kVstMidiType, midi[i].byteSize = sizeof(VstMidiEvent), midi[i].deltaFrames = events[i].frame;
            midi[i].midiData[0] = char(events[i].status), midi[i].midiData[1] = char(events[i].data1);
            midi[i].midiData[2] = char(events[i].data2);
            list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
        }
        plugin.processEvents(list);
        float* outputs[2] = {l, r};
        plugin.processReplacing(nullptr, outputs, frames);
    });
}

bool sameSamples(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(Lv2Host, RendersTheSamplesOfTheInstrumentClassGivenTheSameEvents) {
    // Notes that overlap and cross block edges, the pedal, and a program
    // change that the unchanged controls must not undo.
    // clang-format off
    const Score song = {{0, 0x90, 60, 100}, {1000, 0x90, 64, 80}, {4095, 0x90, 67, 127}, {4096, 0xB0, 64, 127},
                        {5000, 0x80, 60, 0}, {6001, 0x90, 72, 60}, {7000, 0xC0, 5, 0}, {7001, 0x90, 48, 110},
                        {8191, 0xB0, 64, 0}, {9000, 0x80, 64, 0}, {9001, 0x80, 67, 0}, {11000, 0x80, 48, 0}};
    // clang-format on
    // A cycle holding ignored controller messages up to the capacity, one note
    // that still fits and one that does not: the instrument hears the first.
    Score flood(lv2::kEventCapacity - 1, {0, 0xB0, 1, 0});
    flood.insert(flood.end(), {{10, 0x90, 60, 100}, {20, 0x90, 67, 100}});
    const struct {
        Score played, heard;
        int32_t total, block;
    } rows[] = {{song, song, 3 * 4096 + 123, 4096},
                {song, song, 3 * 4096 + 123, 100},
                {song, song, 3 * 4096 + 123, 1},
                {flood, {{10, 0x90, 60, 100}}, 2048, 512}};
    for (const auto& row : rows) {
        SCOPED_TRACE("events " + std::to_string(row.played.size()) + ", block " + std::to_string(row.block));
        Host host(true);
        ASSERT_NE(host.instance, nullptr);
        const std::vector<float> lv2 = renderLv2(host, row.played, row.total, row.block);
        EXPECT_GT(*std::max_element(lv2.begin(), lv2.end()), 0.01f);  // it sounds
        EXPECT_TRUE(sameSamples(lv2, renderVst(row.heard, row.total, row.block)));
    }
}

TEST(Lv2Host, DescribesEveryParameterAsItsControlPort) {
    Host host(false);
    ASSERT_EQ(lilv_plugin_get_num_ports(host.plugin), lv2::kFirstControlPort + kNumParams);
    float min[lv2::kFirstControlPort + kNumParams], max[lv2::kFirstControlPort + kNumParams];
    float def[lv2::kFirstControlPort + kNumParams];
    lilv_plugin_get_port_ranges_float(host.plugin, min, max, def);
    for (int i = 0; i < kNumParams; ++i) {
        SCOPED_TRACE(i);
        const ParameterDescriptor& row = ParameterTable[i];
        const uint32_t index = lv2::kFirstControlPort + i;
        EXPECT_TRUE(def[index] == row.defaultValue && min[index] == row.minValue && max[index] == row.maxValue);
        const LilvPort* port = lilv_plugin_get_port_by_index(host.plugin, index);
        LilvNode* name = lilv_port_get_name(host.plugin, port);
        EXPECT_STREQ(lilv_node_as_string(name), row.name);
        lilv_node_free(name);
        // Symbols are unique: each finds its own port.
        EXPECT_EQ(lilv_plugin_get_port_by_symbol(host.plugin, lilv_port_get_symbol(host.plugin, port)), port);
        // Named points: the shapes, the velocity curves, off and on.
        LilvScalePoints* points = lilv_port_get_scale_points(host.plugin, port);
        const int named = (row.display == formatShape) * kNamedShapes + (row.display == formatCurve) * 3 +
                          (row.display == formatOnOff) * 2;
        EXPECT_EQ(points ? int(lilv_scale_points_size(points)) : 0, named);
        lilv_scale_points_free(points);
    }
}

TEST(Lv2Host, ListsTheFactoryProgramsAsPresetsThatSetTheirValues) {
    Host host(false);
    ASSERT_NE(host.instance, nullptr);
    LilvNode* presetClass = lilv_new_uri(host.world, LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(host.plugin, presetClass);
    EXPECT_EQ(lilv_nodes_size(presets), unsigned(kNumPrograms));
    auto setControl = [](const char* symbol, void* data, const void* value, uint32_t, uint32_t type) {
        Host& h = *static_cast<Host*>(data);
        LilvNode* name = lilv_new_string(h.world, symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(h.plugin, name);
        lilv_node_free(name);
        ASSERT_TRUE(port && type == h.urid(LV2_ATOM__Float)) << symbol;
        h.controls[lilv_port_get_index(h.plugin, port) - lv2::kFirstControlPort] = *static_cast<const float*>(value);
    };
    // The first cycle applies every control, whatever the instrument held before.
    for (int i = 0; i < kNumParams; ++i) host.controls[i] = ParameterTable[i].maxValue;
    host.run();
    EXPECT_TRUE(host.holds(host.controls));
    // From the last down, so that every preset moves controls away from program 0's values.
    for (int p = kNumPrograms - 1; p >= 0; --p) {
        SCOPED_TRACE(p);
        LilvNode* uri = lilv_new_uri(host.world, (lv2::kPresetUriPrefix + std::to_string(p)).c_str());
        EXPECT_TRUE(lilv_nodes_contains(presets, uri));
        lilv_world_load_resource(host.world, uri);
        LilvState* preset = lilv_state_new_from_world(host.world, &host.map, uri);
        ASSERT_NE(preset, nullptr);
        EXPECT_STREQ(lilv_state_get_label(preset), kFactoryBank[p].name);
        lilv_state_restore(preset, host.instance, setControl, &host, 0, nullptr);
        host.run();
        EXPECT_TRUE(host.holds(kFactoryBank[p].values));
        lilv_state_free(preset);
        lilv_node_free(uri);
    }
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
}

TEST(Lv2Host, StateCarriesTheEditedBankIntoAFreshInstance) {
    Host edited(true);
    ASSERT_NE(edited.instance, nullptr);
    edited.controls[kParamLevel] = 0.0625f;  // program 0, made quieter
    edited.run();
    const Bytes bank = edited.save();

    // A session restored as a host restores it: the controls it saved, then the state.
    Host restored(true);
    ASSERT_NE(restored.instance, nullptr);
    std::copy(edited.controls, edited.controls + kNumParams, restored.controls);
    EXPECT_EQ(restored.restore(bank, restored.urid(LV2_ATOM__Chunk)), LV2_STATE_SUCCESS);
    restored.run();

    // Away to program 2 and back to the edited program 0, which only the bank now holds.
    // Both ran the same cycles with the same values, so their effects hold the same state.
    const Score song = {{0, 0xC0, 2, 0}, {256, 0xC0, 0, 0}, {300, 0x90, 60, 100}, {2000, 0x90, 67, 90}};
    const std::vector<float> fromState = renderLv2(restored, song, 8192, 256);
    EXPECT_GT(*std::max_element(fromState.begin(), fromState.end()), 0.001f);
    EXPECT_TRUE(sameSamples(fromState, renderLv2(edited, song, 8192, 256)));
}

TEST(Lv2Host, RefusesBadStateWithTheInstrumentsOwnErrorAndStaysAsItWas) {
    Host host(false);
    ASSERT_NE(host.instance, nullptr);
    host.run({{0, 0xC0, 7, 0}});
    const Bytes before = host.save();
    Bytes shortBank(before.begin(), before.end() - 1), newerBank = before;
    newerBank[4] = 2;  // the header's version, little-endian
    const LV2_URID chunk = host.urid(LV2_ATOM__Chunk);
    const struct {
        Bytes bytes;
        LV2_URID type;
        LV2_State_Status status;
        ErrorCode error;
    } rows[] = {{shortBank, chunk, LV2_STATE_ERR_UNKNOWN, ErrorCode::InvalidFormat},
                {newerBank, chunk, LV2_STATE_ERR_UNKNOWN, ErrorCode::NewerVersion},
                {before, host.urid(LV2_ATOM__String), LV2_STATE_ERR_BAD_TYPE, ErrorCode::InvalidFormat}};
    for (const auto& row : rows) {
        SCOPED_TRACE(errorText(row.error));
        // The binary's own report, on standard error as its default sink writes it.
        testing::internal::CaptureStderr();
        EXPECT_EQ(host.restore(row.bytes, row.type), row.status);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Tinemaster Error: " + std::string(errorText(row.error)) + "\n");
        EXPECT_EQ(host.save(), before);
    }
    // Still program 7 while the controls hold program 0's values: no refusal touched either.
    host.run();
    EXPECT_TRUE(host.holds(kFactoryBank[7].values));
    // A good state is taken, and every control applies on the next cycle, as after instantiation.
    EXPECT_EQ(host.restore(before, chunk), LV2_STATE_SUCCESS);
    host.run();
    EXPECT_TRUE(host.holds(kFactoryBank[0].values));
}

TEST(Lv2Host, RefusesToInstantiateWithoutTheUridMap) {
    Host bare(false, false);
    ASSERT_NE(bare.plugin, nullptr);
    EXPECT_EQ(bare.instance, nullptr);
    // With the map the same binary starts: the feature is what was missing.
    EXPECT_NE(Host(false).instance, nullptr);
}

}  // namespace
}  // namespace tine
