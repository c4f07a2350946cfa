#pragma once
// A button that is 1 only while it is held down with the pointer inside it
// and returns to 0 on release; each change reaches the listener.

#include "gui/Control.h"

namespace tine {

class MomentaryButton : public Control {
public:
    MomentaryButton(const Rect& size, ControlListener* listener, int32_t tag, int32_t imageHeight, Bitmap* bitmap,
                    const Point& offset = Point());

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, const Point& where) override;

private:
    Point offset;
    int32_t imageHeight;
};

}  // namespace tine
