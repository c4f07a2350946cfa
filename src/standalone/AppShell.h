#pragma once
// The program's shell: one instance at a time, the window classes, the main
// window with the instrument's editor below a toolbar strip, the message loop
// and the order of start-up and shut-down. Windows only; the header stays free
// of <windows.h> (handles are opaque pointers).

#include <cstdint>

#include "gui/ErrorBox.h"

namespace tine {

class StandaloneSynth;

constexpr const char* kMainWindowTitle = "Tinemaster";
constexpr const char* kMainWindowClass = "Tinemaster core - Standalone VSTI class";
constexpr const char* kEditorWindowClass = "Tinemaster - Standalone VSTI class";

// The toolbar strip above the editor: 16 pixels and a one-pixel gap.
constexpr int kToolbarStripHeight = 17;

// Errors from here on show the error box (gui/ErrorBox.h).
void installErrorBox();

// When a top-level window titled "Tinemaster" exists: restores it if it is
// minimised, brings it to the foreground and answers true.
bool activateRunningInstance();

// Both window classes, for instance (HINSTANCE). False when one failed.
bool registerWindowClasses(void* instance);
void unregisterWindowClasses(void* instance);

// A window whose client area is width x height, placed at (x, y) in its
// parent's coordinates (a child window's client area, a framed window's outer
// corner), with userData stored in it; shown and updated at once. Null when
// it could not be created.
void* createHostWindow(void* parent, const char* title, const char* className, int x, int y, int width, int height,
                       uint32_t style, void* userData);

// Shows the main window for the running instance, runs the message loop until
// the window is closed, and answers the quit message's exit code.
int runMainWindow(void* instance, void* owner);

// runMainWindow's first and last steps around its message loop: the main
// window with the toolbar and the editor, shown at the stored size or else at
// the size the monitor's DPI gives (false when it could not be made, or the
// toolbar could not); then the toolbar released.
bool openMainWindow(void* owner);
void closeMainWindow();

// Shows the editor and the toolbar at percent (100, 150 or 200) of their size
// and fits the windows around them: the main window's client area is the
// editor's size plus the toolbar's strip, all scaled.
void showAtScale(StandaloneSynth& synth, int32_t percent);

// The whole program after the runtime's start-up: WinMain's work.
int runApplication(void* instance);

}  // namespace tine
