#include "host/ComputerKeyboard.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tine {
namespace {

// Set 1 scan codes of the keys by their US legends.
constexpr ScanCode Z = 0x2C, S = 0x1F, X = 0x2D, D = 0x20, C = 0x2E, V = 0x2F, G = 0x22, B = 0x30, H = 0x23, N = 0x31,
                   J = 0x24, M = 0x32, Comma = 0x33, Q = 0x10, Two = 0x03, W = 0x11, Three = 0x04, E = 0x12, R = 0x13,
                   Five = 0x06, T = 0x14, Six = 0x07, Y = 0x15, Seven = 0x08, U = 0x16, I = 0x17, RightBracket = 0x1B,
                   A = 0x1E, F = 0x21, Slash = 0x35, F1 = 0x3B, F2 = 0x3C, F3 = 0x3D, F4 = 0x3E;

struct Played {
    ComputerKeyboard keyboard;
    std::vector<uint32_t> sent;
    ComputerKeyboard::Send send = [this](uint32_t m) { sent.push_back(m); };
    bool down(ScanCode key, bool repeat = false, int32_t channel = 0) {
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
    const std::vector<ScanCode> lower = {Z, S, X, D, C, V, G, B, H, N, J, M, Comma};
    const std::vector<ScanCode> upper = {Q, Two, W, Three, E, R, Five, T, Six, Y, Seven, U, I};
    for (const auto* row : {&lower, &upper}) {
        Played p;
        for (ScanCode key : *row) EXPECT_TRUE(p.down(key));
        std::vector<uint32_t> expected;
        const int first = row == &lower ? 48 : 60;
        for (int note = first; note <= first + 12; ++note) expected.push_back(on(note));
        EXPECT_EQ(p.take(), expected);
    }
    // Gaps where a piano has no black key, the keypad's '/', a letter out of the rows.
    Played p;
    for (ScanCode key : {A, F, Slash | kExtendedKey, ScanCode{0x1C}}) {
        EXPECT_FALSE(p.down(key)) << key;
        EXPECT_FALSE(p.up(key)) << key;
    }
    EXPECT_TRUE(p.take().empty());
}

TEST(ComputerKeyboard, EveryKeyEndsTheNoteItStartedOnceWhateverChangedMeanwhile) {
    Played p;
    p.down(Z, false, 5);
    p.down(Z, true, 5);  // the key repeats: nothing more
    p.down(Z, false, 5);
    p.down(F2);  // an octave up while Z is held
    p.down(Z, true);
    p.down(X, false, 5);
    EXPECT_EQ(p.take(), (std::vector<uint32_t>{on(48, 100, 5), on(62, 100, 5)}));
    p.up(Z);
    p.up(Z);
    EXPECT_EQ(p.take(), std::vector<uint32_t>{off(48, 5)});

    // Comma and Q play the same note: it ends with the second key up.
    p.down(Comma);
    p.down(Q);
    p.up(Comma);
    EXPECT_EQ(p.take(), (std::vector<uint32_t>{on(72), on(72)}));
    p.up(Q);
    EXPECT_EQ(p.take(), std::vector<uint32_t>{off(72)});

    // Released all at once (focus lost): the keys going up later say nothing.
    p.down(V);
    p.take();
    EXPECT_EQ(p.keyboard.heldKeys(), 2);
    p.keyboard.releaseAll(p.send);
    EXPECT_EQ(p.take(), (std::vector<uint32_t>{off(62, 5), off(65)}));
    EXPECT_TRUE(p.up(X) && p.up(V));
    EXPECT_TRUE(p.take().empty());
    EXPECT_EQ(p.keyboard.heldKeys(), 0);
}

TEST(ComputerKeyboard, OctaveAndVelocityStepWithinTheMidiRange) {
    Played p;
    EXPECT_TRUE(p.down(F1, true));
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
