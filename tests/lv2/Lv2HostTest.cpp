// The built LV2 bundle driven through liblilv as a host drives it, against
// SynthPlugin itself: same samples for the same events in the same blocks,
// the factory programs as presets, the bank in the host's state.

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
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
struct ControlMove {
    int32_t frame;  // applied before the first block starting at or after it
    int index;
    float value;
};
struct Score {
    std::vector<TimedMidi> midi;
    std::vector<ControlMove> moves;
};

intptr_t VSTCALLBACK silentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

// The world over one copy of the bundle. The engine keeps process-wide state
// (the modulator phase generator), so a render that must match another starts
// from a fresh copy of the binary, loaded from a folder of its own.
struct Bundle {
    LilvWorld* world = lilv_world_new();
    const LilvPlugin* plugin = nullptr;
    std::string copy;

    explicit Bundle(bool fresh) {
        std::string folder = TINE_LV2_BUNDLE;
        if (fresh) {
            char name[] = "/tmp/tine-lv2-XXXXXX";
            copy = mkdtemp(name);
            std::filesystem::copy(folder, copy, std::filesystem::copy_options::recursive);
            folder = copy;
        }
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, (folder + "/").c_str());
        lilv_world_load_bundle(world, bundle);
        LilvNode* uri = lilv_new_uri(world, lv2::kPluginUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        lilv_node_free(bundle);
    }
    ~Bundle() {
        lilv_world_free(world);
        if (!copy.empty())
            std::filesystem::remove_all(copy);
    }
};

// One instance with a host's URID map, options and port buffers. The
// controls start at program 0's values, as after loading its preset.
class Host {
public:
    explicit Host(bool fresh, float rate = 48000.0f, int32_t maxBlock = 4096)
        : bundle_(fresh), maxBlock_(maxBlock), rate_(rate) {
        const LV2_Options_Option options[] = {
            {LV2_OPTIONS_INSTANCE, 0, urid(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), urid(LV2_ATOM__Int),
             &maxBlock_},
            {LV2_OPTIONS_INSTANCE, 0, urid(LV2_PARAMETERS__sampleRate), sizeof(float), urid(LV2_ATOM__Float), &rate_},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
        const LV2_Feature optionsFeature = {LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
        const LV2_Feature* features[] = {&mapFeature_, &optionsFeature, nullptr};
        instance_ = lilv_plugin_instantiate(bundle_.plugin, rate, features);
        if (!instance_)
            return;
        std::copy(kFactoryBank[0].values, kFactoryBank[0].values + kNumParams, controls);
        lilv_instance_connect_port(instance_, lv2::kMidiInPort, atoms_.data());
        for (int i = 0; i < kNumParams; ++i)
            lilv_instance_connect_port(instance_, lv2::kFirstControlPort + i, &controls[i]);
        lilv_instance_activate(instance_);
    }
    ~Host() {
        if (!instance_)
            return;
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
    LilvInstance* instance() const { return instance_; }
    const Bundle& bundle() const { return bundle_; }
    LV2_URID urid(const char* uri) { return mapUri(&uris_, uri); }
    LV2_URID_Map* map() { return &map_; }

    // One cycle; events carry offsets inside it.
    void run(const std::vector<TimedMidi>& events, int32_t frames, float* left, float* right) {
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atoms_.data());
        sequence->atom = {sizeof(LV2_Atom_Sequence_Body), urid(LV2_ATOM__Sequence)};
        sequence->body = {0, 0};
        for (const TimedMidi& e : events) {
            struct {
                LV2_Atom_Event head;
                uint8_t bytes[3];
            } midi = {{{e.frame}, {(e.status & 0xE0) == 0xC0 ? 2u : 3u, urid(LV2_MIDI__MidiEvent)}},
                      {e.status, e.data1, e.data2}};
            lv2_atom_sequence_append_event(sequence, sizeof(atoms_) - sizeof(LV2_Atom), &midi.head);
        }
        lilv_instance_connect_port(instance_, lv2::kLeftPort, left);
        lilv_instance_connect_port(instance_, lv2::kRightPort, right);
        lilv_instance_run(instance_, uint32_t(frames));
    }
    void run(const std::vector<TimedMidi>& events = {}) {
        std::vector<float> left(64), right(64);
        run(events, 64, left.data(), right.data());
    }

    const LV2_State_Interface& state() const {
        return *static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    }
    // The bank chunk the instance stores.
    std::vector<uint8_t> save() {
        saved_.clear();
        EXPECT_EQ(state().save(lilv_instance_get_handle(instance_), store, this, 0, nullptr), LV2_STATE_SUCCESS);
        EXPECT_EQ(savedType_, urid(LV2_ATOM__Chunk));
        return saved_;
    }
    LV2_State_Status restore(const std::vector<uint8_t>& bytes, LV2_URID type) {
        saved_ = bytes;
        savedType_ = type;
        return state().restore(lilv_instance_get_handle(instance_), retrieve, this, 0, nullptr);
    }

    float controls[kNumParams] = {};

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
        auto& uris = *static_cast<std::vector<std::string>*>(handle);
        auto found = std::find(uris.begin(), uris.end(), uri);
        if (found == uris.end())
            found = uris.insert(uris.end(), uri);
        return LV2_URID(found - uris.begin() + 1);
    }
    static LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                                  uint32_t) {
        Host& host = *static_cast<Host*>(handle);
        EXPECT_EQ(key, host.urid(lv2::kBankStateUri));
        host.saved_.assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
        host.savedType_ = type;
        return LV2_STATE_SUCCESS;
    }
    static const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
        Host& host = *static_cast<Host*>(handle);
        if (key != host.urid(lv2::kBankStateUri))
            return nullptr;
        *size = host.saved_.size();
        *type = host.savedType_;
        *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        return host.saved_.data();
    }

    Bundle bundle_;
    std::vector<std::string> uris_;
    LV2_URID_Map map_ = {&uris_, mapUri};
    LV2_Feature mapFeature_ = {LV2_URID__map, &map_};
    int32_t maxBlock_;
    float rate_;
    LilvInstance* instance_ = nullptr;
    std::array<uint64_t, 8192> atoms_ = {};  // 64 KiB of 8-byte aligned atom space
    std::vector<uint8_t> saved_;
    LV2_URID savedType_ = 0;
};

