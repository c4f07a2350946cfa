#include "editor/GuiEditorBase.h"

#include <windows.h>
#include <ole2.h>

#include "gui/DisplayScale.h"
#include "plugin/EffectBaseX.h"

namespace tine {

GuiEditorBase::GuiEditorBase(EffectBase* owner)
    : EditorBase(owner),
      rect{0, 0, 0, 0},
      nativeWidth(0),
      nativeHeight(0),
      chosenScale(0),
      dpiScale(0),
      frame(nullptr),
      nextIdleTime(GetTickCount()),
      inIdle(false) {
    // Drag and drop needs OLE on the thread that will own the editor's window.
    const HRESULT result = OleInitialize(nullptr);
    oleInitialised = SUCCEEDED(result);
}

GuiEditorBase::~GuiEditorBase() {
    if (oleInitialised)
        OleUninitialize();
}

int32_t GuiEditorBase::getRect(ERect** out) {
    if (out)
        *out = &rect;
    return 1;
}

void GuiEditorBase::setPanelSize(int32_t width, int32_t height) {
    nativeWidth = width;
    nativeHeight = height;
    if (!chosenScale && !dpiScale)
        dpiScale = scaleForDpi(monitorDpi(nullptr));
    const int32_t scale = getScale();
    rect.top = 0;
    rect.left = 0;
    rect.right = static_cast<int16_t>(width * scale / 100);
    rect.bottom = static_cast<int16_t>(height * scale / 100);
}

void GuiEditorBase::setScale(int32_t percent) {
    chosenScale = isDisplayScale(percent) ? percent : 0;
    setPanelSize(nativeWidth, nativeHeight);
    if (frame)
        frame->setScale(getScale());
}

int32_t GuiEditorBase::getScale() const {
    if (chosenScale)
        return chosenScale;
    return dpiScale ? dpiScale : 100;
}

bool GuiEditorBase::open(void* parentWindow) {
    postUpdate();
    systemWindow = parentWindow;
    dpiScale = scaleForDpi(windowDpi(static_cast<HWND>(parentWindow)));
    setPanelSize(nativeWidth, nativeHeight);
    return true;
}

void GuiEditorBase::followWindowDpi() {
    HWND window = frame ? frame->getSystemWindow() : nullptr;
    if (chosenScale || !window)
        return;
    dpiScale = scaleForDpi(windowDpi(window));
    setPanelSize(nativeWidth, nativeHeight);
    frame->setScale(dpiScale);
}

void GuiEditorBase::close() {
    systemWindow = nullptr;
}

void GuiEditorBase::idle() {
    if (inIdle)
        return;
    if (updateFlag) {
        updateFlag = 0;
        update();
    }
    if (frame)
        frame->idle();
}

namespace {

KeyCode toolkitKey(const VstKeyCode& key) {
    return KeyCode{key.character, key.virt, key.modifier};
}

}  // namespace

int32_t GuiEditorBase::onKeyDown(VstKeyCode& keyCode) {
    KeyCode key = toolkitKey(keyCode);
    return frame ? frame->onKeyDown(key) : -1;
}

int32_t GuiEditorBase::onKeyUp(VstKeyCode& keyCode) {
    KeyCode key = toolkitKey(keyCode);
    return frame ? frame->onKeyUp(key) : -1;
}

void GuiEditorBase::beginEdit(int32_t tag) {
    if (auto* plugin = dynamic_cast<EffectBaseX*>(effect))
        plugin->beginEdit(tag);
}

void GuiEditorBase::endEdit(int32_t tag) {
    if (auto* plugin = dynamic_cast<EffectBaseX*>(effect))
        plugin->endEdit(tag);
}

int32_t GuiEditorBase::setKnobMode(int32_t mode) {
    Frame::setKnobMode(mode);
    return 1;
}

bool GuiEditorBase::onWheel(float distance) {
    return frame ? frame->onWheel(nullptr, Point(0, 0), distance) : false;
}

void GuiEditorBase::setParameter(int32_t, float) {
    postUpdate();
}

void GuiEditorBase::redraw() {
    if (frame)
        frame->redraw();
}

void GuiEditorBase::idleWhileTracking() {
    uint32_t now = GetTickCount();
    // Signed differences keep the pacing right across the counter's wrap.
    if (static_cast<int32_t>(now - nextIdleTime) < 0) {
        Sleep(4);
        now += 4;
        if (static_cast<int32_t>(now - (nextIdleTime - 50)) < 0)
            return;
    }
    idle();
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&message);
    nextIdleTime = now + 100;
    inIdle = true;
    if (effect)
        effect->masterIdle();
    inIdle = false;
}

}  // namespace tine
