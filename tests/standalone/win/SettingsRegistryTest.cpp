// Settings in the real registry and the setup dialog driven through window
// messages. Each test works on its own key below Software\Corvane so it starts
// from a fresh state whatever ran before in the prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../../../resources/SetupDialogIds.h"
#include "standalone/AudioOutput.h"
#include "standalone/MidiPort.h"
#include "standalone/SettingsStoreRegistry.h"
#include "standalone/SetupDialog.h"

namespace tine {
namespace {

class TestKey {
public:
    TestKey() : path_("Software\\Corvane\\TinemasterTest-" + std::to_string(GetCurrentProcessId())) { erase(); }
    ~TestKey() { erase(); }
    const char* path() const { return path_.c_str(); }

    // The live value as stored: type and bytes.
    bool raw(const char* name, DWORD& type, std::string& bytes) const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        char data[256];
        DWORD size = sizeof data;
        const bool ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (ok) bytes.assign(data, size);
        return ok;
    }
    void set(const char* name, DWORD type, const std::string& bytes) const {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
        RegCloseKey(key);
    }
    DWORD valueCount() const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
        DWORD values = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
        return values;
    }

private:
    void erase() { RegDeleteTreeA(HKEY_CURRENT_USER, path()); RegDeleteKeyA(HKEY_CURRENT_USER, path()); }
    std::string path_;
};

std::string z(const char* text) { return std::string(text, std::strlen(text) + 1); }