// Renders in blocks: each gets the events inside it at offsets from its
// start, after the control moves due by then. Left channel, then right.
template <typename RunBlock>
std::vector<float> renderInBlocks(const Score& score, int32_t total, int32_t block, RunBlock runBlock) {
    std::vector<float> left(static_cast<size_t>(total)), right(left.size());
    for (int32_t start = 0; start < total; start += block) {
        const int32_t frames = std::min(block, total - start);
        std::vector<TimedMidi> inside;
        for (const TimedMidi& e : score.midi)
            if (e.frame >= start && e.frame < start + frames)
                inside.push_back({e.frame - start, e.status, e.data1, e.data2});
        std::vector<ControlMove> moves;
        for (const ControlMove& m : score.moves)
            if (m.frame <= start && m.frame > start - block)
                moves.push_back(m);
        runBlock(inside, moves, frames, left.data() + start, right.data() + start);
    }
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

std::vector<float> renderLv2(Host& host, const Score& score, int32_t total, int32_t block) {
    return renderInBlocks(score, total, block,
                          [&](const auto& events, const auto& moves, int32_t frames, float* l, float* r) {
                              for (const ControlMove& m : moves) host.controls[m.index] = m.value;
                              host.run(events, frames, l, r);
                          });
}

// SynthPlugin as the VST 2 library's host drives it, its modulator phases
// from the start a freshly loaded binary has.
std::vector<float> renderVst(const Score& score, int32_t total, int32_t block, float rate) {
    while (nextModulatorSeed() != 1000) {
    }
    SynthPlugin plugin(&silentHost);
    plugin.setSampleRate(rate);
    plugin.resume();
    return renderInBlocks(
        score, total, block, [&](const auto& events, const auto& moves, int32_t frames, float* l, float* r) {
            for (const ControlMove& m : moves) plugin.setParameter(m.index, m.value);
            std::vector<VstMidiEvent> midi;
            for (const TimedMidi& e : events) {
                VstMidiEvent m{};
                m.type = kVstMidiType, m.byteSize = sizeof(VstMidiEvent), m.deltaFrames = e.frame;
                m.midiData[0] = char(e.status), m.midiData[1] = char(e.data1), m.midiData[2] = char(e.data2);
                midi.push_back(m);
            }
            std::vector<uint64_t> storage(2 + midi.size() + 2);  // the list's header, then its pointers
            auto* list = reinterpret_cast<VstEvents*>(storage.data());
            list->numEvents = int32_t(midi.size());
            for (size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
            plugin.processEvents(list);
            float* outputs[2] = {l, r};
            plugin.processReplacing(nullptr, outputs, frames);
        });
}

size_t firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size())
        return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
            return i;
    return a.size();
}

