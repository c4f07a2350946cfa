#include "gui/Knob.h"

#include <cmath>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"

namespace tine {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kDragPixels = 200.0f;  // a linear drag this long covers the range

}  // namespace

Knob::Knob(const Rect& r, ControlListener* l, int32_t t, Bitmap* bitmap, Bitmap* handle, const Point& imageOffset)
    : Control(r, l, t, bitmap),
      offset(imageOffset),
      handleColor(kWhiteColor),
      handleShadowColor(kGreyColor),
      handleBitmap(handle),
      inset(3),
      startAngle(0.0f),
      rangeAngle(0.0f),
      halfAngle(0.0f),
      angleToValue(0.0f),
      valueOffset(0.0f),
      radius(static_cast<float>(r.width()) / 2.0f),
      zoomFactor(1.5f) {
    if (handleBitmap)
        handleBitmap->remember();
    setStartAngle(5.0f * kPi / 4.0f);
    setRangeAngle(-3.0f * kPi / 2.0f);
}

Knob::~Knob() {
    if (handleBitmap)
        handleBitmap->forget();
}

void Knob::compute() {
    angleToValue = (vmax - vmin) / rangeAngle;
    valueOffset = vmin - angleToValue * startAngle;
    halfAngle = (kTwoPi - std::fabs(rangeAngle)) * 0.5f;
}

void Knob::setStartAngle(float angle) {
    startAngle = angle;
    compute();
}

float Knob::getStartAngle() {
    return startAngle;
}

void Knob::setRangeAngle(float angle) {
    rangeAngle = angle;
    compute();
}

float Knob::getRangeAngle() {
    return rangeAngle;
}

void Knob::setInsetValue(int32_t v) {
    inset = v;
}

void Knob::setColorShadowHandle(Color colour) {
    handleShadowColor = colour;
    setDirty(true);
}

void Knob::setColorHandle(Color colour) {
    handleColor = colour;
    setDirty(true);
}

void Knob::setHandleBitmap(Bitmap* bitmap) {
    Bitmap::replace(handleBitmap, bitmap);
    setDirty(true);
}

void Knob::setZoomFactor(float factor) {
    zoomFactor = factor;
}

float Knob::getZoomFactor() {
    return zoomFactor;
}

void Knob::valueToPoint(Point& point) {
    const float range = vmax - vmin;
    const float fraction = range != 0.0f ? (value - vmin) / range : 0.0f;
    const float angle = startAngle + rangeAngle * fraction;
    const float length = radius - static_cast<float>(inset);
    point.h = static_cast<int32_t>(radius + std::cos(angle) * length + 0.5f);
    point.v = static_cast<int32_t>(radius - std::sin(angle) * length + 0.5f);
}

float Knob::valueFromPoint(const Point& point) {
    float alpha = std::atan2(radius - static_cast<float>(point.v), static_cast<float>(point.h) - radius);
    if (alpha < 0.0f)
        alpha += kTwoPi;
    // Angle travelled from the start in the direction of the range, 0..2π.
    float travelled = (alpha - startAngle) * (rangeAngle < 0.0f ? -1.0f : 1.0f);
    travelled = std::fmod(travelled, kTwoPi);
    if (travelled < 0.0f)
        travelled += kTwoPi;
    const float span = std::fabs(rangeAngle);
    if (travelled > span) {
        // In the gap below the start and above the end: the nearer end wins.
        travelled = travelled - span < halfAngle ? span : 0.0f;
    }
    const float v = vmin + (vmax - vmin) * (span != 0.0f ? travelled / span : 0.0f);
    return v < vmin ? vmin : (v > vmax ? vmax : v);
}

void Knob::drawHandle(DrawContext* context) {
    Point tip;
    valueToPoint(tip);
    const Point centre(static_cast<int32_t>(radius), static_cast<int32_t>(radius));
    Point origin(size.left, size.top);
    context->setFrameColor(handleShadowColor);
    context->moveTo(Point(origin.h + centre.h + 1, origin.v + centre.v + 1));
    context->lineTo(Point(origin.h + tip.h + 1, origin.v + tip.v + 1));
    context->setFrameColor(handleColor);
    context->moveTo(Point(origin.h + centre.h, origin.v + centre.v));
    context->lineTo(Point(origin.h + tip.h, origin.v + tip.v));
}

