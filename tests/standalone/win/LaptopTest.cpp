// The program at a laptop: notes from the computer keyboard, heard in the
// ALSA capture of the running program, with real keys through xdotool; and
// the editor and toolbar at 200 % on a 192 DPI screen (the ctest
// ScalingAt192DpiUnderWine runs those in a Wine prefix of its own).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "../../gui/win/GuiTestSupport.h"
#include "ShellTestSupport.h"
#include "editor/SynthEditor.h"
#include "gui/DisplayScale.h"
#include "gui/TextEdit.h"
#include "gui/ViewContainer.h"
#include "params/ParameterTable.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/StandaloneSynth.h"

namespace tine {
namespace {

using namespace shelltest;

// One xdotool run: its commands come in order, but nothing waits for the run.
void xdotool(const std::string& commands) {
    ASSERT_TRUE(guitest::runUnixProgram(("/usr/bin/xdotool " + commands).c_str()));
}

// What the running program plays, in the capture of its audio device: bytes
// of 16-bit stereo at 44.1 kHz, of which the newest may still be written again.
struct Capture {
    static constexpr std::size_t kSecond = 176400;
    const std::string path = std::getenv("TINE_ALSA_CAPTURE") ? std::getenv("TINE_ALSA_CAPTURE") : "";
    std::size_t now() const { return readAll(path).size(); }
    std::vector<uint8_t> settled() const {
        std::vector<uint8_t> played = readAll(path);
        played.resize(played.size() > kSecond / 3 ? played.size() - kSecond / 3 : 0);
        return played;
    }
    // The first sound from byte `from` on; the settled length when none.
    std::size_t soundFrom(std::size_t from) const {
        const std::vector<uint8_t> played = settled();
        return std::min(firstNonZero(played, from), played.size());
    }
    bool soundComes(std::size_t from) const {
        return waitUntil([&] { return soundFrom(from) < settled().size(); });
    }
    // Whether a quarter second of silence starts within 3 s of audio from now:
    // a note released now has ended by then, a held one still sounds.
    bool silenceComes() const {
        const std::size_t from = now();
        bool found = false;
        waitUntil(
            [&] {
                const std::vector<uint8_t> played = settled();
                for (std::size_t run = 0, at = from; at < played.size() && !found; ++at)
                    found = (run = played[at] ? 0 : run + 1) >= kSecond / 4 && at - run < from + 3 * kSecond;
                return found || played.size() > from + 4 * kSecond;
            },
            10000);
        return found;
    }
};

// Holds a key down in the window, brought to the front, and tells whether it
// is heard. The X server's focus follows a little later than the window's: a
// key that went elsewhere is pressed again.
bool heardWhileHeld(const Capture& capture, HWND window, char key) {
    const std::size_t from = capture.now();
    for (int attempt = 0; attempt < 3; ++attempt) {
        SetForegroundWindow(window);
        waitUntil([] { return false; }, 250);
        xdotool(std::string("keydown ") + key);
        if (waitUntil([&] { return guitest::keyDown(key - 'a' + 'A'); }, 1000))
            return capture.soundComes(from);
        xdotool(std::string("keyup ") + key);
    }
    return false;
}

bool letGo(char key, const char* before = "") {
    xdotool(std::string(before) + " keyup " + key);
    return waitUntil([&] { return !guitest::keyDown(key - 'a' + 'A'); });
}

TEST(ComputerKeyboardPlay, KeysPlayOnTheInputChannelEndTheirNotesAndLeaveTheNameFieldItsText) {
    {
        RegistrySettingsStore key;  // input on channel 4 only; the defaults for the two others
        ASSERT_TRUE((HostSettings{0, 0, 3, 0, 0, 50, false, 44100, 120.0f}.save(key)));
        key.writeValue(kComputerKeyboardSetting, nullptr);
        key.writeValue(kEditorSizeSetting, nullptr);
    }
    const Capture capture;
    ASSERT_FALSE(capture.path.empty()) << "run through cmake/wine-run.sh, which names the capture";
    ASSERT_TRUE(programWindows().empty()) << "a copy of the program is already running";
    RunningProgram program;
    HWND main = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (main = FindWindowA(kMainWindowClass, kMainWindowTitle)) != nullptr; }, 30000));
    ASSERT_TRUE(waitUntil([&] { return capture.now() > 64 * 1024; }, 20000)) << "nothing played";

    // Z plays; F2 while it is held, and the note Z started still ends with it.
    ASSERT_TRUE(heardWhileHeld(capture, main, 'z'));
    ASSERT_TRUE(letGo('z', "key F2"));
    EXPECT_TRUE(capture.silenceComes()) << "the note outlived its key";

    // X held while the window loses the focus: its note ends at once.
    EXPECT_TRUE(heardWhileHeld(capture, main, 'x'));
    {
        guitest::HostWindow other(600, 500, 100, 100);
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == other.get(); }));
        EXPECT_TRUE(capture.silenceComes()) << "a note stayed on when the focus went";
        ASSERT_TRUE(letGo('x'));
    }

    // The toolbar's name field takes the letters typed into it, and they play nothing.
    SetForegroundWindow(main);
    HWND edit = nullptr;
    const auto editing = [&] {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        EnumChildWindows(main, &findEdit, reinterpret_cast<LPARAM>(&edit));
        return edit && GetGUIThreadInfo(program.info.dwThreadId, &thread) && thread.hwndFocus == edit;
    };
    const Rect name = Toolbar::controlRect(kToolbarName);
    for (int attempt = 0; attempt < 3 && !editing(); ++attempt) {  // still held when the program looks
        pressLeftAt(main, (name.left + name.right) / 2, (name.top + name.bottom) / 2);
        waitUntil(editing, 2000);
        releaseLeft();
    }
    ASSERT_TRUE(editing()) << "no edit over the name field";
    const std::size_t typing = capture.now();
    xdotool("type zxq");
    char typed[64] = {};
    EXPECT_TRUE(waitUntil([&] {
        SendMessageA(edit, WM_GETTEXT, sizeof typed, reinterpret_cast<LPARAM>(typed));
        return std::string(typed) == "zxq";
    })) << typed;
    const std::size_t typedAt = capture.now() + Capture::kSecond / 2;
    ASSERT_TRUE(waitUntil([&] { return capture.settled().size() > typedAt; }));
    EXPECT_GE(capture.soundFrom(typing), typedAt) << "typing played notes";

    // Return ends the edit, and the keys play again.
    xdotool("key Return");
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(edit); }));
    EXPECT_TRUE(heardWhileHeld(capture, main, 'c')) << "no note after the edit";
    ASSERT_TRUE(letGo('c'));
    EXPECT_TRUE(capture.silenceComes());

    ASSERT_TRUE(PostMessageA(main, WM_CLOSE, 0, 0));
    EXPECT_EQ(program.exitCode(), 0u);
}

