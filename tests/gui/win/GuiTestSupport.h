#pragma once
// Shared pieces of the toolkit's Windows tests: a host window at a known
// screen position, message pumping, pixel grabs, real input through
// SendInput, and an editor whose tracking idle plays a script of input steps
// while a control holds the mouse loop.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gui/DrawContext.h"
#include "gui/Geometry.h"
#include "gui/FrameOwner.h"

namespace tine::guitest {

inline void pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(1);
    } while (GetTickCount() - start < milliseconds);
}

// Pumps until the condition holds or the time is up; the condition's result.
inline bool pumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 3000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        pump(5);
    }
    return true;
}

// A plain top-level window without caption or border at a fixed screen spot.
class HostWindow {
public:
    HostWindow(int x, int y, int width, int height, DWORD style = WS_POPUP) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
            windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
            windowClass.lpszClassName = "TineGuiTestHost";
            RegisterClassA(&windowClass);
            registered = true;
        }
        handle = CreateWindowExA(WS_EX_TOPMOST, "TineGuiTestHost", "Toolkit test", style | WS_VISIBLE | WS_CLIPCHILDREN,
                                 x, y, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(handle, SW_SHOW);
        SetForegroundWindow(handle);
        UpdateWindow(handle);
        // The X server's focus arrives a little later and brings the key
        // state in line with the real keyboard: let that pass before any
        // test presses keys.
        pump(250);
    }
    ~HostWindow() {
        if (handle)
            DestroyWindow(handle);
        pump(10);
    }
    HWND get() const { return handle; }

private:
    HWND handle;
};

// A plain child window inside another, for the wrapping-window tests.
inline HWND makeChildWindow(HWND parent, int width, int height) {
    return CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

inline SIZE windowSize(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// Pixels of a device context region, row by row.
inline std::vector<Color> grab(HDC dc, int x, int y, int width, int height) {
    std::vector<Color> pixels;
    pixels.reserve(static_cast<size_t>(width * height));
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            pixels.push_back(fromColorRef(GetPixel(dc, x + column, y + row)));
    return pixels;
}

// ---- real input -----------------------------------------------------------

inline void sendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        // Absolute positions are in 1/65536 of the screen; rounding up lands
        // exactly on the pixel.
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = static_cast<LONG>((static_cast<int64_t>(x) * 65536 + width - 1) / width);
        input.mi.dy = static_cast<LONG>((static_cast<int64_t>(y) * 65536 + height - 1) / height);
    }
    SendInput(1, &input, sizeof(input));
}

inline void moveMouseTo(int x, int y) {
    sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
}

inline bool cursorAt(int x, int y) {
    POINT p;
    GetCursorPos(&p);
    return p.x == x && p.y == y;
}

// Runs a program of the machine under Wine and waits for it.
inline bool runUnixProgram(const char* commandLine) {
    char buffer[256];
    lstrcpynA(buffer, commandLine, sizeof(buffer));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

// Modifier keys go through the X server itself when xdotool is there: Wine
// brings its key state in line with the server's on focus and pointer
// events, which would undo a modifier pressed only inside Wine.
inline const char* xdotoolName(WORD key) {
    switch (key) {
    case VK_SHIFT:
        return "shift";
    case VK_CONTROL:
        return "ctrl";
    case VK_MENU:
        return "alt";
    default:
        return nullptr;
    }
}

inline void sendKey(WORD key, bool down) {
    if (const char* name = xdotoolName(key)) {
        char command[96];
        std::snprintf(command, sizeof(command), "/usr/bin/xdotool %s %s", down ? "keydown" : "keyup", name);
        if (GetFileAttributesA("Z:\\usr\\bin\\xdotool") != INVALID_FILE_ATTRIBUTES && runUnixProgram(command))
            return;
    }
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

inline void typeText(const char* text) {
    for (const char* c = text; *c; ++c) {
        INPUT input[2] = {};
        for (int i = 0; i < 2; ++i) {
            input[i].type = INPUT_KEYBOARD;
            input[i].ki.wScan = static_cast<WORD>(static_cast<unsigned char>(*c));
            input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, input, sizeof(INPUT));
    }
}

inline bool keyDown(int key) {
    return GetAsyncKeyState(key) < 0;
}

// Presses a key and waits until the program sees it held, pressing again if
// a focus change reset the key state meanwhile.
inline bool holdKey(WORD key) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        sendKey(key, true);
        if (pumpUntil([&] { return keyDown(key); }, 200))
            return true;
    }
    return false;
}

