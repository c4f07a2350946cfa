#include "standalone/SetupDialog.h"

#include <windows.h>

#include <string>
#include <vector>

#include "../../resources/SetupDialogIds.h"
#include "standalone/AudioOutput.h"
#include "standalone/MidiPort.h"

namespace tine {
namespace {

struct DialogContext {
    HostSettings* settings;
    SettingsStore* store;
};

void fillList(HWND dialog, int id, const std::vector<std::string>& entries, int32_t selected) {
    HWND list = GetDlgItem(dialog, id);
    for (const std::string& entry : entries)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    // An index beyond the entries leaves the list without a selection.
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

std::vector<std::string> channelEntries(const char* (*text)(int32_t)) {
    std::vector<std::string> entries;
    for (int32_t entry = 0; entry <= 16; ++entry) entries.emplace_back(text(entry));
    return entries;
}

int32_t selection(HWND dialog, int id) {
    const LRESULT index = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? kNoSelection : static_cast<int32_t>(index);
}

std::string fieldText(HWND dialog, int id, int maxChars) {
    std::vector<char> text(static_cast<std::size_t>(maxChars) + 1, '\0');
    GetDlgItemTextA(dialog, id, text.data(), maxChars + 1);
    return text.data();
}

void fill(HWND dialog, const HostSettings& settings) {
    const SetupDialogState state = setupDialogState(settings);
    fillList(dialog, IDC_SETUP_MIDI_IN, midiInputDeviceNames(), state.midiInEntry);
    fillList(dialog, IDC_SETUP_INPUT_CHANNEL, channelEntries(&inputChannelEntryText), state.inputChannelEntry);
    fillList(dialog, IDC_SETUP_MIDI_OUT, midiOutputDeviceNames(), state.midiOutEntry);
    fillList(dialog, IDC_SETUP_OUTPUT_CHANNEL, channelEntries(&outputChannelEntryText), state.outputChannelEntry);
    fillList(dialog, IDC_SETUP_AUDIO_DEVICE, AudioOutput::deviceDescriptions(), state.audioDeviceEntry);
    std::vector<std::string> rates;
    for (int32_t rate : kSetupSampleRates) rates.push_back(std::to_string(rate));
    fillList(dialog, IDC_SETUP_SAMPLE_RATE, rates, state.sampleRateEntry);
    SetDlgItemTextA(dialog, IDC_SETUP_LATENCY, state.latencyText.c_str());
    SetDlgItemTextA(dialog, IDC_SETUP_TEMPO, state.tempoText.c_str());
    CheckDlgButton(dialog, IDC_SETUP_PRIMARY, state.primary ? BST_CHECKED : BST_UNCHECKED);
}

SetupDialogState readBack(HWND dialog) {
    SetupDialogState state;
    state.midiInEntry = selection(dialog, IDC_SETUP_MIDI_IN);
    state.midiOutEntry = selection(dialog, IDC_SETUP_MIDI_OUT);
    state.inputChannelEntry = selection(dialog, IDC_SETUP_INPUT_CHANNEL);
    state.outputChannelEntry = selection(dialog, IDC_SETUP_OUTPUT_CHANNEL);
    state.audioDeviceEntry = selection(dialog, IDC_SETUP_AUDIO_DEVICE);
    state.sampleRateEntry = selection(dialog, IDC_SETUP_SAMPLE_RATE);
    state.latencyText = fieldText(dialog, IDC_SETUP_LATENCY, 63);
    state.tempoText = fieldText(dialog, IDC_SETUP_TEMPO, 15);
    state.primary = IsDlgButtonChecked(dialog, IDC_SETUP_PRIMARY) == BST_CHECKED;
    return state;
}

INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        const auto* context = reinterpret_cast<DialogContext*>(lParam);
        fill(dialog, *context->settings);
        ShowWindow(dialog, SW_SHOW);
        return TRUE;
    }
    case WM_COMMAND: {
        auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (LOWORD(wParam) == IDOK && context != nullptr) {
            applySetupDialogState(readBack(dialog), *context->settings);
            context->settings->save(*context->store);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

int runSetupDialog(HostSettings& settings, SettingsStore& store, void* owner, void* instance) {
    DialogContext context{&settings, &store};
    const INT_PTR result =
        DialogBoxParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(IDD_SETUP), static_cast<HWND>(owner),
                        &setupDialogProc, reinterpret_cast<LPARAM>(&context));
    return result == 1 ? 1 : 0;
}

}  // namespace tine
