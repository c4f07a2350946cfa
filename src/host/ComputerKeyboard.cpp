#include "host/ComputerKeyboard.h"

namespace tine {
namespace {

struct NoteKey {
    ScanCode key;
    int32_t semitones;  // above the bottom row's first key
};

// Scan codes of set 1, named by the US layout's legends. The keys between
// two white keys without a black one between them (A, F, K, 1, 4, 8, -) play
// nothing, as on a piano.
// clang-format off
constexpr NoteKey kNoteKeys[] = {
    // Z X C V B N M , . /
    {0x2C, 0}, {0x2D, 2}, {0x2E, 4}, {0x2F, 5}, {0x30, 7}, {0x31, 9}, {0x32, 11}, {0x33, 12}, {0x34, 14}, {0x35, 16},
    // S D G H J L ;
    {0x1F, 1}, {0x20, 3}, {0x22, 6}, {0x23, 8}, {0x24, 10}, {0x26, 13}, {0x27, 15},
    // Q W E R T Y U I O P [ ]
    {0x10, 12}, {0x11, 14}, {0x12, 16}, {0x13, 17}, {0x14, 19}, {0x15, 21}, {0x16, 23}, {0x17, 24}, {0x18, 26},
    {0x19, 28}, {0x1A, 29}, {0x1B, 31},
    // 2 3 5 6 7 9 0 =
    {0x03, 13}, {0x04, 15}, {0x06, 18}, {0x07, 20}, {0x08, 22}, {0x0A, 25}, {0x0B, 27}, {0x0D, 30},
};
// clang-format on

constexpr ScanCode kOctaveDown = 0x3B;    // F1
constexpr ScanCode kOctaveUp = 0x3C;      // F2
constexpr ScanCode kVelocityDown = 0x3D;  // F3
constexpr ScanCode kVelocityUp = 0x3E;    // F4

// From pianissimo to the loudest a MIDI keyboard sends.
constexpr int32_t kVelocitySteps[] = {10, 25, 40, 55, 70, 85, 100, 115, 127};
constexpr int32_t kVelocityStepCount = static_cast<int32_t>(sizeof kVelocitySteps / sizeof kVelocitySteps[0]);

int32_t semitonesOf(ScanCode key) {
    for (const NoteKey& k : kNoteKeys)
        if (k.key == key)
            return k.semitones;
    return -1;
}

bool isControlKey(ScanCode key) {
    return key == kOctaveDown || key == kOctaveUp || key == kVelocityDown || key == kVelocityUp;
}

int32_t steppedVelocity(int32_t velocity, int32_t direction) {
    int32_t index = 0;  // the last step is the highest velocity there is
    while (kVelocitySteps[index] < velocity) ++index;
    index += direction;
    if (index < 0)
        index = 0;
    if (index >= kVelocityStepCount)
        index = kVelocityStepCount - 1;
    return kVelocitySteps[index];
}

uint32_t noteMessage(uint8_t status, int32_t channel, int32_t note, int32_t velocity) {
    return (status | static_cast<uint32_t>(channel & 0x0F)) | static_cast<uint32_t>(note) << 8 |
           static_cast<uint32_t>(velocity) << 16;
}

}  // namespace

ComputerKeyboard::ComputerKeyboard() {
    for (int16_t& note : heldNote_) note = -1;
}

int32_t ComputerKeyboard::heldKeys() const {
    int32_t count = 0;
    for (int16_t note : heldNote_) count += note >= 0;
    return count;
}

bool ComputerKeyboard::keyDown(ScanCode key, bool repeat, int32_t channel, const Send& send) {
    if (key >= kKeys)
        return false;
    const int32_t semitones = semitonesOf(key);
    if (semitones < 0 && !isControlKey(key))
        return false;
    if (repeat || heldNote_[key] >= 0)
        return true;
    switch (key) {
    case kOctaveDown:
        if (lowestNote_ - 12 >= 0)
            lowestNote_ -= 12;
        return true;
    case kOctaveUp:
        if (lowestNote_ + 12 + kSpan <= 127)
            lowestNote_ += 12;
        return true;
    case kVelocityDown:
        velocity_ = steppedVelocity(velocity_, -1);
        return true;
    case kVelocityUp:
        velocity_ = steppedVelocity(velocity_, +1);
        return true;
    default:
        break;
    }
    const int32_t note = lowestNote_ + semitones;
    channel &= 0x0F;
    heldNote_[key] = static_cast<int16_t>(note);
    heldChannel_[key] = static_cast<uint8_t>(channel);
    ++sounding_[channel][note];
    send(noteMessage(0x90, channel, note, velocity_));
    return true;
}

bool ComputerKeyboard::keyUp(ScanCode key, const Send& send) {
    if (key >= kKeys)
        return false;
    release(key, send);
    return semitonesOf(key) >= 0 || isControlKey(key);
}

void ComputerKeyboard::release(ScanCode key, const Send& send) {
    const int32_t note = heldNote_[key];
    if (note < 0)
        return;
    const int32_t channel = heldChannel_[key];
    heldNote_[key] = -1;
    if (--sounding_[channel][note] == 0)
        send(noteMessage(0x80, channel, note, 64));
}

void ComputerKeyboard::releaseAll(const Send& send) {
    for (ScanCode key = 0; key < kKeys; ++key) release(key, send);
}

}  // namespace tine