TEST(SettingsRegistry, AFreshKeyGivesTheDefaultsAndIsCreatedWithItsClass) {
    TestKey key;
    RegistrySettingsStore store(key.path());
    ASSERT_TRUE(store.isOpen());
    HostSettings s;
    s.latency = 7;
    s.load(store);
    EXPECT_EQ(s.midiInDevice, 0);
    EXPECT_EQ(s.midiOutDevice, 0);
    EXPECT_EQ(s.inputChannel, 0);
    EXPECT_EQ(s.outputChannel, 0);
    EXPECT_EQ(s.audioDevice, 0);
    EXPECT_EQ(s.latency, 50);
    EXPECT_FALSE(s.primary);
    EXPECT_EQ(s.sampleRate, 44100);
    EXPECT_FLOAT_EQ(s.tempo, 120.0f);
    EXPECT_EQ(key.valueCount(), 0u) << "loading writes nothing";

    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.path(), 0, KEY_READ, &h), ERROR_SUCCESS);
    char keyClass[64] = {};
    DWORD classChars = sizeof keyClass;
    EXPECT_EQ(RegQueryInfoKeyA(h, keyClass, &classChars, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(h);
    EXPECT_STREQ(keyClass, kSettingsKeyClass);
}

TEST(SettingsRegistry, SaveStoresAllNineAsStringsWithTheirTerminator) {
    TestKey key;
    RegistrySettingsStore store(key.path());
    HostSettings s;
    s.midiInDevice = 1;
    s.inputChannel = -1;
    s.outputChannel = -1;
    s.latency = 80;
    s.primary = true;
    s.sampleRate = 48000;
    s.tempo = 97.5f;
    ASSERT_TRUE(s.save(store));

    const std::map<std::string, std::string> expected = {
        {"midiInDevice", z("1")}, {"midiOutDevice", z("0")}, {"inputChannel", z("-1")},
        {"outputChannel", z("-1")}, {"audioDevice", z("0")}, {"latency", z("80")},
        {"primary", z("Yes")}, {"sampleRate", z("48000")}, {"tempo", z("97.5")},
    };
    EXPECT_EQ(key.valueCount(), 9u);
    for (const auto& [name, bytes] : expected) {
        DWORD type = 0;
        std::string got;
        ASSERT_TRUE(key.raw(name.c_str(), type, got)) << name;
        EXPECT_EQ(type, DWORD(REG_SZ)) << name;
        EXPECT_EQ(got, bytes) << name;
    }

    s.primary = false;
    s.save(store);
    DWORD type = 0;
    std::string got;
    ASSERT_TRUE(key.raw("primary", type, got));
    EXPECT_EQ(got, z("No"));

    // A second store on the same key reads it all back.
    RegistrySettingsStore again(key.path());
    HostSettings back;
    back.load(again);
    EXPECT_EQ(back.midiInDevice, 1);
    EXPECT_EQ(back.inputChannel, -1);
    EXPECT_EQ(back.outputChannel, -1);
    EXPECT_EQ(back.latency, 80);
    EXPECT_FALSE(back.primary);
    EXPECT_EQ(back.sampleRate, 48000);
    EXPECT_FLOAT_EQ(back.tempo, 97.5f);
}

TEST(SettingsRegistry, HandEditedValuesReadAsTheirTextSays) {
    struct Row {
        DWORD type;
        std::string bytes;
        bool primary;
    };
    const Row rows[] = {
        {REG_SZ, z("Yes"), true},
        {REG_SZ, z("yes"), false},     // lower case
        {REG_BINARY, "Yes", false},    // no terminator stored: nothing read past the three bytes
        {REG_BINARY, std::string("Yes\0", 4), true},  // the stored type does not matter
        {REG_SZ, z("Y"), false},
        {REG_SZ, z(""), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        TestKey key;
        key.set("primary", row.type, row.bytes);
        key.set("sampleRate", REG_SZ, z("0"));  // would be a zero rate
        key.set("latency", REG_SZ, z("99999999"));
        RegistrySettingsStore store(key.path());
        HostSettings s;
        s.load(store);
        EXPECT_EQ(s.primary, row.primary);
        EXPECT_EQ(s.sampleRate, 44100);
        EXPECT_EQ(s.latency, 50);
    }
}

TEST(SettingsRegistry, WritingNoTextDeletesTheValue) {
    TestKey key;
    RegistrySettingsStore store(key.path());
    ASSERT_TRUE(store.writeValue("latency", "60"));
    EXPECT_EQ(key.valueCount(), 1u);
    EXPECT_TRUE(store.writeValue("latency", nullptr));
    EXPECT_EQ(key.valueCount(), 0u);
    std::string bytes;
    EXPECT_FALSE(store.readValue("latency", bytes));
}

// ---- The dialog ----

struct ComboView {
    int32_t count = -1;
    int32_t selected = -2;
    std::vector<std::string> entries;
};

ComboView readCombo(HWND dialog, int id) {
    ComboView view;
    HWND combo = GetDlgItem(dialog, id);
    view.count = int32_t(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    view.selected = int32_t(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    for (int32_t i = 0; i < view.count; ++i) {
        char text[256] = {};
        SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        view.entries.push_back(text);
    }
    return view;
}

std::string controlText(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Runs the modal dialog on this thread while action drives it from another:
// action gets the dialog window once it is up and must close it.
int runDriven(HostSettings& settings, SettingsStore& store, const std::function<void(HWND)>& action) {
    std::atomic<bool> finished{false};
    std::thread driver([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 2000 && !dialog && !finished; ++i) {
            dialog = FindWindowA("#32770", "Setup");
            if (!dialog || !IsWindowVisible(dialog)) {
                dialog = nullptr;
                Sleep(5);
            }
        }
        if (dialog) action(dialog);
    });
    const int result = runSetupDialog(settings, store, nullptr, GetModuleHandleA(nullptr));
    finished = true;
    driver.join();
    return result;
}

TEST(SetupDialog, OpensFilledFromTheSettings) {
    TestKey key;
    RegistrySettingsStore store(key.path());
    HostSettings s;
    s.inputChannel = 4;
    s.outputChannel = -1;
    s.sampleRate = 88200;
    s.latency = 75;
    s.tempo = 133.333f;
    s.primary = true;

    std::map<int, ComboView> combos;
    std::string latency, tempo, caption;
    bool tempoVisible = true, latencyDigitsOnly = false, primaryTicked = false, found = false;
    const int result = runDriven(s, store, [&](HWND dialog) {
        found = true;
        for (int id : {IDC_SETUP_MIDI_IN, IDC_SETUP_INPUT_CHANNEL, IDC_SETUP_MIDI_OUT, IDC_SETUP_OUTPUT_CHANNEL,
                       IDC_SETUP_AUDIO_DEVICE, IDC_SETUP_SAMPLE_RATE})
            combos[id] = readCombo(dialog, id);
        latency = controlText(dialog, IDC_SETUP_LATENCY);
        tempo = controlText(dialog, IDC_SETUP_TEMPO);
        char text[64] = {};
        GetWindowTextA(dialog, text, sizeof text);
        caption = text;
        tempoVisible = IsWindowVisible(GetDlgItem(dialog, IDC_SETUP_TEMPO)) != FALSE;
        latencyDigitsOnly = (GetWindowLongA(GetDlgItem(dialog, IDC_SETUP_LATENCY), GWL_STYLE) & ES_NUMBER) != 0;
        primaryTicked = SendDlgItemMessageA(dialog, IDC_SETUP_PRIMARY, BM_GETCHECK, 0, 0) == BST_CHECKED;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_TRUE(found) << "the dialog did not come up";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(caption, "Setup");

    const ComboView& in = combos[IDC_SETUP_INPUT_CHANNEL];
    ASSERT_EQ(in.count, 17);
    EXPECT_EQ(in.entries[0], "all");
    EXPECT_EQ(in.entries[1], "1");
    EXPECT_EQ(in.entries[16], "16");
    EXPECT_EQ(in.selected, 5);  // MIDI channel 5
    const ComboView& out = combos[IDC_SETUP_OUTPUT_CHANNEL];
    ASSERT_EQ(out.count, 17);
    EXPECT_EQ(out.entries[0], "none");
    EXPECT_EQ(out.selected, 0);
    const ComboView& rates = combos[IDC_SETUP_SAMPLE_RATE];
    EXPECT_EQ(rates.entries, (std::vector<std::string>{"44100", "48000", "64000", "88200", "96000"}));
    EXPECT_EQ(rates.selected, 3);
    const ComboView& audio = combos[IDC_SETUP_AUDIO_DEVICE];
    EXPECT_EQ(audio.entries, AudioOutput::deviceDescriptions());
    EXPECT_GE(audio.count, 1);
    EXPECT_EQ(audio.selected, 0);
    EXPECT_EQ(combos[IDC_SETUP_MIDI_IN].entries, midiInputDeviceNames());
    EXPECT_EQ(combos[IDC_SETUP_MIDI_OUT].entries, midiOutputDeviceNames());
    EXPECT_EQ(latency, "75");
    EXPECT_TRUE(latencyDigitsOnly);
    EXPECT_EQ(tempo, "133.33");
    EXPECT_FALSE(tempoVisible);
    EXPECT_TRUE(primaryTicked);
}

TEST(SetupDialog, OkReadsEveryControlBackAndWritesAllNine) {
    TestKey key;
    RegistrySettingsStore store(key.path());
    HostSettings s;
    const int result = runDriven(s, store, [](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_SETUP_INPUT_CHANNEL, CB_SETCURSEL, 0, 0);   // all
        SendDlgItemMessageA(dialog, IDC_SETUP_OUTPUT_CHANNEL, CB_SETCURSEL, 0, 0);  // none
        SendDlgItemMessageA(dialog, IDC_SETUP_SAMPLE_RATE, CB_SETCURSEL, 1, 0);     // 48000
        SetDlgItemTextA(dialog, IDC_SETUP_LATENCY, "");                              // not a number: 50
        SetDlgItemTextA(dialog, IDC_SETUP_TEMPO, "97.5");
        SendDlgItemMessageA(dialog, IDC_SETUP_PRIMARY, BM_SETCHECK, BST_CHECKED, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(s.inputChannel, -1);
    EXPECT_EQ(s.outputChannel, -1);
    EXPECT_EQ(s.sampleRate, 48000);
    EXPECT_EQ(s.latency, 50);
    EXPECT_FLOAT_EQ(s.tempo, 97.5f);
    EXPECT_TRUE(s.primary);
    EXPECT_EQ(s.audioDevice, 0);

    EXPECT_EQ(key.valueCount(), 9u);
    const std::map<std::string, std::string> expected = {
        {"inputChannel", z("-1")}, {"outputChannel", z("-1")}, {"sampleRate", z("48000")},
        {"latency", z("50")},      {"tempo", z("97.5")},       {"primary", z("Yes")},
        {"audioDevice", z("0")},
    };
    for (const auto& [name, bytes] : expected) {
        DWORD type = 0;
        std::string got;
        ASSERT_TRUE(key.raw(name.c_str(), type, got)) << name;
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_EQ(got, bytes) << name;
    }
}

TEST(SetupDialog, OkWithoutSelectionsKeepsAStoredRateAndDeviceBeyondTheLists) {
    TestKey key;
    RegistrySettingsStore store(key.path());
    HostSettings s;
    s.sampleRate = 22050;  // hand-edited, not offered
    s.midiInDevice = 40;
    s.midiOutDevice = 41;
    s.audioDevice = 42;
    ComboView rates, audio, midiIn;
    const int result = runDriven(s, store, [&](HWND dialog) {
        rates = readCombo(dialog, IDC_SETUP_SAMPLE_RATE);
        audio = readCombo(dialog, IDC_SETUP_AUDIO_DEVICE);
        midiIn = readCombo(dialog, IDC_SETUP_MIDI_IN);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rates.selected, CB_ERR);
    EXPECT_EQ(audio.selected, CB_ERR);
    EXPECT_EQ(midiIn.selected, CB_ERR);
    EXPECT_EQ(s.sampleRate, 22050);
    EXPECT_EQ(s.midiInDevice, 40);
    EXPECT_EQ(s.midiOutDevice, 41);
    EXPECT_EQ(s.audioDevice, 42);
    DWORD type = 0;
    std::string got;
    ASSERT_TRUE(key.raw("sampleRate", type, got));
    EXPECT_EQ(got, z("22050"));
    ASSERT_TRUE(key.raw("audioDevice", type, got));
    EXPECT_EQ(got, z("42"));
}

TEST(SetupDialog, CancelChangesNothing) {
    TestKey key;
    RegistrySettingsStore store(key.path());
    HostSettings s;
    const HostSettings before = s;
    const int result = runDriven(s, store, [](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_SETUP_INPUT_CHANNEL, CB_SETCURSEL, 9, 0);
        SendDlgItemMessageA(dialog, IDC_SETUP_SAMPLE_RATE, CB_SETCURSEL, 4, 0);
        SetDlgItemTextA(dialog, IDC_SETUP_LATENCY, "300");
        SendDlgItemMessageA(dialog, IDC_SETUP_PRIMARY, BM_SETCHECK, BST_CHECKED, 0);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(s.inputChannel, before.inputChannel);
    EXPECT_EQ(s.sampleRate, before.sampleRate);
    EXPECT_EQ(s.latency, before.latency);
    EXPECT_EQ(s.primary, before.primary);
    EXPECT_EQ(key.valueCount(), 0u);
}

}  // namespace
}  // namespace tine