float peak(const std::vector<float>& samples) {
    float p = 0.0f;
    for (float s : samples) p = std::max(p, std::fabs(s));
    return p;
}

TEST(Lv2Host, RendersTheSamplesOfTheInstrumentClassInEveryBlockSize) {
    // Notes that overlap and cross block edges, the pedal, a control moved
    // mid-song, and a program change that the unchanged controls must not undo.
    const Score score = {{{0, 0x90, 60, 100},
                          {1000, 0x90, 64, 80},
                          {4095, 0x90, 67, 127},
                          {4096, 0xB0, 64, 127},
                          {5000, 0x80, 60, 0},
                          {6001, 0x90, 72, 60},
                          {7000, 0xC0, 5, 0},
                          {7001, 0x90, 48, 110},
                          {8191, 0xB0, 64, 0},
                          {9000, 0x80, 64, 0},
                          {9001, 0x80, 67, 0},
                          {11000, 0x80, 48, 0}},
                         {{3000, kParamLevel, 0.125f}}};
    const int32_t total = 3 * 4096 + 123;
    for (int32_t block : {4096, 100, 1}) {
        SCOPED_TRACE("block " + std::to_string(block));
        Host host(true, 48000.0f, block);
        ASSERT_NE(host.instance(), nullptr);
        const std::vector<float> lv2 = renderLv2(host, score, total, block);
        EXPECT_GT(peak(lv2), 0.01f);
        EXPECT_EQ(firstDifference(lv2, renderVst(score, total, block, 48000.0f)), lv2.size());
    }
}

TEST(Lv2Host, DropsEventsBeyondItsCapacityAndKeepsTheRest) {
    // A full list of ignored controller messages, then one note that fits and one that does not.
    Score flood;
    for (int32_t i = 0; i < lv2::kEventCapacity - 1; ++i) flood.midi.push_back({0, 0xB0, 1, uint8_t(i & 0x7F)});
    flood.midi.push_back({10, 0x90, 60, 100});
    flood.midi.push_back({20, 0x90, 67, 100});
    const Score kept = {{{10, 0x90, 60, 100}}, {}};
    Host host(true, 48000.0f, 512);
    const std::vector<float> lv2 = renderLv2(host, flood, 2048, 512);
    EXPECT_GT(peak(lv2), 0.01f);
    EXPECT_EQ(firstDifference(lv2, renderVst(kept, 2048, 512, 48000.0f)), lv2.size());
}

