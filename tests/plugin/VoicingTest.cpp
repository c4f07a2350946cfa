// What the voicing of the factory programs must keep: the level of programs 0,
// 1 and 6 on a chord, headroom when eight notes are struck hard, and nothing
// sounding under the note. tools/voicing/voicing.py measures much more.
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

#include "TestHost.h"

namespace tine {
namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
// Every program but 0, 1 and 6, whose sound stays exactly as it was given.
const int kDesignedPrograms[] = {2,  3,  4,  5,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17,
                                 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};

// The notes struck at once and held, 300 ms after the program was selected (the
// effects' modulation starts over with a program, as in the voicing report).
test::Stereo play(int program, std::initializer_list<int> notes, int velocity, int frames) {
    test::restartModulatorPhases();
    test::PluginRig rig;
    rig->setProgram(program);
    rig.render(kRate * 3 / 10);
    std::vector<test::Midi> on;
    for (int n : notes) on.push_back({0, 0x90, uint8_t(n), uint8_t(velocity)});
    return rig.render(frames, on);
}

// Power of both channels in the loudest 400 ms of a held chord, in 100 ms steps, dB.
double chordDb(int program) {
    const test::Stereo s = play(program, {60, 64, 67, 72}, 100, 2 * kRate);
    const std::size_t window = kRate * 4 / 10;
    double loudest = 0.0;
    for (std::size_t at = 0; at + window <= s.left.size(); at += kRate / 10) {
        double sum = 0.0;
        for (std::size_t i = at; i < at + window; ++i) sum += (s.left[i] * s.left[i] + s.right[i] * s.right[i]) / 2.0;
        loudest = std::max(loudest, sum / window);
    }
    return 10.0 * std::log10(loudest);
}

void fft(std::vector<std::complex<double>>& x) {
    const std::size_t half = x.size() / 2;
    if (half == 0)
        return;
    std::vector<std::complex<double>> even(half), odd(half);
    for (std::size_t i = 0; i < half; ++i) even[i] = x[2 * i], odd[i] = x[2 * i + 1];
    fft(even);
    fft(odd);
    for (std::size_t k = 0; k < half; ++k) {
        const std::complex<double> turned = std::polar(1.0, -kPi * k / half) * odd[k];
        x[k] = even[k] + turned;
        x[k + half] = even[k] - turned;
    }
}

// The strongest line of the mono mix's first 2^14 samples (Hann window) in each band.
std::vector<double> strongestLines(const test::Stereo& s, std::initializer_list<std::pair<double, double>> bands) {
    std::vector<std::complex<double>> x(1 << 14);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = (s.left[i] + s.right[i]) / 2.0 * (0.5 - 0.5 * std::cos(2.0 * kPi * i / x.size()));
    fft(x);
    const double binHz = static_cast<double>(kRate) / x.size();
    std::vector<double> lines;
    for (auto [fromHz, toHz] : bands) {
        double most = 1e-30;
        for (auto k = static_cast<std::size_t>(fromHz / binHz); k * binHz < toHz; ++k)
            most = std::max(most, std::norm(x[k]));
        lines.push_back(most);
    }
    return lines;
}

TEST(Voicing, ChordLevelsStayWithin3dBOfTheReferencePrograms) {
    double reference[] = {chordDb(0), chordDb(1), chordDb(6)};
    std::sort(std::begin(reference), std::end(reference));
    for (int p : kDesignedPrograms) EXPECT_NEAR(chordDb(p), reference[1], 3.0) << "program " << p;
}

TEST(Voicing, EightNotesStruckHardStayBelowFullScale) {
    for (int p : kDesignedPrograms) {
        const test::Stereo s = play(p, {36, 43, 48, 52, 67, 72, 76, 79}, 127, 2 * kRate);
        float peak = 0.0f;
        for (const std::vector<float>* side : {&s.left, &s.right})
            for (float v : *side) peak = std::max(peak, std::fabs(v));
        EXPECT_LE(20.0 * std::log10(peak), -1.0) << "program " << p;
    }
}

// A line between 20 Hz and half the note's pitch is a rumble, or fold-back
// landing under the note. The bass programs sound an octave down on purpose.
TEST(Voicing, NothingSoundsBelowHalfTheNote) {
    for (int p : kDesignedPrograms) {
        if (p == 15 || p == 30)
            continue;
        for (int note : {84, 96, 102}) {
            const double half = 440.0 * std::pow(2.0, (note - 69) / 12.0) / 2.0;
            const std::vector<double> lines =
                strongestLines(play(p, {note}, 127, kRate / 2), {{20.0, half - 10.0}, {20.0, 20000.0}});
            EXPECT_LE(10.0 * std::log10(lines[0] / lines[1]), -35.0) << "program " << p << ", note " << note;
        }
    }
}

// The instrument flushes denormals while it renders, and only then.
TEST(Voicing, RenderingLeavesTheCallersFloatingPointModeAsItWas) {
    test::PluginRig rig;
    const unsigned caller = _mm_getcsr();
    for (unsigned mode : {caller & ~0x8040u, caller | 0x8040u}) {
        _mm_setcsr(mode);
        rig.render(256, {{0, 0x90, 60, 100}});
        EXPECT_EQ(_mm_getcsr(), mode);
    }
    _mm_setcsr(caller);
}

}  // namespace
}  // namespace tine