TEST(ScalingAt192Dpi, DISABLED_ThePanelShowsDoubledAndEveryGestureActsAtItsScaledPlace) {
    for (const auto& [dpi, percent] : {std::pair{72, 100}, {96, 100}, {97, 150}, {144, 150}, {145, 200}, {192, 200}})
        EXPECT_EQ(scaleForDpi(dpi), percent) << dpi;
    ASSERT_EQ(monitorDpi(nullptr), 192) << "run by the ctest ScalingAt192DpiUnderWine, whose screen has 192 DPI";
    RegistrySettingsStore key;
    ASSERT_TRUE((HostSettings{0, 0, 0, 0, 0, 50, false, 44100, 120.0f}.save(key)));
    key.writeValue(kEditorSizeSetting, nullptr);  // no size chosen: the DPI decides

    // The program's windows, built in this process as the program builds them.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerWindowClasses(instance);
    auto synth = std::make_unique<StandaloneSynth>(&hostCallback, instance, GetDesktopWindow());
    setStandaloneInstance(synth.get());
    ASSERT_TRUE(openMainWindow(nullptr));
    HWND main = static_cast<HWND>(synth->mainWindow());
    auto* editor = dynamic_cast<SynthEditor*>(synth->getRegisteredEditor());
    HWND panel = editor->getFrame()->getSystemWindow();
    const auto clientIs = [&](LONG width, LONG height) {
        RECT r;
        return GetClientRect(main, &r) && r.right == width && r.bottom == height;
    };
    const auto show = [&] {
        editor->idle();
        guitest::pump(100);
        return guitest::capture(main);
    };
    // A point of a control on the screen, and the same gestures, at a scale.
    const auto at = [&](int32_t tag, int percent, bool corner = false) {
        const Control* c = editor->getControl(tag);
        const Rect page = c->getParentView()->getViewSize(), r = c->getViewSize();
        return guitest::onScreen(panel, (page.left + (corner ? r.left : (r.left + r.right) / 2)) * percent / 100,
                                 (page.top + (corner ? r.top : (r.top + r.bottom) / 2)) * percent / 100);
    };
    const auto gesturesAt = [&](int percent) {
        SCOPED_TRACE(testing::Message() << percent << " %");
        synth->setParameter(kParamOsc1Level, 0.5f);
        synth->setParameter(kParamPhaserDepth, 0.0f);
        show();
        guitest::clickAt(at(kParamOsc1Level, percent), VK_SHIFT);  // one whole step
        ASSERT_TRUE(waitUntil([] { return !guitest::keyDown(VK_SHIFT); })) << "Shift would slow the drag";
        EXPECT_NEAR(synth->getParameter(kParamOsc1Level), 0.5f - ParameterTable[kParamOsc1Level].step, 1e-6f);
        const POINT knob = at(kParamPhaserDepth, percent);
        guitest::holdAt(knob, {{knob.x, knob.y - 40 * percent / 100}});
        EXPECT_NEAR(synth->getParameter(kParamPhaserDepth), 0.2f, 1e-4f) << "200 pixels of the panel span the range";
        // The in-place edit lies over the name field as it is shown.
        auto* field = dynamic_cast<TextEdit*>(editor->getControl(SynthEditor::kProgramNameTag));
        guitest::clickAt(at(SynthEditor::kProgramNameTag, percent));
        ASSERT_TRUE(field->isEditing());
        RECT placed;
        GetWindowRect(field->getEditControl(), &placed);
        const POINT corner = at(SynthEditor::kProgramNameTag, percent, true);
        EXPECT_TRUE(placed.left == corner.x && placed.top == corner.y);
        EXPECT_NEAR(placed.right - placed.left, (field->getWidth() + 1) * percent / 100, 1);
        field->looseFocus();
    };
    const auto choose = [&](const char* keys, int percent, LONG width, LONG height) {
        SetForegroundWindow(main);
        xdotool(std::string("key ") + keys);
        EXPECT_TRUE(waitUntil([&] { return clientIs(width, height); })) << keys;
        std::string stored;
        EXPECT_TRUE(key.readValue(kEditorSizeSetting, stored) && std::atoi(stored.c_str()) == percent) << keys;
    };

    // Twice the size on the screen, the same panel with every pixel doubled.
    EXPECT_TRUE(clientIs(2 * 432, 2 * 264));
    gesturesAt(200);
    const guitest::Image doubled = show();
    ASSERT_TRUE(guitest::savePng(doubled, "program-200.png"));
    choose("ctrl+1", 100, 432, 264);
    const guitest::Image native = show();
    ASSERT_TRUE(guitest::savePng(native, "program-100.png"));
    int differing = 0;
    for (int y = 0; y < doubled.height; ++y)
        for (int x = 0; x < doubled.width; ++x) differing += doubled.at(x, y) != native.at(x / 2, y / 2);
    EXPECT_EQ(differing, 0);
    gesturesAt(100);
    choose("ctrl+2", 150, 648, 395);
    gesturesAt(150);
    ASSERT_TRUE(guitest::savePng(show(), "program-150.png"));
    choose("ctrl+3", 200, 864, 528);

    // An editor that no one sized, as a plug-in host gets it, tells its doubled size.
    ERect* rect = nullptr;
    SynthPlugin plugin(&hostCallback);
    plugin.getEditor()->getRect(&rect);
    EXPECT_TRUE(rect->right == 2 * editor->getPanelWidth() && rect->bottom == 2 * editor->getPanelHeight());

    closeMainWindow();
    DestroyWindow(main);
    for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&m);
    synth.reset();
    unregisterWindowClasses(instance);
}

}  // namespace
}  // namespace tine
