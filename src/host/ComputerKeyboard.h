#pragma once
// Playing from the computer keyboard: two rows of keys as a piano keyboard,
// found by their physical places (scan codes), so that every national layout
// plays the same notes. The bottom letter row is one octave with the home row
// as its black keys; the top letter row is the next octave with the digit row
// as its black keys. F1/F2 shift the octave, F3/F4 step the velocity.
// Platform-free: the program's window hands it the keys, and it answers with
// the MIDI short messages to feed the MIDI intake.

#include <cstdint>
#include <functional>

namespace tine {

// A key as a keyboard message carries it: the scan code, plus 0x100 for
// keys sent with the extended prefix (E0), so the keypad's '/' is not the
// main block's.
using ScanCode = uint32_t;
constexpr ScanCode kExtendedKey = 0x100;

class ComputerKeyboard {
public:
    using Send = std::function<void(uint32_t shortMessage)>;

    static constexpr int32_t kStartVelocity = 100;
    // The bottom row starts an octave below middle C, the top row on it.
    static constexpr int32_t kStartLowestNote = 48;
    // The highest key lies this far above the bottom row's first one.
    static constexpr int32_t kSpan = 31;

    ComputerKeyboard();

    // A key going down: true when it belongs to the keyboard (the window keeps
    // it from everyone else). A repeat (the key was already down) never
    // strikes a note or steps again. channel is 0..15.
    bool keyDown(ScanCode key, bool repeat, int32_t channel, const Send& send);
    // A key going up ends the note that key started, whatever the octave is
    // now; a note two keys hold ends with the last of them.
    bool keyUp(ScanCode key, const Send& send);
    // Ends every note the keyboard holds (focus lost, window minimised).
    void releaseAll(const Send& send);

    int32_t lowestNote() const { return lowestNote_; }
    int32_t velocity() const { return velocity_; }
    int32_t heldKeys() const;

private:
    void release(ScanCode key, const Send& send);

    static constexpr int32_t kKeys = 0x200;
    int32_t lowestNote_ = kStartLowestNote;
    int32_t velocity_ = kStartVelocity;
    // Per key: the note it started and its channel, -1 when up.
    int16_t heldNote_[kKeys];
    uint8_t heldChannel_[kKeys] = {};
    // How many held keys sound each note of each channel.
    uint8_t sounding_[16][128] = {};
};

}  // namespace tine
