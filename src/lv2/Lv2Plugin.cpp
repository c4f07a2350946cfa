// The instrument as an LV2 plug-in: the SynthPlugin a VST 2 host drives,
// driven from LV2 ports. Each cycle's MIDI atoms become a VST 2 event list
// with the atoms' frames as offsets, so the samples are those of the VST 2
// library given the same events in the same blocks. The host's state holds
// the whole bank as the instrument's bank chunk.
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/core/lv2_util.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "lv2/Lv2Layout.h"
#include "params/ErrorReport.h"
#include "plugin/SynthPlugin.h"

namespace tine {
namespace lv2 {
namespace {

// SynthPlugin sets itself up as a host-driven instance (rate, program 0) only
// when it has a host to call; an LV2 host has nothing to say to those calls.
intptr_t VSTCALLBACK silentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

struct Instance {
    std::unique_ptr<SynthPlugin> plugin;
    LV2_URID midiEvent = 0;
    LV2_URID chunkType = 0;
    LV2_URID bankKey = 0;

    const LV2_Atom_Sequence* midiIn = nullptr;
    float* outputs[2] = {nullptr, nullptr};
    const float* controls[kNumParams] = {};
    float seen[kNumParams] = {};  // each control's value at the last cycle
    bool applyAllControls = true;

