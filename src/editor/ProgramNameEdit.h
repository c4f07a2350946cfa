#pragma once
// The field that shows the current program's name: a click edits it in
// place, a right click offers every program in a menu.

#include "gui/TextEdit.h"

namespace tine {

class EffectBaseX;
class OptionMenu;

class ProgramNameEdit : public TextEdit {
public:
    static constexpr int32_t kEntriesPerColumn = 8;

    ProgramNameEdit(const Rect& size, ControlListener* listener, int32_t tag, const char* text, EffectBaseX* plugin);
    ~ProgramNameEdit() override;

    void mouse(DrawContext* context, const Point& where) override;

    // The program menu with the current program checked; the caller owns it.
    OptionMenu* makeMenu(const Rect& where);

private:
    EffectBaseX* plugin;
};

}  // namespace tine
