// Speed of the instrument: cost of one voice, and real-time factors with many
// held voices of program 0 and all its effects at 44.1 kHz.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "plugin/SynthPlugin.h"
#include "params/ParameterTable.h"

namespace {

using namespace tine;

intptr_t quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == 1 ? 2400 : 0;
}

constexpr int32_t kBlock = 512;
constexpr float kRate = 44100.0f;

// Keeps `voices` notes sounding: they are struck again every second so that
// no carrier reaches the end of its decay while measured.
class HeldChord {
public:
    HeldChord(SynthPlugin& plugin, int voices) : plugin_(plugin), events_(2 * voices) {
        list_ = static_cast<VstEvents*>(std::calloc(1, sizeof(VstEvents) + events_.size() * sizeof(VstEvent*)));
        for (int v = 0; v < voices; ++v) {
            const int note = 36 + 2 * v;  // distinct notes: a repeated note would damp its voice
            setEvent(events_[2 * v], 0x80, note, 0);
            setEvent(events_[2 * v + 1], 0x90, note, 100);
        }
        for (size_t i = 0; i < events_.size(); ++i) list_->events[i] = reinterpret_cast<VstEvent*>(&events_[i]);
        list_->numEvents = static_cast<int32_t>(events_.size());
    }
    ~HeldChord() { std::free(list_); }

    void strikeIfDue(int block) {
        if (block % 86 == 0)
            plugin_.processEvents(list_);
    }

private:
    static void setEvent(VstMidiEvent& e, int status, int note, int velocity) {
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(note);
        e.midiData[2] = static_cast<char>(velocity);
    }
    SynthPlugin& plugin_;
    std::vector<VstMidiEvent> events_;
    VstEvents* list_ = nullptr;
};

void renderHeld(benchmark::State& state, int voices) {
    SynthPlugin plugin(&quietHost);
    plugin.setSampleRate(kRate);
    plugin.setProgram(0);
    plugin.setParameter(kParamVoices, 0.31f);  // room for 32 voices
    HeldChord chord(plugin, voices);
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    int block = 0;
    for (auto _ : state) {
        chord.strikeIfDue(block++);
        plugin.processReplacing(nullptr, outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    state.counters["voices"] = static_cast<double>(plugin.engine().voicePool->activeCount());
    // Audio seconds per wall second.
    state.counters["realtime_x"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
    state.counters["ns_per_voice_sample"] =
        benchmark::Counter(frames * voices * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_OneVoiceProgram0(benchmark::State& state) {
    renderHeld(state, 1);
}
void BM_Voices16Program0(benchmark::State& state) {
    renderHeld(state, 16);
}
void BM_Voices32Program0(benchmark::State& state) {
    renderHeld(state, 32);
}

// The voice alone, without the effects chain: its kernel cost.
void BM_VoiceKernel(benchmark::State& state) {
    SynthPlugin plugin(&quietHost);
    plugin.setSampleRate(kRate);
    plugin.setProgram(0);
    Engine& engine = plugin.engine();
    std::vector<float> sum(kMaxStretchFrames);
    // An empty render lets the engine take program 0's settings.
    float* none[2] = {sum.data(), sum.data()};
    plugin.processReplacing(nullptr, none, 0);
    int64_t samples = 0;
    for (auto _ : state) {
        if (samples % 44032 == 0) {
            while (FmVoice* stale = engine.activeVoices) {
                engine.activeVoices = stale->next;
                engine.voicePool->giveBack(stale);
            }
            engine.noteOnProcedure(60, 100);
        }
        FmVoice* voice = engine.activeVoices;
        voice->tickInto(sum.data(), kMaxStretchFrames);
        benchmark::DoNotOptimize(sum.data());
        samples += kMaxStretchFrames;
    }
    state.counters["ns_per_voice_sample"] = benchmark::Counter(
        static_cast<double>(samples) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_VoiceKernel);
BENCHMARK(BM_OneVoiceProgram0);
BENCHMARK(BM_Voices16Program0);
BENCHMARK(BM_Voices32Program0);

}  // namespace

BENCHMARK_MAIN();
