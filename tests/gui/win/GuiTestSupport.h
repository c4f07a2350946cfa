#pragma once
// Shared pieces of the Windows interface tests: a host window at a known
// screen position, message pumping, pixel grabs and screenshots, real input
// through SendInput, and an editor whose tracking idle plays a script of
// input steps while a control holds the mouse loop.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gui/Bitmap.h"
#include "gui/FrameOwner.h"
#include "gui/OffscreenContext.h"

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
            registered = RegisterClassA(&windowClass) != 0;
        }
        handle = CreateWindowExA(WS_EX_TOPMOST, "TineGuiTestHost", "Toolkit test", style | WS_VISIBLE | WS_CLIPCHILDREN,
                                 x, y, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(handle);
        UpdateWindow(handle);
        pump(250);  // the X server's focus, which brings the key state in line, comes a little later
    }
    ~HostWindow() {
        DestroyWindow(handle);
        pump(10);
    }
    HWND get() const { return handle; }

private:
    HWND handle;
};

inline SIZE windowSize(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// Pixels of a device context region, row by row.
inline std::vector<Color> grab(HDC dc, int x, int y, int width, int height) {
    std::vector<Color> pixels;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            pixels.push_back(fromColorRef(GetPixel(dc, x + column, y + row)));
    return pixels;
}

// A region of a bitmap. A bitmap sits in one device context at a time: the
// reader lets go before anyone draws it.
inline std::vector<Color> bitmapPixels(Bitmap* bitmap, int x, int y, int width, int height) {
    OffscreenContext source(nullptr, bitmap);
    return grab(source.getSystemContext(), x, y, width, height);
}

struct Image {
    int width = 0, height = 0;
    std::vector<Color> pixels;
    Color at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    std::vector<Color> region(const Rect& r) const {
        std::vector<Color> out;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) out.push_back(at(x, y));
        return out;
    }
};

// The window's client area as it is on the screen.
inline Image capture(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    Image image{client.right, client.bottom, grab(dc, 0, 0, client.right, client.bottom)};
    ReleaseDC(window, dc);
    return image;
}

inline void sendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        // In 1/65536 of the screen; rounding up lands exactly on the pixel.
        const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
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

// Starts a program of the machine. Wine hands out no handle to wait on: the
// caller watches for its effect.
inline bool runUnixProgram(const char* commandLine) {
    std::string buffer = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    return CreateProcessA(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0;
}

// Saves an image as a PNG in the test output folder for a person to look at:
// raw RGB, converted by ImageMagick; the file appears once it is whole.
inline bool savePng(const Image& image, const char* name) {
    const std::string path = std::string(TINE_TEST_OUTPUT_DIR) + "/" + name, raw = path + ".rgb";
    std::vector<uint8_t> bytes;
    for (const Color& c : image.pixels) bytes.insert(bytes.end(), {c.red, c.green, c.blue});
    FILE* file = std::fopen(raw.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fclose(file) == 0;
    std::remove(path.c_str());
    const std::string command = "/bin/sh -c \"convert -size " + std::to_string(image.width) + "x" +
                                std::to_string(image.height) + " -depth 8 rgb:" + raw + " " + path +
                                ".part.png && mv " + path + ".part.png " + path + "; rm -f " + raw + "\"";
    std::printf("Screenshot: %s\n", path.c_str());
    return written && runUnixProgram(command.c_str()) &&
           pumpUntil([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
}

// Modifier keys go through the X server itself when xdotool is there: Wine
// brings its key state in line with the server's on focus and pointer
// events, which would undo a modifier pressed only inside Wine.
inline const char* xdotoolName(WORD key) {
    return key == VK_SHIFT ? "shift" : key == VK_CONTROL ? "ctrl" : key == VK_MENU ? "alt" : nullptr;
}

inline void sendKey(WORD key, bool down) {
    if (const char* name = xdotoolName(key)) {
        const std::string command = std::string("/usr/bin/xdotool ") + (down ? "keydown " : "keyup ") + name;
        if (GetFileAttributesA("Z:\\usr\\bin\\xdotool") != INVALID_FILE_ATTRIBUTES && runUnixProgram(command.c_str()))
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
    for (WORD button : {VK_LBUTTON, VK_RBUTTON})
        if (keyDown(button))
            sendMouse(button == VK_LBUTTON ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP);
    for (WORD key : {VK_SHIFT, VK_CONTROL, VK_MENU})
        if (keyDown(key))
            sendKey(key, false);
    pump(20);
}

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
    void beginEdit(int32_t) override {}
    void endEdit(int32_t) override {}

    void play(std::vector<Step> script) {
        steps = std::move(script);
        next = 0;
        started = false;
        passes = 0;
    }
    // The last step counts as done once visible: releasing the button ends
    // the control's loop, so no further passes come to settle it.
    bool finished() const {
        return next >= steps.size() || (started && next + 1 == steps.size() && steps[next].visible());
    }

    void idleWhileTracking() override {
        ++passes;
        Sleep(1);
        if (passes > 20000 && keyDown(VK_LBUTTON)) {
            sendMouse(MOUSEEVENTF_LEFTUP);  // never hang a run on a lost step
            return;
        }
        if (finished())
            return;
        if (!started) {
            steps[next].act();
            started = true;
            settle = waited = 0;
        } else if (!steps[next].visible()) {
            // A focus change can reset the key state: act again after a while.
            if (++waited % 200 == 0)
                steps[next].act();
        } else if (++settle >= 3) {
            ++next;
            started = false;
        }
    }

private:
    std::vector<Step> steps;
    size_t next = 0;
    bool started = false;
    int settle = 0, waited = 0, passes = 0;
};

// Screen position of a point in a window's client area.
inline POINT onScreen(HWND window, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(window, &p);
    return p;
}

// Presses a button over a point, with a modifier key held if one is given.
// The modifier goes down only once the pointer is over the window: entering
// it can bring the key state in line with the real keyboard.
inline void pressAt(POINT p, WORD modifier, DWORD buttonDown) {
    moveMouseTo(p.x, p.y);
    pumpUntil([&] { return cursorAt(p.x, p.y); }, 1000);
    pump(20);
    if (modifier)
        holdKey(modifier);
    sendMouse(buttonDown);
}

// Presses the left button and pumps until the press has been handled (for
// controls with a mouse loop, until the loop has ended).
inline void pressLeftAt(POINT p, WORD modifier = 0) {
    pressAt(p, modifier, MOUSEEVENTF_LEFTDOWN);
    pump(60);
}

inline void clickAt(POINT p, WORD modifier = 0) {
    pressLeftAt(p, modifier);
    sendMouse(MOUSEEVENTF_LEFTUP);
    if (modifier)
        sendKey(modifier, false);
    pump(40);
}

// A press whose moves and release come from another thread: the control
// holds this one in its own mouse loop until the button goes up.
inline void holdAt(POINT p, std::vector<POINT> moves = {}, bool right = false, DWORD heldMs = 150) {
    const int button = right ? VK_RBUTTON : VK_LBUTTON;
    std::thread user([=] {
        for (int i = 0; i < 400 && !keyDown(button); ++i) Sleep(5);
        for (const POINT& m : moves) {
            Sleep(100);
            moveMouseTo(m.x, m.y);
        }
        Sleep(heldMs);
        sendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    });
    pressAt(p, 0, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    pumpUntil([=] { return !keyDown(button); }, 5000);
    user.join();
    pump(40);
}

}  // namespace tine::guitest
