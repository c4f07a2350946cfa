#pragma once
// Pieces the editor's Windows tests share: a recording host, an instrument
// with its editor open in a window at a known spot, real right-button input,
// choosing from a popup menu with the mouse, and window screenshots as PNG.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../../gui/win/GuiTestSupport.h"
#include "editor/SynthEditor.h"
#include "params/ErrorReport.h"
#include "plugin/SynthPlugin.h"

#ifndef TINE_TEST_OUTPUT_DIR
#define TINE_TEST_OUTPUT_DIR "."
#endif

namespace tine::editortest {

using namespace guitest;

// What the host heard: every opcode, and the automated values in order.
struct HostRecord {
    struct Automation {
        int32_t index;
        float value;
    };
    std::vector<int32_t> opcodes;
    std::vector<Automation> automation;

    int count(int32_t opcode) const { return static_cast<int>(std::count(opcodes.begin(), opcodes.end(), opcode)); }
    std::vector<float> valuesOf(int32_t index) const {
        std::vector<float> values;
        for (const Automation& a : automation)
            if (a.index == index)
                values.push_back(a.value);
        return values;
    }
    void clear() {
        opcodes.clear();
        automation.clear();
    }
};

inline HostRecord& hostRecord() {
    static HostRecord record;
    return record;
}

inline intptr_t VSTCALLBACK recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    hostRecord().opcodes.push_back(opcode);
    if (opcode == audioMasterAutomate)
        hostRecord().automation.push_back({index, opt});
    if (opcode == audioMasterVersion)
        return 2400;
    return 0;
}

inline std::vector<ErrorCode>& reportedErrors() {
    static std::vector<ErrorCode> errors;
    return errors;
}

// ---- screenshots ------------------------------------------------------------

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;
    Color at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

// The window's client area as it is on the screen.
inline Image capture(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    Image image;
    image.width = client.right;
    image.height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, image.width, image.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* row = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < image.width * image.height; ++i)
        image.pixels.push_back(Color(row[4 * i + 2], row[4 * i + 1], row[4 * i]));
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(dib);
    ReleaseDC(window, screen);
    return image;
}

inline uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

inline void putBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

inline void pngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    putBig32(out, static_cast<uint32_t>(body.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBig32(out, crc32(typed.data(), typed.size()));
}

// An RGB PNG with stored (uncompressed) deflate blocks, in the test output folder.
inline bool savePng(const Image& image, const char* name) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const Color c = image.at(x, y);
            raw.insert(raw.end(), {c.red, c.green, c.blue});
        }
    }
    std::vector<uint8_t> zlib = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0;;) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        zlib.insert(zlib.end(), {static_cast<uint8_t>(last ? 1 : 0), static_cast<uint8_t>(n),
                                 static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(~n),
                                 static_cast<uint8_t>(~n >> 8)});
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
        at += n;
        if (last)
            break;
    }
    putBig32(zlib, (b << 16) | a);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(image.width));
    putBig32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    pngChunk(png, "IHDR", header);
    pngChunk(png, "IDAT", zlib);
    pngChunk(png, "IEND", {});
    const std::string path = std::string(TINE_TEST_OUTPUT_DIR) + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    std::printf("Screenshot: %s\n", path.c_str());
    return std::fclose(file) == 0 && written;
}

// ---- input --------------------------------------------------------------------

// Moves over the point and presses the right button, with a modifier held if
// one is given; the press is handled by the next pump.
inline void pressRightAt(POINT p, WORD modifier = 0) {
    moveMouseTo(p.x, p.y);
    pumpUntil([&] { return cursorAt(p.x, p.y); }, 1000);
    pump(20);
    if (modifier)
        holdKey(modifier);
    sendMouse(MOUSEEVENTF_RIGHTDOWN);
}

