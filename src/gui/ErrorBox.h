#pragma once
// How the program and the plug-in library show an error: a modal box with no
// owner window (so it shows even before any window exists), the title
// "Tinemaster Error", the exclamation icon and an OK button. The calling
// thread waits on it until it is closed, so it is only ever shown from a GUI
// thread.

namespace tine {

constexpr const char* kErrorBoxTitle = "Tinemaster Error";

void showErrorBox(const char* text);

}  // namespace tine
