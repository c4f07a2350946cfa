#include "gui/StripImage.h"

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace tine {

StripImage::StripImage(const Rect& r, ControlListener* l, int32_t t, int32_t images, int32_t height, Bitmap* bitmap,
                       const Point& imageOffset)
    : Control(r, l, t, bitmap), offset(imageOffset), numberOfImages(images), imageHeight(height) {}

int32_t StripImage::imageIndex() const {
    const float v = value > 1.0f ? 1.0f : value;
    if (v <= 0.0f)
        return 0;
    return static_cast<int32_t>(static_cast<float>(numberOfImages - 1) * v + 0.5f);
}

void StripImage::draw(DrawContext* context) {
    if (value > 1.0f)
        value = 1.0f;
    if (background && context) {
        const Point source(offset.h, offset.v + imageIndex() * imageHeight);
        if (transparency)
            background->drawTransparent(context, size, source);
        else
            background->draw(context, size, source);
    }
    setDirty(false);
}

}  // namespace tine