TEST(Lv2Host, DescribesEveryParameterAsItsControlPort) {
    Bundle bundle(false);
    ASSERT_NE(bundle.plugin, nullptr);
    EXPECT_EQ(lilv_plugin_get_num_ports(bundle.plugin), lv2::kFirstControlPort + kNumParams);
    for (int i = 0; i < kNumParams; ++i) {
        SCOPED_TRACE(i);
        const ParameterDescriptor& row = ParameterTable[i];
        const LilvPort* port = lilv_plugin_get_port_by_index(bundle.plugin, lv2::kFirstControlPort + i);
        LilvNode* name = lilv_port_get_name(bundle.plugin, port);
        EXPECT_STREQ(lilv_node_as_string(name), row.name);
        lilv_node_free(name);
        // Symbols are unique: each finds its own port.
        EXPECT_EQ(lilv_plugin_get_port_by_symbol(bundle.plugin, lilv_port_get_symbol(bundle.plugin, port)), port);
        LilvNode *def, *min, *max;
        lilv_port_get_range(bundle.plugin, port, &def, &min, &max);
        EXPECT_EQ(lilv_node_as_float(def), row.defaultValue);
        EXPECT_EQ(lilv_node_as_float(min), row.minValue);
        EXPECT_EQ(lilv_node_as_float(max), row.maxValue);
        for (LilvNode* node : {def, min, max}) lilv_node_free(node);
        // Each point names the value it stands for, as the instrument shows it.
        LilvScalePoints* points = lilv_port_get_scale_points(bundle.plugin, port);
        size_t count = 0;
        LILV_FOREACH(scale_points, it, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, it);
            const float value = lilv_node_as_float(lilv_scale_point_get_value(point));
            char shown[kParamTextBytes] = {};
            row.display(value, shown);
            const char* expected = row.display == formatShape ? kShapeDesigns[shapeIndexForValue(value)].name : shown;
            EXPECT_STREQ(lilv_node_as_string(lilv_scale_point_get_label(point)), expected);
            ++count;
        }
        lilv_scale_points_free(points);
        const size_t wanted = row.display == formatShape   ? kNamedShapes
                              : row.display == formatCurve ? 3
                              : row.display == formatOnOff ? 2
                                                           : 0;
        EXPECT_EQ(count, wanted);
    }
}

// The current program's values as the instance's bank chunk holds them.
std::vector<float> heldValues(Host& host) {
    const std::vector<uint8_t> bank = host.save();
    Program slots[kNumPrograms];
    const BankChunkRead read = readBankChunk(bank.data(), int32_t(bank.size()), slots);
    if (!read.ok)
        return {};
    return std::vector<float>(slots[read.currentProgram].values, slots[read.currentProgram].values + kNumParams);
}

std::vector<float> valuesOf(const float* values) {
    return std::vector<float>(values, values + kNumParams);
}