inline void rightClickAt(POINT p, WORD modifier = 0) {
    pressRightAt(p, modifier);
    pump(60);
    sendMouse(MOUSEEVENTF_RIGHTUP);
    if (modifier)
        sendKey(modifier, false);
    pump(40);
}

// A left click on a control that holds the mouse in its own loop until the
// button goes up: the release has to come from another thread.
inline void clickHeldControlAt(POINT p) {
    moveMouseTo(p.x, p.y);
    pumpUntil([&] { return cursorAt(p.x, p.y); }, 1000);
    pump(20);
    std::thread releaser([] {
        for (int i = 0; i < 200 && !keyDown(VK_LBUTTON); ++i)
            Sleep(5);
        Sleep(80);
        sendMouse(MOUSEEVENTF_LEFTUP);
    });
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    pumpUntil([] { return !keyDown(VK_LBUTTON); }, 3000);
    releaser.join();
    pump(40);
}

// Waits on its own thread for the next popup menu, then clicks its entry
// with the mouse. The menu runs its own loop on the window's thread, so the
// choice must come from elsewhere.
class MenuPicker {
public:
    explicit MenuPicker(int entry) : worker([this, entry] { run(entry); }) {}
    ~MenuPicker() {
        if (worker.joinable())
            worker.join();
    }
    bool clicked() {
        if (worker.joinable())
            worker.join();
        return done;
    }
    int entryCount() const { return entries; }

private:
    void run(int entry) {
        HWND popup = nullptr;
        for (int i = 0; i < 400 && !popup; ++i) {
            popup = FindWindowA("#32768", nullptr);
            if (popup && !IsWindowVisible(popup))
                popup = nullptr;
            if (!popup)
                Sleep(10);
        }
        if (!popup)
            return;
        Sleep(150);
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
        RECT item;
        if (!menu || !GetMenuItemRect(nullptr, menu, static_cast<UINT>(entry), &item))
            return;
        entries = GetMenuItemCount(menu);
        const int x = (item.left + item.right) / 2, y = (item.top + item.bottom) / 2;
        moveMouseTo(x, y);
        for (int i = 0; i < 100 && !cursorAt(x, y); ++i)
            Sleep(5);
        Sleep(50);
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        Sleep(30);
        sendMouse(MOUSEEVENTF_LEFTUP);
        done = true;
    }

    std::atomic<bool> done{false};
    std::atomic<int> entries{0};
    std::thread worker;
};

// ---- the instrument with its editor open --------------------------------------

class EditorFixture : public ::testing::Test {
protected:
    static constexpr int kHostX = 60;
    static constexpr int kHostY = 60;

    void SetUp() override {
        releaseEverything();
        reportedErrors().clear();
        previousSink = setErrorSink([](ErrorCode code, const char*) { reportedErrors().push_back(code); });
        hostRecord().clear();
        plugin = std::make_unique<SynthPlugin>(&recordingHost);
        editor = dynamic_cast<SynthEditor*>(plugin->getEditor());
        ASSERT_NE(editor, nullptr);
        host = std::make_unique<HostWindow>(kHostX, kHostY, 432, 247);
        ASSERT_TRUE(editor->open(host->get()));
        pump(50);
        idle();
    }
    void TearDown() override {
        if (editor)
            editor->close();
        plugin.reset();
        host.reset();
        releaseEverything();
        setErrorSink(previousSink);
    }

    HWND frameWindow() const { return editor->getFrame()->getSystemWindow(); }
    // A point of the editor on the screen.
    POINT at(int x, int y) const { return onScreen(frameWindow(), x, y); }
    void idle() {
        editor->idle();
        pump(30);
        editor->idle();
    }
    template <typename T>
    T* control(int32_t tag) const {
        return dynamic_cast<T*>(editor->getControl(tag));
    }

    ErrorSink previousSink = nullptr;
    std::unique_ptr<SynthPlugin> plugin;
    SynthEditor* editor = nullptr;
    std::unique_ptr<HostWindow> host;
};

}  // namespace tine::editortest
