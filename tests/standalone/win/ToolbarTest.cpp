// The standalone host's toolbar on a running instance, used with real mouse
// and keyboard input: its layout and images, program stepping, renaming,
// patch and bank files through the file dialog, the setup dialog and WAV
// recording; and the main window it sits in.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "gui/win/GuiTestSupport.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/MomentaryButton.h"
#include "gui/OffscreenContext.h"
#include "gui/OnOffButton.h"
#include "gui/TextEdit.h"
#include "params/ErrorReport.h"
#include "plugin/EditorBase.h"
#include "standalone/AppShell.h"
#include "standalone/AudioOutput.h"
#include "host/HostCallback.h"
#include "standalone/MidiPort.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/StandaloneSynth.h"
#include "standalone/Toolbar.h"

namespace tine {

// Answering the common dialogs from another thread (FileDialogTest.cpp).
namespace dialogtest {
std::string windowsPath(std::string path);
HWND waitForDialog(const char* title, HWND owner, int timeoutMs);
bool waitForGone(HWND window, int timeoutMs);
bool typeFileName(HWND dialog, const char* text);
void press(HWND dialog, int button);
bool choose(HWND dialog, const char* path);
}  // namespace dialogtest

namespace {

using namespace guitest;
using namespace dialogtest;

constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kWidth = 432;

std::vector<std::string> reported;
void collectError(ErrorCode, const char* text) { reported.push_back(text); }

std::string programName(SynthPlugin& plugin) {
    char name[64] = {};
    plugin.getProgramName(name);
    return name;
}

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string outputPath(const char* leaf) { return windowsPath(TINE_TEST_OUTPUT_DIR) + "\\" + leaf; }

// Takes what destroying a shell window leaves in the queue: a quit message
// left there would end the next modal dialog at once.
void drainQueue() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        if (message.message != WM_QUIT) DispatchMessageA(&message);
}

// A running instance with its main window and toolbar, as runMainWindow
// builds them, at a fixed screen spot. The toolbar's frame reports tracking
// to a scripted editor, so a test can release the button from inside a
// button's mouse loop.
class ToolbarFixture : public ::testing::Test {
protected:
    void SetUp() override {
        reported.clear();
        previousSink = setErrorSink(&collectError);
        instance = GetModuleHandleA(nullptr);
        registerWindowClasses(instance);
        HostSettings settings;
        settings.latency = 20;
        {
            RegistrySettingsStore key;
            ASSERT_TRUE(key.isOpen());
            ASSERT_TRUE(settings.save(key));
        }
        synth = new StandaloneSynth(&hostCallback, instance, GetDesktopWindow());
        setStandaloneInstance(synth);
        main = static_cast<HWND>(createHostWindow(nullptr, "Toolbar test", kMainWindowClass, 60, 60, kWidth,
                                                  90 + kToolbarStripHeight, kMainStyle, nullptr));
        ASSERT_NE(main, nullptr);
        synth->setMainWindow(main);
        ASSERT_TRUE(synth->toolbar().build(main, kWidth, &editor, synth));
        synth->showProgramName();
        SetForegroundWindow(main);
        pump(250);
    }
    void TearDown() override {
        releaseEverything();
        if (synth) {
            synth->toolbar().release();
            synth->setMainWindow(nullptr);
        }
        if (main) DestroyWindow(main);
        drainQueue();
        delete synth;
        setStandaloneInstance(nullptr);
        unregisterWindowClasses(instance);
        setErrorSink(previousSink);
    }

    Toolbar& toolbar() { return synth->toolbar(); }

