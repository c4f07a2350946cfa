#pragma once
// A text label that acts as a button: plain text, text beside a small lamp
// square, or text in a frame that fills while the button is on. A latching
// button only takes clicks while off; a momentary one goes back to its
// earlier value when released.

#include "gui/Control.h"

namespace tine {

enum TextButtonStyle : int32_t {
    kPlainTextButton = 0,
    kLampTextButton = 1,
    kFramedTextButton = 2,
};

class TextButton : public Control {
public:
    // label is not copied and may be null.
    TextButton(const Rect& size, ControlListener* listener, int32_t tag, const char* label, int32_t style,
               float maximum, bool latch, bool momentary);
    ~TextButton() override;

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, const Point& where) override;
    void setValue(float v) override;

    bool isOn() const { return value != 0.0f; }
    void setFont(int32_t number) { font = number; }
    int32_t getFont() const { return font; }
    int32_t getStyle() const { return style; }
    const char* getLabel() const { return label; }

private:
    int32_t font;
    const char* label;
    int32_t style;
    bool latch;
    bool momentary;
};

}  // namespace tine
