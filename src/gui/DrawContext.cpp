#include "gui/DrawContext.h"

#include "gui/Frame.h"

namespace tine {

namespace {

struct FontEntry {
    const char* face;
    int32_t size;
};

const FontEntry kFonts[8] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

int32_t validFont(int32_t number) {
    return number >= 0 && number < 8 ? number : 0;
}

}  // namespace

const char* DrawContext::fontFace(int32_t number) {
    return kFonts[validFont(number)].face;
}

int32_t DrawContext::fontTableSize(int32_t number) {
    return kFonts[validFont(number)].size;
}

HFONT DrawContext::createFont(int32_t number, int32_t size, int32_t face) {
    number = validFont(number);
    if (size == 0)
        size = kFonts[number].size;
    // Font 0 is the bold one of the table whatever face is asked for.
    const int weight = (face & kBoldFace) || number == 0 ? FW_BOLD : FW_NORMAL;
    const bool symbol = number == 7;
    return CreateFontA(-size, 0, 0, 0, weight, (face & kItalicFace) ? TRUE : FALSE,
                       (face & kUnderlineFace) ? TRUE : FALSE, FALSE, symbol ? SYMBOL_CHARSET : ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | (symbol ? FF_DECORATIVE : FF_SWISS), kFonts[number].face);
}

DrawContext::DrawContext(Frame* owner, HDC dc, HWND win)
    : deviceContext(dc),
      window(win),
      frame(owner),
      fontSize(0),
      fontNumber(-1),
      fontColor(kWhiteColor),
      lineWidth(1),
      frameColor(kWhiteColor),
      fillColor(kBlackColor),
      lineStyle(0),
      brush(nullptr),
      pen(nullptr),
      font(nullptr),
      oldPen(nullptr),
      oldBrush(nullptr),
      oldFont(nullptr) {
    if (frame && window && window == frame->getSystemWindow()) {
        scale = frame->getScale();
        if (HDC canvas = deviceContext ? frame->openCanvas() : nullptr) {
            windowContext = deviceContext;
            deviceContext = canvas;
            // Contexts on the picture may nest (an idle redraw while a
            // control holds the mouse): each leaves it as it found it.
            canvasState = SaveDC(canvas);
        }
    }
    if (deviceContext) {
        oldPen = GetCurrentObject(deviceContext, OBJ_PEN);
        oldBrush = GetCurrentObject(deviceContext, OBJ_BRUSH);
        oldFont = GetCurrentObject(deviceContext, OBJ_FONT);
        SetBkMode(deviceContext, TRANSPARENT);
    }
    if (window) {
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        windowOrigin = Point(origin.x, origin.y);
        screenOrigin = windowOrigin;
    }
    setFrameColor(kWhiteColor);
    setLineStyle(0);
    setFillColor(kBlackColor);
    setFontColor(kWhiteColor);
}

DrawContext::~DrawContext() {
    if (deviceContext) {
        if (oldPen)
            SelectObject(deviceContext, oldPen);
        if (oldBrush)
            SelectObject(deviceContext, oldBrush);
        if (oldFont)
            SelectObject(deviceContext, oldFont);
    }
    if (brush)
        DeleteObject(brush);
    if (pen)
        DeleteObject(pen);
    if (font)
        DeleteObject(font);
    if (deleteDeviceContext && deviceContext)
        DeleteDC(deviceContext);
    if (windowContext) {
        RestoreDC(deviceContext, canvasState);
        frame->closeCanvas(windowContext);
    }
}

void DrawContext::moveTo(const Point& p) {
    if (deviceContext)
        MoveToEx(deviceContext, p.h + offset.h, p.v + offset.v, nullptr);
}

void DrawContext::lineTo(const Point& p) {
    if (deviceContext)
        LineTo(deviceContext, p.h + offset.h, p.v + offset.v);
}

void DrawContext::makePen() {
    if (!deviceContext)
        return;
    HPEN created = CreatePen(lineStyle == 1 ? PS_DOT : PS_SOLID, lineWidth, toColorRef(frameColor));
    if (!created)
        return;
    SelectObject(deviceContext, created);
    if (pen)
        DeleteObject(pen);
    pen = created;
}

void DrawContext::setLineStyle(int32_t style) {
    lineStyle = style;
    makePen();
}

void DrawContext::setLineWidth(int32_t width) {
    lineWidth = width;
    makePen();
}

void DrawContext::setFrameColor(Color colour) {
    frameColor = colour;
    makePen();
}

void DrawContext::setFillColor(Color colour) {
    fillColor = colour;
    if (!deviceContext)
        return;
    SetBkColor(deviceContext, toColorRef(colour));
    HBRUSH created = CreateSolidBrush(toColorRef(colour));
    if (!created)
        return;  // the previous brush stays selected
    SelectObject(deviceContext, created);
    if (brush)
        DeleteObject(brush);
    brush = created;
}

void DrawContext::setFontColor(Color colour) {
    fontColor = colour;
    if (deviceContext)
        SetTextColor(deviceContext, toColorRef(colour));
}

void DrawContext::setFont(int32_t number, int32_t size, int32_t face) {
    number = validFont(number);
    if (size == 0)
        size = kFonts[number].size;
    fontNumber = number;
    fontSize = size;
    if (!deviceContext)
        return;
    HFONT created = createFont(number, size, face);
    if (!created)
        return;
    SelectObject(deviceContext, created);
    if (font)
        DeleteObject(font);
    font = created;
}

void DrawContext::drawRect(const Rect& r) {
    // Each line leaves out its last pixel, which the next one starts on, so the
    // closed path covers every corner exactly once.
    moveTo(Point(r.left, r.top));
    lineTo(Point(r.right, r.top));
    lineTo(Point(r.right, r.bottom));
    lineTo(Point(r.left, r.bottom));
    lineTo(Point(r.left, r.top));
}

void DrawContext::fillRect(const Rect& r) {
    if (!deviceContext)
        return;
    RECT inside = {r.left + 1 + offset.h, r.top + 1 + offset.v, r.right + offset.h, r.bottom + offset.v};
    HBRUSH current = static_cast<HBRUSH>(GetCurrentObject(deviceContext, OBJ_BRUSH));
    FillRect(deviceContext, &inside, current);
}

int32_t DrawContext::getStringWidth(const char* text) {
    if (!deviceContext || !text)
        return 0;
    SIZE size = {0, 0};
    GetTextExtentPoint32A(deviceContext, text, static_cast<int>(lstrlenA(text)), &size);
    return size.cx;
}

void DrawContext::drawString(const char* text, const Rect& r, bool opaque, int32_t alignment) {
    if (!deviceContext || !text)
        return;
    RECT box = {r.left + offset.h, r.top + offset.v, r.right + offset.h, r.bottom + offset.v};
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (alignment == kLeftText) {
        flags |= DT_LEFT;
        box.left += 1;
    } else if (alignment == kRightText) {
        flags |= DT_RIGHT;
    } else {
        flags |= DT_CENTER;
    }
    if (opaque)
        SetBkMode(deviceContext, OPAQUE);
    DrawTextA(deviceContext, text, -1, &box, flags);
    if (opaque)
        SetBkMode(deviceContext, TRANSPARENT);
}

int32_t DrawContext::getMouseButtons() {
    int32_t buttons = 0;
    if (GetAsyncKeyState(VK_LBUTTON) < 0)
        buttons |= kLButton;
    if (GetAsyncKeyState(VK_MBUTTON) < 0)
        buttons |= kMButton;
    if (GetAsyncKeyState(VK_RBUTTON) < 0)
        buttons |= kRButton;
    if (GetAsyncKeyState(VK_SHIFT) < 0)
        buttons |= kShift;
    if (GetAsyncKeyState(VK_CONTROL) < 0)
        buttons |= kControl;
    if (GetAsyncKeyState(VK_MENU) < 0)
        buttons |= kAlt;
    return buttons;
}

void DrawContext::getMouseLocation(Point& where) {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    // Containers move the window origin by their place in the frame, which
    // counts in the frame's pixels.
    Point inFrame(cursor.x - screenOrigin.h, cursor.y - screenOrigin.v);
    if (scale != 100 && frame)
        inFrame = frame->fromWindow(inFrame.h, inFrame.v);
    where = Point(inFrame.h - (windowOrigin.h - screenOrigin.h), inFrame.v - (windowOrigin.v - screenOrigin.v));
}

Point DrawContext::toScreen(const Point& local) const {
    const int32_t x = windowOrigin.h - screenOrigin.h + local.h, y = windowOrigin.v - screenOrigin.v + local.v;
    return Point(screenOrigin.h + x * scale / 100, screenOrigin.v + y * scale / 100);
}

Color DrawContext::getPoint(const Point& p) {
    if (!deviceContext)
        return kBlackColor;
    return fromColorRef(GetPixel(deviceContext, p.h + offset.h, p.v + offset.v));
}

}  // namespace tine
