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

// Two voices rendered together add, sample by sample, exactly what their
// separate ticks add in list order, also when one ends before the other; with
// 256-bit vectors where the processor has them, and without.
TEST_F(TablesHeld, PairedStretchEqualsTicksInListOrder) {
    const Scenario first[] = {{13, 60, 100, 300, -1}, {0, 48, 127, -1, 2000}, {22, 67, 80, 100, -1}};
    const Scenario second[] = {{6, 64, 90, -1, 900}, {31, 72, 50, 5000, -1}, {13, 55, 127, -1, -1}};
    struct WideDefault {
        ~WideDefault() { setWideVoicePairs(true); }
    } restore;
    for (int variant = 0; variant < 6; ++variant) {
        const int c = variant % 3;
        SCOPED_TRACE(setWideVoicePairs(variant < 3) ? "wide pairs" : "narrow pairs");
        Engine ea, eb, pa, pb;
        VoicePool *p1 = nullptr, *p2 = nullptr, *p3 = nullptr, *p4 = nullptr;
        FmVoice* a = startVoice(ea, first[c], p1);
        FmVoice* b = startVoice(eb, second[c], p2);
        FmVoice* a2 = startVoice(pa, first[c], p3);
        FmVoice* b2 = startVoice(pb, second[c], p4);
        std::memcpy(a2->oscillators, a->oscillators, sizeof(a->oscillators));
        std::memcpy(b2->oscillators, b->oscillators, sizeof(b->oscillators));

        const int total = 44100 * 3;
        const int stretch = 100;
        std::vector<float> expected(total, 0.0f), actual(total, 0.0f);
        for (int i = 0; i < total; ++i) {
            float sum = 0.0f;
            for (auto [voice, s] : {std::pair<FmVoice*, const Scenario*>{a, &first[c]}, {b, &second[c]}}) {
                if (voice->done) continue;
                if (i == s->releaseAt) voice->noteOff();
                if (i == s->dampAt) voice->damp();
                sum += voice->tick();
            }
            expected[i] = sum;
        }
        for (int i = 0; i < total; i += stretch) {
            for (auto [voice, s] : {std::pair<FmVoice*, const Scenario*>{a2, &first[c]}, {b2, &second[c]}}) {
                if (s->releaseAt >= i && s->releaseAt < i + stretch) {
                    ASSERT_EQ(s->releaseAt % stretch, 0);
                }
                if (i == s->releaseAt) voice->noteOff();
                if (i == s->dampAt) voice->damp();
            }
            if (!a2->done && !b2->done)
                FmVoice::tickPairInto(*a2, *b2, actual.data() + i, stretch);
            else if (!a2->done)
                a2->tickInto(actual.data() + i, stretch);
            else if (!b2->done)
                b2->tickInto(actual.data() + i, stretch);
        }
        for (int k = 0; k < total; ++k) ASSERT_EQ(expected[k], actual[k]) << "sample " << k << " case " << c;
        EXPECT_EQ(a->done, a2->done);
        EXPECT_EQ(b->done, b2->done);
        delete p1;
        delete p2;
        delete p3;
        delete p4;
    }
}

}  // namespace
}  // namespace tine
