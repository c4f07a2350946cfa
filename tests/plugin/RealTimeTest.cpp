// The audio thread under load from another thread, as a host and its user
// drive it on stage: it never allocates after its first block, sees no data
// race (this suite runs under ThreadSanitizer in CI), keeps errors for the GUI
// side, and a second instance coming and going does not disturb it.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "TestHost.h"
#include "engine/Allocation.h"
#include "params/ErrorReport.h"

namespace {

// Heap use of the threads that ask for it to be counted. Every form of new and
// delete goes through these two, so that the sanitizers see one allocator.
thread_local bool tCounting = false;
std::atomic<int> gHeapCalls{0};

void* counted(std::size_t size) noexcept {
    if (tCounting)
        ++gHeapCalls;
    return std::malloc(size ? size : 1);
}

void released(void* p) noexcept {
    if (p && tCounting)
        ++gHeapCalls;
    std::free(p);
}

}  // namespace

// Out of line, so that the compiler neither pairs them with malloc and free
// nor leaves out an allocation it can see the end of.
#define TINE_HEAP __attribute__((noinline))
TINE_HEAP void* operator new(std::size_t size) {
    if (void* p = counted(size))
        return p;
    throw std::bad_alloc();
}
TINE_HEAP void* operator new[](std::size_t size) {
    return operator new(size);
}
TINE_HEAP void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
TINE_HEAP void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
TINE_HEAP void operator delete(void* p) noexcept {
    released(p);
}
TINE_HEAP void operator delete[](void* p) noexcept {
    released(p);
}
TINE_HEAP void operator delete(void* p, std::size_t) noexcept {
    released(p);
}
TINE_HEAP void operator delete[](void* p, std::size_t) noexcept {
    released(p);
}
TINE_HEAP void operator delete(void* p, const std::nothrow_t&) noexcept {
    released(p);
}
TINE_HEAP void operator delete[](void* p, const std::nothrow_t&) noexcept {
    released(p);
}

