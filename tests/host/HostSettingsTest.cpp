#include "host/HostSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tine {
namespace {

// Values as raw bytes, the way a registry hands them back.
class MemoryStore : public SettingsStore {
public:
    std::map<std::string, std::string> values;
    std::vector<std::string> writeOrder;

    bool readValue(const char* name, std::string& bytes) override {
        const auto it = values.find(name);
        if (it == values.end()) return false;
        bytes = it->second;
        return true;
    }
    bool writeValue(const char* name, const char* text) override {
        writeOrder.push_back(name);
        if (text == nullptr) return values.erase(name) > 0;
        values[name] = std::string(text, std::strlen(text) + 1);
        return true;
    }
};

std::string z(const char* text) { return std::string(text, std::strlen(text) + 1); }

void expectDefaults(const HostSettings& s) {
    EXPECT_EQ(s.midiInDevice, 0);
    EXPECT_EQ(s.midiOutDevice, 0);
    EXPECT_EQ(s.inputChannel, 0);
    EXPECT_EQ(s.outputChannel, 0);
    EXPECT_EQ(s.audioDevice, 0);
    EXPECT_EQ(s.latency, 50);
    EXPECT_FALSE(s.primary);
    EXPECT_EQ(s.sampleRate, 44100);
    EXPECT_FLOAT_EQ(s.tempo, 120.0f);
}

TEST(HostSettings, AnEmptyStoreGivesTheDefaults) {
    MemoryStore store;
    HostSettings s;
    s.midiInDevice = 3;
    s.primary = true;
    s.load(store);
    expectDefaults(s);
}

TEST(HostSettings, SaveWritesAllNineAsTextInOrderAndLoadReadsThemBack) {
    HostSettings s;
    s.midiInDevice = 2;
    s.midiOutDevice = 1;
    s.inputChannel = -1;
    s.outputChannel = -1;
    s.audioDevice = 3;
    s.latency = 120;
    s.primary = true;
    s.sampleRate = 96000;
    s.tempo = 97.5f;
    MemoryStore store;
    ASSERT_TRUE(s.save(store));

    EXPECT_EQ(store.writeOrder, std::vector<std::string>(kSettingNames, kSettingNames + 9));
    const std::map<std::string, std::string> expected = {
        {"midiInDevice", z("2")}, {"midiOutDevice", z("1")}, {"inputChannel", z("-1")},
        {"outputChannel", z("-1")}, {"audioDevice", z("3")}, {"latency", z("120")},
        {"primary", z("Yes")}, {"sampleRate", z("96000")}, {"tempo", z("97.5")},
    };
    EXPECT_EQ(store.values, expected);

    HostSettings back;
    back.load(store);
    EXPECT_EQ(back.midiInDevice, 2);
    EXPECT_EQ(back.midiOutDevice, 1);
    EXPECT_EQ(back.inputChannel, -1);
    EXPECT_EQ(back.outputChannel, -1);
    EXPECT_EQ(back.audioDevice, 3);
    EXPECT_EQ(back.latency, 120);
    EXPECT_TRUE(back.primary);
    EXPECT_EQ(back.sampleRate, 96000);
    EXPECT_FLOAT_EQ(back.tempo, 97.5f);

    s.primary = false;
    s.save(store);
    EXPECT_EQ(store.values["primary"], z("No"));
}

TEST(HostSettings, TextFormsWrittenAndRead) {
    struct Row {
        std::string stored;
        int32_t asInt;
        float asFloat;
        bool asBool;
    };
    const Row rows[] = {
        {z("42"), 42, 42.0f, false},
        {z("-1"), -1, -1.0f, false},
        {z("  +17 apples"), 17, 17.0f, false},
        {z("abc"), 0, 0.0f, false},
        {z(""), 0, 0.0f, false},
        {"", 0, 0.0f, false},
        {"12", 12, 12.0f, false},                      // no terminator: read up to the end only
        {z("99999999999"), 2147483647, 99999999999.0f, false},
        {z("-99999999999"), -2147483647 - 1, -99999999999.0f, false},
        {z("1e2"), 1, 100.0f, false},
        {z("97.5"), 97, 97.5f, false},
        {z("Yes"), 0, 0.0f, true},
        {z("yes"), 0, 0.0f, false},                    // hand-edited lower case
        {z("YES"), 0, 0.0f, false},
        {"Yes", 0, 0.0f, false},                        // three bytes: nothing read beyond them
        {z("Yesterday"), 0, 0.0f, false},
        {z("No"), 0, 0.0f, false},
        {std::string("Yes\0junk", 8), 0, 0.0f, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("stored \"" + row.stored + "\" of " + std::to_string(row.stored.size()) + " bytes");
        EXPECT_EQ(intFromText(row.stored), row.asInt);
        EXPECT_FLOAT_EQ(floatFromText(row.stored), row.asFloat);
        EXPECT_EQ(boolFromBytes(row.stored), row.asBool);
    }

    EXPECT_EQ(intText(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(intText(44100), "44100");
    EXPECT_EQ(floatText(120.0f), "120");
    EXPECT_EQ(floatText(133.333333f), "133.333");
    EXPECT_FLOAT_EQ(floatFromText(z(floatText(0.000123456f).c_str())), 0.000123456f);
    EXPECT_STREQ(boolText(true), "Yes");
    EXPECT_STREQ(boolText(false), "No");
}

TEST(HostSettings, OutOfRangeStoredValuesFallBackToTheirDefaults) {
    struct Row {
        const char* name;
        const char* stored;
        std::function<int32_t(const HostSettings&)> get;
        int32_t expected;
    };
    auto latency = [](const HostSettings& s) { return s.latency; };
    auto rate = [](const HostSettings& s) { return s.sampleRate; };
    auto in = [](const HostSettings& s) { return s.inputChannel; };
    auto out = [](const HostSettings& s) { return s.outputChannel; };
    auto device = [](const HostSettings& s) { return s.audioDevice; };
    const Row rows[] = {
        {"latency", "0", latency, 50},
        {"latency", "-5", latency, 50},
        {"latency", "4294967295", latency, 50},
        {"latency", "100000", latency, 50},  // would wrap rate x 4 x ms in 32 bits
        {"latency", "1", latency, 1},
        {"latency", "2000", latency, 2000},
        {"sampleRate", "0", rate, 44100},
        {"sampleRate", "-44100", rate, 44100},
        {"sampleRate", "fast", rate, 44100},
        {"sampleRate", "4000000000", rate, 44100},
        {"sampleRate", "22050", rate, 22050},  // not in the dialog's list, still used
        {"sampleRate", "192000", rate, 192000},
        {"inputChannel", "16", in, 0},
        {"inputChannel", "-2", in, 0},
        {"inputChannel", "-1", in, -1},
        {"inputChannel", "15", in, 15},
        {"outputChannel", "16", out, 0},  // would turn the Control Change status into another message
        {"outputChannel", "-1", out, -1},
        {"audioDevice", "9", device, 9},   // device indexes are taken as stored
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " = " + row.stored);
        MemoryStore store;
        store.writeValue(row.name, row.stored);
        HostSettings s;
        s.load(store);
        EXPECT_EQ(row.get(s), row.expected);
    }
}

TEST(SetupDialogModel, FillsTheControlsFromTheSettings) {
    HostSettings s;
    SetupDialogState state = setupDialogState(s);
    EXPECT_EQ(state.midiInEntry, 0);
    EXPECT_EQ(state.inputChannelEntry, 1);   // MIDI channel 1
    EXPECT_EQ(state.midiOutEntry, 0);
    EXPECT_EQ(state.outputChannelEntry, 1);
    EXPECT_EQ(state.audioDeviceEntry, 0);
    EXPECT_EQ(state.sampleRateEntry, 0);
    EXPECT_EQ(state.latencyText, "50");
    EXPECT_EQ(state.tempoText, "120.00");
    EXPECT_FALSE(state.primary);

    s.inputChannel = -1;
    s.outputChannel = -1;
    s.sampleRate = 88200;
    s.tempo = 97.256f;
    s.primary = true;
    s.midiInDevice = 5;
    state = setupDialogState(s);
    EXPECT_EQ(state.inputChannelEntry, 0);
    EXPECT_EQ(state.outputChannelEntry, 0);
    EXPECT_EQ(state.sampleRateEntry, 3);
    EXPECT_EQ(state.tempoText, "97.26");
    EXPECT_TRUE(state.primary);
    EXPECT_EQ(state.midiInEntry, 5);

    s.sampleRate = 22050;
    EXPECT_EQ(setupDialogState(s).sampleRateEntry, kNoSelection);

    EXPECT_STREQ(inputChannelEntryText(0), "all");
    EXPECT_STREQ(outputChannelEntryText(0), "none");
    EXPECT_STREQ(inputChannelEntryText(1), "1");
    EXPECT_STREQ(outputChannelEntryText(16), "16");
    EXPECT_EQ(inputChannelEntryText(17), nullptr);
}

TEST(SetupDialogModel, ReadsTheControlsBack) {
    struct Row {
        const char* what;
        std::function<void(SetupDialogState&)> edit;
        std::function<void(HostSettings&)> expect;
    };
    const Row rows[] = {
        {"unchanged", [](SetupDialogState&) {}, [](HostSettings&) {}},
        {"input all", [](SetupDialogState& d) { d.inputChannelEntry = 0; },
         [](HostSettings& s) { s.inputChannel = -1; }},
        {"output none", [](SetupDialogState& d) { d.outputChannelEntry = 0; },
         [](HostSettings& s) { s.outputChannel = -1; }},
        {"channel 16", [](SetupDialogState& d) { d.inputChannelEntry = 16; },
         [](HostSettings& s) { s.inputChannel = 15; }},
        {"devices", [](SetupDialogState& d) { d.midiInEntry = 2; d.midiOutEntry = 1; d.audioDeviceEntry = 3; },
         [](HostSettings& s) { s.midiInDevice = 2; s.midiOutDevice = 1; s.audioDevice = 3; }},
        {"device lists without selection keep the stored indexes",
         [](SetupDialogState& d) {
             d.midiInEntry = kNoSelection;
             d.midiOutEntry = kNoSelection;
             d.audioDeviceEntry = kNoSelection;
             d.inputChannelEntry = kNoSelection;
             d.outputChannelEntry = kNoSelection;
         },
         [](HostSettings&) {}},
        {"48000", [](SetupDialogState& d) { d.sampleRateEntry = 1; }, [](HostSettings& s) { s.sampleRate = 48000; }},
        {"no rate selected keeps the rate", [](SetupDialogState& d) { d.sampleRateEntry = kNoSelection; },
         [](HostSettings&) {}},
        {"latency 120", [](SetupDialogState& d) { d.latencyText = "120"; }, [](HostSettings& s) { s.latency = 120; }},
        {"empty latency", [](SetupDialogState& d) { d.latencyText = ""; }, [](HostSettings& s) { s.latency = 50; }},
        {"latency not a number", [](SetupDialogState& d) { d.latencyText = "12a"; },
         [](HostSettings& s) { s.latency = 50; }},
        {"latency 0", [](SetupDialogState& d) { d.latencyText = "0"; }, [](HostSettings& s) { s.latency = 50; }},
        {"latency too long", [](SetupDialogState& d) { d.latencyText = "99999999999"; },
         [](HostSettings& s) { s.latency = 50; }},
        {"tempo", [](SetupDialogState& d) { d.tempoText = "97.25"; }, [](HostSettings& s) { s.tempo = 97.25f; }},
        {"tempo unreadable", [](SetupDialogState& d) { d.tempoText = "fast"; },
         [](HostSettings& s) { s.tempo = 120.0f; }},
        {"tempo from its first 15 characters", [](SetupDialogState& d) { d.tempoText = "12345678901234567"; },
         [](HostSettings& s) { s.tempo = 123456789012345.0f; }},
        {"primary", [](SetupDialogState& d) { d.primary = true; }, [](HostSettings& s) { s.primary = true; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        HostSettings stored;
        stored.midiInDevice = 7;  // beyond a short device list
        stored.midiOutDevice = 6;
        stored.audioDevice = 5;
        stored.inputChannel = 4;
        stored.outputChannel = 9;
        stored.latency = 80;
        stored.sampleRate = 22050;  // hand-edited, not in the list
        stored.tempo = 100.0f;
        SetupDialogState state = setupDialogState(stored);
        row.edit(state);
        HostSettings expected = stored;
        row.expect(expected);
        HostSettings got = stored;
        applySetupDialogState(state, got);
        EXPECT_EQ(got.midiInDevice, expected.midiInDevice);
        EXPECT_EQ(got.midiOutDevice, expected.midiOutDevice);
        EXPECT_EQ(got.inputChannel, expected.inputChannel);
        EXPECT_EQ(got.outputChannel, expected.outputChannel);
        EXPECT_EQ(got.audioDevice, expected.audioDevice);
        EXPECT_EQ(got.latency, expected.latency);
        EXPECT_EQ(got.sampleRate, expected.sampleRate);
        EXPECT_FLOAT_EQ(got.tempo, expected.tempo);
        EXPECT_EQ(got.primary, expected.primary);
    }
}

}  // namespace
}  // namespace tine
