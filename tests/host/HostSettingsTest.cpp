// How the host's settings read from their text in a store, within bounds or as
// defaults. Saving, the registry and the dialog: SettingsRegistryTest.cpp.
#include "host/HostSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace tine {
namespace {

// One value as raw bytes, the way a registry hands it back.
struct OneValueStore : SettingsStore {
    std::string name, bytes;
    bool readValue(const char* asked, std::string& out) override { return asked == name && (out = bytes, true); }
    bool writeValue(const char*, const char*) override { return false; }
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
        OneValueStore store;
        store.name = row.name;
        store.bytes = row.stored;
        HostSettings s{7, 7, 7, 7, 7, 7, true, 7, 7.0f};  // values the load has to replace
        s.load(store);
        for (const auto& [name, value] : fields(s))
            EXPECT_FLOAT_EQ(value, name == row.name ? row.expected : defaults.at(name)) << name;
    }
}

}  // namespace
}  // namespace tine
