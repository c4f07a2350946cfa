// The shell's pieces inside this test program: host windows and their
// classes, the error box, the StandaloneSynth with its audio and MIDI, and
// the hand-over of display refreshes to the GUI thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "params/ErrorReport.h"
#include "standalone/AppShell.h"
#include "standalone/AudioOutput.h"
#include "host/HostCallback.h"
#include "standalone/MidiPort.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/StandaloneSynth.h"

namespace tine {
namespace {

constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

template <typename Predicate>
bool waitUntil(Predicate done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
    return true;
}

struct Classes {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    Classes() { registerWindowClasses(instance); }
    ~Classes() { unregisterWindowClasses(instance); }
};

// Takes the quit message the shell's window procedure posts, if any.
bool takeQuitMessage(WPARAM& code) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            code = message.wParam;
            return true;
        }
        DispatchMessageA(&message);
    }
    return false;
}

std::string className(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

TEST(HostWindow, ClientAreaPlacementAndUserDataFollowTheRequest) {
    Classes classes;
    int marker = 0;
    // Distinct left and top: a swapped placement shows at once.
    HWND main = static_cast<HWND>(
        createHostWindow(nullptr, "Shell test window", kMainWindowClass, 40, 70, 90, 107, kMainStyle, &marker));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(className(main), kMainWindowClass);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(GetWindowLongPtrA(main, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&marker));

    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right - client.left, 90);
    EXPECT_EQ(client.bottom - client.top, 107);
    // The whole window, caption included, starts where asked.
    RECT outer;
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.left, 40);
    EXPECT_EQ(outer.top, 70);
    POINT origin = {0, 0};
    ClientToScreen(main, &origin);
    EXPECT_GT(origin.y - outer.top, origin.x - outer.left) << "the caption lies above the client area";
    const LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_EQ(style & kMainStyle, static_cast<LONG>(kMainStyle));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);

    // The editor's child lands exactly where asked, frameless.
    HWND child = static_cast<HWND>(
        createHostWindow(main, "Shell test child", kEditorWindowClass, 0, 17, 90, 90, WS_CHILD, nullptr));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), main);
    RECT placed;
    GetWindowRect(child, &placed);
    POINT topLeft = {placed.left, placed.top};
    ScreenToClient(main, &topLeft);
    EXPECT_EQ(topLeft.x, 0);
    EXPECT_EQ(topLeft.y, 17);
    EXPECT_EQ(placed.right - placed.left, 90);
    EXPECT_EQ(placed.bottom - placed.top, 90);

    // Destroying a window of either class ends the message loop with code 0.
    WPARAM code = 99;
    takeQuitMessage(code);
    DestroyWindow(main);
    ASSERT_TRUE(takeQuitMessage(code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IsWindow(child));
}

TEST(HostWindow, ClassesUseTheArrowCursorButtonFaceAndNoIcon) {
    Classes classes;
    for (const char* name : {kMainWindowClass, kEditorWindowClass}) {
        WNDCLASSA info = {};
        ASSERT_TRUE(GetClassInfoA(classes.instance, name, &info)) << name;
        EXPECT_EQ(info.hIcon, nullptr) << name;
        EXPECT_EQ(info.hCursor, LoadCursor(nullptr, IDC_ARROW)) << name;
        EXPECT_EQ(info.hbrBackground, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))) << name;
        EXPECT_EQ(info.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW)) << name;
        EXPECT_EQ(info.lpszMenuName, nullptr) << name;
    }
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

TEST(ErrorBox, IsAnOwnerlessModalBoxWithTheTextAndOneOkButton) {
    installErrorBox();
    std::thread reporter([] { reportError(ErrorCode::OpenFailed); });
    HWND box = nullptr;
    const bool shown = waitUntil([&] { return (box = FindWindowA("#32770", kErrorBoxTitle)) != nullptr; }, 20000);
    setErrorSink(nullptr);
    if (!shown) {
        reporter.detach();
        FAIL() << "no box titled " << kErrorBoxTitle;
    }
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    std::vector<HWND> children;
    EnumChildWindows(box, &collectChild, reinterpret_cast<LPARAM>(&children));
    bool hasText = false;
    int buttons = 0;
    for (HWND child : children) {
        hasText |= windowText(child) == "Error opening file";
        buttons += className(child) == "Button" && IsWindowVisible(child);
    }
    EXPECT_TRUE(hasText);
    EXPECT_EQ(buttons, 1);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);

    // The reporting thread waits on the box until it is closed.
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    reporter.join();
    EXPECT_FALSE(IsWindow(box));
}

void writeSettings(const HostSettings& settings) {
    RegistrySettingsStore key;
    ASSERT_TRUE(key.isOpen());
    ASSERT_TRUE(settings.save(key));
}

