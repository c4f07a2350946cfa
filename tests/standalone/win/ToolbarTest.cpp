// The standalone host's toolbar on a running instance: where its controls lie
// and what real clicks on them do.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <thread>

#include "ShellTestSupport.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "gui/TextEdit.h"
#include "params/Program.h"
#include "standalone/AppShell.h"
#include "standalone/AudioOutput.h"
#include "standalone/MidiPort.h"
#include "standalone/StandaloneSynth.h"

namespace tine {
namespace {

using namespace shelltest;

std::string programName(SynthPlugin& plugin) {
    char name[64] = {};
    plugin.getProgramName(name);
    return name;
}

// Lets go of the left button inside a control's mouse loop once the press
// has done its work, as a user does.
struct LettingGo final : FrameOwner {
    void beginEdit(int32_t) override {}
    void endEdit(int32_t) override {}
    void idleWhileTracking() override {
        if (leftButtonDown() && passes++ % 200 == 0)
            sendMouse(MOUSEEVENTF_LEFTUP);
        Sleep(1);
    }
    int passes = 0;
};

// An instance as the program builds it, from stored settings, with the
// toolbar on its main window.
class ToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySettingsStore key;
        EXPECT_TRUE((HostSettings{0, 0, 0, 0, 0, 20, false, 48000, 120.0f}.save(key)));
        registerWindowClasses(instance);
        synth = new StandaloneSynth(&hostCallback, instance, GetDesktopWindow());
        setStandaloneInstance(synth);
        main = static_cast<HWND>(createHostWindow(nullptr, "Toolbar test", kMainWindowClass, 60, 60, 432, 107,
                                                  WS_CAPTION | WS_SYSMENU, nullptr));
        synth->setMainWindow(main);
        ASSERT_TRUE(synth->toolbar().build(main, 432, &owner, synth));
        synth->showProgramName();
        SetForegroundWindow(main);
        waitUntil([] { return false; }, 250);
    }
    void TearDown() override {
        synth->toolbar().release();
        synth->setMainWindow(nullptr);
        DestroyWindow(main);
        // A quit message left in the queue would end the next test's modal dialog at once.
        for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);)
            if (m.message != WM_QUIT)
                DispatchMessageA(&m);
        delete synth;
        unregisterWindowClasses(instance);
    }

    Control* control(int32_t tag) { return synth->toolbar().control(tag); }
    std::string shownName() { return synth->toolbar().nameField()->text(); }

    // Clicks a control; the dialog titled title that its command opens is
    // answered on another thread.
    void click(int32_t tag, const char* title = nullptr, const std::function<void(HWND)>& answer = {}) {
        std::thread user([&] {
            if (HWND dialog = title ? waitForDialog(title, main) : nullptr) {
                answer(dialog);
                if (!waitUntil([&] { return !IsWindow(dialog); }))
                    press(dialog, IDCANCEL);
            }
        });
        const Rect r = Toolbar::controlRect(tag);
        pressLeftAt(synth->toolbar().frame()->getSystemWindow(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        waitUntil(leftButtonDown, 500);
        waitUntil([] { return !leftButtonDown(); }, 500);
        releaseLeft();
        user.join();
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    LettingGo owner;
    StandaloneSynth* synth = nullptr;
    HWND main = nullptr;
};

TEST_F(ToolbarTest, ControlsLieSideBySideInTheStripEachAsLargeAsOneStateOfItsImage) {
    Frame* frame = synth->toolbar().frame();
    const int width = 432;
    EXPECT_EQ(frame->getViewSize(), Rect(0, 0, width, kToolbarHeight));
    EXPECT_EQ(frame->getNbViews(), kToolbarControlCount);
    for (int32_t tag = 0; tag < kToolbarControlCount; ++tag) {
        SCOPED_TRACE(testing::Message() << "tag " << tag);
        ASSERT_NE(control(tag), nullptr);
        const Rect r = control(tag)->getViewSize();
        EXPECT_EQ(r, Toolbar::controlRect(tag)) << "where a click aims";
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= kToolbarHeight && r.width() > 0 &&
                    r.height() > 0);
        for (int32_t other = 0; other < tag; ++other)
            EXPECT_FALSE(r.overlaps(control(other)->getViewSize())) << "overlaps tag " << other;
        if (tag == kToolbarName)
            continue;
        // Two states of the control's size: released (off) above pressed (on).
        Bitmap* image = control(tag)->getBackground();
        ASSERT_TRUE(image && image->isLoaded());
        EXPECT_EQ(image->getWidth(), r.width());
        EXPECT_EQ(image->getHeight(), 2 * r.height());
    }
}

TEST_F(ToolbarTest, EveryCommandReachesItsActionThroughARealClick) {
    // Previous and Next step once per click, within the bank; the name follows.
    const int32_t last = kNumPrograms - 1;
    using Step = std::array<int32_t, 3>;  // from, tag, to
    for (const auto& [from, tag, to] : {Step{0, kToolbarPrevious, 0}, Step{0, kToolbarNext, 1},
                                        Step{last, kToolbarNext, last}, Step{last, kToolbarPrevious, last - 1}}) {
        synth->setProgram(from);
        click(tag);
        EXPECT_EQ(synth->getProgram(), to) << "tag " << tag << " from " << from;
        EXPECT_EQ(shownName(), programName(*synth));
    }
    // From another thread (as from the audio thread) nothing is drawn: the
    // name follows once this thread reads its messages.
    const std::string before = shownName();
    std::thread([&] { synth->setProgram(5); }).join();
    EXPECT_EQ(shownName(), before);
    EXPECT_TRUE(waitUntil([&] { return shownName() == programName(*synth) && shownName() != before; }));

    // Patch and bank files through the file dialog, where a name without
    // extension gets the type's.
    const std::string file = windowsPath(TINE_TEST_OUTPUT_DIR "/toolbar"), patch = file + ".fxp", bank = file + ".fxb";
    DeleteFileA(patch.c_str());
    DeleteFileA(bank.c_str());
    const std::string saved = programName(*synth);
    click(kToolbarSavePatch, "Save FX Patch", [&](HWND d) { choose(d, file); });
    click(kToolbarSaveBank, "Save FX Bank", [&](HWND d) { choose(d, bank); });
    char other[] = "Something else";
    synth->setProgramName(other);
    click(kToolbarLoadPatch, "Load FX Patch", [&](HWND d) { choose(d, patch); });
    EXPECT_EQ(programName(*synth), saved);
    synth->setProgramName(other);
    synth->setProgram(0);
    click(kToolbarLoadBank, "Load FX Bank", [&](HWND d) { choose(d, bank); });
    EXPECT_EQ(synth->getProgram(), 5) << "the bank brings back the program that was current";
    EXPECT_EQ(shownName(), saved);

    // Setup restarts audio and MIDI with the settings, only on OK (started from
    // the stored ones: 20 ms at 48 kHz).
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 960u);
    synth->settings().latency = 50;
    synth->settings().sampleRate = 44100;
    click(kToolbarSetup, "Setup", [](HWND d) { press(d, IDCANCEL); });
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 960u);
    click(kToolbarSetup, "Setup", [](HWND d) { press(d, IDOK); });
    EXPECT_EQ(synth->getSampleRate(), 44100.0f);
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 2205u);
    EXPECT_EQ(synth->midiPort()->intake().maxFrames(), 2205u);
}

}  // namespace
}  // namespace tine
