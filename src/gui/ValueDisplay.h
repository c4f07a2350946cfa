#pragma once
// A control that shows its value as text over a bitmap or a filled box, with
// optional shadow and three-dimensional border; the base of the text field
// and the popup menu.

#include "gui/Control.h"

namespace tine {

// Style bits of ValueDisplay and its subclasses.
enum DisplayStyle : int32_t {
    kCheckStyle = 0x1,           // OptionMenu: several entries may carry a check mark
    kShadowStyle = 0x4,          // text with a shadow one pixel right and down
    kPopupTopStyle = 0x200,      // OptionMenu: opens at the top of the control
    kCheckCurrentStyle = 0x400,  // OptionMenu: check mark on the current entry
    k3DInStyle = 0x80,           // sunken border
    k3DOutStyle = 0x100,         // raised border
    kNoTextStyle = 0x800,
    kNoDrawStyle = 0x1000,
    kDoubleClickStyle = 0x2000,  // TextEdit: editing starts on a double click
};

using ValueToText = void (*)(float value, char* text);
using ValueToTextWithData = void (*)(float value, char* text, void* userData);
using TextToValue = bool (*)(const char* text, float& value, void* userData);

class ValueDisplay : public Control {
public:
    ValueDisplay(const Rect& size, Bitmap* background = nullptr, int32_t style = 0);

    void draw(DrawContext* context) override;

    virtual void setFont(int32_t number);
    virtual void setFontColor(Color colour);
    virtual void setBackColor(Color colour);
    virtual void setFrameColor(Color colour);
    virtual void setShadowColor(Color colour);
    virtual void setHoriAlign(int32_t alignment);
    virtual void setBackOffset(const Point& offset);
    virtual void setStringConvert(ValueToTextWithData convert, void* userData);
    virtual void setStringConvert(ValueToText convert);
    virtual void setString2FloatConvert(TextToValue convert);
    virtual void setStyle(int32_t style);
    virtual void setTxtFace(int32_t face);
    virtual void setTextTransparency(bool flag);

    int32_t getFont() const { return fontNumber; }
    Color getFontColor() const { return fontColor; }
    Color getBackColor() const { return backColor; }
    Color getFrameColor() const { return frameColor; }
    int32_t getHoriAlign() const { return horiAlign; }
    int32_t getStyle() const { return style; }
    int32_t getTxtFace() const { return txtFace; }
    bool getTextTransparency() const { return textTransparency; }
    void* getUserData() const { return userData; }
    TextToValue getString2FloatConvert() const { return textToValue; }

    // Draws the box and the text as the style says; with bitmap null the
    // control's own background bitmap, if any.
    void drawText(DrawContext* context, const char* text, Bitmap* bitmap = nullptr);

protected:
    ValueToText valueToText;
    ValueToTextWithData valueToTextWithData;
    TextToValue textToValue;
    void* userData;
    int32_t horiAlign;
    int32_t style;
    int32_t fontNumber;
    int32_t txtFace;
    Color fontColor;
    Color backColor;
    Color frameColor;
    Color shadowColor;
    Point backOffset;
    bool textTransparency;
};

}  // namespace tine
