#include "editor/ProgramNameEdit.h"

#include <new>

#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "plugin/EffectBaseX.h"

namespace tine {

ProgramNameEdit::ProgramNameEdit(const Rect& r, ControlListener* receiver, int32_t controlTag, const char* text,
                                 EffectBaseX* owner)
    : TextEdit(r, receiver, controlTag, text, nullptr, 0), plugin(owner) {}

ProgramNameEdit::~ProgramNameEdit() = default;

OptionMenu* ProgramNameEdit::makeMenu(const Rect& where) {
    if (!plugin)
        return nullptr;
    auto* menu =
        new (std::nothrow) OptionMenu(where, listener, -1, nullptr, nullptr, kCheckCurrentStyle | kNoTextStyle);
    if (!menu)
        return nullptr;
    menu->setNbItemsPerColumn(kEntriesPerColumn);
    const int32_t count = plugin->getAeffect()->numPrograms;
    for (int32_t index = 0; index < count; ++index) {
        // Room beyond any name the plug-in keeps; a menu entry holds less.
        char name[256] = {};
        plugin->getProgramNameIndexed(0, index, name);
        name[sizeof name - 1] = 0;
        if (!menu->addEntry(name)) {
            menu->forget();
            return nullptr;
        }
    }
    menu->setCurrent(plugin->getProgram());
    return menu;
}

void ProgramNameEdit::mouse(DrawContext* context, const Point& where) {
    if (!mouseEnabled || !context)
        return;
    if (context->getMouseButtons() == kRButton && frame) {
        Point at = where;
        for (View* parent = parentView; parent; parent = parent->getParentView())
            at.offset(parent->getViewSize().left, parent->getViewSize().top);
        OptionMenu* menu = makeMenu(Rect(at.h, at.v, at.h, at.v));
        if (menu) {
            if (frame->addView(menu)) {
                // The menu is a top-level view: its context is the frame window's own,
                // not the one moved into this box's container.
                DrawContext menuContext(frame, nullptr, frame->getSystemWindow());
                menu->mouse(&menuContext, at);
                const int32_t chosen = menu->getCurrent();
                frame->removeView(menu, true);
                // Choosing the current program again reloads it from its slot.
                if (chosen >= 0)
                    plugin->setProgram(chosen);
                looseFocus(context);
            } else {
                menu->forget();
            }
        }
    }
    TextEdit::mouse(context, where);
}

}  // namespace tine
