// The host's nine settings as text in a store: how hand-edited values read,
// which fall back to their defaults, and what a save leaves. The registry and
// the setup dialog are tests/standalone/win/SettingsRegistryTest.cpp.
#include "host/HostSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace tine {
namespace {

// Values as raw bytes, the way a registry hands them back.
struct MemoryStore : SettingsStore {
    std::map<std::string, std::string> values;
    bool readValue(const char* name, std::string& bytes) override {
        const auto it = values.find(name);
        if (it == values.end())
            return false;
        bytes = it->second;
        return true;
    }
    bool writeValue(const char* name, const char* text) override {
        values[name] = std::string(text, std::strlen(text) + 1);
        return true;
    }
};

std::string z(const char* text) {
    return std::string(text, std::strlen(text) + 1);
}

// clang-format off
std::map<std::string, double> fields(const HostSettings& s) {
    return {{"midiInDevice", s.midiInDevice}, {"midiOutDevice", s.midiOutDevice}, {"inputChannel", s.inputChannel},
            {"outputChannel", s.outputChannel}, {"audioDevice", s.audioDevice}, {"latency", s.latency},
            {"primary", s.primary}, {"sampleRate", s.sampleRate}, {"tempo", s.tempo}};
}
// clang-format on

// Values a load has to replace, whatever the store holds.
HostSettings stale() {
    return HostSettings{7, 7, 7, 7, 7, 7, true, 7, 7.0f};
}

TEST(HostSettings, StoredTextReadsWithinBoundsOrAsTheDefaultAndSavedSettingsLoadBack) {
    struct Row {
        const char* name;
        std::string stored;
        double expected;
    };
    // clang-format off
    const Row rows[] = {
        {"latency", z("120"), 120},           {"latency", z("  +17 apples"), 17},
        {"latency", "12", 12},                // no terminator: read up to the end only
        {"latency", z("1"), 1},               {"latency", z("2000"), 2000},
        {"latency", z("0"), 50},              {"latency", z("2001"), 50},
        {"latency", z("abc"), 50},            {"latency", z("-5"), 50},
        {"latency", z("4294967297"), 50},     // would wrap to 1 in 32 bits
        {"sampleRate", z("8000"), 8000},      {"sampleRate", z("192000"), 192000},
        {"sampleRate", z("7999"), 44100},     {"sampleRate", z("192001"), 44100},
        {"sampleRate", z("22050"), 22050},    // not offered by the dialog, still used
        {"inputChannel", z("-1"), -1},        {"inputChannel", z("15"), 15},
        {"inputChannel", z("-2"), 0},         {"inputChannel", z("16"), 0},
        {"outputChannel", z("-1"), -1},       {"outputChannel", z("16"), 0},
        {"audioDevice", z("99999999999"), 2147483647},  // device indexes are taken as stored
        {"midiInDevice", z("-99999999999"), -2147483648.0},
        {"midiOutDevice", z("1e2"), 1},
        {"primary", z("Yes"), 1},             {"primary", std::string("Yes\0junk", 8), 1},
        {"primary", "Yes", 0},                // three bytes: nothing read beyond them
        {"primary", z("yes"), 0},             {"primary", z("Yesterday"), 0},
        {"primary", z("No"), 0},              {"primary", z(""), 0},
        {"tempo", z("97.5"), 97.5},           {"tempo", z("1e2"), 100},
        {"tempo", z("fast"), 0},              {"tempo", "133.3", 133.3f},
    };
    // clang-format on
    const auto defaults = fields(HostSettings{});
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " stored as \"" + row.stored + "\"");
        MemoryStore store;
        store.values[row.name] = row.stored;
        HostSettings s = stale();
        s.load(store);
        for (const auto& [name, value] : fields(s))
            EXPECT_FLOAT_EQ(value, name == row.name ? row.expected : defaults.at(name)) << name;
    }

    // What a save leaves: terminated text of every value, which loads back.
    const HostSettings saved{2, 1, -1, -1, 3, 120, true, 96000, 133.333333f};
    MemoryStore store;
    ASSERT_TRUE(saved.save(store));
    const std::map<std::string, std::string> expected = {
        {"midiInDevice", z("2")},   {"midiOutDevice", z("1")},  {"inputChannel", z("-1")},
        {"outputChannel", z("-1")}, {"audioDevice", z("3")},    {"latency", z("120")},
        {"primary", z("Yes")},      {"sampleRate", z("96000")}, {"tempo", z("133.333")},
    };
    EXPECT_EQ(store.values, expected);
    HostSettings back = stale();
    back.load(store);
    auto want = fields(saved);
    want["tempo"] = 133.333f;
    EXPECT_EQ(fields(back), want);

    HostSettings off;
    off.save(store);
    EXPECT_EQ(store.values["primary"], z("No"));
}

}  // namespace
}  // namespace tine
