#pragma once
// The standalone host's toolbar: a 16-pixel strip above the editor with the
// program name, previous/next, patch and bank files, the setup dialog and WAV
// recording. Its controls report to a ControlListener (the StandaloneSynth),
// which hands every change to runToolbarCommand. Windows only; the header
// stays free of <windows.h>.

#include <cstdint>

#include "gui/Geometry.h"

namespace tine {

class Bitmap;
class Control;
class ControlListener;
class DrawContext;
class FrameOwner;
class Frame;
class StandaloneSynth;
class TextEdit;

// The controls' tags.
enum ToolbarTag : int32_t {
    kToolbarPrevious = 0,
    kToolbarNext = 1,
    kToolbarName = 2,
    kToolbarLoadPatch = 3,
    kToolbarSavePatch = 4,
    kToolbarLoadBank = 5,
    kToolbarSaveBank = 6,
    kToolbarSetup = 7,
    kToolbarRecord = 8,
    kToolbarControlCount = 9,
};

constexpr int32_t kToolbarHeight = 16;
// What a rename keeps of the typed name: the part a patch file's name field holds.
constexpr int32_t kToolbarNameChars = 24;

class Toolbar {
public:
    Toolbar() = default;
    ~Toolbar() { release(); }
    Toolbar(const Toolbar&) = delete;
    Toolbar& operator=(const Toolbar&) = delete;

    // Builds the strip on mainWindow (HWND), width pixels wide, its frame
    // tied to editor (may be null), every control reporting to listener.
    // False, with "Out of memory" reported, when the frame cannot be made.
    bool build(void* mainWindow, int32_t width, FrameOwner* editor, ControlListener* listener);
    // Deletes the frame with its controls and releases the bitmaps.
    void release();
    bool isBuilt() const { return frame_ != nullptr; }

    // Puts text into the name field (cut to the field's buffer) and redraws
    // the whole strip. GUI thread only; nothing happens before build.
    void showName(const char* text);

    Frame* frame() const { return frame_; }
    TextEdit* nameField() const { return nameField_; }
    // The control with this tag, or null.
    Control* control(int32_t tag) const;
    // Where each control sits inside the strip.
    static Rect controlRect(int32_t tag);

private:
    Frame* frame_ = nullptr;
    Bitmap* bitmaps_[8] = {};
    Control* controls_[kToolbarControlCount] = {};
    TextEdit* nameField_ = nullptr;
};

// What a change of a toolbar control does to the running instance; the
// StandaloneSynth's valueChanged. context may be null.
void runToolbarCommand(StandaloneSynth& synth, DrawContext* context, Control* control);

}  // namespace tine