namespace tine {
namespace {

using test::EventList;
using test::Midi;

intptr_t VSTCALLBACK quietHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

constexpr int32_t kBlocks = 600;

TEST(RealTime, AudioThreadNeitherAllocatesNorRacesWhileAnotherThreadEditsSwitchesAndLoads) {
    test::TablesHold tables;
    SynthPlugin plugin(&quietHost);
    // Every block's events made up front: note storms, the pedal, program changes.
    std::vector<std::unique_ptr<EventList>> lists;
    for (int b = 0; b < kBlocks; ++b) {
        std::vector<Midi> midi;
        for (int n = 0; n < 12; ++n)
            midi.push_back({n * 5, uint8_t(n % 3 ? 0x90 : 0x80), uint8_t(30 + (b * 7 + n * 5) % 70), 90});
        midi.push_back({61, 0xB0, 64, uint8_t(b % 4 < 2 ? 127 : 0)});
        if (b % 9 == 4)
            midi.push_back({70, 0xC0, uint8_t(b % 32), 0});
        lists.push_back(std::make_unique<EventList>(midi));
    }
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    std::atomic<bool> done{false};
    int heapCalls = -1, notFinite = 0;

    std::thread audio([&] {
        for (int b = 0; b < kBlocks; ++b) {
            plugin.setParameter(kParamVoices, 0.01f * float(b % 32));  // a host's automation
            plugin.processEvents(lists[b]->get());
            plugin.processReplacing(nullptr, outputs, 64 + b % 3 * 96);
            for (float s : left) notFinite += !std::isfinite(s);
            if (b == 0) {
                gHeapCalls = 0;
                tCounting = true;
            }
        }
        tCounting = false;
        heapCalls = gHeapCalls;
        done = true;
    });
    // The user's thread: edits, displays, program and bank loads, saves.
    std::vector<uint8_t> bank;
    for (int i = 0; !done; ++i) {
        char text[64];
        plugin.setParameter(i % kNumParams, float(i % 100) / 100.0f);
        plugin.getParameterDisplay(i % kNumParams, text);
        plugin.getProgramName(text);
        plugin.takeProgramNotice();
        if (i % 5 == 0)
            plugin.setProgram(i % kNumPrograms);
        if (i % 11 == 0) {
            void* data = nullptr;
            const int32_t size = plugin.getChunk(&data, false);
            bank.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
            plugin.setChunk(bank.data(), size, false);
        }
        if (i % 13 == 0)
            plugin.storeEditBuffer();
    }
    audio.join();
    EXPECT_EQ(heapCalls, 0) << "heap calls on the audio thread after its first block";
    EXPECT_EQ(notFinite, 0);
    std::printf("audio-thread heap calls after the first block: %d\n", heapCalls);
}

std::vector<ErrorCode> gShown;

TEST(RealTime, ErrorsOnTheAudioThreadWaitForTheGuiSideAndShowOncePerKind) {
    const ErrorSink previous = setErrorSink([](ErrorCode code, const char*) { gShown.push_back(code); });
    gShown.clear();
    std::thread audio([] {
        AudioThreadScope rendering;
        reportError(ErrorCode::WriteFailed);
        {
            AudioThreadScope nested;
            reportError(ErrorCode::OpenFailed);
        }
        reportError(ErrorCode::WriteFailed);
        flushQueuedErrors();  // not here
    });
    audio.join();
    EXPECT_TRUE(gShown.empty());
    flushQueuedErrors();
    EXPECT_EQ(gShown, (std::vector<ErrorCode>{ErrorCode::WriteFailed, ErrorCode::OpenFailed}));
    flushQueuedErrors();
    reportError(ErrorCode::ReadFailed);  // any other thread shows at once
    EXPECT_EQ(gShown.size(), 3u);
    setErrorSink(previous);
}

// Instance A's render of a few notes, while `other` runs beside it.
template <typename Other>
std::vector<float> renderBeside(Other other) {
    test::restartModulatorPhases();
    SynthPlugin a(&quietHost);
    std::atomic<bool> stop{false};
    std::thread beside([&] {
        while (!stop) other();
    });
    std::vector<float> all;
    std::vector<float> left(128), right(128);
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < 300; ++b) {
        EventList list(b % 50 == 0 ? std::vector<Midi>{{3, 0x90, uint8_t(48 + b / 50), 100}} : std::vector<Midi>{});
        a.processEvents(list.get());
        a.processReplacing(nullptr, outputs, 128);
        all.insert(all.end(), left.begin(), left.end());
    }
    stop = true;
    beside.join();
    return all;
}

TEST(RealTime, ASecondInstanceComingAndGoingLeavesTheFirstOnesSamplesAlone) {
    const std::vector<float> alone = renderBeside([] { std::this_thread::yield(); });
    const std::vector<float> beside = renderBeside([] {
        SynthPlugin b(&quietHost);
        std::vector<float> buffer(64);
        float* outputs[2] = {buffer.data(), buffer.data()};
        b.processReplacing(nullptr, outputs, 64);
    });
    EXPECT_FALSE(test::allZero(alone));
    EXPECT_TRUE(test::sameBits(alone, beside));
}

TEST(RealTime, VoicesAreAllocatedWithTheInstanceOnlyAndAFailureThereIsReportedOnce) {
    test::TablesHold tables;
    const ErrorSink previous = setErrorSink([](ErrorCode code, const char*) { gShown.push_back(code); });
    gShown.clear();
    failNextAllocations(1);
    SynthPlugin plugin(nullptr);
    failNextAllocations(0);
    EXPECT_EQ(gShown, std::vector<ErrorCode>{ErrorCode::OutOfMemory});
    auto play = [&] {
        std::vector<float> left(512), right(512);
        float* outputs[2] = {left.data(), right.data()};
        EventList list({{0, 0x90, 60, 100}});
        plugin.processEvents(list.get());
        plugin.processReplacing(nullptr, outputs, 512);
        return left;
    };
    EXPECT_TRUE(test::allZero(play())) << "no voices, no sound";
    plugin.setSampleRate(48000.0f);  // builds the voices it lacks
    EXPECT_FALSE(test::allZero(play()));
    EXPECT_EQ(gShown.size(), 1u);
    setErrorSink(previous);
}

}  // namespace
}  // namespace tine
