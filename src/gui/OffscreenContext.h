#pragma once
// A drawing context over a memory bitmap: containers draw their background and
// children here and copy the result to the window in one block.

#include "gui/DrawContext.h"

namespace tine {

class Bitmap;

class OffscreenContext : public DrawContext {
public:
    // A new bitmap of the given size, compatible with the frame's window (or
    // the screen without one), filled with the background colour.
    OffscreenContext(Frame* frame, int32_t width, int32_t height, Color background = kBlackColor);
    // Draws into an existing bitmap, which it remembers but does not own.
    OffscreenContext(Frame* frame, Bitmap* bitmap);
    ~OffscreenContext() override;

    // Copies destination's size from source in this context's bitmap to the
    // destination rectangle (plus the destination's drawing offset).
    void copyFrom(DrawContext* destination, const Rect& destinationRect, const Point& source = Point());

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    HBITMAP getBitmapHandle() const { return memoryBitmap; }
    bool isValid() const { return deviceContext != nullptr && memoryBitmap != nullptr; }

private:
    static HDC makeDeviceContext(Frame* frame);

    bool ownsBitmap;
    Bitmap* bitmap;
    int32_t height;
    int32_t width;
    Color backgroundColor;
    HBITMAP memoryBitmap;
    HGDIOBJ oldBitmap;
};

}  // namespace tine
