#include "gui/ValueDisplay.h"

#include <cstdio>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace tine {

ValueDisplay::ValueDisplay(const Rect& r, Bitmap* bitmap, int32_t s)
    : Control(r, nullptr, 0, bitmap),
      valueToText(nullptr),
      valueToTextWithData(nullptr),
      textToValue(nullptr),
      userData(nullptr),
      horiAlign(kCenterText),
      style(s),
      fontNumber(3),
      txtFace(0),
      fontColor(kWhiteColor),
      backColor(kBlackColor),
      frameColor(kBlackColor),
      shadowColor(kRedColor),
      backOffset(0, 0),
      textTransparency(true) {}

void ValueDisplay::draw(DrawContext* context) {
    char text[256] = {0};
    if (valueToTextWithData)
        valueToTextWithData(value, text, userData);
    else if (valueToText)
        valueToText(value, text);
    else
        std::snprintf(text, sizeof(text), "%2.2f", static_cast<double>(value));
    drawText(context, text);
}

void ValueDisplay::drawText(DrawContext* context, const char* text, Bitmap* bitmap) {
    setDirty(false);
    if ((style & kNoDrawStyle) || !context)
        return;

    if (!bitmap)
        bitmap = background;
    if (bitmap) {
        if (transparency)
            bitmap->drawTransparent(context, size, backOffset);
        else
            bitmap->draw(context, size, backOffset);
    } else if (!transparency) {
        context->setFillColor(backColor);
        context->fillRect(size);
        if (!(style & (k3DInStyle | k3DOutStyle))) {
            context->setFrameColor(frameColor);
            context->drawRect(size);
        }
    }

    if (style & (k3DInStyle | k3DOutStyle)) {
        const bool sunken = (style & k3DInStyle) != 0;
        context->setFrameColor(sunken ? backColor : frameColor);
        context->moveTo(Point(size.left, size.bottom));
        context->lineTo(Point(size.left, size.top));
        context->lineTo(Point(size.right + 1, size.top));
        context->setFrameColor(sunken ? frameColor : backColor);
        context->moveTo(Point(size.right, size.top + 1));
        context->lineTo(Point(size.right, size.bottom));
        context->lineTo(Point(size.left, size.bottom));
    }

    if ((style & kNoTextStyle) || !text)
        return;
    context->setFont(fontNumber, 0, txtFace);
    if (style & kShadowStyle) {
        Rect shadow = size;
        shadow.offset(1, 1);
        context->setFontColor(shadowColor);
        context->drawString(text, shadow, !textTransparency, horiAlign);
    }
    context->setFontColor(fontColor);
    context->drawString(text, size, !textTransparency, horiAlign);
}

void ValueDisplay::setFont(int32_t number) {
    if (number != fontNumber) {
        fontNumber = number;
        setDirty(true);
    }
}

void ValueDisplay::setFontColor(Color colour) {
    if (colour != fontColor) {
        fontColor = colour;
        setDirty(true);
    }
}

void ValueDisplay::setBackColor(Color colour) {
    if (colour != backColor) {
        backColor = colour;
        setDirty(true);
    }
}

void ValueDisplay::setFrameColor(Color colour) {
    if (colour != frameColor) {
        frameColor = colour;
        setDirty(true);
    }
}

void ValueDisplay::setShadowColor(Color colour) {
    if (colour != shadowColor) {
        shadowColor = colour;
        setDirty(true);
    }
}

void ValueDisplay::setHoriAlign(int32_t alignment) {
    if (alignment != horiAlign) {
        horiAlign = alignment;
        setDirty(true);
    }
}

void ValueDisplay::setBackOffset(const Point& offset) {
    if (offset != backOffset) {
        backOffset = offset;
        setDirty(true);
    }
}

void ValueDisplay::setStringConvert(ValueToTextWithData convert, void* data) {
    if (convert != valueToTextWithData || data != userData) {
        valueToTextWithData = convert;
        userData = data;
        setDirty(true);
    }
}

void ValueDisplay::setStringConvert(ValueToText convert) {
    if (convert != valueToText) {
        valueToText = convert;
        setDirty(true);
    }
}

void ValueDisplay::setString2FloatConvert(TextToValue convert) {
    textToValue = convert;
}

void ValueDisplay::setStyle(int32_t s) {
    if (s != style) {
        style = s;
        setDirty(true);
    }
}

void ValueDisplay::setTxtFace(int32_t face) {
    if (face != txtFace) {
        txtFace = face;
        setDirty(true);
    }
}

void ValueDisplay::setTextTransparency(bool flag) {
    if (flag != textTransparency) {
        textTransparency = flag;
        setDirty(true);
    }
}

}  // namespace tine
