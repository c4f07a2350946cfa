// The settings in the real registry and the setup dialog driven through
// window messages, on a fresh key of the test's own below Software\Corvane;
// how their text reads is tests/host/HostSettingsTest.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
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
    bool holdsString(const char* name) const {
        return RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == 0;
    }
};

std::vector<double> fields(const HostSettings& s) {
    return {double(s.midiInDevice),  double(s.midiOutDevice), double(s.inputChannel),
            double(s.outputChannel), double(s.audioDevice),   double(s.latency),
            double(s.primary),       double(s.sampleRate),    double(s.tempo)};
}

// A list's selected entry and its entries.
using ComboView = std::pair<int, std::vector<std::string>>;

ComboView readCombo(HWND dialog, int id) {
    ComboView view{int(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)), {}};
    for (int i = 0; i < int(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0)); ++i) {
        char text[256] = {};
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        view.second.push_back(text);
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

TEST(SettingsRegistry, TheSetupDialogShowsTheSettingsAndOnlyOnOkStoresWhatItHoldsAsStringsThatReadBack) {
    TestKey key;
    RegistrySettingsStore store(key.path.c_str());
    // Devices beyond the lists and a rate the list lacks, as hand-edited.
    HostSettings s{40, 41, 4, -1, 42, 75, true, 22050, 133.333f};
    const HostSettings before = s;
    std::vector<ComboView> combos;
    char latency[16] = {}, tempo[16] = {};
    bool primary = false;
    const int cancelled = runDriven(s, store, [&](HWND d) {
        for (int id : {IDC_SETUP_MIDI_IN, IDC_SETUP_MIDI_OUT, IDC_SETUP_AUDIO_DEVICE, IDC_SETUP_INPUT_CHANNEL,
                       IDC_SETUP_OUTPUT_CHANNEL, IDC_SETUP_SAMPLE_RATE})
            combos.push_back(readCombo(d, id));
        GetDlgItemTextA(d, IDC_SETUP_LATENCY, latency, sizeof latency);
        GetDlgItemTextA(d, IDC_SETUP_TEMPO, tempo, sizeof tempo);
        primary = IsDlgButtonChecked(d, IDC_SETUP_PRIMARY) == BST_CHECKED;
        SetDlgItemTextA(d, IDC_SETUP_LATENCY, "300");
        press(d, IDCANCEL);
    });
    EXPECT_EQ(cancelled, 0);
    const std::vector<ComboView> shown = {{CB_ERR, midiInputDeviceNames()},
                                          {CB_ERR, midiOutputDeviceNames()},
                                          {CB_ERR, AudioOutput::deviceDescriptions()},
                                          {5, channelEntries("all")},  // MIDI channel 5
                                          {0, channelEntries("none")},
                                          {CB_ERR, {"44100", "48000", "64000", "88200", "96000"}}};
    EXPECT_EQ(combos, shown);
    EXPECT_STREQ(latency, "75");
    EXPECT_STREQ(tempo, "133.33");
    EXPECT_TRUE(primary);
    EXPECT_EQ(fields(s), fields(before));
    EXPECT_FALSE(key.holdsString("latency")) << "cancelled, yet stored";

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
    // Strings with their terminator, which a second store reads back; reads take
    // exactly the stored bytes whatever their type, as hand-edited values show.
    RegistrySettingsStore again(key.path.c_str());
    HostSettings loaded;
    loaded.load(again);
    EXPECT_EQ(fields(loaded), expected);
    const std::map<std::string, std::string> texts = {{"inputChannel", "-1"}, {"primary", "No"}, {"tempo", "97.5"}};
    for (const char* name : kSettingNames) {
        std::string bytes;
        EXPECT_TRUE(key.holdsString(name) && again.readValue(name, bytes)) << name;
        EXPECT_EQ(bytes.find('\0'), bytes.size() - 1) << name;
        EXPECT_TRUE(!texts.count(name) || bytes == texts.at(name) + '\0') << name << " stored as " << bytes;
    }
    for (const auto& [bytes, yes] : std::map<std::string, bool>{{"Yes", false}, {std::string("Yes\0", 4), true}}) {
        RegSetKeyValueA(HKEY_CURRENT_USER, key.path.c_str(), "primary", REG_BINARY, bytes.data(), DWORD(bytes.size()));
        loaded.load(again);
        EXPECT_EQ(loaded.primary, yes) << bytes.size() << " bytes";
    }
}

}  // namespace
}  // namespace tine
