#pragma once
// A rotary control. Dragging moves the value either along a line (right or up
// increases; shift drags finer) or around the knob's centre, following the
// toolkit-wide knob mode; alt swaps the two. Control+click restores the
// default; the wheel and the arrow keys step it.

#include "gui/Control.h"

namespace tine {

// Virtual key codes and modifier bits of the plug-in key events.
enum VirtualKey : unsigned char {
    kKeyLeft = 11,
    kKeyUp = 12,
    kKeyRight = 13,
    kKeyDown = 14,
};
enum KeyModifier : unsigned char {
    kModifierShift = 1,
};

class Knob : public Control {
public:
    Knob(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background, Bitmap* handle,
         const Point& offset = Point());
    ~Knob() override;

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, const Point& where) override;
    bool onWheel(DrawContext* context, const Point& where, float distance) override;
    int32_t onKeyDown(KeyCode& key) override;

    virtual void drawHandle(DrawContext* context);
    virtual void setStartAngle(float angle);
    virtual float getStartAngle();
    virtual void setRangeAngle(float angle);
    virtual float getRangeAngle();
    // The handle's tip for the current value, relative to the knob.
    virtual void valueToPoint(Point& point);
    // The value for a point relative to the knob.
    virtual float valueFromPoint(const Point& point);
    virtual void setInsetValue(int32_t inset);
    virtual void setColorShadowHandle(Color colour);
    virtual void setColorHandle(Color colour);
    virtual void setHandleBitmap(Bitmap* bitmap);
    virtual void setZoomFactor(float factor);
    virtual float getZoomFactor();

protected:
    void compute();

    Point offset;
    Color handleColor;
    Color handleShadowColor;
    Bitmap* handleBitmap;
    int32_t inset;
    float startAngle;
    float rangeAngle;
    float halfAngle;
    float angleToValue;
    float valueOffset;
    float radius;
    float zoomFactor;
};

}  // namespace tine