// Leaves every button and modifier up, whatever a failed test left behind.
inline void releaseEverything() {
    if (keyDown(VK_LBUTTON))
        sendMouse(MOUSEEVENTF_LEFTUP);
    if (keyDown(VK_RBUTTON))
        sendMouse(MOUSEEVENTF_RIGHTUP);
    if (keyDown(VK_SHIFT))
        sendKey(VK_SHIFT, false);
    if (keyDown(VK_CONTROL))
        sendKey(VK_CONTROL, false);
    if (keyDown(VK_MENU))
        sendKey(VK_MENU, false);
    pump(20);
}

// ---- scripted tracking ----------------------------------------------------

// One input step: an action, and when its effect is visible to the program.
struct Step {
    std::function<void()> act;
    std::function<bool()> visible;
};

inline Step moveStep(int x, int y) {
    return Step{[=] { moveMouseTo(x, y); }, [=] { return cursorAt(x, y); }};
}

inline Step keyStep(WORD key, bool down) {
    return Step{[=] { sendKey(key, down); }, [=] { return keyDown(key) == down; }};
}

inline Step releaseLeftStep() {
    return Step{[] { sendMouse(MOUSEEVENTF_LEFTUP); }, [] { return !keyDown(VK_LBUTTON); }};
}

// An editor that plays its steps from inside a control's mouse loop, one at
// a time, each once the previous one is visible and the control has had a
// few passes to act on it.
class ScriptedEditor : public FrameOwner {
public:
    ScriptedEditor() = default;
    void beginEdit(int32_t) override {}
    void endEdit(int32_t) override {}

    void play(std::vector<Step> script) {
        steps = std::move(script);
        next = 0;
        started = false;
        settle = 0;
        passes = 0;
    }
    // The last step counts as done once visible: releasing the button ends
    // the control's loop, so no further passes come to settle it.
    bool finished() const {
        return next >= steps.size() || (started && next + 1 == steps.size() && steps[next].visible());
    }
    int trackingPasses() const { return passes; }

    void idleWhileTracking() override {
        ++passes;
        Sleep(1);
        if (passes > 20000 && keyDown(VK_LBUTTON)) {
            sendMouse(MOUSEEVENTF_LEFTUP);  // never hang a run on a lost step
            return;
        }
        if (finished())
            return;
        Step& step = steps[next];
        if (!started) {
            step.act();
            started = true;
            settle = 0;
            waited = 0;
            return;
        }
        if (!step.visible()) {
            // A focus change can reset the key state: act again after a while.
            if (++waited % 200 == 0)
                step.act();
            return;
        }
        if (++settle < 3)
            return;
        ++next;
        started = false;
    }

private:
    std::vector<Step> steps;
    size_t next = 0;
    bool started = false;
    int settle = 0;
    int waited = 0;
    int passes = 0;
};

// Screen position of a point in a window's client area.
inline POINT onScreen(HWND window, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(window, &p);
    return p;
}

// Presses the left button over a point, with a modifier key held if one is
// given, and pumps until the press has been handled (for controls with a
// mouse loop, until the loop has ended). The modifier goes down only once the
// pointer is over the window: entering it can bring the key state in line
// with the real keyboard.
inline void pressLeftAt(POINT p, WORD modifier = 0) {
    moveMouseTo(p.x, p.y);
    pumpUntil([&] { return cursorAt(p.x, p.y); }, 1000);
    pump(20);
    if (modifier)
        holdKey(modifier);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    pump(60);
}

inline void clickAt(POINT p, WORD modifier = 0) {
    pressLeftAt(p, modifier);
    sendMouse(MOUSEEVENTF_LEFTUP);
    if (modifier)
        sendKey(modifier, false);
    pump(40);
}

}  // namespace tine::guitest
