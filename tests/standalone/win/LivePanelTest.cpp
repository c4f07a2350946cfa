// On stage with the Windows builds: a program change played on the MIDI
// keyboard shows on the running program's panel and toolbar at the next idle
// tick, and an error inside the plug-in library reaches the user as the
// error box.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "editor/SynthEditor.h"
#include "gui/TextEdit.h"
#include "gui/win/GuiTestSupport.h"
#include "host/HostCallback.h"
#include "standalone/AppShell.h"
#include "standalone/MidiPort.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/StandaloneSynth.h"

namespace tine {
namespace {

using namespace guitest;

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
        ASSERT_TRUE(key.isOpen() && settings.save(key));
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

    bool switched = false;
    long toolbarMs = -1;
    Image before, after;
    std::thread keyboard([&] {
        // Up and running: the toolbar shows a name once the panel is open.
        waitFor([&] { return synth->mainWindow() && synth->shownProgramName()[0]; }, 20000);
        HWND main = static_cast<HWND>(synth->mainWindow());
        HWND panel = FindWindowExA(main, nullptr, kEditorWindowClass, nullptr);
        Sleep(500);
        before = capture(panel);
        synth->midiPort()->deliverShortMessageNow(0xC0 | target << 8);
        switched = waitFor([&] { return synth->getProgram() == target; }, 5000);
        const auto heard = std::chrono::steady_clock::now();
        if (waitFor([&] { return std::strcmp(synth->shownProgramName(), targetName) == 0; }, 5000))
            toolbarMs = long((std::chrono::steady_clock::now() - heard) / std::chrono::milliseconds(1));
        Sleep(3 * kIdleTickMs);
        after = capture(panel);
        PostMessageA(main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(runMainWindow(instance, nullptr), 0);
    keyboard.join();

    ASSERT_TRUE(switched) << "the audio thread took the program change";
    EXPECT_GE(toolbarMs, 0) << "the toolbar never showed " << targetName;
    EXPECT_LE(toolbarMs, long(10 * kIdleTickMs)) << "the toolbar follows at the next idle tick, however late Wine is";
    std::printf("toolbar followed %ld ms after the program change was heard\n", toolbarMs);
    ASSERT_TRUE(savePng(before, "live-panel-before.png") && savePng(after, "live-panel-after-program-change.png"));
    // Every control and the name field show the new program, drawn anew.
    for (int32_t tag = 0; tag < kNumParams; ++tag) {
        if (Control* control = editor->getControl(tag)) {
            EXPECT_EQ(control->getValue(), synth->programSlot(target).values[tag]) << "control " << tag;
        }
    }
    EXPECT_STREQ(static_cast<TextEdit*>(editor->getControl(SynthEditor::kProgramNameTag))->text(), targetName);
    const Rect nameField(270, 132, 400, 148);
    ASSERT_EQ(after.width, before.width);
    EXPECT_NE(before.region(nameField), after.region(nameField));

    delete synth;
    setStandaloneInstance(nullptr);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    unregisterWindowClasses(instance);
}

#if defined(TINE_PLUGIN_DLL)
intptr_t VSTCALLBACK quietHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
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
    if (!waitFor([&] { return (box = FindWindowA("#32770", kErrorBoxTitle)) != nullptr; }, 20000)) {
        host.detach();
        FAIL() << "no box titled " << kErrorBoxTitle;
    }
    // The same box as the program's (ShellTest looks at it closely), with this text.
    char text[128] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "This file format is not valid");
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    host.join();
    EXPECT_EQ(answer, 0);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    FreeLibrary(library);
}
#endif

}  // namespace
}  // namespace tine
