// The built program as a user meets it, started once. Wine's ALSA default
// device (cmake/wine/asound.conf) writes every byte it plays to the file named
// in TINE_ALSA_CAPTURE, which this runner and the programs it starts share.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "host/HostSettings.h"
#include "standalone/AppShell.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/Toolbar.h"

namespace tine {
namespace {

using namespace shelltest;

TEST(Program, PlaysRecordsStaysASingleCopyAndEndsCleanlyWithACompleteRecording) {
    RegistrySettingsStore key;  // whatever earlier runs stored: input on every channel, 48 kHz
    ASSERT_TRUE((HostSettings{0, 0, -1, 0, 0, 50, false, 48000, 120.0f}.save(key)));
    ASSERT_TRUE(programWindows().empty()) << "a copy of the program is already running";
    ASSERT_NE(std::getenv("TINE_ALSA_CAPTURE"), nullptr) << "run through cmake/wine-run.sh, which names the file";
    const std::string capture = std::getenv("TINE_ALSA_CAPTURE");
    ASSERT_TRUE(readAll(capture).empty()) << "something played before the program started";
    const std::string recording = windowsPath(TINE_TEST_OUTPUT_DIR "/program-recording.wav");
    DeleteFileA(recording.c_str());

    RunningProgram program;
    HWND main = nullptr, editor = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            main = FindWindowA(kMainWindowClass, kMainWindowTitle);
            return main && (editor = FindWindowExA(main, nullptr, kEditorWindowClass, nullptr));
        },
        30000))
        << "no window titled " << kMainWindowTitle << " with an editor inside";

    // The editor, as wide as the window, below the toolbar strip.
    RECT client, placed;
    GetClientRect(main, &client);
    GetWindowRect(editor, &placed);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(std::vector<LONG>({client.right, client.bottom, placed.left, placed.top, placed.right, placed.bottom}),
              std::vector<LONG>({432, 264, 0, kToolbarStripHeight, 432, 264}));

    // It plays silence while no key is down, and a note sent to its MIDI port is heard.
    ASSERT_TRUE(waitUntil([&] { return readAll(capture).size() > 64 * 1024; }, 20000)) << "nothing played";
    std::vector<uint8_t> played = readAll(capture);
    EXPECT_EQ(firstNonZero(played, 0), played.size()) << "sound before any note";
    const UINT injection = RegisterWindowMessageA("Tinemaster.InjectMidiShortMessage");
    const auto noteHeard = [&](uint32_t noteOn) {
        const std::size_t before = readAll(capture).size();
        PostMessageA(main, injection, noteOn, 0);
        const bool heard = waitUntil([&] {
            played = readAll(capture);
            return firstNonZero(played, before) < played.size();
        });
        Sleep(300);
        PostMessageA(main, injection, noteOn & 0xFFFF, 0);  // velocity 0: its note off
        return heard;
    };
    EXPECT_TRUE(noteHeard(0x643C90)) << "middle C was not heard";

    // The toolbar's WAV button, clicked, asks for a file and records into it.
    const Rect wav = Toolbar::controlRect(kToolbarRecord);
    HWND dialog = nullptr;
    for (int attempt = 0; attempt < 3 && !dialog; ++attempt) {  // a busy machine may lose a click
        pressLeftAt(main, (wav.left + wav.right) / 2, (wav.top + wav.bottom) / 2);
        dialog = waitForDialog("Save WAV File", main, program.info.dwProcessId, 5000);
        releaseLeft();
    }
    ASSERT_NE(dialog, nullptr) << "no file dialog for the recording";
    choose(dialog, recording);
    ASSERT_TRUE(waitUntil([&] { return GetFileAttributesA(recording.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    EXPECT_TRUE(noteHeard(0x7F4090)) << "E was not heard while recording";

    // A second start only brings the minimised first one back and ends.
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return IsIconic(main) != 0; }));
    RunningProgram second;
    EXPECT_EQ(second.exitCode(), 0u);
    EXPECT_TRUE(waitUntil([&] { return IsIconic(main) == 0; })) << "the first window stayed minimised";
    EXPECT_EQ(programWindows(), std::vector<HWND>{main});

    // Closing the window ends the program with code 0, still recording: the file is complete.
    ASSERT_TRUE(PostMessageA(main, WM_CLOSE, 0, 0));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_GT(checkFinishedWav(readAll(recording), 48000), 1000) << "the note is not in the recording";
}

}  // namespace
}  // namespace tine
