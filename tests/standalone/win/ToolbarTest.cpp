// The standalone host's toolbar on a running instance, used with real mouse
// and keyboard input: where its controls lie, what they draw and do.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ShellTestSupport.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "gui/OffscreenContext.h"
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
        ASSERT_TRUE((HostSettings{0, 0, 0, 0, 0, 20, false, 48000, 120.0f}.save(key)));
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

TEST_F(ToolbarTest, ControlsLieSideBySideInTheStripEachDrawingTheReleasedHalfOfItsImage) {
    Frame* frame = synth->toolbar().frame();
    EXPECT_EQ(GetParent(frame->getSystemWindow()), main);
    const int width = frame->getViewSize().width();
    EXPECT_EQ(frame->getViewSize(), Rect(0, 0, width, kToolbarHeight));
    EXPECT_EQ(frame->getNbViews(), kToolbarControlCount);
    frame->redraw();
    HDC dc = GetDC(frame->getSystemWindow());
    const auto grab = [](HDC from, const Rect& r) {
        std::vector<COLORREF> pixels;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) pixels.push_back(GetPixel(from, x, y));
        return pixels;
    };
    for (int32_t tag = 0; tag < kToolbarControlCount; ++tag) {
        SCOPED_TRACE(testing::Message() << "tag " << tag);
        ASSERT_NE(control(tag), nullptr);
        EXPECT_EQ(control(tag)->getTag(), tag);
        EXPECT_EQ(control(tag)->getListener(), static_cast<ControlListener*>(synth));
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
        OffscreenContext source(nullptr, image);
        EXPECT_EQ(grab(dc, r), grab(source.getSystemContext(), Rect(0, 0, r.width(), r.height())));
    }
    EXPECT_EQ(shownName(), programName(*synth));
    const Rect name = Toolbar::controlRect(kToolbarName);
    EXPECT_EQ(GetPixel(dc, name.right - 1, name.bottom - 1), RGB(0, 0, 0)) << "the name field's black box";
    ReleaseDC(frame->getSystemWindow(), dc);
}

