#pragma once
// The box of an oscillator's Shape parameter. A left click mutes or unmutes
// the oscillator (a muted box is greyed); a right click offers every shape
// slot in a menu of columns.

#include "editor/ValueBox.h"

namespace tine {

class OptionMenu;

class ShapeBox : public ParamValueBox {
public:
    static constexpr int32_t kEntriesPerColumn = 17;

    // oscillator 0..2; its Mute parameter follows the three Mute rows.
    ShapeBox(const Rect& size, ControlListener* listener, int32_t tag, EffectBase* plugin, int32_t oscillator);

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, const Point& where) override;
    void setValue(float v) override;

    int32_t getShapeIndex() const { return shapeIndex; }
    bool isMuted() const { return muted != 0; }
    void setMuted(bool flag) { muted = flag ? 1 : 0; }
    int32_t getMuteParameter() const { return muteParameter; }

    // The menu the right click opens, with the current shape checked; the
    // caller owns it.
    OptionMenu* makeMenu(const Rect& where);

private:
    int32_t shapeIndex;
    int32_t muted;
    int32_t muteParameter;
};

}  // namespace tine
