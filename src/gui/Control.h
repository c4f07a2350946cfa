#pragma once
// A view that holds a value in minimum..maximum and reports every change to
// its listener. A control is dirty while its value differs from the value it
// was last drawn with.

#include "gui/View.h"

namespace tine {

class Bitmap;
class Control;
class DrawContext;

class ControlListener {
public:
    virtual void valueChanged(DrawContext* context, Control* control) = 0;

protected:
    ~ControlListener() = default;
};

class Control : public View {
public:
    Control(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background = nullptr);
    ~Control() override;

    bool isDirty() override;
    void setDirty(bool flag = true) override;

    virtual void idleWhileTracking();
    virtual void setValue(float v);
    virtual float getValue();
    virtual void setMin(float v);
    virtual float getMin();
    virtual void setMax(float v);
    virtual float getMax();
    virtual void setOldValue(float v);
    virtual float getOldValue();
    virtual void setDefaultValue(float v);
    virtual float getDefaultValue();
    virtual void setTag(int32_t tag);
    virtual void setBackground(Bitmap* bitmap);
    virtual Bitmap* getBackground();
    virtual void setWheelIncrement(float v);
    virtual float getWheelIncrement();
    // Clamps the value into minimum..maximum.
    virtual void bounceValue();

    int32_t getTag() const { return tag; }
    ControlListener* getListener() const { return listener; }
    void setListener(ControlListener* l) { listener = l; }

protected:
    void notifyListener(DrawContext* context) {
        if (listener)
            listener->valueChanged(context, this);
    }
    void beginEdit();
    void endEdit();

    ControlListener* listener;
    int32_t tag;
    float oldValue;
    float defaultValue;
    float value;
    float vmin;
    float vmax;
    float wheelIncrement;
    Bitmap* background;
};

}  // namespace tine