    // The event list handed to processEvents, laid out as a VST 2 host lays
    // it out: the record's two pointers run on into the rest of the array.
    VstMidiEvent midi[kEventCapacity] = {};
    alignas(VstEvents) unsigned char listBytes[sizeof(VstEvents) + (kEventCapacity - 2) * sizeof(VstEvent*)] = {};
    VstEvents* list() { return reinterpret_cast<VstEvents*>(listBytes); }
};

Instance& self(LV2_Handle handle) {
    return *static_cast<Instance*>(handle);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    void* mapData = nullptr;
    void* optionsData = nullptr;
    // Nothing is allocated before this: a host without urid:map gets null and no leak.
    if (lv2_features_query(features, LV2_URID__map, &mapData, true, LV2_OPTIONS__options, &optionsData, false, nullptr))
        return nullptr;
    const auto* map = static_cast<const LV2_URID_Map*>(mapData);
    auto urid = [map](const char* uri) { return map->map(map->handle, uri); };

    std::unique_ptr<Instance> instance(new (std::nothrow) Instance);
    if (instance)
        instance->plugin.reset(new (std::nothrow) SynthPlugin(&silentHost));
    if (!instance || !instance->plugin) {
        reportError(ErrorCode::OutOfMemory);
        return nullptr;
    }
    // It has shown its own message.
    if (!instance->plugin->isConstructed())
        return nullptr;
    instance->midiEvent = urid(LV2_MIDI__MidiEvent);
    instance->chunkType = urid(LV2_ATOM__Chunk);
    instance->bankKey = urid(kBankStateUri);
    for (VstMidiEvent& event : instance->midi) {
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
    }
    for (int32_t i = 0; i < kEventCapacity; ++i)
        instance->list()->events[i] = reinterpret_cast<VstEvent*>(&instance->midi[i]);

    // The host's options, when given, say the same as a VST 2 host's
    // effSetSampleRate and effSetBlockSize.
    const LV2_URID rateKey = urid(LV2_PARAMETERS__sampleRate), blockKey = urid(LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID floatType = urid(LV2_ATOM__Float), intType = urid(LV2_ATOM__Int);
    float sampleRate = static_cast<float>(rate);
    int32_t maxBlock = 0;
    for (auto* option = static_cast<const LV2_Options_Option*>(optionsData); option && option->key; ++option) {
        if (option->key == rateKey && option->type == floatType)
            sampleRate = *static_cast<const float*>(option->value);
        if (option->key == blockKey && option->type == intType)
            maxBlock = *static_cast<const int32_t*>(option->value);
    }
    instance->plugin->setSampleRate(sampleRate);
    if (maxBlock > 0)
        instance->plugin->setBlockSize(maxBlock);
    return instance.release();
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
    Instance& instance = self(handle);
    if (port == kMidiInPort)
        instance.midiIn = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port == kLeftPort || port == kRightPort)
        instance.outputs[port - kLeftPort] = static_cast<float*>(data);
    else if (port >= kFirstControlPort && port - kFirstControlPort < uint32_t(kNumParams))
        instance.controls[port - kFirstControlPort] = static_cast<const float*>(data);
}

void activate(LV2_Handle handle) {
    self(handle).plugin->resume();
}

void deactivate(LV2_Handle handle) {
    self(handle).plugin->suspend();
}

void run(LV2_Handle handle, uint32_t frames) {
    Instance& instance = self(handle);
    SynthPlugin& plugin = *instance.plugin;
    {
        // A control is applied only when it moved: the host cannot see a MIDI
        // program change, and resending its unchanged values would undo it.
        // The lock keeps a save on another thread from seeing half an update.
        std::lock_guard<std::recursive_mutex> lock(plugin.engine().engineLock);
        for (int i = 0; i < kNumParams; ++i) {
            if (!instance.controls[i])
                continue;
            const float value = *instance.controls[i];
            if (!instance.applyAllControls && sameBits(value, instance.seen[i]))
                continue;
            instance.seen[i] = value;
            plugin.setParameter(i, value);
        }
        instance.applyAllControls = false;
    }

    int32_t count = 0;
    if (instance.midiIn) {
        LV2_ATOM_SEQUENCE_FOREACH(instance.midiIn, event) {
            if (event->body.type != instance.midiEvent || event->body.size == 0)
                continue;
            if (count == kEventCapacity)
                break;
            VstMidiEvent& midi = instance.midi[count++];
            midi.deltaFrames = static_cast<int32_t>(event->time.frames);
            const auto* bytes = static_cast<const char*>(LV2_ATOM_BODY_CONST(&event->body));
            for (uint32_t b = 0; b < 3; ++b) midi.midiData[b] = b < event->body.size ? bytes[b] : 0;
        }
    }
    instance.list()->numEvents = count;
    plugin.processEvents(instance.list());
    plugin.processReplacing(nullptr, instance.outputs, static_cast<int32_t>(frames));
}

void cleanup(LV2_Handle handle) {
    delete &self(handle);
}

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*) {
    Instance& instance = self(handle);
    void* data = nullptr;
    int32_t size = 0;
    {
        // Saving may run beside run(); the lock keeps the edit buffer whole.
        std::lock_guard<std::recursive_mutex> lock(instance.plugin->engine().engineLock);
        size = instance.plugin->getChunk(&data, false);
    }
    // The chunk's bytes are little-endian on every machine.
    return store(state, instance.bankKey, data, static_cast<size_t>(size), instance.chunkType,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const*) {
    Instance& instance = self(handle);
    size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* data = retrieve(state, instance.bankKey, &size, &type, &flags);
    // A preset carries port values only: nothing to restore here, nothing wrong.
    if (!data)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != instance.chunkType) {
        reportError(ErrorCode::InvalidFormat);
        return LV2_STATE_ERR_BAD_TYPE;
    }
    // Any size beyond the bank's is refused by setChunk, which only reads the data.
    const int32_t bytes = size > size_t(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(size);
    if (!instance.plugin->setChunk(const_cast<void*>(data), bytes, false))
        return LV2_STATE_ERR_UNKNOWN;
    // A host restoring a session sets the controls it saved with the state:
    // they all take effect on the next cycle, as after instantiation.
    instance.applyAllControls = true;
    return LV2_STATE_SUCCESS;
}

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state = {save, restore};
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate,
                                    run,        deactivate,  cleanup,     extensionData};

}  // namespace
}  // namespace lv2
}  // namespace tine

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &tine::lv2::kDescriptor : nullptr;
}
