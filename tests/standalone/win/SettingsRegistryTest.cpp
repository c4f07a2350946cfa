// The settings in the real registry and the setup dialog driven through
// window messages; how their text reads is tests/host/HostSettingsTest.cpp.
// Each test works on a fresh key of its own below Software\Corvane.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../../../resources/SetupDialogIds.h"
#include "ShellTestSupport.h"
#include "standalone/AudioOutput.h"
#include "standalone/MidiPort.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/SetupDialog.h"

namespace tine {
namespace {

using namespace shelltest;

struct TestKey {
    const std::string path = "Software\\Corvane\\TinemasterTest-" + std::to_string(GetCurrentProcessId());
    TestKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }
    ~TestKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }
    // The value's bytes as stored, with their type (0 when there is no such value).
    std::string raw(const char* name, DWORD& type) const {
        char data[64];
        DWORD size = sizeof data;
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size))
            type = size = 0;
        RegCloseKey(key);
        return std::string(data, size);
    }
};

std::vector<double> fields(const HostSettings& s) {
    return {double(s.midiInDevice),  double(s.midiOutDevice), double(s.inputChannel),
            double(s.outputChannel), double(s.audioDevice),   double(s.latency),
            double(s.primary),       double(s.sampleRate),    double(s.tempo)};
}

TEST(SettingsRegistry, SettingsComeBackFromTerminatedStringsAndReadAsTheStoredBytesSay) {
    TestKey key;
    RegistrySettingsStore store(key.path.c_str());
    ASSERT_TRUE(store.isOpen());
    HostSettings loaded{7, 7, 7, 7, 7, 7, true, 7, 7.0f};
    loaded.load(store);
    EXPECT_EQ(fields(loaded), fields(HostSettings{})) << "an empty key gives the defaults";

    const HostSettings saved{1, 2, -1, 3, 4, 80, true, 48000, 97.5f};
    ASSERT_TRUE(saved.save(store));
    for (const char* name : kSettingNames) {
        DWORD type = 0;
        const std::string bytes = key.raw(name, type);
        EXPECT_EQ(type, DWORD(REG_SZ)) << name;
        EXPECT_EQ(bytes.find('\0'), bytes.size() - 1) << name << ": one terminator, at the end";
    }
    RegistrySettingsStore again(key.path.c_str());
    loaded.load(again);
    EXPECT_EQ(fields(loaded), fields(saved));

    // Hand-edited: whatever the type, exactly the stored bytes are read.
    struct Row {
        DWORD type;
        std::string bytes;
        bool primary;
    };
    for (const Row& row : {Row{REG_BINARY, "Yes", false}, Row{REG_BINARY, std::string("Yes\0", 4), true},
                           Row{REG_SZ, std::string("", 1), false}}) {
        RegSetKeyValueA(HKEY_CURRENT_USER, key.path.c_str(), "primary", row.type, row.bytes.data(),
                        DWORD(row.bytes.size()));
        loaded.load(again);
        EXPECT_EQ(loaded.primary, row.primary) << row.bytes.size() << " bytes of type " << row.type;
    }
}

struct ComboView {
    int selected;
    std::vector<std::string> entries;
    bool operator==(const ComboView& o) const { return selected == o.selected && entries == o.entries; }
};

ComboView readCombo(HWND dialog, int id) {
    ComboView view{int(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)), {}};
    for (int i = 0; i < int(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0)); ++i) {
        char text[256] = {};
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        view.entries.push_back(text);
    }
    return view;
}

// Runs the modal dialog here while act drives it from another thread and
// closes it. -1 when it never came up.
int runDriven(HostSettings& settings, SettingsStore& store, const std::function<void(HWND)>& act) {
    bool shown = false;
    std::thread user([&] {
        if (HWND dialog = waitForDialog("Setup"))
            shown = true, act(dialog);
    });
    const int result = runSetupDialog(settings, store, nullptr, GetModuleHandleA(nullptr));
    user.join();
    return shown ? result : -1;
}

