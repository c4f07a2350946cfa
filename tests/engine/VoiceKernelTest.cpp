// The stretch renderer of a voice must be the per-sample tick, bit for bit,
// through every segment change, release, damp and phase wrap.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/Engine.h"
#include "engine/SharedTables.h"
#include "params/ParameterTable.h"
#include "params/Program.h"

namespace tine {
namespace {

class TablesHeld : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(buildSharedTables()); }
    void TearDown() override { releaseSharedTables(); }
};

struct Scenario {
    int program;
    int note;
    int velocity;
    int releaseAt;   // sample of the note-off, -1 for none
    int dampAt;      // sample of a damp, -1 for none
};

// Configures an engine from a factory program and starts one voice.
FmVoice* startVoice(Engine& engine, const Scenario& s, VoicePool*& pool) {
    engine.setSampleRate(44100.0f);
    for (int i = 0; i < kNumParams; ++i) {
        if (i == kParamVoices) continue;
        ParameterTable[i].apply(engine, kFactoryBank[s.program].values[i]);
    }
    pool = VoicePool::create(&engine, 16);
    auto* voice = static_cast<FmVoice*>(pool->take());
    voice->noteOn(static_cast<uint8_t>(s.note), static_cast<uint8_t>(s.velocity));
    return voice;
}

TEST_F(TablesHeld, StretchRenderEqualsPerSampleTicks) {
    const Scenario scenarios[] = {
        {0, 60, 100, 20000, -1},  // tines without feedback, released mid-decay
        {6, 40, 127, -1, 9000},   // damped while held
        {13, 84, 30, 3000, -1},   // feedback shapes, soft and high
        {22, 72, 90, 500, 700},   // released early, then damped during the release
        {30, 28, 64, -1, -1},     // held until the carriers die by themselves
    };
    const int stretchSizes[] = {1, 3, 64, 128};
    for (const Scenario& s : scenarios) {
        for (int stretch : stretchSizes) {
            Engine perSampleEngine, stretchEngine;
            VoicePool *poolA = nullptr, *poolB = nullptr;
            FmVoice* a = startVoice(perSampleEngine, s, poolA);
            FmVoice* b = startVoice(stretchEngine, s, poolB);
            std::memcpy(b->oscillators, a->oscillators, sizeof(a->oscillators));  // same modulator phases

            const int total = 44100 * 4;
            std::vector<float> expected(total, 0.0f), actual(total, 0.0f);
            int doneA = total, doneB = total;
            for (int i = 0; i < total && doneA == total; ++i) {
                if (i == s.releaseAt) a->noteOff();
                if (i == s.dampAt) a->damp();
                expected[i] = a->tick();
                if (a->done) doneA = i + 1;
            }
            int i = 0;
            while (i < total && doneB == total) {
                int n = stretch;
                for (int event : {s.releaseAt, s.dampAt})
                    if (event > i && event - i < n) n = event - i;
                if (i == s.releaseAt) b->noteOff();
                if (i == s.dampAt) b->damp();
                if (total - i < n) n = total - i;
                const int rendered = b->tickInto(actual.data() + i, n);
                i += rendered;
                if (b->done) doneB = i;
            }
            ASSERT_EQ(doneA, doneB) << "program " << s.program << " stretch " << stretch;
            for (int k = 0; k < doneA; ++k)
                ASSERT_EQ(expected[k], actual[k]) << "sample " << k << " program " << s.program << " stretch " << stretch;
            EXPECT_EQ(a->age, b->age);
            delete poolA;
            delete poolB;
        }
    }
}

}  // namespace
}  // namespace tine
