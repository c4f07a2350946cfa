#pragma once
// A button that flips between 0 and 1 at each click; its bitmap holds the off
// image above the on image.

#include "gui/Control.h"

namespace tine {

class OnOffButton : public Control {
public:
    OnOffButton(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* bitmap);

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, const Point& where) override;
};

}  // namespace tine
