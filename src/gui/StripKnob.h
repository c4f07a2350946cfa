#pragma once
// A knob drawn as one frame of a vertical film strip: the value picks the frame.

#include "gui/Knob.h"

namespace tine {

class StripKnob : public Knob {
public:
    StripKnob(const Rect& size, ControlListener* listener, int32_t tag, int32_t numberOfImages, int32_t imageHeight,
              Bitmap* bitmap, const Point& offset = Point());

    void draw(DrawContext* context) override;

    void setInverseBitmap(bool flag) { inverse = flag; }
    // The top of the strip frame shown for the current value.
    int32_t frameTop() const;

private:
    int32_t numberOfImages;
    int32_t imageHeight;
    bool inverse;
};

}  // namespace tine
