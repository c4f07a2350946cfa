#include "host/HostSettings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tine {

const char* const kSettingNames[9] = {"midiInDevice", "midiOutDevice", "inputChannel", "outputChannel", "audioDevice",
                                      "latency",      "primary",       "sampleRate",   "tempo"};

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The stored bytes as a zero-terminated string: data without its own
// terminator is cut at its end, never read beyond.
std::string asText(const std::string& bytes) {
    const std::size_t zero = bytes.find('\0');
    return zero == std::string::npos ? bytes : bytes.substr(0, zero);
}

const char* const kChannelTexts[17] = {"",  "1",  "2",  "3",  "4",  "5",  "6",  "7", "8",
                                       "9", "10", "11", "12", "13", "14", "15", "16"};

bool inRange(int32_t v, int32_t lo, int32_t hi) {
    return v >= lo && v <= hi;
}

}  // namespace

std::string intText(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
    return text;
}

int32_t intFromText(const std::string& bytes) {
    const std::string text = asText(bytes);
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0x80000000ll)
            value = 0x80000000ll;  // saturate, keep scanning
    }
    if (negative)
        value = -value;
    if (value > 0x7FFFFFFFll)
        value = 0x7FFFFFFFll;
    return static_cast<int32_t>(value);
}

std::string floatText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", static_cast<double>(value));
    return text;
}

float floatFromText(const std::string& bytes) {
    const std::string text = asText(bytes);
    return static_cast<float>(std::strtod(text.c_str(), nullptr));
}

const char* boolText(bool value) {
    return value ? "Yes" : "No";
}

bool boolFromBytes(const std::string& bytes) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(), "Yes", 4) == 0;
}

int32_t readInt(SettingsStore& store, const char* name, int32_t fallback) {
    std::string bytes;
    return store.readValue(name, bytes) ? intFromText(bytes) : fallback;
}

float readFloat(SettingsStore& store, const char* name, float fallback) {
    std::string bytes;
    return store.readValue(name, bytes) ? floatFromText(bytes) : fallback;
}

bool readBool(SettingsStore& store, const char* name, bool fallback) {
    std::string bytes;
    return store.readValue(name, bytes) ? boolFromBytes(bytes) : fallback;
}

bool writeInt(SettingsStore& store, const char* name, int32_t value) {
    return store.writeValue(name, intText(value).c_str());
}

bool writeFloat(SettingsStore& store, const char* name, float value) {
    return store.writeValue(name, floatText(value).c_str());
}

bool writeBool(SettingsStore& store, const char* name, bool value) {
    return store.writeValue(name, boolText(value));
}

void HostSettings::load(SettingsStore& store) {
    const HostSettings d;
    midiInDevice = readInt(store, kSettingNames[0], d.midiInDevice);
    midiOutDevice = readInt(store, kSettingNames[1], d.midiOutDevice);
    inputChannel = readInt(store, kSettingNames[2], d.inputChannel);
    outputChannel = readInt(store, kSettingNames[3], d.outputChannel);
    audioDevice = readInt(store, kSettingNames[4], d.audioDevice);
    latency = readInt(store, kSettingNames[5], d.latency);
    primary = readBool(store, kSettingNames[6], d.primary);
    sampleRate = readInt(store, kSettingNames[7], d.sampleRate);
    tempo = readFloat(store, kSettingNames[8], d.tempo);
    computerKeyboard = readBool(store, kComputerKeyboardSetting, d.computerKeyboard);
    editorSize = readInt(store, kEditorSizeSetting, d.editorSize);
    applyBounds();
}

bool HostSettings::save(SettingsStore& store) const {
    bool ok = writeInt(store, kSettingNames[0], midiInDevice);
    ok = writeInt(store, kSettingNames[1], midiOutDevice) && ok;
    ok = writeInt(store, kSettingNames[2], inputChannel) && ok;
    ok = writeInt(store, kSettingNames[3], outputChannel) && ok;
    ok = writeInt(store, kSettingNames[4], audioDevice) && ok;
    ok = writeInt(store, kSettingNames[5], latency) && ok;
    ok = writeBool(store, kSettingNames[6], primary) && ok;
    ok = writeInt(store, kSettingNames[7], sampleRate) && ok;
    ok = writeFloat(store, kSettingNames[8], tempo) && ok;
    return ok;
}