void Knob::draw(DrawContext* context) {
    if (context) {
        if (background) {
            if (transparency)
                background->drawTransparent(context, size, offset);
            else
                background->draw(context, size, offset);
        }
        if (handleBitmap) {
            Point tip;
            valueToPoint(tip);
            const int32_t w = handleBitmap->getWidth();
            const int32_t h = handleBitmap->getHeight();
            const Rect place(size.left + tip.h - w / 2, size.top + tip.v - h / 2, size.left + tip.h - w / 2 + w,
                             size.top + tip.v - h / 2 + h);
            handleBitmap->drawTransparent(context, place);
        } else {
            drawHandle(context);
        }
    }
    setDirty(false);
}

void Knob::mouse(DrawContext* context, const Point& where) {
    if (!mouseEnabled || !context)
        return;
    int32_t buttons = context->getMouseButtons();
    if (!(buttons & kLButton))
        return;
    if (buttons == (kLButton | kControl)) {
        value = defaultValue;
        if (isDirty())
            notifyListener(context);
        return;
    }

    const float halfRange = (vmax - vmin) * 0.5f;
    const int32_t mode = frame ? frame->getKnobMode() : kCircularMode;
    const bool alt = (buttons & kAlt) != 0;
    const bool linear = (mode == kLinearMode && !alt) || (mode != kLinearMode && alt);

    auto deltaFor = [&](int32_t state) {
        const float pixels = (state & kShift) ? zoomFactor * kDragPixels : kDragPixels;
        return (vmax - vmin) / pixels;
    };
    float delta = deltaFor(buttons);
    const Point start = where;
    float startValue = value;
    float lastValue = linear ? value : valueFromPoint(Point(where.h - size.left, where.v - size.top));

    beginEdit();
    if (frame)
        frame->setFocusView(this);

    Point last(-100000, -100000);
    Point cursor = where;
    int32_t lastButtons = buttons;
    while (true) {
        buttons = context->getMouseButtons();
        if (!(buttons & kLButton))
            break;
        if (cursor != last) {
            last = cursor;
            if (linear) {
                const float d = static_cast<float>((cursor.h - start.h) - (cursor.v - start.v));
                if (buttons != lastButtons) {
                    // A new scale applies from here on: move the anchor so
                    // the value stays where it is.
                    const float newDelta = deltaFor(buttons);
                    startValue += (delta - newDelta) * d;
                    delta = newDelta;
                    lastButtons = buttons;
                }
                value = startValue + d * delta;
                bounceValue();
            } else {
                const float v = valueFromPoint(Point(cursor.h - size.left, cursor.v - size.top));
                if (lastValue - v > halfRange) {
                    value = vmax;
                } else if (v - lastValue > halfRange) {
                    value = vmin;
                } else {
                    value = v;
                    lastValue = v;
                }
            }
            if (isDirty())
                notifyListener(context);
        }
        context->getMouseLocation(cursor);
        idleWhileTracking();
    }
    endEdit();
}

bool Knob::onWheel(DrawContext* context, const Point&, float distance) {
    if (!mouseEnabled)
        return false;
    float step = distance * wheelIncrement;
    if (context && (context->getMouseButtons() & kShift))
        step *= 0.1f;
    value += step;
    bounceValue();
    if (isDirty())
        notifyListener(context);
    return true;
}

int32_t Knob::onKeyDown(KeyCode& key) {
    float step;
    switch (key.virt) {
    case kKeyLeft:
    case kKeyDown:
        step = -wheelIncrement;
        break;
    case kKeyRight:
    case kKeyUp:
        step = wheelIncrement;
        break;
    default:
        return -1;
    }
    if (key.modifier & kModifierShift)
        step *= 0.1f;
    value += step;
    bounceValue();
    if (isDirty())
        notifyListener(nullptr);
    return 1;
}

}  // namespace tine
