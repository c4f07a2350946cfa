#include "gui/MomentaryButton.h"

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace tine {

MomentaryButton::MomentaryButton(const Rect& r, ControlListener* l, int32_t t, int32_t height, Bitmap* bitmap,
                                 const Point& imageOffset)
    : Control(r, l, t, bitmap), offset(imageOffset), imageHeight(height) {}

void MomentaryButton::draw(DrawContext* context) {
    if (background && context) {
        Point source = offset;
        if (value != 0.0f)
            source.v += imageHeight;
        if (transparency)
            background->drawTransparent(context, size, source);
        else
            background->draw(context, size, source);
    }
    setDirty(false);
}

void MomentaryButton::mouse(DrawContext* context, const Point& where) {
    if (!mouseEnabled || !context)
        return;
    const int32_t buttons = context->getMouseButtons();
    if (!(buttons & kLButton))
        return;
    const float startValue = value;
    if (buttons == kLButton) {
        beginEdit();
        Point cursor = where;
        while (context->getMouseButtons() == kLButton) {
            value = size.isInside(cursor) ? (startValue == 0.0f ? 1.0f : 0.0f) : startValue;
            if (isDirty())
                notifyListener(context);
            context->getMouseLocation(cursor);
            idleWhileTracking();
        }
        endEdit();
    } else {
        value = value == 0.0f ? 1.0f : 0.0f;
        notifyListener(context);
    }
    value = 0.0f;
    notifyListener(context);
}

}  // namespace tine
