#pragma once
// A drawing surface of the toolkit over one GDI device context. It keeps the
// current colours, pen, brush and font, and a drawing offset that containers
// move so that every view draws in its parent's coordinates. It also answers
// the two questions mouse tracking asks: which buttons are down, and where the
// cursor is.

#include <windows.h>

#include "gui/Geometry.h"

namespace tine {

class Frame;

// Text face bits of setFont.
enum TextFace : int32_t {
    kBoldFace = 1,
    kItalicFace = 2,
    kUnderlineFace = 4,
};

// Horizontal text alignment of drawString.
enum TextAlign : int32_t {
    kLeftText = 0,
    kCenterText = 1,
    kRightText = 2,
};

class DrawContext {
public:
    // Either argument may be null: a context without a device context only
    // reports the mouse, one without a window has no window origin. A
    // context on the window of a scaled frame draws into the frame's native
    // picture instead, which goes to deviceContext when the context ends.
    DrawContext(Frame* frame, HDC deviceContext, HWND window);
    virtual ~DrawContext();

    void moveTo(const Point& p);
    void lineTo(const Point& p);

    void setLineStyle(int32_t style);  // 0 solid, 1 dotted
    int32_t getLineStyle() const { return lineStyle; }
    void setLineWidth(int32_t width);
    int32_t getLineWidth() const { return lineWidth; }
    void setFrameColor(Color colour);
    Color getFrameColor() const { return frameColor; }
    void setFillColor(Color colour);
    Color getFillColor() const { return fillColor; }
    void setFontColor(Color colour);
    Color getFontColor() const { return fontColor; }

    // Font number 0..7 of the font table (others read as 0); size 0 takes the
    // table's size; face is a set of TextFace bits.
    void setFont(int32_t number, int32_t size = 0, int32_t face = 0);
    int32_t getFont() const { return fontNumber; }
    int32_t getFontSize() const { return fontSize; }

    // The outline from (left, top) to (right, bottom), both corners included.
    void drawRect(const Rect& r);
    // Exactly the pixels inside the outline drawRect gives the same rectangle.
    void fillRect(const Rect& r);

    int32_t getStringWidth(const char* text);
    // One line, vertically centred; alignment 0 starts one pixel in from the left.
    void drawString(const char* text, const Rect& r, bool opaque = false, int32_t alignment = kCenterText);

    // MouseButtons bits, read at the moment of the call.
    int32_t getMouseButtons();
    // The cursor relative to the window origin (the drawing area of the view),
    // in the frame's own pixels when the frame is scaled.
    void getMouseLocation(Point& where);
    // Where a point of the drawing area lies on the screen.
    Point toScreen(const Point& local) const;

    // The colour of one pixel (drawing offset applied); for checks and pickers.
    Color getPoint(const Point& p);

    Point getDrawingOffset() const { return offset; }
    void setDrawingOffset(const Point& p) { offset = p; }
    Point getWindowOrigin() const { return windowOrigin; }
    void setWindowOrigin(const Point& p) { windowOrigin = p; }

    HDC getSystemContext() const { return deviceContext; }
    HWND getWindow() const { return window; }
    Frame* getFrame() const { return frame; }

    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    // The face and pixel size of a font number, for native controls that must
    // look like the drawn text.
    static const char* fontFace(int32_t number);
    static int32_t fontTableSize(int32_t number);
    static HFONT createFont(int32_t number, int32_t size, int32_t face);

protected:
    void makePen();

    Point windowOrigin;
    Point offset;
    HDC deviceContext;
    HWND window;
    Frame* frame;
    int32_t fontSize;
    int32_t fontNumber;
    Color fontColor;
    int32_t lineWidth;
    Color frameColor;
    Color fillColor;
    int32_t lineStyle;
    HBRUSH brush;
    HPEN pen;
    HFONT font;
    HGDIOBJ oldPen;
    HGDIOBJ oldBrush;
    HGDIOBJ oldFont;
    bool deleteDeviceContext = false;  // a memory context made by a subclass
    // The frame's scale, the screen position of its window's client area,
    // and while drawing into the frame's picture the window's device context
    // it goes to and the picture's state to restore.
    int32_t scale = 100;
    Point screenOrigin;
    HDC windowContext = nullptr;
    int canvasState = 0;
};

inline COLORREF toColorRef(Color c) {
    return RGB(c.red, c.green, c.blue);
}

inline Color fromColorRef(COLORREF c) {
    return Color(GetRValue(c), GetGValue(c), GetBValue(c));
}

}  // namespace tine