    POINT centreOf(int32_t tag) {
        const Rect r = Toolbar::controlRect(tag);
        return onScreen(toolbar().frame()->getSystemWindow(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

    // Presses a momentary button and lets it go from inside its mouse loop,
    // after whatever the press opened has closed.
    void clickButton(int32_t tag) {
        editor.play({releaseLeftStep()});
        pressLeftAt(centreOf(tag));
        pumpUntil([&] { return editor.finished() && !keyDown(VK_LBUTTON); }, 5000);
        pump(30);
    }

    // Clicks a button whose command opens a dialog titled title, and lets
    // answer handle the dialog on another thread.
    template <typename Answer>
    void clickThroughDialog(int32_t tag, const char* title, Answer answer) {
        std::thread user([&] {
            HWND dialog = waitForDialog(title, main, 20000);
            if (!dialog) return;
            answer(dialog);
            if (!waitForGone(dialog, 5000)) press(dialog, IDCANCEL);
        });
        if (tag == kToolbarRecord) {
            clickAt(centreOf(tag));
        } else {
            clickButton(tag);
        }
        user.join();
    }

    ScriptedEditor editor;
    HINSTANCE instance = nullptr;
    StandaloneSynth* synth = nullptr;
    HWND main = nullptr;
    ErrorSink previousSink = nullptr;
};

TEST_F(ToolbarFixture, ControlsSitSideBySideWithTheirImagesAndTheNameInGreenOnBlack) {
    Frame* frame = toolbar().frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(GetParent(frame->getSystemWindow()), main);
    EXPECT_EQ(frame->getViewSize(), Rect(0, 0, kWidth, kToolbarHeight));
    ASSERT_EQ(frame->getNbViews(), kToolbarControlCount);

    // Every button is exactly as large as one state of its image, and from
    // Load Patch on each starts one pixel right of the one before.
    const int32_t buttons[] = {kToolbarPrevious, kToolbarNext,     kToolbarLoadPatch, kToolbarSavePatch,
                               kToolbarLoadBank, kToolbarSaveBank, kToolbarSetup,     kToolbarRecord};
    const int32_t images[] = {147, 148, 145, 146, 151, 152, 149, 150};
    for (int i = 0; i < 8; ++i) {
        Control* button = toolbar().control(buttons[i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->getTag(), buttons[i]);
        EXPECT_EQ(button->getListener(), static_cast<ControlListener*>(synth));
        Bitmap* image = button->getBackground();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->getResourceId(), images[i]);
        EXPECT_TRUE(image->isLoaded()) << images[i];
        EXPECT_EQ(button->getViewSize().width(), image->getWidth()) << images[i];
        EXPECT_EQ(button->getViewSize().height() * 2, image->getHeight()) << images[i];
        EXPECT_EQ(button->getViewSize().top, 1);
        if (i >= 3) {
            EXPECT_EQ(button->getViewSize().left, toolbar().control(buttons[i - 1])->getViewSize().right + 1);
        }
    }
    EXPECT_EQ(toolbar().control(kToolbarLoadPatch)->getViewSize().left,
              toolbar().control(kToolbarNext)->getViewSize().right);
    EXPECT_NE(dynamic_cast<OnOffButton*>(toolbar().control(kToolbarRecord)), nullptr);
    EXPECT_NE(dynamic_cast<MomentaryButton*>(toolbar().control(kToolbarSetup)), nullptr);

    TextEdit* name = toolbar().nameField();
    ASSERT_EQ(name, toolbar().control(kToolbarName));
    EXPECT_EQ(name->getViewSize(), Rect(17, 0, 137, 16));
    EXPECT_STREQ(name->text(), programName(*synth).c_str());

    // On screen: the released images of the buttons, the field's black box.
    frame->redraw();
    HDC dc = GetDC(frame->getSystemWindow());
    for (int i = 0; i < 8; ++i) {
        Control* button = toolbar().control(buttons[i]);
        const Rect r = button->getViewSize();
        OffscreenContext source(nullptr, button->getBackground());
        EXPECT_EQ(grab(dc, r.left, r.top, r.width(), r.height()),
                  grab(source.getSystemContext(), 0, 0, r.width(), r.height()))
            << images[i];
    }
    EXPECT_EQ(fromColorRef(GetPixel(dc, 136, 15)), kBlackColor);
    ReleaseDC(frame->getSystemWindow(), dc);
}

TEST_F(ToolbarFixture, PreviousAndNextStepOncePerPressAndStopAtTheEnds) {
    synth->setProgram(0);
    clickButton(kToolbarPrevious);
    EXPECT_EQ(synth->getProgram(), 0);
    clickButton(kToolbarNext);
    EXPECT_EQ(synth->getProgram(), 1) << "one step per press, none on release";
    EXPECT_STREQ(toolbar().nameField()->text(), programName(*synth).c_str());
    EXPECT_EQ(toolbar().control(kToolbarNext)->getValue(), 0.0f);

    synth->setProgram(31);
    clickButton(kToolbarNext);
    EXPECT_EQ(synth->getProgram(), 31);
    clickButton(kToolbarPrevious);
    EXPECT_EQ(synth->getProgram(), 30);
    EXPECT_STREQ(toolbar().nameField()->text(), programName(*synth).c_str());
}

TEST_F(ToolbarFixture, TypingALongNameRenamesTheProgramToItsFirstTwentyFourCharacters) {
    synth->setProgram(4);
    TextEdit* name = toolbar().nameField();
    clickAt(centreOf(kToolbarName));
    ASSERT_TRUE(pumpUntil([&] { return name->isEditing(); }, 3000));
    SendMessageA(name->getEditControl(), EM_SETSEL, 0, -1);
    const char typed[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";  // 30 characters
    typeText(typed);
    ASSERT_TRUE(pumpUntil([&] { return GetWindowTextLengthA(name->getEditControl()) == 30; }, 3000));
    sendKey(VK_RETURN, true);
    sendKey(VK_RETURN, false);
    ASSERT_TRUE(pumpUntil([&] { return !name->isEditing(); }, 3000));

    EXPECT_EQ(programName(*synth), std::string(typed, 24));
    EXPECT_STREQ(name->text(), std::string(typed, 24).c_str());
    EXPECT_EQ(synth->getProgram(), 4);

    // A text longer than the field's buffer is cut there and renames alike.
    const std::string huge(600, 'q');
    name->setText(huge.c_str());
    EXPECT_EQ(std::strlen(name->text()), 255u);
    synth->valueChanged(nullptr, name);
    EXPECT_EQ(programName(*synth), std::string(24, 'q'));
}

TEST_F(ToolbarFixture, PatchAndBankButtonsWriteAndReadFilesThroughTheDialog) {
    const std::string patch = outputPath("toolbar.fxp");
    const std::string bank = outputPath("toolbar.fxb");
    DeleteFileA(patch.c_str());
    DeleteFileA(bank.c_str());

    synth->setProgram(5);
    char saved[] = "Toolbar patch";
    synth->setProgramName(saved);
    clickThroughDialog(kToolbarSavePatch, "Save FX Patch", [&](HWND d) { choose(d, patch.c_str()); });
    std::vector<uint8_t> bytes = readAll(patch);
    ASSERT_EQ(bytes.size(), 344u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28])), "Toolbar patch");

    clickThroughDialog(kToolbarSaveBank, "Save FX Bank", [&](HWND d) { choose(d, bank.c_str()); });
    ASSERT_EQ(readAll(bank).size(), 9004u);

    char other[] = "Something else";
    synth->setProgramName(other);
    clickThroughDialog(kToolbarLoadPatch, "Load FX Patch", [&](HWND d) { choose(d, patch.c_str()); });
    EXPECT_EQ(programName(*synth), "Toolbar patch");
    EXPECT_STREQ(toolbar().nameField()->text(), "Toolbar patch");

    // The bank brings back the slot's name and the program that was current.
    synth->setProgram(9);
    synth->setProgramName(other);
    synth->setProgram(0);
    clickThroughDialog(kToolbarLoadBank, "Load FX Bank", [&](HWND d) { choose(d, bank.c_str()); });
    EXPECT_EQ(synth->getProgram(), 5);
    EXPECT_EQ(programName(*synth), "Toolbar patch");
    EXPECT_STREQ(toolbar().nameField()->text(), "Toolbar patch");
    EXPECT_TRUE(reported.empty()) << reported.front();
    for (int32_t tag : {kToolbarSavePatch, kToolbarSaveBank, kToolbarLoadPatch, kToolbarLoadBank})
        EXPECT_EQ(toolbar().control(tag)->getValue(), 0.0f);
}

TEST_F(ToolbarFixture, SetupRestartsAudioAndMidiOnlyWhenConfirmed) {
    ASSERT_NE(synth->audioOutput(), nullptr);
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 882u);  // 20 ms at 44.1 kHz
    // The dialog shows the settings held in memory and reads them back on OK.
    synth->settings().latency = 50;
    clickThroughDialog(kToolbarSetup, "Setup", [&](HWND d) { press(d, IDCANCEL); });
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 882u);
    clickThroughDialog(kToolbarSetup, "Setup", [&](HWND d) { press(d, IDOK); });
    ASSERT_NE(synth->audioOutput(), nullptr);
    ASSERT_NE(synth->midiPort(), nullptr);
    EXPECT_TRUE(synth->audioOutput()->hasThread());
    EXPECT_EQ(synth->audioOutput()->blockFrames(), 2205u);
    EXPECT_EQ(synth->midiPort()->intake().maxFrames(), 2205u);
}

