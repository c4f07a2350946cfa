#include "editor/ValueBox.h"

#include <cstdio>
#include <cstring>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/ViewContainer.h"
#include "params/ParameterTable.h"
#include "plugin/EffectBase.h"

namespace tine {
namespace {

// What a box shows of the plug-in's display text.
constexpr std::size_t kDisplayChars = 23;

const ParameterDescriptor* descriptorFor(int32_t tag) {
    return tag >= 0 && tag < kNumParams ? &ParameterTable[tag] : nullptr;
}

}  // namespace

ValueBox::ValueBox(const Rect& r, ControlListener* receiver, int32_t controlTag, const char* text, bool fullSteps,
                   float amount)
    : Control(r, receiver, controlTag, nullptr),
      label(text),
      noScaling(fullSteps),
      step(amount),
      repeatDelay(1),
      repeat(true),
      textColor(kPanelTextColor),
      formatterContext(nullptr),
      formatter(&ValueBox::defaultFormatter) {}

ValueBox::~ValueBox() = default;

void ValueBox::defaultFormatter(int32_t, float value, const char* label, char* text, void*) {
    if (label)
        std::snprintf(text, kValueBoxTextBytes, "%s: %.02f", label, static_cast<double>(value));
    else
        std::snprintf(text, kValueBoxTextBytes, "%.02f", static_cast<double>(value));
}

void ValueBox::formatText(char* text) {
    text[0] = 0;
    if (formatter)
        formatter(tag, value, label, text, formatterContext);
    text[kValueBoxTextBytes - 1] = 0;
}

void ValueBox::drawBackground(DrawContext* context, bool frameFallback) {
    Bitmap* bitmap = nullptr;
    if (auto* container = dynamic_cast<ViewContainer*>(parentView))
        bitmap = container->getBackground();
    else if (frameFallback && frame && !parentView)
        bitmap = frame->getBackground();
    // The background fills its container from the container's corner, so the
    // part under the box starts at the box's own corner.
    if (bitmap)
        bitmap->draw(context, size, size.topLeft());
}

void ValueBox::draw(DrawContext* context) {
    if (!context)
        return;
    drawBackground(context, true);
    char text[kValueBoxTextBytes];
    formatText(text);
    context->setFont(6);
    context->setFontColor(textColor);
    context->drawString(text, size, false, kLeftText);
    setDirty(false);
}

void ValueBox::mouse(DrawContext* context, const Point&) {
    if (!mouseEnabled || !context)
        return;
    const int32_t buttons = context->getMouseButtons();
    if (buttons == (kLButton | kControl)) {
        setValue(getDefaultValue());
        notifyListener(context);
        idleWhileTracking();
        return;
    }
    const int32_t state = buttons & ~kShift;
    float delta;
    if (state == kLButton)
        delta = -step;
    else if (state == kRButton)
        delta = step;
    else
        return;

    beginEdit();
    if ((buttons & kShift) || !repeat) {
        float v = value + delta;
        if (v < vmin)
            v = vmin;
        else if (v > vmax)
            v = vmax;
        setValue(v);
        draw(context);
        notifyListener(context);
    } else {
        if (!noScaling)
            delta *= 0.125f;
        int32_t counter = 0;
        int32_t countdown = 0;
        Point where;
        do {
            if (countdown == 0) {
                countdown = repeatDelay;
                float v = value + delta;
                // Steps that run into a bound do not count towards growing.
                if (v < vmin) {
                    v = vmin;
                } else if (v > vmax) {
                    v = vmax;
                } else if (!noScaling) {
                    if (counter == 16) {
                        counter = 0;
                        delta *= 1.125f;
                    } else {
                        ++counter;
                    }
                }
                setValue(v);
                draw(context);
                notifyListener(context);
            }
            context->getMouseLocation(where);
            --countdown;
            idleWhileTracking();
        } while (context->getMouseButtons() == buttons);
    }
    setDirty(true);
    idleWhileTracking();
    endEdit();
}

ParamValueBox::ParamValueBox(const Rect& r, ControlListener* receiver, int32_t controlTag, EffectBase* plugin,
                             bool fullSteps)
    : ValueBox(r, receiver, controlTag, descriptorFor(controlTag) ? descriptorFor(controlTag)->shortName : nullptr,
               fullSteps, descriptorFor(controlTag) ? descriptorFor(controlTag)->step : 0.01f) {
    setFormatter(&ParamValueBox::parameterFormatter, plugin);
}

void ParamValueBox::parameterFormatter(int32_t tag, float, const char* label, char* text, void* context) {
    // Room for whatever the plug-in writes; the box shows at most 23 characters of it.
    char display[256];
    std::memset(display, 0, sizeof display);
    if (auto* plugin = static_cast<EffectBase*>(context))
        plugin->getParameterDisplay(tag, display);
    display[kDisplayChars] = 0;
    if (label)
        std::snprintf(text, kValueBoxTextBytes, "%s: %s", label, display);
    else
        std::snprintf(text, kValueBoxTextBytes, "%s", display);
}

}  // namespace tine
