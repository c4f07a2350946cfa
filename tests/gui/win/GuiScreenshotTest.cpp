// A test panel built like the instrument's (toolbar row, main page and bottom
// strip over the program's bitmaps, knobs, lamps and text fields), shown in a
// real window, read back from the screen and saved as gui-panel.png in the
// test output folder for a person to look at.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/MomentaryButton.h"
#include "gui/OffscreenContext.h"
#include "gui/OnOffButton.h"
#include "gui/StripImage.h"
#include "gui/StripKnob.h"
#include "gui/TextEdit.h"
#include "gui/ViewContainer.h"

#ifndef TINE_TEST_OUTPUT_DIR
#define TINE_TEST_OUTPUT_DIR "."
#endif

namespace tine {
namespace {

using namespace guitest;

// ---- a minimal PNG writer: RGB, stored (uncompressed) deflate blocks --------

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void putBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    putBig32(out, static_cast<uint32_t>(body.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBig32(out, crc32(typed.data(), typed.size()));
}

bool writePng(const std::string& path, int width, int height, const std::vector<Color>& pixels) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const Color& c = pixels[static_cast<size_t>(y * width + x)];
            raw.push_back(c.red);
            raw.push_back(c.green);
            raw.push_back(c.blue);
        }
    }
    std::vector<uint8_t> zlib = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(n));
        zlib.push_back(static_cast<uint8_t>(n >> 8));
        zlib.push_back(static_cast<uint8_t>(~n));
        zlib.push_back(static_cast<uint8_t>(~n >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
        at += n;
        if (last)
            break;
    }
    putBig32(zlib, (b << 16) | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(width));
    putBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlib);
    chunk(png, "IEND", {});
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

// ---- the panel --------------------------------------------------------------

constexpr Color kPanelText{10, 10, 10};
constexpr Color kNameText{170, 180, 170};
constexpr Color kNameBack{34, 36, 34};

