#include "gui/StripKnob.h"

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace tine {

StripKnob::StripKnob(const Rect& r, ControlListener* l, int32_t t, int32_t images, int32_t height, Bitmap* bitmap,
                     const Point& imageOffset)
    : Knob(r, l, t, bitmap, nullptr, imageOffset), numberOfImages(images), imageHeight(height), inverse(false) {}

int32_t StripKnob::frameTop() const {
    const int32_t total = (numberOfImages - 1) * imageHeight;
    const float fraction = inverse ? 1.0f - value : value;
    int32_t y = static_cast<int32_t>(fraction * static_cast<float>(total));
    // Down to the top of the frame y falls in; the last frame's top stays.
    if (imageHeight > 0 && y != total)
        y -= y % imageHeight;
    return y < 0 ? 0 : y;
}

void StripKnob::draw(DrawContext* context) {
    if (value >= 0.0f && background && context) {
        const Point source(0, frameTop());
        if (transparency)
            background->drawTransparent(context, size, source);
        else
            background->draw(context, size, source);
    }
    setDirty(false);
}

}  // namespace tine
