#include "gui/OnOffButton.h"

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace tine {

OnOffButton::OnOffButton(const Rect& r, ControlListener* l, int32_t t, Bitmap* bitmap) : Control(r, l, t, bitmap) {}

void OnOffButton::draw(DrawContext* context) {
    if (background && context) {
        const Point source(0, value == 0.0f ? 0 : background->getHeight() / 2);
        if (transparency)
            background->drawTransparent(context, size, source);
        else
            background->draw(context, size, source);
    }
    setDirty(false);
}

void OnOffButton::mouse(DrawContext* context, const Point&) {
    if (!mouseEnabled || !context || !(context->getMouseButtons() & kLButton))
        return;
    // The value counts as on when its whole part is not 0: 0.7 is off.
    value = static_cast<int32_t>(value) != 0 ? 0.0f : 1.0f;
    idleWhileTracking();
    notifyListener(context);
}

}  // namespace tine
