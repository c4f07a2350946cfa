#pragma once
// A display of one image out of a vertical film strip, chosen by the value;
// used for lamps. It takes no clicks of its own.

#include "gui/Control.h"

namespace tine {

class StripImage : public Control {
public:
    StripImage(const Rect& size, ControlListener* listener, int32_t tag, int32_t numberOfImages, int32_t imageHeight,
               Bitmap* bitmap, const Point& offset = Point());

    void draw(DrawContext* context) override;

    int32_t getNumberOfImages() const { return numberOfImages; }
    // The image shown for the current value.
    int32_t imageIndex() const;

private:
    Point offset;
    int32_t numberOfImages;
    int32_t imageHeight;
};

}  // namespace tine
