#pragma once
// A reference-counted image from the program's bitmap resources, drawn opaque
// or with one colour left out.

#include <windows.h>

#include "gui/Geometry.h"

namespace tine {

class DrawContext;

class Bitmap {
public:
    // Loads the bitmap resource of the program's module. A resource that does
    // not load leaves an empty bitmap (no handle, 0 x 0) that draws nothing.
    explicit Bitmap(int32_t resourceId);
    // A blank bitmap of the given size, compatible with the screen, filled
    // with the colour; for images drawn at run time.
    Bitmap(int32_t width, int32_t height, Color fill);

    bool isLoaded() const { return handle != nullptr; }

    void remember() { ++referenceCount; }
    // Releases one reference; the last one deletes the image, its mask and
    // the object itself.
    void forget();
    int32_t getNbReference() const { return referenceCount; }

    // Points a holder's slot at another bitmap: the new one is remembered
    // before the old one is forgotten, so setting the same bitmap again is safe.
    static void replace(Bitmap*& slot, Bitmap* with) {
        if (with)
            with->remember();
        if (slot)
            slot->forget();
        slot = with;
    }

    // Copies the rectangle's size from source in the bitmap to the rectangle
    // (plus the context's drawing offset).
    void draw(DrawContext* context, const Rect& destination, const Point& source = Point());
    // The same, but pixels of the transparent colour leave the destination alone.
    void drawTransparent(DrawContext* context, const Rect& destination, const Point& source = Point());

    void setTransparentColor(Color colour);
    Color getTransparentColor() const { return transparentColor; }

    int32_t getResourceId() const { return resourceId; }
    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    HBITMAP getHandle() const { return handle; }

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

private:
    ~Bitmap();
    bool makeMask(HDC reference);

    int32_t resourceId = 0;
    int32_t referenceCount = 1;
    int32_t width = 0;
    int32_t height = 0;
    Color transparentColor = kDefaultTransparentColor;
    HBITMAP handle = nullptr;
    HBITMAP mask = nullptr;  // one bit per pixel, 1 where transparent; made at the first transparent draw
};

}  // namespace tine
