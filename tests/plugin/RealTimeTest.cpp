// The audio thread under load from another thread, as a host and its user
// drive it on stage: it never allocates after its first block and sees no
// data race (this suite runs under ThreadSanitizer in CI), errors wait for
// the GUI side, and voices are made with the instance.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "TestHost.h"
#include "engine/Allocation.h"
#include "params/ErrorReport.h"

namespace {

// Heap calls of the threads that ask for them to be counted. Out of line, so
// that the compiler keeps every allocation; the forms replaced are those the
// sanitizers would otherwise pair with their own allocator.
thread_local bool tCounting = false;
std::atomic<int> gHeapCalls{0};

__attribute__((noinline)) void* counted(std::size_t size) noexcept {
    gHeapCalls += tCounting;
    return std::malloc(size ? size : 1);
}

__attribute__((noinline)) void released(void* p) noexcept {
    gHeapCalls += tCounting && p;
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = counted(size))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
void operator delete(void* p) noexcept {
    released(p);
}
void operator delete(void* p, std::size_t) noexcept {
    released(p);
}

namespace tine {
namespace {

using test::EventList;
using test::Midi;

intptr_t VSTCALLBACK quietHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

TEST(RealTime, AudioThreadNeitherAllocatesNorRacesWhileAnotherThreadEditsSwitchesAndLoads) {
    SynthPlugin plugin(&quietHost);
    // Every block's events made up front: note storms, the pedal, program changes.
    std::vector<std::unique_ptr<EventList>> lists;
    for (int b = 0; b < 600; ++b) {
        std::vector<Midi> midi;
        for (int n = 0; n < 12; ++n)
            midi.push_back({n * 5, uint8_t(n % 3 ? 0x90 : 0x80), uint8_t(30 + (b * 7 + n) % 70), 90});
        midi.push_back({61, 0xB0, 64, uint8_t(b % 4 < 2 ? 127 : 0)});
        if (b % 9 == 4)
            midi.push_back({70, 0xC0, uint8_t(b % 32), 0});
        lists.push_back(std::make_unique<EventList>(midi));
    }
    float left[256] = {}, right[256] = {};
    float* outputs[2] = {left, right};
    std::atomic<bool> done{false};
    int heapCalls = -1, notFinite = 0;
    std::thread audio([&] {
        for (std::size_t b = 0; b < lists.size(); ++b) {
            plugin.setParameter(kParamVoices, 0.01f * float(b % 32));  // a host's automation
            plugin.processEvents(lists[b]->get());
            plugin.processReplacing(nullptr, outputs, 64 + int32_t(b % 3) * 96);
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
    // The user's thread: edits, displays, program and bank loads, stores.
    for (int i = 0; !done; ++i) {
        char text[64];
        plugin.setParameter(i % kNumParams, float(i % 100) / 100.0f);
        plugin.getParameterDisplay(i % kNumParams, text);
        plugin.getProgramName(text);
        plugin.takeProgramNotice();
        if (i % 5 == 0)
            plugin.setProgram(i % kNumPrograms);
        void* data = nullptr;
        if (i % 11 == 0) {
            const int32_t size = plugin.getChunk(&data, false);
            const std::vector<uint8_t> bank(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
            plugin.setChunk(const_cast<uint8_t*>(bank.data()), size, false);
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
        { AudioThreadScope nested; }
        reportError(ErrorCode::OpenFailed);
        reportError(ErrorCode::WriteFailed);
        flushQueuedErrors();  // not here
    });
    audio.join();
    EXPECT_TRUE(gShown.empty());
    flushQueuedErrors();
    flushQueuedErrors();
    reportError(ErrorCode::ReadFailed);  // any other thread shows at once
    EXPECT_EQ(gShown, (std::vector<ErrorCode>{ErrorCode::WriteFailed, ErrorCode::OpenFailed, ErrorCode::ReadFailed}));
    setErrorSink(previous);
}

// Voices are made with the instance, or by a later rate change when that
// failed; each failure to make them is reported, and the instance stays silent.
TEST(RealTime, VoicesAreMadeWithTheInstanceAndEachFailureIsReported) {
    test::TablesHold tables;
    const ErrorSink previous = setErrorSink([](ErrorCode code, const char*) { gShown.push_back(code); });
    gShown.clear();
    failNextAllocations(1);
    SynthPlugin plugin(nullptr);  // without a host, no sample rate is set yet
    float left[512], right[512];
    float* outputs[2] = {left, right};
    // As built; after a rate change whose chorus lines and voices both fail; after one that works.
    for (int failing : {-1, 2, 0}) {
        failNextAllocations(failing < 0 ? 0 : failing);
        if (failing >= 0)
            plugin.setSampleRate(48000.0f);
        failNextAllocations(0);
        EventList list({{0, 0x90, 60, 100}});
        plugin.processEvents(list.get());
        plugin.processReplacing(nullptr, outputs, 512);
        EXPECT_EQ(test::allZero(std::vector<float>(left, left + 512)), failing != 0) << failing;
    }
    EXPECT_EQ(gShown, (std::vector<ErrorCode>{ErrorCode::OutOfMemory, ErrorCode::OutOfMemory}));
    setErrorSink(previous);
}

}  // namespace
}  // namespace tine