TEST(GuiScreenshot, PanelWithBitmapsKnobsLampsAndFieldsIsSavedAsPng) {
    const int width = 432, height = 16 + 177 + 70;
    HostWindow host(30, 30, width, height);
    Frame* frame = new Frame(Rect(0, 0, width, height), host.get(), nullptr);
    ASSERT_NE(frame->getSystemWindow(), nullptr);

    Bitmap* panel = new Bitmap(159);
    Bitmap* strip = new Bitmap(158);
    Bitmap* knobs = new Bitmap(130);
    Bitmap* lamp = new Bitmap(143);
    Bitmap* fold = new Bitmap(157);
    for (Bitmap* b : {panel, strip, knobs, lamp, fold})
        ASSERT_TRUE(b->isLoaded());

    // Toolbar row.
    ViewContainer* toolbar = new ViewContainer(Rect(0, 0, width, 16), frame);
    toolbar->setBackgroundColor(Color(24, 25, 28));
    struct Button {
        int id, left, right;
    };
    const Button buttons[] = {{147, 1, 16}, {148, 139, 154}, {145, 154, 210}, {146, 211, 267},
                              {151, 268, 320}, {152, 321, 373}, {149, 374, 404}};
    for (const Button& b : buttons) {
        Bitmap* image = new Bitmap(b.id);
        MomentaryButton* button = new MomentaryButton(Rect(b.left, 1, b.right, 15), nullptr, 0, 14, image);
        if (b.id == 152)
            button->setValue(1.0f);  // one shown pressed
        toolbar->addView(button);
        image->forget();
    }
    Bitmap* wav = new Bitmap(150);
    OnOffButton* record = new OnOffButton(Rect(405, 1, 429, 15), nullptr, 8, wav);
    toolbar->addView(record);
    wav->forget();
    TextEdit* name = new TextEdit(Rect(17, 0, 137, 16), nullptr, 2, "Suitcase Mk I");
    name->setFontColor(kGreenColor);
    name->setBackColor(kBlackColor);
    name->setTransparency(false);
    toolbar->addView(name);
    frame->addView(toolbar);

    // Main page: value boxes as plain text fields on the ivory plate.
    ViewContainer* page = new ViewContainer(Rect(0, 16, 432, 193), frame, panel);
    const char* rows[3][4] = {{"Tine Bell", "0.82", "+0 st", "+3 ct"},
                              {"Reed Bark", "0.40", "+12 st", "-2 ct"},
                              {"Body", "0.65", "-12 st", "0 ct"}};
    const int columns[4][2] = {{30, 155}, {160, 210}, {230, 300}, {315, 385}};
    for (int o = 0; o < 3; ++o) {
        for (int c = 0; c < 4; ++c) {
            const int y = 30 + 30 * o;
            TextEdit* box = new TextEdit(Rect(columns[c][0], y, columns[c][1], y + 16), nullptr, -1, rows[o][c]);
            box->setFontColor(o == 2 && c == 0 ? Color(120, 120, 120) : kPanelText);
            box->setTransparency(true);
            box->setHoriAlign(c == 0 ? kLeftText : kCenterText);
            page->addView(box);
        }
    }
    TextEdit* program = new TextEdit(Rect(270, 132, 400, 148), nullptr, 63, "Suitcase Mk I");
    program->setFont(2);
    program->setFontColor(kNameText);
    program->setBackColor(kNameBack);
    program->setFrameColor(kBlackColor);
    page->addView(program);
    frame->addView(page);

    // Bottom strip: seven knobs, two lamps (one lit) and the fold button.
    ViewContainer* bottom = new ViewContainer(Rect(0, 193, 432, 263), frame, strip);
    const int knobX[7] = {27, 77, 127, 182, 232, 282, 352};
    const float knobValue[7] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 0.4f, 0.8f};
    for (int k = 0; k < 7; ++k) {
        StripKnob* knob = new StripKnob(Rect(knobX[k], 17, knobX[k] + 32, 47), nullptr, k, 128, 30, knobs);
        knob->setValue(knobValue[k]);
        bottom->addView(knob);
    }
    StripImage* phaser = new StripImage(Rect(162, 11, 168, 17), nullptr, 70, 2, 6, lamp);
    phaser->setValue(1.0f);
    bottom->addView(phaser);
    bottom->addView(new StripImage(Rect(319, 11, 325, 17), nullptr, 71, 2, 6, lamp));
    bottom->addView(new OnOffButton(Rect(401, 11, 407, 17), nullptr, 69, fold));
    frame->addView(bottom);

    frame->redraw();
    pump(100);
    frame->redraw();

    // Read the window back from the screen.
    HWND window = frame->getSystemWindow();
    HDC dc = GetDC(window);
    OffscreenContext shot(frame, width, height, kBlackColor);
    BitBlt(shot.getSystemContext(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    const std::vector<Color> pixels = grab(shot.getSystemContext(), 0, 0, width, height);

    const std::string path = std::string(TINE_TEST_OUTPUT_DIR) + "/gui-panel.png";
    ASSERT_TRUE(writePng(path, width, height, pixels)) << path;
    std::printf("Panel screenshot: %s\n", path.c_str());

    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * width + x)]; };
    // The background bitmap shows where no control covers it...
    {
        OffscreenContext source(nullptr, panel);
        EXPECT_EQ(at(5, 16 + 5), source.getPoint(Point(5, 5)));
        EXPECT_EQ(at(420, 16 + 100), source.getPoint(Point(420, 100)));
    }
    // ...the program name box is filled with its colour...
    EXPECT_EQ(at(272, 16 + 134), kNameBack);
    // ...the last knob shows its frame, and the lit lamp its lower image.
    std::vector<Color> knob(32 * 30), lit(6 * 6);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 32; ++x)
            knob[static_cast<size_t>(y * 32 + x)] = at(352 + x, 193 + 17 + y);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            lit[static_cast<size_t>(y * 6 + x)] = at(162 + x, 193 + 11 + y);
    {
        OffscreenContext source(nullptr, knobs);
        StripKnob probe(Rect(0, 0, 32, 30), nullptr, 0, 128, 30, nullptr);
        probe.setValue(0.8f);
        EXPECT_EQ(knob, grab(source.getSystemContext(), 0, probe.frameTop(), 32, 30));
    }
    {
        OffscreenContext source(nullptr, lamp);
        EXPECT_EQ(lit, grab(source.getSystemContext(), 0, 6, 6, 6));
    }

    delete frame;
    for (Bitmap* b : {panel, strip, knobs, lamp, fold})
        b->forget();
}

}  // namespace
}  // namespace tine
