#pragma once
// The main window's keys: notes from the computer keyboard into the MIDI
// port's intake, as a MIDI keyboard's would arrive, and Ctrl+1, Ctrl+2 and
// Ctrl+3 for the size the editor is shown at. Windows only; the header stays
// free of <windows.h>.

#include <cstdint>

namespace tine {

class StandaloneSynth;

// A key message of the main window or the editor's window (WM_KEYDOWN,
// WM_KEYUP and their WM_SYS forms). True when the key was taken.
bool handleKeyMessage(StandaloneSynth& synth, unsigned int message, uintptr_t wParam, intptr_t lParam);

// Ends every note the computer keyboard holds: the window lost the focus or
// went to the task bar.
void releaseKeyboardNotes(StandaloneSynth& synth);

}  // namespace tine
