// On stage with the Windows builds: a program change played on the MIDI
// keyboard shows on the running program's panel and toolbar at the next idle
// tick, and an error inside the plug-in library reaches the user as the
// error box.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "editor/ProgramNameEdit.h"
#include "editor/SynthEditor.h"
#include "gui/TextEdit.h"
#include "gui/win/GuiTestSupport.h"
#include "host/HostCallback.h"
#include "params/ErrorReport.h"
#include "standalone/AppShell.h"
#include "standalone/MidiPort.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/StandaloneSynth.h"
#include "standalone/Toolbar.h"

namespace tine {
namespace {

using namespace guitest;

BOOL CALLBACK findMainWindow(HWND window, LPARAM found) {
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

// Runs work on the thread that owns the helper window (the GUI thread, inside
// its message loop): only that thread may read the windows' pixels.
std::function<void()> gOnGuiThread;

LRESULT CALLBACK helperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP + 7) {
        gOnGuiThread();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

template <typename Condition>
bool waitFor(Condition condition, int timeoutMs) {
    for (int waited = 0; !condition(); waited += 10) {
        if (waited > timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

TEST(LivePanel, MidiProgramChangeShowsOnPanelAndToolbarAtTheNextIdleTick) {
    HostSettings settings;
    settings.inputChannel = -1;
    {
        RegistrySettingsStore key;
        ASSERT_TRUE(key.isOpen());
        ASSERT_TRUE(settings.save(key));
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerWindowClasses(instance);
    auto* synth = new StandaloneSynth(&hostCallback, instance, GetDesktopWindow());
    setStandaloneInstance(synth);
    auto* editor = dynamic_cast<SynthEditor*>(synth->getRegisteredEditor());
    ASSERT_NE(editor, nullptr);
    const int32_t target = 12;
    char targetName[64] = {};
    synth->getProgramNameIndexed(0, target, targetName);

    WNDCLASSA helperClass = {};
    helperClass.lpfnWndProc = &helperProc;
    helperClass.hInstance = instance;
    helperClass.lpszClassName = "LivePanelTestHelper";
    RegisterClassA(&helperClass);
    HWND helper =
        CreateWindowExA(0, helperClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    bool switched = false;
    long toolbarMs = -1;
    Image before, after;
    std::thread keyboard([&] {
        HWND main = nullptr, panel = nullptr;
        waitFor([&] { return !EnumWindows(&findMainWindow, reinterpret_cast<LPARAM>(&main)); }, 20000);
        // Up and running: the panel open in its window.
        if (waitFor([&] { return main && (panel = FindWindowExA(main, nullptr, kEditorWindowClass, nullptr)); },
                    20000) &&
            waitFor([&] { return editor->getControl(SynthEditor::kProgramNameTag) != nullptr; }, 20000)) {
            Sleep(500);
            gOnGuiThread = [&] { before = capture(panel); };
            SendMessageA(helper, WM_APP + 7, 0, 0);
            synth->midiPort()->deliverShortMessageNow(0xC0 | target << 8);
            switched = waitFor([&] { return synth->getProgram() == target; }, 5000);
            const auto heard = std::chrono::steady_clock::now();
            if (waitFor([&] { return std::string(synth->toolbar().nameField()->text()) == targetName; }, 5000))
                toolbarMs =
                    long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - heard)
                             .count());
            Sleep(3 * kIdleTickMs);
            gOnGuiThread = [&] { after = capture(panel); };
            SendMessageA(helper, WM_APP + 7, 0, 0);
        }
        PostMessageA(main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(runMainWindow(instance, nullptr), 0);
    keyboard.join();

    ASSERT_TRUE(switched) << "the audio thread took the program change";
    EXPECT_GE(toolbarMs, 0) << "the toolbar never showed " << targetName;
    EXPECT_LE(toolbarMs, long(6 * kIdleTickMs)) << "the toolbar followed within a tick or so";
    std::printf("toolbar followed %ld ms after the program change was heard\n", toolbarMs);
    ASSERT_TRUE(savePng(before, "live-panel-before.png"));
    ASSERT_TRUE(savePng(after, "live-panel-after-program-change.png"));
    // Every control and the name field show the new program.
    for (int32_t tag = 0; tag < kNumParams; ++tag) {
        if (Control* control = editor->getControl(tag)) {
            EXPECT_EQ(control->getValue(), synth->programSlot(target).values[tag]) << "control " << tag;
        }
    }
    auto* field = static_cast<TextEdit*>(editor->getControl(SynthEditor::kProgramNameTag));
    EXPECT_STREQ(field->text(), targetName);
    const Rect nameRect(270, 132, 400, 148);
    ASSERT_EQ(after.width, before.width);
    EXPECT_NE(before.region(nameRect), after.region(nameRect)) << "the name field was drawn again";

    delete synth;
    setStandaloneInstance(nullptr);
    DestroyWindow(helper);
    UnregisterClassA(helperClass.lpszClassName, instance);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    unregisterWindowClasses(instance);
}

#if defined(TINE_PLUGIN_DLL)
intptr_t VSTCALLBACK quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::string windowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK collectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

TEST(PluginDll, AnErrorInsideTheLibraryShowsTheErrorBox) {
    HMODULE library = LoadLibraryA(TINE_PLUGIN_DLL);
    ASSERT_NE(library, nullptr);
    using PluginMain = AEffect*(VSTCALLBACK*)(audioMasterCallback);
    auto entry = reinterpret_cast<PluginMain>(reinterpret_cast<void*>(GetProcAddress(library, "VSTPluginMain")));
    AEffect* effect = entry(&quietHost);
    ASSERT_NE(effect, nullptr);
    // A host's GUI thread hands it a bank that is no bank.
    char notABank[16] = "not a bank";
    intptr_t answer = -1;
    std::thread host([&] { answer = effect->dispatcher(effect, effSetChunk, 0, sizeof notABank, notABank, 0.0f); });
    HWND box = nullptr;
    const bool shown = waitFor([&] { return (box = FindWindowA("#32770", kErrorBoxTitle)) != nullptr; }, 20000);
    if (!shown) {
        host.detach();
        FAIL() << "no box titled " << kErrorBoxTitle;
    }
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    std::vector<HWND> children;
    EnumChildWindows(box, &collectChild, reinterpret_cast<LPARAM>(&children));
    bool text = false, icon = false;
    int buttons = 0;
    for (HWND child : children) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        text |= windowText(child) == "This file format is not valid";
        icon |= std::strcmp(name, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        buttons += std::strcmp(name, "Button") == 0 && IsWindowVisible(child);
    }
    EXPECT_TRUE(text);
    EXPECT_TRUE(icon);
    EXPECT_EQ(buttons, 1);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    host.join();
    EXPECT_EQ(answer, 0);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    FreeLibrary(library);
}
#endif

}  // namespace
}  // namespace tine
