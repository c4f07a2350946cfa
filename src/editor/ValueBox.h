#pragma once
// Compact text boxes that show "label: value" and step the value with the
// mouse: the left button steps down, the right button up. Held without shift,
// a box starts with an eighth of its step and grows the step while it
// repeats; shift makes exactly one full step; control+left restores the
// default.

#include <cstdint>

#include "editor/PanelColors.h"
#include "gui/Control.h"

namespace tine {

class EffectBase;

// Writes the text a box shows (at most kValueBoxTextBytes with the
// terminator, cut beyond).
using ValueFormatter = void (*)(int32_t tag, float value, const char* label, char* text, void* context);

constexpr int32_t kValueBoxTextBytes = 64;

class ValueBox : public Control {
public:
    // label is not copied and may be null.
    ValueBox(const Rect& size, ControlListener* listener, int32_t tag, const char* label, bool noScaling, float step);
    ~ValueBox() override;

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, const Point& where) override;

    void setFormatter(ValueFormatter function, void* context) {
        formatter = function;
        formatterContext = context;
    }
    // The text the box shows for its current value.
    void formatText(char* text);

    void setRepeat(bool flag) { repeat = flag; }
    bool getRepeat() const { return repeat; }
    void setRepeatDelay(int32_t passes) { repeatDelay = passes > 0 ? passes : 1; }
    void setTextColor(Color colour) { textColor = colour; }
    Color getTextColor() const { return textColor; }
    float getStep() const { return step; }
    bool getNoScaling() const { return noScaling; }
    const char* getLabel() const { return label; }

    static void defaultFormatter(int32_t tag, float value, const char* label, char* text, void* context);

protected:
    // The part of the container's (or the frame's) background under the box.
    void drawBackground(DrawContext* context, bool frameFallback);

    const char* label;
    bool noScaling;
    float step;
    int32_t repeatDelay;
    bool repeat;
    Color textColor;
    void* formatterContext;
    ValueFormatter formatter;
};

// A box for one of the plug-in's parameters: the tag is the parameter index,
// the label and step come from the parameter table, the value text is the
// plug-in's own display text.
class ParamValueBox : public ValueBox {
public:
    ParamValueBox(const Rect& size, ControlListener* listener, int32_t tag, EffectBase* plugin, bool noScaling);

    EffectBase* getPlugin() const { return static_cast<EffectBase*>(formatterContext); }

    static void parameterFormatter(int32_t tag, float value, const char* label, char* text, void* context);
};

}  // namespace tine