uint32_t word(const std::vector<uint8_t>& bytes, std::size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

TEST_F(ToolbarFixture, WavButtonRecordsPlayedNotesUntilPressedAgain) {
    const std::string path = outputPath("toolbar.wav");
    DeleteFileA(path.c_str());
    Control* wav = toolbar().control(kToolbarRecord);

    clickThroughDialog(kToolbarRecord, "Save WAV File", [&](HWND d) { choose(d, path.c_str()); });
    ASSERT_TRUE(synth->recorder().recording());
    EXPECT_EQ(wav->getValue(), 1.0f);

    MidiPort* port = synth->midiPort();
    ASSERT_NE(port, nullptr);
    port->deliverShortMessageNow(0x00643C90);  // middle C, velocity 100
    pump(400);
    port->deliverShortMessageNow(0x00004090);  // E, velocity 0: a note off
    port->deliverShortMessageNow(0x00003C80);
    pump(300);

    clickAt(centreOf(kToolbarRecord));
    EXPECT_FALSE(synth->recorder().recording());
    EXPECT_EQ(wav->getValue(), 0.0f);

    const std::vector<uint8_t> bytes = readAll(path);
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(word(bytes, 24), 44100u);
    const uint32_t data = word(bytes, 40);
    EXPECT_EQ(bytes.size(), 44u + data);
    EXPECT_EQ(word(bytes, 4), data + 36);
    EXPECT_GT(data, 44100u * 4 / 2) << "well over half a second recorded";
    int loudest = 0;
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
        loudest = std::max(loudest, std::abs(int(int16_t(bytes[at] | bytes[at + 1] << 8))));
    EXPECT_GT(loudest, 1000) << "the played note is not in the file";
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(ToolbarFixture, CancellingTheWavDialogLeavesTheButtonOffAndCreatesNothing) {
    const std::string path = outputPath("toolbar-cancelled.wav");
    DeleteFileA(path.c_str());
    clickThroughDialog(kToolbarRecord, "Save WAV File", [&](HWND d) {
        typeFileName(d, path.c_str());
        press(d, IDCANCEL);
    });
    EXPECT_FALSE(synth->recorder().recording());
    EXPECT_EQ(toolbar().control(kToolbarRecord)->getValue(), 0.0f);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(reported.empty());
}

BOOL CALLBACK findOwnMainWindow(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    if (process == GetCurrentProcessId() && std::strcmp(name, kMainWindowClass) == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The main window as runMainWindow makes it: the toolbar strip of 16 pixels
// and a one-pixel gap above the editor's rectangle (or the room kept for an
// editor when the build has none).
TEST(ToolbarWindow, MainWindowIsTheEditorPlusTheToolbarStrip) {
    reported.clear();
    const ErrorSink previous = setErrorSink(&collectError);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerWindowClasses(instance);
    auto* synth = new StandaloneSynth(&hostCallback, instance, GetDesktopWindow());
    setStandaloneInstance(synth);

    int editorWidth = 90;
    int editorHeight = 90;
    if (EditorBase* editor = synth->getRegisteredEditor()) {
        ERect* rect = nullptr;
        ASSERT_TRUE(editor->getRect(&rect) && rect);
        editorWidth = rect->right - rect->left;
        editorHeight = rect->bottom - rect->top;
        // The instrument's editor, unfolded.
        EXPECT_EQ(editorWidth, 432);
        EXPECT_EQ(editorHeight + kToolbarStripHeight, 264);
    }

    RECT client = {};
    RECT folded = {};
    int foldedEditorHeight = -1;
    RECT strip = {};
    std::string shownName;
    bool toolbarSeen = false;
    std::thread observer([&] {
        HWND main = nullptr;
        for (int i = 0; i < 1000 && !main; ++i) {
            EnumWindows(&findOwnMainWindow, reinterpret_cast<LPARAM>(&main));
            Sleep(20);
        }
        if (!main) return;
        Sleep(300);
        GetClientRect(main, &client);
        if (Frame* frame = synth->toolbar().frame()) {
            toolbarSeen = GetParent(frame->getSystemWindow()) == main;
            GetWindowRect(frame->getSystemWindow(), &strip);
            MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&strip), 2);
            shownName = synth->toolbar().nameField()->text();
        }
        // Folding the editor (its fold button sits at 404, 191 of the
        // unfolded editor) shrinks the window around it.
        if (EditorBase* editor = synth->getRegisteredEditor()) {
            const POINT fold = onScreen(main, 404, kToolbarStripHeight + 191);
            moveMouseTo(fold.x, fold.y);
            Sleep(100);
            sendMouse(MOUSEEVENTF_LEFTDOWN);
            Sleep(100);
            sendMouse(MOUSEEVENTF_LEFTUP);
            Sleep(500);
            GetClientRect(main, &folded);
            ERect* rect = nullptr;
            if (editor->getRect(&rect) && rect) foldedEditorHeight = rect->bottom - rect->top;
        }
        PostMessageA(main, WM_CLOSE, 0, 0);
    });
    const int exitCode = runMainWindow(instance, nullptr);
    observer.join();

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(client.right - client.left, editorWidth);
    EXPECT_EQ(client.bottom - client.top, editorHeight + 17);
    if (foldedEditorHeight >= 0) {
        EXPECT_EQ(folded.right - folded.left, 432);
        EXPECT_EQ(folded.bottom - folded.top, foldedEditorHeight + 17);
        EXPECT_EQ(folded.bottom - folded.top, 87);
    }
    EXPECT_TRUE(toolbarSeen);
    EXPECT_EQ(strip.left, 0);
    EXPECT_EQ(strip.top, 0);
    EXPECT_EQ(strip.right, editorWidth);
    EXPECT_EQ(strip.bottom, 16);
    EXPECT_EQ(shownName, programName(*synth)) << "program 0's name";
    EXPECT_EQ(synth->getProgram(), 0);
    EXPECT_FALSE(synth->toolbar().isBuilt()) << "released when the loop ended";

    delete synth;
    setStandaloneInstance(nullptr);
    drainQueue();
    unregisterWindowClasses(instance);
    setErrorSink(previous);
    EXPECT_TRUE(reported.empty());
}

}  // namespace
}  // namespace tine
