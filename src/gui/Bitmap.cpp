#include "gui/Bitmap.h"

#include "gui/DrawContext.h"

namespace tine {

namespace {

// The module this code is linked into: the program, or the plug-in library a
// host loaded, whose own resources hold the bitmaps.
HMODULE resourceModule() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&resourceModule), &module))
        module = GetModuleHandleA(nullptr);
    return module;
}

void readSize(HBITMAP handle, int32_t& width, int32_t& height) {
    BITMAP info = {};
    if (handle && GetObject(handle, sizeof(info), &info)) {
        width = info.bmWidth;
        height = info.bmHeight;
    } else {
        width = height = 0;
    }
}

// A memory device context holding one bitmap for as long as it lives.
class Selected {
public:
    Selected(HDC reference, HBITMAP bitmap) : dc(CreateCompatibleDC(reference)), previous(nullptr) {
        if (dc)
            previous = SelectObject(dc, bitmap);
    }
    ~Selected() {
        if (dc) {
            SelectObject(dc, previous);
            DeleteDC(dc);
        }
    }
    HDC get() const { return dc; }
    explicit operator bool() const { return dc != nullptr; }

private:
    HDC dc;
    HGDIOBJ previous;
};

}  // namespace

Bitmap::Bitmap(int32_t id) : resourceId(id) {
    handle = LoadBitmapA(resourceModule(), MAKEINTRESOURCEA(id));
    readSize(handle, width, height);
}

Bitmap::Bitmap(int32_t w, int32_t h, Color fill) {
    HDC screen = GetDC(nullptr);
    handle = CreateCompatibleBitmap(screen, w, h);
    if (handle) {
        Selected image(screen, handle);
        if (image) {
            RECT all = {0, 0, w, h};
            HBRUSH brush = CreateSolidBrush(toColorRef(fill));
            FillRect(image.get(), &all, brush);
            DeleteObject(brush);
        }
    }
    ReleaseDC(nullptr, screen);
    readSize(handle, width, height);
}

Bitmap::~Bitmap() {
    if (handle)
        DeleteObject(handle);
    if (mask)
        DeleteObject(mask);
}

void Bitmap::forget() {
    if (referenceCount > 1) {
        --referenceCount;
        return;
    }
    delete this;
}

void Bitmap::setTransparentColor(Color colour) {
    if (colour == transparentColor)
        return;
    transparentColor = colour;
    // A mask made for the old colour no longer fits.
    if (mask) {
        DeleteObject(mask);
        mask = nullptr;
    }
}

void Bitmap::draw(DrawContext* context, const Rect& destination, const Point& source) {
    if (!handle || !context || !context->getSystemContext())
        return;
    HDC target = context->getSystemContext();
    Selected image(target, handle);
    if (!image)
        return;
    const Point offset = context->getDrawingOffset();
    BitBlt(target, destination.left + offset.h, destination.top + offset.v, destination.width(), destination.height(),
           image.get(), source.h, source.v, SRCCOPY);
}

bool Bitmap::makeMask(HDC reference) {
    mask = CreateBitmap(width, height, 1, 1, nullptr);
    if (!mask)
        return false;
    Selected image(reference, handle);
    Selected bits(reference, mask);
    if (!image || !bits)
        return false;
    // Copying colour into one bit per pixel sets exactly the pixels of the
    // source's background colour.
    SetBkColor(image.get(), toColorRef(transparentColor));
    BitBlt(bits.get(), 0, 0, width, height, image.get(), 0, 0, SRCCOPY);
    return true;
}

void Bitmap::drawTransparent(DrawContext* context, const Rect& destination, const Point& source) {
    if (!handle || !context || !context->getSystemContext())
        return;
    HDC target = context->getSystemContext();
    if (!mask && !makeMask(target))
        return;
    const int w = destination.width();
    const int h = destination.height();
    if (w <= 0 || h <= 0)
        return;
    const Point offset = context->getDrawingOffset();
    const int x = destination.left + offset.h;
    const int y = destination.top + offset.v;

    // Work on copies: the destination region and the source region are masked
    // off-screen and joined, so neither the screen flickers nor the bitmap is
    // ever changed.
    HBITMAP backBits = CreateCompatibleBitmap(target, w, h);
    HBITMAP frontBits = CreateCompatibleBitmap(target, w, h);
    if (backBits && frontBits) {
        Selected image(target, handle);
        Selected bits(target, mask);
        Selected back(target, backBits);
        Selected front(target, frontBits);
        if (image && bits && back && front) {
            // Monochrome into colour maps 1 to the background colour and 0 to
            // the text colour of the receiving context.
            SetBkColor(back.get(), RGB(255, 255, 255));
            SetTextColor(back.get(), RGB(0, 0, 0));
            SetBkColor(front.get(), RGB(255, 255, 255));
            SetTextColor(front.get(), RGB(0, 0, 0));

            BitBlt(back.get(), 0, 0, w, h, target, x, y, SRCCOPY);
            BitBlt(back.get(), 0, 0, w, h, bits.get(), source.h, source.v, SRCAND);  // keep where transparent
            BitBlt(front.get(), 0, 0, w, h, image.get(), source.h, source.v, SRCCOPY);
            BitBlt(front.get(), 0, 0, w, h, bits.get(), source.h, source.v, 0x00220326);  // black where transparent
            BitBlt(back.get(), 0, 0, w, h, front.get(), 0, 0, SRCPAINT);
            BitBlt(target, x, y, w, h, back.get(), 0, 0, SRCCOPY);
        }
    }
    if (backBits)
        DeleteObject(backBits);
    if (frontBits)
        DeleteObject(frontBits);
}

}  // namespace tine