std::vector<std::string> channelEntries(const char* first) {
    std::vector<std::string> entries{first};
    for (int channel = 1; channel <= 16; ++channel) entries.push_back(std::to_string(channel));
    return entries;
}

TEST(SetupDialog, ShowsTheSettingsAndStoresWhatItsControlsHoldOnlyOnOk) {
    TestKey key;
    RegistrySettingsStore store(key.path.c_str());
    // Devices beyond the lists and a rate the list lacks, as hand-edited.
    HostSettings s{40, 41, 4, -1, 42, 75, true, 22050, 133.333f};
    const HostSettings before = s;
    std::vector<ComboView> combos;
    char latency[16] = {}, tempo[16] = {};
    bool digitsOnly = false, primary = false;
    const int cancelled = runDriven(s, store, [&](HWND d) {
        for (int id : {IDC_SETUP_MIDI_IN, IDC_SETUP_MIDI_OUT, IDC_SETUP_AUDIO_DEVICE, IDC_SETUP_INPUT_CHANNEL,
                       IDC_SETUP_OUTPUT_CHANNEL, IDC_SETUP_SAMPLE_RATE})
            combos.push_back(readCombo(d, id));
        GetDlgItemTextA(d, IDC_SETUP_LATENCY, latency, sizeof latency);
        GetDlgItemTextA(d, IDC_SETUP_TEMPO, tempo, sizeof tempo);
        digitsOnly = GetWindowLongA(GetDlgItem(d, IDC_SETUP_LATENCY), GWL_STYLE) & ES_NUMBER;
        primary = IsDlgButtonChecked(d, IDC_SETUP_PRIMARY) == BST_CHECKED;
        SetDlgItemTextA(d, IDC_SETUP_LATENCY, "300");
        press(d, IDCANCEL);
    });
    EXPECT_EQ(cancelled, 0);
    ASSERT_EQ(combos.size(), 6u);
    EXPECT_EQ(combos[0], (ComboView{CB_ERR, midiInputDeviceNames()}));
    EXPECT_EQ(combos[1], (ComboView{CB_ERR, midiOutputDeviceNames()}));
    EXPECT_EQ(combos[2], (ComboView{CB_ERR, AudioOutput::deviceDescriptions()}));
    EXPECT_EQ(combos[3], (ComboView{5, channelEntries("all")})) << "MIDI channel 5";
    EXPECT_EQ(combos[4], (ComboView{0, channelEntries("none")}));
    EXPECT_EQ(combos[5], (ComboView{CB_ERR, {"44100", "48000", "64000", "88200", "96000"}}));
    EXPECT_STREQ(latency, "75");
    EXPECT_TRUE(digitsOnly);
    EXPECT_STREQ(tempo, "133.33");
    EXPECT_TRUE(primary);
    EXPECT_EQ(fields(s), fields(before));
    DWORD type = 0;
    EXPECT_EQ((key.raw("latency", type), type), 0u) << "cancelled, yet stored";

    const int confirmed = runDriven(s, store, [](HWND d) {
        SendDlgItemMessageA(d, IDC_SETUP_INPUT_CHANNEL, CB_SETCURSEL, 0, 0);   // all
        SendDlgItemMessageA(d, IDC_SETUP_OUTPUT_CHANNEL, CB_SETCURSEL, 3, 0);  // channel 3
        SendDlgItemMessageA(d, IDC_SETUP_SAMPLE_RATE, CB_SETCURSEL, 1, 0);
        SetDlgItemTextA(d, IDC_SETUP_LATENCY, "");
        SetDlgItemTextA(d, IDC_SETUP_TEMPO, "97.5");
        CheckDlgButton(d, IDC_SETUP_PRIMARY, BST_UNCHECKED);
        press(d, IDOK);
    });
    EXPECT_EQ(confirmed, 1);
    // Lists without a selection keep what was stored.
    const std::vector<double> expected = {40, 41, -1, 2, 42, 50, 0, 48000, 97.5};
    EXPECT_EQ(fields(s), expected);
    HostSettings stored;
    stored.load(store);
    EXPECT_EQ(fields(stored), expected);
}

}  // namespace
}  // namespace tine