TEST(Lv2Host, ListsTheFactoryProgramsAsPresetsThatSetTheirValues) {
    Host host(false);
    ASSERT_NE(host.instance(), nullptr);
    LilvWorld* world = host.bundle().world;
    LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(host.bundle().plugin, presetClass);
    EXPECT_EQ(lilv_nodes_size(presets), unsigned(kNumPrograms));
    auto setControl = [](const char* symbol, void* data, const void* value, uint32_t size, uint32_t type) {
        Host& h = *static_cast<Host*>(data);
        LilvNode* name = lilv_new_string(h.bundle().world, symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(h.bundle().plugin, name);
        lilv_node_free(name);
        ASSERT_NE(port, nullptr) << symbol;
        ASSERT_EQ(type, h.urid(LV2_ATOM__Float));
        h.controls[lilv_port_get_index(h.bundle().plugin, port) - lv2::kFirstControlPort] =
            *static_cast<const float*>(value);
    };
    // The first cycle applies every control, whatever the instrument held before.
    for (int i = 0; i < kNumParams; ++i) host.controls[i] = ParameterTable[i].maxValue;
    host.run();
    EXPECT_EQ(heldValues(host), valuesOf(host.controls));
    // From the last down, so that every preset moves controls away from program 0's values.
    for (int p = kNumPrograms - 1; p >= 0; --p) {
        SCOPED_TRACE(p);
        LilvNode* uri = lilv_new_uri(world, (lv2::kPresetUriPrefix + std::to_string(p)).c_str());
        EXPECT_TRUE(lilv_nodes_contains(presets, uri));
        lilv_world_load_resource(world, uri);
        LilvState* preset = lilv_state_new_from_world(world, host.map(), uri);
        ASSERT_NE(preset, nullptr);
        EXPECT_STREQ(lilv_state_get_label(preset), kFactoryBank[p].name);
        lilv_state_restore(preset, host.instance(), setControl, &host, 0, nullptr);
        host.run();
        EXPECT_EQ(heldValues(host), valuesOf(kFactoryBank[p].values));
        lilv_state_free(preset);
        lilv_node_free(uri);
    }
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
}

TEST(Lv2Host, StateCarriesTheEditedBankIntoAFreshInstance) {
    Host edited(true);
    ASSERT_NE(edited.instance(), nullptr);
    edited.controls[kParamLevel] = 0.0625f;  // program 0, made quieter
    edited.run();
    EXPECT_EQ(heldValues(edited), valuesOf(edited.controls));
    const std::vector<uint8_t> bank = edited.save();

    // A session restored as a host restores it: the controls it saved, then the state.
    Host restored(true);
    ASSERT_NE(restored.instance(), nullptr);
    std::copy(edited.controls, edited.controls + kNumParams, restored.controls);
    EXPECT_EQ(restored.restore(bank, restored.urid(LV2_ATOM__Chunk)), LV2_STATE_SUCCESS);
    restored.run();

    // Away to program 2 and back to the edited program 0, which only the bank now holds.
    // Both ran the same cycles with the same values, so their effects hold the same state.
    const Score song = {{{0, 0xC0, 2, 0}, {256, 0xC0, 0, 0}, {300, 0x90, 60, 100}, {2000, 0x90, 67, 90}}, {}};
    const std::vector<float> fromState = renderLv2(restored, song, 8192, 256);
    EXPECT_GT(peak(fromState), 0.001f);
    EXPECT_EQ(firstDifference(fromState, renderLv2(edited, song, 8192, 256)), fromState.size());
}

// What the binary wrote on standard error while `action` ran.
template <typename Action>
std::string standardError(Action action) {
    char path[] = "/tmp/tine-lv2-stderr-XXXXXX";
    const int file = mkstemp(path);
    const int saved = dup(STDERR_FILENO);
    std::fflush(stderr);
    dup2(file, STDERR_FILENO);
    action();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    close(file);
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    unlink(path);
    return text.str();
}

TEST(Lv2Host, RefusesBadStateWithTheInstrumentsOwnErrorAndStaysAsItWas) {
    Host host(false);
    ASSERT_NE(host.instance(), nullptr);
    host.run({{0, 0xC0, 7, 0}});
    const std::vector<uint8_t> before = host.save();
    std::vector<uint8_t> shortBank(before.begin(), before.end() - 1), newerBank = before;
    newerBank[4] = 2;  // the header's version, little-endian
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        LV2_URID type;
        LV2_State_Status status;
        ErrorCode error;
    } rows[] = {
        {"one byte short", shortBank, host.urid(LV2_ATOM__Chunk), LV2_STATE_ERR_UNKNOWN, ErrorCode::InvalidFormat},
        {"newer version", newerBank, host.urid(LV2_ATOM__Chunk), LV2_STATE_ERR_UNKNOWN, ErrorCode::NewerVersion},
        {"not a chunk", before, host.urid(LV2_ATOM__String), LV2_STATE_ERR_BAD_TYPE, ErrorCode::InvalidFormat},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LV2_State_Status status = LV2_STATE_SUCCESS;
        const std::string shown = standardError([&] { status = host.restore(row.bytes, row.type); });
        EXPECT_EQ(status, row.status);
        EXPECT_EQ(shown, "Tinemaster Error: " + std::string(errorText(row.error)) + "\n");
        EXPECT_EQ(host.save(), before);
    }
    // Still program 7 while the controls hold program 0's values: no refusal touched either.
    host.run();
    EXPECT_EQ(heldValues(host), valuesOf(kFactoryBank[7].values));
    // A good state is taken, and every control applies on the next cycle, as after instantiation.
    EXPECT_EQ(host.restore(before, host.urid(LV2_ATOM__Chunk)), LV2_STATE_SUCCESS);
    host.run();
    EXPECT_EQ(heldValues(host), valuesOf(kFactoryBank[0].values));
}

TEST(Lv2Host, RefusesToInstantiateWithoutTheUridMap) {
    Bundle bundle(false);
    ASSERT_NE(bundle.plugin, nullptr);
    const LV2_Feature* none[] = {nullptr};
    EXPECT_EQ(lilv_plugin_instantiate(bundle.plugin, 48000.0, none), nullptr);
    // With the map the same binary starts: the feature is what was missing.
    Host host(false);
    EXPECT_NE(host.instance(), nullptr);
}

}  // namespace
}  // namespace tine
