#pragma once
// Shared by the standalone host's Windows tests: paths under Wine, waiting,
// real mouse input, dialogs answered from outside, finished WAV files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "standalone/AppShell.h"

namespace tine::shelltest {

// Build paths are Unix paths; Wine shows the Unix root as drive Z:.
inline std::string windowsPath(std::string path) {
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
}

// One run of the program, with the hooks that let a test feed its MIDI port;
// ended if a test leaves it running.
struct RunningProgram {
    PROCESS_INFORMATION info = {};
    RunningProgram() {
        SetEnvironmentVariableA("TINEMASTER_TEST_HOOKS", "1");
        std::string commandLine = "\"" + windowsPath(TINE_PROGRAM) + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
        SetEnvironmentVariableA("TINEMASTER_TEST_HOOKS", nullptr);
    }
    ~RunningProgram() {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    // The exit code, or STILL_ACTIVE when it has not ended within 30 s.
    DWORD exitCode() {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

// Visible top-level windows titled "Tinemaster", of any process.
inline std::vector<HWND> programWindows() {
    std::vector<HWND> list;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, nullptr, kMainWindowTitle)) != nullptr;)
        if (IsWindowVisible(w))
            list.push_back(w);
    return list;
}

inline std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(windowsPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::size_t firstNonZero(const std::vector<uint8_t>& bytes, std::size_t from) {
    while (from < bytes.size() && bytes[from] == 0) ++from;
    return from;
}

// Dispatches this thread's messages until done() holds; false on timeout.
template <typename Predicate>
bool waitUntil(Predicate done, DWORD timeoutMs = 5000) {
    for (const DWORD start = GetTickCount(); !done(); Sleep(5)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) TranslateMessage(&m), DispatchMessageA(&m);
    }
    return true;
}

inline bool leftButtonDown() {
    return GetAsyncKeyState(VK_LBUTTON) < 0;
}

inline void sendMouse(DWORD flags, POINT at = {}) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    // Absolute positions count in 1/65536 of the screen; rounding up lands on the pixel.
    const int64_t width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = LONG((at.x * 65536 + width - 1) / width);
    input.mi.dy = LONG((at.y * 65536 + height - 1) / height);
    SendInput(1, &input, sizeof input);
}

// Moves the pointer over a point of window's client area and presses the left button there.
inline void pressLeftAt(HWND window, int x, int y) {
    POINT at = {x, y}, now;
    ClientToScreen(window, &at);
    sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at);
    waitUntil([&] { return GetCursorPos(&now) && now.x == at.x && now.y == at.y; });
    sendMouse(MOUSEEVENTF_LEFTDOWN);
}

inline void releaseLeft() {
    if (leftButtonDown())
        sendMouse(MOUSEEVENTF_LEFTUP);
    waitUntil([] { return !leftButtonDown(); }, 1000);
}

// A visible dialog box of process titled title (any title if null), once it
// has settled; null if none comes up.
inline HWND waitForDialog(const char* title, HWND owner = nullptr, DWORD process = GetCurrentProcessId(),
                          DWORD timeoutMs = 20000) {
    for (const DWORD start = GetTickCount();; Sleep(20)) {
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", title)) != nullptr;) {
            DWORD of = 0;
            GetWindowThreadProcessId(w, &of);
            if (of == process && IsWindowVisible(w) && (!owner || GetWindow(w, GW_OWNER) == owner))
                return Sleep(300), w;
        }
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
    }
}

inline void press(HWND dialog, int button) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

inline BOOL CALLBACK findEdit(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, "Edit") == 0)
        *reinterpret_cast<HWND*>(found) = window;
    return lstrcmpiA(name, "Edit") != 0;
}

// Types the name into a file dialog's name box (an edit inside its combo box cmb13) and presses OK.
inline void choose(HWND dialog, const std::string& name) {
    HWND edit = nullptr;
    EnumChildWindows(GetDlgItem(dialog, 0x47C), &findEdit, reinterpret_cast<LPARAM>(&edit));
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    press(dialog, IDOK);
}

// Checks a finished 16-bit stereo recording at rate, whose header sizes
// must agree with the file's length; answers its loudest sample.
inline int checkFinishedWav(const std::vector<uint8_t>& bytes, uint32_t rate) {
    const auto le32 = [&](std::size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
    };
    EXPECT_GE(bytes.size(), 44u);
    if (bytes.size() < 44)
        return 0;
    EXPECT_EQ(le32(24), int(rate));
    EXPECT_EQ(le32(40), int(bytes.size() - 44)) << "data size";
    EXPECT_EQ(le32(4), int(bytes.size() - 8)) << "RIFF size";
    int loudest = 0;
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
        loudest = std::max(loudest, std::abs(int(int16_t(bytes[at] | bytes[at + 1] << 8))));
    return loudest;
}

}  // namespace tine::shelltest
