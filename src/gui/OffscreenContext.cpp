#include "gui/OffscreenContext.h"

#include "gui/Bitmap.h"
#include "gui/Frame.h"

namespace tine {

HDC OffscreenContext::makeDeviceContext(Frame* frame) {
    HWND window = frame ? frame->getSystemWindow() : nullptr;
    HDC reference = GetDC(window);
    HDC dc = CreateCompatibleDC(reference);
    ReleaseDC(window, reference);
    return dc;
}

OffscreenContext::OffscreenContext(Frame* owner, int32_t w, int32_t h, Color background)
    : DrawContext(owner, makeDeviceContext(owner), nullptr),
      ownsBitmap(true),
      bitmap(nullptr),
      height(h),
      width(w),
      backgroundColor(background),
      memoryBitmap(nullptr),
      oldBitmap(nullptr) {
    deleteDeviceContext = true;
    if (!deviceContext)
        return;
    HWND frameWindow = owner ? owner->getSystemWindow() : nullptr;
    HDC reference = GetDC(frameWindow);
    memoryBitmap = CreateCompatibleBitmap(reference, w > 0 ? w : 1, h > 0 ? h : 1);
    ReleaseDC(frameWindow, reference);
    if (!memoryBitmap)
        return;
    oldBitmap = SelectObject(deviceContext, memoryBitmap);
    setFillColor(background);
    setFrameColor(background);
    RECT all = {0, 0, w, h};
    FillRect(deviceContext, &all, brush);
    setFrameColor(kWhiteColor);
    setFillColor(kBlackColor);
}

OffscreenContext::OffscreenContext(Frame* owner, Bitmap* image)
    : DrawContext(owner, makeDeviceContext(owner), nullptr),
      ownsBitmap(false),
      bitmap(image),
      height(image ? image->getHeight() : 0),
      width(image ? image->getWidth() : 0),
      backgroundColor(kBlackColor),
      memoryBitmap(image ? image->getHandle() : nullptr),
      oldBitmap(nullptr) {
    deleteDeviceContext = true;
    if (bitmap)
        bitmap->remember();
    if (deviceContext && memoryBitmap)
        oldBitmap = SelectObject(deviceContext, memoryBitmap);
}

OffscreenContext::~OffscreenContext() {
    // The memory context itself goes in the base destructor, after pen, brush
    // and font are back in it; the bitmap is taken out here so it can be freed.
    if (deviceContext && oldBitmap)
        SelectObject(deviceContext, oldBitmap);
    if (bitmap)
        bitmap->forget();
    if (ownsBitmap && memoryBitmap)
        DeleteObject(memoryBitmap);
}

void OffscreenContext::copyFrom(DrawContext* destination, const Rect& r, const Point& source) {
    if (!destination || !destination->getSystemContext() || !deviceContext)
        return;
    const Point shift = destination->getDrawingOffset();
    BitBlt(destination->getSystemContext(), r.left + shift.h, r.top + shift.v, r.width(), r.height(), deviceContext,
           source.h, source.v, SRCCOPY);
}

}  // namespace tine
