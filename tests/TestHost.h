#pragma once
// Shared scaffolding for engine and plug-in tests: an engine with its shared
// tables, a plug-in with a recording host, MIDI event lists and captures.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/SharedTables.h"
#include "params/ErrorReport.h"
#include "params/ParameterTable.h"
#include "plugin/SynthPlugin.h"

namespace tine {
namespace test {

// Puts the process-wide modulator phase generator into a known state, so two
// renders of the same notes start their modulators at the same phases. The
// generator runs through all 65536 values, so this always ends.
inline void restartModulatorPhases() {
    while (nextModulatorSeed() != 1000) {
    }
}

struct TablesHold {
    TablesHold() { buildSharedTables(); }
    ~TablesHold() { releaseSharedTables(); }
    TablesHold(const TablesHold&) = delete;
    TablesHold& operator=(const TablesHold&) = delete;
};

struct Midi {
    int32_t delta;
    uint8_t status, d1, d2;
};

struct Stereo {
    std::vector<float> left, right;
    void write(float l, float r) {
        left.push_back(l);
        right.push_back(r);
    }
};

// Events for Engine::renderBlock.
struct MidiQueue {
    Engine& engine;
    std::vector<Midi> events;
    std::size_t next = 0;
    bool nextDelta(int32_t& delta) {
        if (next >= events.size())
            return false;
        delta = events[next].delta;
        return true;
    }
    void handleNext() {
        const Midi& m = events[next++];
        engine.handleMidi(m.status, m.d1, m.d2);
    }
};

// An engine at 44100 Hz with a pool and the shared tables it needs. Its
// effects start with every depth at 0 and its LFOs still.
struct EngineRig {
    TablesHold tables;
    Engine engine;

    explicit EngineRig(int maxVoices = 16, float rate = 44100.0f) {
        engine.setSampleRate(rate);
        engine.setVoiceLimit(maxVoices);
    }
    void apply(int index, float value) { ParameterTable[index].apply(engine, value); }
    void noteOn(int note, int velocity = 100) { engine.handleMidi(0x90, uint8_t(note), uint8_t(velocity)); }
    void noteOff(int note) { engine.handleMidi(0x80, uint8_t(note), 0); }
    void pedal(bool down) { engine.handleMidi(0xB0, 64, down ? 127 : 0); }

    Stereo render(int32_t frames, std::vector<Midi> events = {}) {
        Stereo out;
        MidiQueue queue{engine, std::move(events)};
        engine.renderBlock(frames, out, queue);
        return out;
    }
    std::vector<Voice*> voices() const {
        std::vector<Voice*> list;
        for (Voice* v = engine.activeVoices; v; v = v->next) list.push_back(v);
        return list;
    }
    std::vector<int> notes() const {
        std::vector<int> list;
        for (Voice* v = engine.activeVoices; v; v = v->next) list.push_back(v->note);
        return list;
    }
    Voice* voiceFor(int note) const {
        for (Voice* v = engine.activeVoices; v; v = v->next)
            if (v->note == note)
                return v;
        return nullptr;
    }
};

// ---- Plug-in side ----

// Every opcode the plug-ins of a test sent to their host.
inline std::vector<int32_t>& hostOpcodes() {
    static std::vector<int32_t> opcodes;
    return opcodes;
}

inline intptr_t VSTCALLBACK recordingHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    hostOpcodes().push_back(opcode);
    return 0;
}

// A host's event list for one block; stays valid as long as the object.
class EventList {
public:
    explicit EventList(const std::vector<Midi>& midi = {}, const std::vector<int32_t>& otherTypes = {}) {
        for (const Midi& m : midi) {
            VstMidiEvent e{};
            e.type = kVstMidiType;
            e.byteSize = sizeof(VstMidiEvent);
            e.deltaFrames = m.delta;
            e.midiData[0] = char(m.status);
            e.midiData[1] = char(m.d1);
            e.midiData[2] = char(m.d2);
            midi_.push_back(e);
        }
        for (int32_t type : otherTypes) {
            VstEvent e{};
            e.type = type;
            e.byteSize = sizeof(VstEvent);
            other_.push_back(e);
        }
        storage_.resize(sizeof(VstEvents) + sizeof(VstEvent*) * (midi_.size() + other_.size() + 2));
        list_ = reinterpret_cast<VstEvents*>(storage_.data());
        int n = 0;
        for (VstMidiEvent& e : midi_) list_->events[n++] = reinterpret_cast<VstEvent*>(&e);
        for (VstEvent& e : other_) list_->events[n++] = &e;
        list_->numEvents = n;
    }
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;
    VstEvents* get() { return list_; }

private:
    std::vector<VstMidiEvent> midi_;
    std::vector<VstEvent> other_;
    std::vector<unsigned char> storage_;
    VstEvents* list_ = nullptr;
};

// One block rendered replacing, with the events last handed over.
inline Stereo renderPending(SynthPlugin& plugin, int32_t frames) {
    Stereo out;
    out.left.assign(std::size_t(frames > 0 ? frames : 0), 0.0f);
    out.right.assign(out.left.size(), 0.0f);
    float* outputs[2] = {out.left.data(), out.right.data()};
    plugin.processReplacing(nullptr, outputs, frames);
    return out;
}

// Hands the plug-in one block's events, then renders the block.
inline Stereo renderPlugin(SynthPlugin& plugin, int32_t frames, const std::vector<Midi>& midi = {}) {
    EventList list(midi);
    plugin.processEvents(list.get());
    return renderPending(plugin, frames);
}

// A plug-in as a host sees it, on program 0 at 44100 Hz.
struct PluginRig {
    TablesHold tables;  // keeps the tables alive across instances in a test
    std::unique_ptr<SynthPlugin> plugin;

    PluginRig() : plugin(new SynthPlugin(&recordingHost)) {}
    SynthPlugin& operator*() { return *plugin; }
    SynthPlugin* operator->() { return plugin.get(); }
    Engine& engine() { return plugin->engine(); }

    // Every effect depth at 0, so the output is the voice sum times the fixed
    // auto-pan gain and does not depend on when the block starts.
    void dry() {
        for (int index : {kParamTremoloDepth, kParamAutopanDepth, kParamPhaserDepth, kParamChorusDepth})
            plugin->setParameter(index, 0.0f);
    }
    Stereo render(int32_t frames, const std::vector<Midi>& midi = {}) { return renderPlugin(*plugin, frames, midi); }
    // Renders without handing over a new list.
    Stereo renderPending(int32_t frames) { return test::renderPending(*plugin, frames); }
};

// Every message reported while it lives, instead of the default sink.
struct ErrorCapture {
    static std::vector<std::string>& messages() {
        static std::vector<std::string> list;
        return list;
    }
    ErrorSink previous;
    ErrorCapture() : previous(setErrorSink([](ErrorCode, const char* text) { messages().push_back(text); })) {
        messages().clear();
    }
    ~ErrorCapture() { setErrorSink(previous); }
};

inline bool allFinite(const std::vector<float>& samples) {
    for (float s : samples)
        if (!std::isfinite(s))
            return false;
    return true;
}

inline bool allZero(const std::vector<float>& samples) {
    for (float s : samples)
        if (s != 0.0f)
            return false;
    return true;
}

inline bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

}  // namespace test
}  // namespace tine