TEST_F(ToolbarTest, PreviousAndNextStepOncePerClickWithinTheBankAndTheNameFieldShowsAndRenamesThePrograms) {
    struct Row {
        int32_t from, tag, to;
    };
    const int32_t last = kNumPrograms - 1;
    for (const Row& row : {Row{0, kToolbarPrevious, 0}, Row{0, kToolbarNext, 1}, Row{last, kToolbarNext, last},
                           Row{last, kToolbarPrevious, last - 1}}) {
        SCOPED_TRACE(testing::Message() << "tag " << row.tag << " from " << row.from);
        synth->setProgram(row.from);
        click(row.tag);
        EXPECT_EQ(synth->getProgram(), row.to);
        EXPECT_EQ(shownName(), programName(*synth));
    }
    // From another thread (as from the audio thread) nothing is drawn: the
    // name follows once this thread reads its messages.
    const std::string before = shownName();
    std::thread([&] { synth->setProgram(7); }).join();
    EXPECT_EQ(shownName(), before);
    EXPECT_TRUE(waitUntil([&] { return shownName() == programName(*synth) && shownName() != before; }));

    // A name typed into the field renames the program to its first 24 characters.
    TextEdit* name = synth->toolbar().nameField();
    click(kToolbarName);
    ASSERT_TRUE(name->isEditing());
    std::vector<INPUT> keys;
    const auto stroke = [&](WORD vk, WORD scan, DWORD flags) {
        for (DWORD up : {0, KEYEVENTF_KEYUP}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki = {vk, scan, flags | up, 0, 0};
            keys.push_back(input);
        }
    };
    for (char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123")) stroke(0, WORD(c), KEYEVENTF_UNICODE);
    stroke(VK_RETURN, 0, 0);
    SendInput(UINT(keys.size()), keys.data(), sizeof(INPUT));
    ASSERT_TRUE(waitUntil([&] { return !name->isEditing(); }));
    EXPECT_EQ(programName(*synth), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(shownName(), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(synth->getProgram(), 7);
}

TEST_F(ToolbarTest, PatchAndBankButtonsSaveAndLoadThroughTheFileDialog) {
    const std::string folder = outputPath("toolbar-files");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string patch = folder + "\\piano.fxp", bank = folder + "\\all.fxb";
    DeleteFileA(patch.c_str());
    std::ofstream(bank, std::ios::binary) << "x";
    char saved[] = "Toolbar patch", other[] = "Something else";
    synth->setProgram(5);
    synth->setProgramName(saved);

    // A name without extension gets the file type's; an existing file is
    // replaced only once the user agrees.
    click(kToolbarSavePatch, "Save FX Patch", [&](HWND d) { choose(d, folder + "\\piano"); });
    const std::vector<uint8_t> bytes = readAll(patch);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(saved), std::string::npos) << bytes.size() << " bytes";
    bool asked = false;
    click(kToolbarSaveBank, "Save FX Bank", [&](HWND d) {
        choose(d, bank);
        if (HWND question = waitForDialog(nullptr, d))
            asked = true, press(question, IDYES);
    });
    EXPECT_TRUE(asked) << "no question before replacing a file";
    EXPECT_GT(readAll(bank).size(), 1000u);

    synth->setProgramName(other);
    click(kToolbarLoadPatch, "Load FX Patch", [&](HWND d) { choose(d, patch); });
    EXPECT_EQ(programName(*synth), saved);
    EXPECT_EQ(shownName(), saved);

    // The bank brings back every name and the program that was current.
    synth->setProgram(9);
    synth->setProgramName(other);
    synth->setProgram(0);
    click(kToolbarLoadBank, "Load FX Bank", [&](HWND d) { choose(d, bank); });
    EXPECT_EQ(synth->getProgram(), 5);
    EXPECT_EQ(shownName(), saved);
    synth->setProgram(9);
    EXPECT_NE(programName(*synth), other);
}

TEST_F(ToolbarTest, SetupRestartsAudioAndMidiWithTheSettingsOnlyOnOkAndWavRecordsUntilClickedAgain) {
    // Started from the stored settings: 20 ms at 48 kHz.
    EXPECT_EQ(synth->getSampleRate(), 48000.0f);
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 960u);
    synth->settings().latency = 50;
    synth->settings().sampleRate = 44100;
    click(kToolbarSetup, "Setup", [](HWND d) { press(d, IDCANCEL); });
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 960u);
    click(kToolbarSetup, "Setup", [](HWND d) { press(d, IDOK); });
    ASSERT_NE(synth->audioOutput(), nullptr);
    EXPECT_TRUE(synth->audioOutput()->hasThread());
    EXPECT_EQ(synth->getSampleRate(), 44100.0f);
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 2205u);
    EXPECT_EQ(synth->midiPort()->intake().maxFrames(), 2205u);

    // A cancelled WAV dialog leaves the button off; a chosen file records until the next click.
    const std::string path = outputPath("toolbar.wav");
    DeleteFileA(path.c_str());
    click(kToolbarRecord, "Save WAV File", [](HWND d) { press(d, IDCANCEL); });
    EXPECT_FALSE(synth->recorder().recording());
    EXPECT_EQ(control(kToolbarRecord)->getValue(), 0.0f);
    click(kToolbarRecord, "Save WAV File", [&](HWND d) { choose(d, path); });
    ASSERT_TRUE(synth->recorder().recording());
    EXPECT_EQ(control(kToolbarRecord)->getValue(), 1.0f);
    synth->midiPort()->deliverShortMessageNow(0x643C90);
    Sleep(400);
    synth->midiPort()->deliverShortMessageNow(0x003C80);
    click(kToolbarRecord);
    EXPECT_FALSE(synth->recorder().recording());
    EXPECT_EQ(control(kToolbarRecord)->getValue(), 0.0f);
    const std::vector<uint8_t> bytes = readAll(path);
    EXPECT_GT(checkFinishedWav(bytes, 44100), 1000) << "the played note is not in the file";
    EXPECT_GT(bytes.size(), 44100u) << "a quarter of a second at least";
}

}  // namespace
}  // namespace tine