std::string programName(SynthPlugin& plugin) {
    char name[64] = {};
    plugin.getProgramName(name);
    return name;
}

// An instance as WinMain makes it, over DirectSound through Wine's ALSA.
struct RunningSynth {
    Classes classes;
    StandaloneSynth* synth = nullptr;
    explicit RunningSynth(const HostSettings& settings) {
        writeSettings(settings);
        synth = new StandaloneSynth(&hostCallback, classes.instance, GetDesktopWindow());
        setStandaloneInstance(synth);
    }
    ~RunningSynth() {
        delete synth;
        EXPECT_EQ(standaloneInstance(), nullptr);
        setStandaloneInstance(nullptr);
    }
};

TEST(StandaloneSynth, StartsAudioAndMidiFromTheStoredSettings) {
    HostSettings settings;
    settings.latency = 20;
    settings.sampleRate = 48000;
    settings.inputChannel = 4;
    settings.tempo = 96.5f;
    RunningSynth running(settings);
    StandaloneSynth& synth = *running.synth;

    EXPECT_EQ(synth.settings().latency, 20);
    EXPECT_EQ(synth.getSampleRate(), 48000.0f);
    ASSERT_NE(synth.audioOutput(), nullptr);
    ASSERT_NE(synth.midiPort(), nullptr);
    EXPECT_TRUE(synth.audioOutput()->hasThread());
    EXPECT_EQ(synth.audioOutput()->blockFrames(), 960u);  // 20 ms at 48 kHz
    EXPECT_EQ(synth.midiPort()->intake().maxFrames(), 960u);
    EXPECT_EQ(synth.midiPort()->intake().inputChannel(), 4);
    EXPECT_EQ(synth.midiPort()->intake().samplesPerMs(), 48);

    // The callback answers for this instance now.
    const auto* time = reinterpret_cast<const VstTimeInfo*>(hostCallback(nullptr, audioMasterGetTime, 0, 0x400, nullptr, 0));
    EXPECT_EQ(time->tempo, 96.5);
    EXPECT_EQ(hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0), 2);

    // A restart builds both anew with the settings as they are then.
    synth.settings().latency = 50;
    synth.settings().sampleRate = 44100;
    synth.restartAudioAndMidi(GetDesktopWindow());
    ASSERT_NE(synth.audioOutput(), nullptr);
    ASSERT_NE(synth.midiPort(), nullptr);
    EXPECT_TRUE(synth.audioOutput()->hasThread());
    EXPECT_EQ(synth.audioOutput()->blockFrames(), 2205u);
    EXPECT_EQ(synth.midiPort()->intake().maxFrames(), 2205u);
    EXPECT_EQ(synth.getSampleRate(), 44100.0f);
}

TEST(StandaloneSynth, RefreshFromAnotherThreadWaitsForTheGuiThread) {
    RunningSynth running{HostSettings{}};
    StandaloneSynth& synth = *running.synth;
    HWND main = static_cast<HWND>(
        createHostWindow(nullptr, "Shell test window", kMainWindowClass, 0, 0, 90, 107, kMainStyle, nullptr));
    ASSERT_NE(main, nullptr);
    synth.setMainWindow(main);

    // On the GUI thread a program change shows its name at once.
    synth.setProgram(2);
    const std::string second = programName(synth);
    EXPECT_EQ(synth.shownProgramName(), second);

    // From another thread (as from the audio thread) nothing is touched
    // there; the name follows once the GUI thread reads its messages.
    std::thread other([&] { synth.setProgram(7); });
    other.join();
    const std::string seventh = programName(synth);
    ASSERT_NE(seventh, second);
    EXPECT_EQ(synth.shownProgramName(), second);
    EXPECT_TRUE(waitUntil([&] { return synth.shownProgramName() == seventh; }, 5000));

    synth.setMainWindow(nullptr);
    DestroyWindow(main);
    WPARAM code;
    takeQuitMessage(code);
}

TEST(StandaloneSynth, DestroyedWhileRecordingLeavesACompleteWavFile) {
    const std::string path = std::string(TINE_TEST_OUTPUT_DIR) + "/shell-recording.wav";
    std::remove(path.c_str());
    {
        RunningSynth running{HostSettings{}};
        ASSERT_TRUE(running.synth->recorder().start(path, 44100));
        Sleep(400);
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GE(bytes.size(), 44u);
    auto word = [&](std::size_t at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    const uint32_t dataBytes = word(40);
    EXPECT_GT(dataBytes, 0u);
    EXPECT_EQ(dataBytes % 4, 0u);
    EXPECT_EQ(bytes.size(), 44u + dataBytes);
    EXPECT_EQ(word(4), dataBytes + 36);
    EXPECT_EQ(word(24), 44100u);
}

}  // namespace
}  // namespace tine
