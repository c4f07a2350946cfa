#include "host/ComputerKeyboard.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tine {
namespace {

// Set 1 scan codes, named by the US legends of the keys.
constexpr ScanCode Z = 0x2C, X = 0x2D, C = 0x2E, V = 0x2F, Comma = 0x33, Q = 0x10, RightBracket = 0x1B, F1 = 0x3B,
                   F2 = 0x3C, F3 = 0x3D, F4 = 0x3E;

struct Played {
    ComputerKeyboard keyboard;
    std::vector<uint32_t> sent;
    ComputerKeyboard::Send send = [this](uint32_t m) { sent.push_back(m); };
    bool down(ScanCode key, bool repeat = false, int channel = 0) {
        return keyboard.keyDown(key, repeat, channel, send);
    }
    bool up(ScanCode key) { return keyboard.keyUp(key, send); }
    std::vector<uint32_t> take() { return std::exchange(sent, {}); }
};

uint32_t on(int note, int velocity = 100, int channel = 0) {
    return (0x90 | channel) | note << 8 | velocity << 16;
}
uint32_t off(int note, int channel = 0) {
    return (0x80 | channel) | note << 8 | 64 << 16;
}

TEST(ComputerKeyboard, TwoRowsPlayTwoChromaticOctavesFromTheCBelowMiddleC) {
    // Each letter row with the row above it, left to right, as a pianist reads them.
    const std::vector<ScanCode> rows[] = {
        {Z, 0x1F, X, 0x20, C, V, 0x22, 0x30, 0x23, 0x31, 0x24, 0x32, Comma, 0x26, 0x34, 0x27, 0x35},
        {Q,    0x03, 0x11, 0x04, 0x12, 0x13, 0x06, 0x14, 0x07, 0x15,
         0x08, 0x16, 0x17, 0x0A, 0x18, 0x0B, 0x19, 0x1A, 0x0D, RightBracket}};
    for (int row = 0; row < 2; ++row) {
        Played p;
        std::vector<uint32_t> scale;
        for (std::size_t i = 0; i < rows[row].size(); ++i) {
            EXPECT_TRUE(p.down(rows[row][i]));
            scale.push_back(on(48 + 12 * row + static_cast<int>(i)));
        }
        EXPECT_EQ(p.take(), scale);
    }
    Played p;  // gaps where a piano has no black key (A, F), the keypad's '/', Return: none is taken
    for (ScanCode key : {0x1Eu, 0x21u, 0x35 | kExtendedKey, 0x1Cu}) EXPECT_FALSE(p.down(key) || p.up(key)) << key;
}

TEST(ComputerKeyboard, EveryKeyEndsTheNoteItStartedOnceWhateverChangedMeanwhile) {
    Played p;
    p.down(Z, false, 5), p.down(Z, true, 5), p.down(Z, false, 5);  // held and repeating: one note
    p.down(F2), p.down(Z, true), p.down(X, false, 5);              // an octave up while Z is held
    EXPECT_EQ(p.take(), (std::vector<uint32_t>{on(48, 100, 5), on(62, 100, 5)}));
    p.up(Z), p.up(Z);
    EXPECT_EQ(p.take(), std::vector<uint32_t>{off(48, 5)});

    p.down(Comma), p.down(Q), p.up(Comma);  // two keys of one note: it ends with the second
    EXPECT_EQ(p.take(), (std::vector<uint32_t>{on(72), on(72)}));
    p.up(Q);
    EXPECT_EQ(p.take(), std::vector<uint32_t>{off(72)});

    p.down(V), p.take();  // all ended at once (focus lost); the keys going up later say nothing
    EXPECT_EQ(p.keyboard.heldKeys(), 2);
    p.keyboard.releaseAll(p.send);
    EXPECT_EQ(p.take(), (std::vector<uint32_t>{off(62, 5), off(65)}));
    EXPECT_TRUE(p.up(X) && p.up(V));
    EXPECT_TRUE(p.take().empty());
}

TEST(ComputerKeyboard, OctaveAndVelocityStepWithinTheMidiRange) {
    Played p;
    p.down(F1, true);
    EXPECT_EQ(p.keyboard.lowestNote(), 48) << "a repeat steps nothing";
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(p.down(F1) && p.up(F1));
    p.down(Z);
    for (int i = 0; i < 9; ++i) p.down(F2), p.up(F2);
    p.down(RightBracket);  // the highest key
    for (int i = 0; i < 5; ++i) p.down(F3), p.up(F3);
    p.down(X);
    for (int i = 0; i < 9; ++i) p.down(F4), p.up(F4);
    p.down(C);
    EXPECT_EQ(p.take(), (std::vector<uint32_t>{on(0), on(127), on(96 + 2, 25), on(96 + 4, 127)}));
}

}  // namespace
}  // namespace tine
