#pragma once
// An editor that shows itself through the toolkit: it owns the Frame while
// open, hands the host its size, and keeps the host and the window alive
// while a control holds the mouse in its own loop.

#include <cstdint>

#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "plugin/EditorBase.h"

namespace tine {

class GuiEditorBase : public EditorBase, public FrameOwner {
public:
    ~GuiEditorBase() override;

    // The editor's size; the pointer stays valid as long as the editor.
    int32_t getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    int32_t onKeyUp(VstKeyCode& keyCode) override;
    int32_t setKnobMode(int32_t mode) override;
    bool onWheel(float distance) override;
    void setParameter(int32_t index, float value) override;
    void redraw() override;
    // Paced by the tick counter: most passes only sleep a little; every
    // 50 ms or so the dirty views are drawn, one paint message is handled and
    // the host gets its idle call.
    void idleWhileTracking() override;
    // The plug-in's edit gestures around a control's drag.
    void beginEdit(int32_t tag) override;
    void endEdit(int32_t tag) override;

    Frame* getFrame() const { return frame; }
    // What the host is told: the panel at the scale it is shown at.
    const ERect& getEditorRect() const { return rect; }
    int32_t getPanelWidth() const { return nativeWidth; }
    int32_t getPanelHeight() const { return nativeHeight; }

    // Shows the editor at 100, 150 or 200 percent of the panel's size (the
    // frame and the host's windows follow when open). 0, the start, picks it
    // from the DPI of the monitor the editor opens on (before it opens, the
    // primary monitor's).
    void setScale(int32_t percent) override;
    // The scale the editor is shown at, or will be.
    int32_t getScale() const override;

protected:
    explicit GuiEditorBase(EffectBase* owner);

    // Sets the panel's own size; the rectangle the host is told follows it.
    void setPanelSize(int32_t width, int32_t height);
    // Once the frame's window exists: unless a scale was chosen, the one its
    // own DPI gives, which the system may have set apart from the host's.
    void followWindowDpi();

    ERect rect;
    int32_t nativeWidth;
    int32_t nativeHeight;
    int32_t chosenScale;  // 0: by the DPI
    int32_t dpiScale;     // what the DPI gave when the editor opened last; 0 before
    Frame* frame;
    uint32_t nextIdleTime;
    bool inIdle;

private:
    bool oleInitialised;
};

}  // namespace tine
