#include "gui/Control.h"

#include "gui/Bitmap.h"
#include "gui/Frame.h"

namespace tine {

Control::Control(const Rect& r, ControlListener* l, int32_t t, Bitmap* bitmap)
    : View(r),
      listener(l),
      tag(t),
      oldValue(1.0f),
      defaultValue(0.5f),
      value(0.0f),
      vmin(0.0f),
      vmax(1.0f),
      wheelIncrement(0.1f),
      background(bitmap) {
    if (background)
        background->remember();
    mouseEnabled = true;
    transparency = false;
}

Control::~Control() {
    if (background)
        background->forget();
}

bool Control::isDirty() {
    return value != oldValue || dirty;
}

void Control::setDirty(bool flag) {
    // The old value is what the control was last drawn with: forcing a redraw
    // moves it away from the value, a draw brings it back.
    if (flag)
        oldValue = value == -1.0f ? 0.0f : -1.0f;
    else
        oldValue = value;
    View::setDirty(flag);
}

void Control::idleWhileTracking() {
    if (frame)
        frame->idleWhileTracking();
}

void Control::setValue(float v) {
    value = v;
}

float Control::getValue() {
    return value;
}

void Control::setMin(float v) {
    vmin = v;
}

float Control::getMin() {
    return vmin;
}

void Control::setMax(float v) {
    vmax = v;
}

float Control::getMax() {
    return vmax;
}

void Control::setOldValue(float v) {
    oldValue = v;
}

float Control::getOldValue() {
    return oldValue;
}

void Control::setDefaultValue(float v) {
    defaultValue = v;
}

float Control::getDefaultValue() {
    return defaultValue;
}

void Control::setTag(int32_t t) {
    tag = t;
}

void Control::setBackground(Bitmap* bitmap) {
    Bitmap::replace(background, bitmap);
    setDirty(true);
}

Bitmap* Control::getBackground() {
    return background;
}

void Control::setWheelIncrement(float v) {
    wheelIncrement = v;
}

float Control::getWheelIncrement() {
    return wheelIncrement;
}

void Control::bounceValue() {
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
}

void Control::beginEdit() {
    if (frame)
        frame->beginEdit(tag);
}

void Control::endEdit() {
    if (frame)
        frame->endEdit(tag);
}

}  // namespace tine
