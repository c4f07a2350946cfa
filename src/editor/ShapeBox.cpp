#include "editor/ShapeBox.h"

#include <new>

#include "engine/ShapeTable.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "params/ParameterTable.h"
#include "editor/GuiEditorBase.h"
#include "plugin/EffectBase.h"

namespace tine {

ShapeBox::ShapeBox(const Rect& r, ControlListener* receiver, int32_t controlTag, EffectBase* plugin, int32_t oscillator)
    : ParamValueBox(r, receiver, controlTag, plugin, true),
      shapeIndex(0),
      muted(0),
      muteParameter(kParamOsc1Mute + oscillator) {
    repeat = false;
    value = kShapeDesigns[0].key;
}

void ShapeBox::setValue(float v) {
    value = v;
    shapeIndex = shapeIndexForValue(v);
}

void ShapeBox::draw(DrawContext* context) {
    textColor = muted ? kMutedTextColor : kPanelTextColor;
    ValueBox::draw(context);
}

OptionMenu* ShapeBox::makeMenu(const Rect& where) {
    auto* menu =
        new (std::nothrow) OptionMenu(where, listener, -1, nullptr, nullptr, kCheckCurrentStyle | kNoTextStyle);
    if (!menu)
        return nullptr;
    menu->setNbItemsPerColumn(kEntriesPerColumn);
    for (int32_t slot = 0; slot < kShapeSlots; ++slot) {
        if (!menu->addEntry(kShapeDesigns[slot].name)) {
            menu->forget();
            return nullptr;
        }
    }
    menu->setCurrent(shapeIndex);
    return menu;
}

void ShapeBox::mouse(DrawContext* context, const Point& where) {
    if (!mouseEnabled || !context)
        return;
    const int32_t buttons = context->getMouseButtons();
    if (buttons == kRButton) {
        if (!frame)
            return;
        // The menu sits in the frame itself, so the click point moves out of
        // the containers first.
        Point at = where;
        for (View* parent = parentView; parent; parent = parent->getParentView())
            at.offset(parent->getViewSize().left, parent->getViewSize().top);
        OptionMenu* menu = makeMenu(Rect(at.h, at.v, at.h, at.v));
        if (!menu)
            return;  // no menu, no change
        if (!frame->addView(menu)) {
            menu->forget();
            return;
        }
        // The menu is a top-level view: its context is the frame window's own,
        // not the one moved into this box's container.
        DrawContext menuContext(frame, nullptr, frame->getSystemWindow());
        menu->mouse(&menuContext, at);
        const int32_t chosen = menu->getCurrent();
        frame->removeView(menu, true);
        if (chosen < 0 || chosen >= kShapeSlots)
            return;
        shapeIndex = chosen;
        value = kShapeDesigns[chosen].key;
        notifyListener(context);
    } else if (buttons == kLButton) {
        muted = 1 - muted;
        draw(context);
        auto* editor = dynamic_cast<GuiEditorBase*>(getEditor());
        EffectBase* plugin = editor ? editor->getEffect() : getPlugin();
        if (plugin)
            plugin->setParameterAutomated(muteParameter, muted ? 1.0f : 0.0f);
    }
}

}  // namespace tine
