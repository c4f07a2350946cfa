#pragma once
// The standalone host's nine settings, their text forms in the store, their
// bounds, and the setup dialog's fill and read-back rules. Platform-free: the
// registry key is one SettingsStore (SettingsStoreRegistry.h), the dialog's
// Win32 side lives in SetupDialog.h.

#include <cstdint>
#include <string>

namespace tine {

// Where values live. Every value is text; reads hand back the bytes exactly
// as stored (terminating zero included when the writer stored one).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // False when the value is missing or cannot be read.
    virtual bool readValue(const char* name, std::string& bytes) = 0;
    // Stores the text with its terminating zero; null text deletes the value.
    // False when nothing was stored.
    virtual bool writeValue(const char* name, const char* text) = 0;
};

// ---- Text forms ----

// Decimal, as written by an integer-to-text conversion in base 10.
std::string intText(int32_t value);
// Leading blanks, an optional sign and the digits up to the first other
// character; no digits read as 0. Values beyond 32 bits saturate.
int32_t intFromText(const std::string& bytes);
// Six significant digits.
std::string floatText(float value);
// A decimal or exponent number at the start of the text; anything else is 0.
float floatFromText(const std::string& bytes);
const char* boolText(bool value);  // "Yes" / "No"
// True exactly when the stored bytes begin with "Yes" and its terminating
// zero; shorter data reads as false without looking past its end.
bool boolFromBytes(const std::string& bytes);

int32_t readInt(SettingsStore& store, const char* name, int32_t fallback);
float readFloat(SettingsStore& store, const char* name, float fallback);
bool readBool(SettingsStore& store, const char* name, bool fallback);
bool writeInt(SettingsStore& store, const char* name, int32_t value);
bool writeFloat(SettingsStore& store, const char* name, float value);
bool writeBool(SettingsStore& store, const char* name, bool value);

// ---- Bounds ----
// A stored value outside these ranges is not used: the default takes its
// place. They keep the block size (rate x 4 x latency) far inside 32 bits.
constexpr int32_t kMinLatencyMs = 1;
constexpr int32_t kMaxLatencyMs = 2000;
constexpr int32_t kMinSettingSampleRate = 8000;
constexpr int32_t kMaxSettingSampleRate = 192000;
constexpr int32_t kMinChannelSetting = -1;  // all (input) / none (output)
constexpr int32_t kMaxChannelSetting = 15;

struct HostSettings {
    int32_t midiInDevice = 0;
    int32_t midiOutDevice = 0;
    int32_t inputChannel = 0;   // -1 all, 0..15 MIDI channel 1..16
    int32_t outputChannel = 0;  // -1 none, 0..15
    int32_t audioDevice = 0;    // 0 = the default device
    int32_t latency = 50;       // ms
    bool primary = false;
    int32_t sampleRate = 44100;
    float tempo = 120.0f;

    // Two more beside the nine, read at start with them but never written by
    // save: whether the computer keyboard plays notes (the program never
    // writes it), and the editor's size in percent (100, 150 or 200; 0 when
    // none was chosen, and the monitor's DPI decides), written by
    // saveEditorSize when the user picks one.
    bool computerKeyboard = true;
    int32_t editorSize = 0;

    // Reads the nine values in the order above, then the two others; missing
    // ones keep their defaults, out-of-range ones get them.
    void load(SettingsStore& store);
    // Writes all nine in the same order. False when any write failed.
    bool save(SettingsStore& store) const;
    bool saveEditorSize(SettingsStore& store) const;
    // Puts every bounded value that is out of range back to its default.
    void applyBounds();
};

// Value names in the store, in load and save order.
extern const char* const kSettingNames[9];
constexpr const char* kComputerKeyboardSetting = "computerKeyboard";
constexpr const char* kEditorSizeSetting = "editorSize";

// ---- Setup dialog model ----

constexpr int32_t kSetupSampleRates[5] = {44100, 48000, 64000, 88200, 96000};
constexpr int32_t kNoSelection = -1;

// The dialog's controls as plain values: list selections are entry indexes
// (kNoSelection when nothing is selected), fields are their text.
struct SetupDialogState {
    int32_t midiInEntry = kNoSelection;
    int32_t midiOutEntry = kNoSelection;
    int32_t inputChannelEntry = kNoSelection;   // 0 "all", 1..16
    int32_t outputChannelEntry = kNoSelection;  // 0 "none", 1..16
    int32_t audioDeviceEntry = kNoSelection;
    int32_t sampleRateEntry = kNoSelection;  // index in kSetupSampleRates
    std::string latencyText;
    std::string tempoText;
    bool primary = false;
};

// Entries of the channel lists: "all" or "none" first, then "1".."16".
const char* inputChannelEntryText(int32_t entry);
const char* outputChannelEntryText(int32_t entry);

// What the dialog shows for these settings. List selections are the stored
// indexes unchanged; the list control itself ends up without a selection
// when an index is beyond its entries.
SetupDialogState setupDialogState(const HostSettings& settings);

// Reads the dialog back into settings. A list without a selection keeps the
// stored value; latency that is not a number or out of range becomes 50; an
// unreadable tempo becomes 120.
void applySetupDialogState(const SetupDialogState& state, HostSettings& settings);

}  // namespace tine
