#include "standalone/KeyboardPlay.h"

#include <windows.h>

#include "host/ComputerKeyboard.h"
#include "standalone/AppShell.h"
#include "standalone/MidiPort.h"
#include "standalone/StandaloneSynth.h"

namespace tine {
namespace {

// Ctrl and the digit row's first three keys, wherever a layout puts its digits.
int32_t scaleForKey(ScanCode key) {
    switch (key) {
    case 0x02:
        return 100;
    case 0x03:
        return 150;
    case 0x04:
        return 200;
    default:
        return 0;
    }
}

ComputerKeyboard::Send intakeOf(StandaloneSynth& synth) {
    return [&synth](uint32_t message) {
        if (MidiPort* port = synth.midiPort())
            port->deliverShortMessageNow(message);
    };
}

}  // namespace

bool handleKeyMessage(StandaloneSynth& synth, unsigned int message, uintptr_t, intptr_t lParam) {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (!down && message != WM_KEYUP && message != WM_SYSKEYUP)
        return false;
    // With Alt held the system's keys (Alt+F4, the menu) keep working; the
    // WM_SYS forms without it come when no window has the focus.
    if ((message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) && (lParam & (1 << 29)))
        return false;
    const ScanCode key = static_cast<ScanCode>(lParam >> 16) & 0x1FF;
    const bool repeat = (lParam & (1 << 30)) != 0;
    ComputerKeyboard& keyboard = synth.keyboard();
    if (!down)
        return synth.settings().computerKeyboard && keyboard.keyUp(key, intakeOf(synth));
    // Ctrl with Alt is AltGr on many layouts: it types, it neither plays nor resizes.
    const bool control = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    if (control || alt) {
        const int32_t percent = control && !alt ? scaleForKey(key) : 0;
        if (percent == 0)
            return false;
        if (!repeat && percent != synth.settings().editorSize) {
            synth.settings().editorSize = percent;
            synth.settings().saveEditorSize(synth.settingsStore());
            showAtScale(synth, percent);
        }
        return true;
    }
    if (!synth.settings().computerKeyboard)
        return false;
    const int32_t channel = synth.settings().inputChannel < 0 ? 0 : synth.settings().inputChannel;
    return keyboard.keyDown(key, repeat, channel, intakeOf(synth));
}

void releaseKeyboardNotes(StandaloneSynth& synth) {
    synth.keyboard().releaseAll(intakeOf(synth));
}

}  // namespace tine
