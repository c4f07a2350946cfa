#include "plugin/EditorBase.h"

#include "plugin/EffectBase.h"

namespace tine {

EditorBase::EditorBase(EffectBase* owner) : effect(owner), systemWindow(nullptr), updateFlag(0) {
    if (effect)
        effect->setEditor(this);
}

EditorBase::~EditorBase() {
    // The plug-in's own destructor detaches the editor before deleting it, so
    // this only fires when someone else destroys a registered editor.
    if (effect && effect->getRegisteredEditor() == this)
        effect->setEditor(nullptr);
}

int32_t EditorBase::getRect(ERect** rect) {
    if (rect)
        *rect = nullptr;
    return 0;
}

bool EditorBase::open(void* parentWindow) {
    systemWindow = parentWindow;
    return true;
}

void EditorBase::close() {
    systemWindow = nullptr;
}

void EditorBase::idle() {
    if (updateFlag) {
        updateFlag = 0;
        update();
    }
}

void EditorBase::update() {}

void EditorBase::postUpdate() {
    updateFlag = 1;
}

int32_t EditorBase::onKeyDown(VstKeyCode&) {
    return -1;
}

int32_t EditorBase::onKeyUp(VstKeyCode&) {
    return -1;
}

int32_t EditorBase::setKnobMode(int32_t) {
    return 0;
}

bool EditorBase::onWheel(float) {
    return false;
}

void EditorBase::setParameter(int32_t, float) {}

void EditorBase::redraw() {}

void EditorBase::idleWhileTracking() {
    idle();
}

}  // namespace tine
