#pragma once
// The plug-in's view of an editor: what the dispatcher asks of it and what the
// plug-in tells it. No window-system code lives here; the windowed editor
// derives from this class and fills in the operations that draw.

#include <cstdint>

#include "plugin/VstTypes.h"

namespace tine {

class EffectBase;

class EditorBase {
public:
    // The order of the virtual operations below is fixed: derived editors are
    // written against these slots.

    // Unregisters from the owning plug-in when that plug-in still points here,
    // so a plug-in that discards a half-built editor keeps no stale pointer.
    virtual ~EditorBase();

    // Hands the host the editor's size. The plain editor has none: *rect = null, 0.
    virtual int32_t getRect(ERect** rect);

    // Remembers the parent window. True when the editor is ready to be shown.
    virtual bool open(void* parentWindow);

    // Forgets the parent window.
    virtual void close();

    // Called often from the user-interface thread: acts on a pending postUpdate.
    virtual void idle();

    // Refreshes what the editor shows from the plug-in's state. Nothing to show here.
    virtual void update();

    // Asks for an update at the next idle; safe from any call path because it
    // only raises a flag.
    virtual void postUpdate();

    // Key events from the host. −1: not handled, the host may use the key itself.
    virtual int32_t onKeyDown(VstKeyCode& keyCode);
    virtual int32_t onKeyUp(VstKeyCode& keyCode);

    // Knob behaviour chosen by the host. 0: the mode was not taken.
    virtual int32_t setKnobMode(int32_t mode);

    // Mouse wheel distance. False: not handled.
    virtual bool onWheel(float distance);

    // The plug-in reports every parameter change here. Nothing shows parameters yet.
    virtual void setParameter(int32_t index, float value);

    // Draws everything at once. Nothing to draw here.
    virtual void redraw();

    // Keeps the host alive during a modal mouse loop; the plain editor just idles.
    virtual void idleWhileTracking();

    // The current program's name changed (a rename or a program switch).
    // Nothing shows it here.
    virtual void programNameChanged(const char* name) { (void)name; }

    // The size the editor is shown at, in percent of its own. An editor that
    // scales takes 100, 150 or 200, and 0 to follow the monitor's DPI; the
    // plain one has nothing to show and stays at 100.
    virtual void setScale(int32_t percent) { (void)percent; }
    virtual int32_t getScale() const { return 100; }

    EffectBase* getEffect() const { return effect; }
    void* getSystemWindow() const { return systemWindow; }
    bool isUpdatePending() const { return updateFlag != 0; }

    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

protected:
    // Registers with the plug-in, which sets its has-editor flag and takes
    // ownership. A null plug-in gives a free-standing editor.
    explicit EditorBase(EffectBase* owner);

    EffectBase* effect;
    void* systemWindow;  // the parent window handed to open
    int32_t updateFlag;  // set by postUpdate, cleared by idle
};

}  // namespace tine