bool HostSettings::saveEditorSize(SettingsStore& store) const {
    return writeInt(store, kEditorSizeSetting, editorSize);
}

void HostSettings::applyBounds() {
    const HostSettings d;
    if (editorSize != 100 && editorSize != 150 && editorSize != 200)
        editorSize = d.editorSize;
    if (!inRange(latency, kMinLatencyMs, kMaxLatencyMs))
        latency = d.latency;
    if (!inRange(sampleRate, kMinSettingSampleRate, kMaxSettingSampleRate))
        sampleRate = d.sampleRate;
    // A channel beyond 15 would spill into the status nibble of what is sent.
    if (!inRange(inputChannel, kMinChannelSetting, kMaxChannelSetting))
        inputChannel = d.inputChannel;
    if (!inRange(outputChannel, kMinChannelSetting, kMaxChannelSetting))
        outputChannel = d.outputChannel;
}

const char* inputChannelEntryText(int32_t entry) {
    if (entry == 0)
        return "all";
    return inRange(entry, 1, 16) ? kChannelTexts[entry] : nullptr;
}

const char* outputChannelEntryText(int32_t entry) {
    if (entry == 0)
        return "none";
    return inRange(entry, 1, 16) ? kChannelTexts[entry] : nullptr;
}

SetupDialogState setupDialogState(const HostSettings& s) {
    SetupDialogState state;
    state.midiInEntry = s.midiInDevice;
    state.inputChannelEntry = s.inputChannel + 1;
    state.midiOutEntry = s.midiOutDevice;
    state.outputChannelEntry = s.outputChannel + 1;
    state.audioDeviceEntry = s.audioDevice;
    state.sampleRateEntry = kNoSelection;
    for (int32_t i = 0; i < 5; ++i)
        if (kSetupSampleRates[i] == s.sampleRate)
            state.sampleRateEntry = i;
    char text[32];
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(static_cast<uint32_t>(s.latency)));
    state.latencyText = text;
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(s.tempo));
    state.tempoText = text;
    state.primary = s.primary;
    return state;
}

namespace {

// The latency field as an unsigned number: blanks around the digits are
// allowed, anything else (or nothing) makes it no number.
bool latencyFromText(const std::string& text, int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    const std::size_t digitsStart = i;
    uint64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + static_cast<uint64_t>(text[i] - '0');
        if (v > 0xFFFFFFFFull)
            return false;
    }
    if (i == digitsStart)
        return false;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i != text.size())
        return false;
    if (v > static_cast<uint64_t>(kMaxLatencyMs) || v < static_cast<uint64_t>(kMinLatencyMs))
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

}  // namespace

void applySetupDialogState(const SetupDialogState& state, HostSettings& s) {
    const HostSettings d;
    if (state.midiInEntry != kNoSelection)
        s.midiInDevice = state.midiInEntry;
    if (state.midiOutEntry != kNoSelection)
        s.midiOutDevice = state.midiOutEntry;
    if (state.inputChannelEntry != kNoSelection)
        s.inputChannel = state.inputChannelEntry - 1;
    if (state.outputChannelEntry != kNoSelection)
        s.outputChannel = state.outputChannelEntry - 1;
    if (state.audioDeviceEntry != kNoSelection)
        s.audioDevice = state.audioDeviceEntry;
    if (inRange(state.sampleRateEntry, 0, 4))
        s.sampleRate = kSetupSampleRates[state.sampleRateEntry];
    if (!latencyFromText(state.latencyText, s.latency))
        s.latency = d.latency;
    float tempo = 0.0f;
    const std::string tempoText = state.tempoText.substr(0, 15);
    s.tempo = std::sscanf(tempoText.c_str(), "%f", &tempo) == 1 ? tempo : d.tempo;
    s.primary = state.primary;
    s.applyBounds();
}

}  // namespace tine
