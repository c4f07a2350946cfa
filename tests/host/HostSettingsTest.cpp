// The host's settings read from text in a store and from the setup dialog's
// fields; the registry and the real dialog: standalone/win/SettingsRegistryTest.
#include "host/HostSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>

namespace tine {
namespace {

std::string z(const char* text) {
    return std::string(text, std::strlen(text) + 1);
}

// Values as raw bytes, the way a registry hands them back.
struct MemoryStore : SettingsStore {
    std::map<std::string, std::string> values;
    bool readValue(const char* name, std::string& bytes) override {
        return values.count(name) && (bytes = values[name], true);
    }
    bool writeValue(const char* name, const char* text) override { return values[name] = z(text), true; }
};

// clang-format off
std::map<std::string, double> fields(const HostSettings& s) {
    return {{"midiInDevice", s.midiInDevice}, {"midiOutDevice", s.midiOutDevice}, {"inputChannel", s.inputChannel},
            {"outputChannel", s.outputChannel}, {"audioDevice", s.audioDevice}, {"latency", s.latency},
            {"primary", s.primary}, {"sampleRate", s.sampleRate}, {"tempo", s.tempo}};
}
// clang-format on

TEST(HostSettings, StoredTextReadsWithinBoundsOrAsTheDefault) {
    struct Row {
        const char* name;
        std::string stored;
        double expected;
    };
    // clang-format off
    const Row rows[] = {
        {"latency", z("120"), 120},      {"latency", z("  +17 apples"), 17}, {"latency", z("1"), 1},
        {"latency", z("2000"), 2000},    {"latency", z("0"), 50},            {"latency", z("2001"), 50},
        {"latency", z("abc"), 50},       {"latency", z("-5"), 50},
        {"latency", "12", 12},                // no terminator: read up to the end only
        {"latency", z("4294967297"), 50},     // would wrap to 1 in 32 bits
        {"sampleRate", z("8000"), 8000}, {"sampleRate", z("192000"), 192000}, {"sampleRate", z("7999"), 44100},
        {"sampleRate", z("192001"), 44100},
        {"sampleRate", z("22050"), 22050},    // not offered by the dialog, still used
        {"inputChannel", z("-1"), -1},   {"inputChannel", z("15"), 15},      {"inputChannel", z("-2"), 0},
        {"inputChannel", z("16"), 0},    {"outputChannel", z("-1"), -1},     {"outputChannel", z("16"), 0},
        {"audioDevice", z("99999999999"), 2147483647},  // device indexes are taken as stored
        {"midiInDevice", z("-99999999999"), -2147483648.0}, {"midiOutDevice", z("1e2"), 1},
        {"primary", z("Yes"), 1},        {"primary", std::string("Yes\0junk", 8), 1}, {"primary", z("yes"), 0},
        {"primary", "Yes", 0},                // three bytes: nothing read beyond them
        {"primary", z("Yesterday"), 0},  {"primary", z("No"), 0},            {"primary", z(""), 0},
        {"tempo", z("97.5"), 97.5},      {"tempo", z("1e2"), 100},           {"tempo", z("fast"), 0},
        {"tempo", "133.3", 133.3f},
    };
    // clang-format on
    const auto defaults = fields(HostSettings{});
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " stored as \"" + row.stored + "\"");
        MemoryStore store;
        store.values[row.name] = row.stored;
        HostSettings s{7, 7, 7, 7, 7, 7, true, 7, 7.0f};  // values the load has to replace
        s.load(store);
        for (const auto& [name, value] : fields(s))
            EXPECT_FLOAT_EQ(value, name == row.name ? row.expected : defaults.at(name)) << name;
    }
    // What a save stores loads back as it was.
    const HostSettings saved{2, 1, -1, 15, 3, 2000, true, 8000, 133.333f};
    MemoryStore store;
    ASSERT_TRUE(saved.save(store));
    HostSettings back;
    back.load(store);
    EXPECT_EQ(fields(back), fields(saved));
}

TEST(SetupDialogModel, ShowsTheSettingsAndReadsItsFieldsBackWithinBoundsKeepingWhatNoListSelects) {
    const HostSettings stored{7, 6, 4, 9, 5, 80, true, 88200, 100.5f};
    const SetupDialogState shown = setupDialogState(stored);
    EXPECT_EQ(std::make_tuple(shown.inputChannelEntry, shown.outputChannelEntry, shown.sampleRateEntry,
                              shown.latencyText, shown.tempoText, shown.primary),
              std::make_tuple(5, 10, 3, std::string("80"), std::string("100.50"), true));
    using Edit = std::function<void(SetupDialogState&)>;
    // clang-format off
    const std::tuple<const char*, double, Edit> rows[] = {
        {"", 0, [](SetupDialogState&) {}},
        {"latency", 1999, [](SetupDialogState& d) { d.latencyText = " 1999 "; }},
        {"latency", 50, [](SetupDialogState& d) { d.latencyText = "12a"; }},
        {"latency", 2000, [](SetupDialogState& d) { d.latencyText = "2000"; }},
        {"latency", 50, [](SetupDialogState& d) { d.latencyText = "4294967297"; }},  // would wrap to 1 in 32 bits
        {"tempo", 120, [](SetupDialogState& d) { d.tempoText = "fast"; }},
        {"tempo", 123456789012345.0, [](SetupDialogState& d) { d.tempoText = "12345678901234567"; }},  // 15 characters
        {"sampleRate", 96000, [](SetupDialogState& d) { d.sampleRateEntry = 4; }},
        {"inputChannel", -1, [](SetupDialogState& d) { d.inputChannelEntry = 0; }},
        {"outputChannel", 15, [](SetupDialogState& d) { d.outputChannelEntry = 16; }},
        {"audioDevice", 1, [](SetupDialogState& d) { d.audioDeviceEntry = 1; }},
        {"primary", 0, [](SetupDialogState& d) { d.primary = false; }},
        {"", 0, [](SetupDialogState& d) { d.midiInEntry = d.midiOutEntry = d.inputChannelEntry = kNoSelection;
                                          d.outputChannelEntry = d.audioDeviceEntry = d.sampleRateEntry = kNoSelection; }},
    };
    // clang-format on
    for (const auto& [field, expected, edit] : rows) {
        SetupDialogState state = shown;
        edit(state);
        HostSettings got = stored;
        applySetupDialogState(state, got);
        for (const auto& [name, value] : fields(got))
            EXPECT_FLOAT_EQ(value, name == field ? expected : fields(stored).at(name)) << name << " after " << field;
    }
}

}  // namespace
}  // namespace tine
