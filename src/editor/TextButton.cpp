#include "editor/TextButton.h"

#include "editor/PanelColors.h"
#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/ViewContainer.h"

namespace tine {

TextButton::TextButton(const Rect& r, ControlListener* receiver, int32_t controlTag, const char* text,
                       int32_t buttonStyle, float maximum, bool latching, bool returning)
    : Control(r, receiver, controlTag, nullptr),
      font(6),
      label(text),
      style(buttonStyle),
      latch(latching),
      momentary(returning) {
    vmin = 0.0f;
    vmax = maximum;
    setTransparency(true);
}

TextButton::~TextButton() = default;

void TextButton::setValue(float v) {
    if (latch)
        value = v == vmax ? v : 0.0f;
    else
        value = v;
    setDirty(true);
}

void TextButton::draw(DrawContext* context) {
    if (!context)
        return;
    if (auto* container = dynamic_cast<ViewContainer*>(parentView)) {
        if (Bitmap* bitmap = container->getBackground())
            bitmap->draw(context, size, size.topLeft());
    }
    Rect textRect = size;
    int32_t alignment = kCenterText;
    Color textColor = kPanelTextColor;
    if (style == kLampTextButton) {
        context->setFrameColor(kPanelTextColor);
        context->drawRect(Rect(size.left + 2, size.top + 2, size.left + 8, size.top + 8));
        context->setFillColor(isOn() ? kPanelTextColor : kLightTextColor);
        context->fillRect(Rect(size.left + 3, size.top + 3, size.left + 7, size.top + 7));
        textRect.offset(10, 0);
        alignment = kLeftText;
    } else if (style == kFramedTextButton) {
        if (isOn()) {
            context->setFillColor(kPanelTextColor);
            context->fillRect(size);
            textColor = kLightTextColor;
        } else {
            context->setFrameColor(kPanelTextColor);
            context->drawRect(size);
        }
    }
    if (label) {
        context->setFont(font);
        context->setFontColor(textColor);
        context->drawString(label, textRect, false, alignment);
    }
    setDirty(false);
}

void TextButton::mouse(DrawContext* context, const Point&) {
    if (!mouseEnabled || !context || !(context->getMouseButtons() & kLButton))
        return;
    if (latch && value != 0.0f)
        return;
    setValue(vmax - value);
    notifyListener(context);
    if (!momentary)
        return;
    Point where;
    while (context->getMouseButtons() & kLButton) {
        if (isDirty())
            notifyListener(context);
        context->getMouseLocation(where);
        idleWhileTracking();
    }
    setValue(vmax - value);
    notifyListener(context);
}

}  // namespace tine
