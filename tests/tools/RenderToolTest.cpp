// Runs the built tinemaster-render the way a user would and looks at what it
// leaves behind: exit status, messages and files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/TestFiles.h"

namespace tine {
namespace {

using namespace test;

// At 480 ticks a quarter and the default 120 bpm: 960 ticks a second.
const Bytes kHalfSecondNote = smf(0, 480, {concat({{0x00, 0x90, 57, 100}, {0x83, 0x60, 0x80, 57, 0}, kEndOfTrack})});

// The interleaved samples of a stereo WAV file, checked to have the header of its rate and length.
std::vector<int16_t> samplesOf(const std::string& path, uint32_t rate) {
    const Bytes file = readBytes(path);
    std::vector<int16_t> samples;
    for (std::size_t i = kWavHeaderSize; i + 1 < file.size(); i += 2)
        samples.push_back(int16_t(file[i] | file[i + 1] << 8));
    EXPECT_EQ(file, wavFile(rate, 2, samples)) << path;
    return samples;
}

// The loudest sample of the louder and of the quieter channel from frame `from` on.
std::pair<int, int> peaks(const std::vector<int16_t>& samples, std::size_t from = 0) {
    int peak[2] = {0, 0};
    for (std::size_t i = 2 * from; i < samples.size(); ++i)
        peak[i % 2] = std::max(peak[i % 2], std::abs(int(samples[i])));
    return {std::max(peak[0], peak[1]), std::min(peak[0], peak[1])};
}

struct RenderTool : ::testing::Test {
    struct Result {
        int exitCode;
        std::string out, err;
    };
    // Each argument is quoted for the shell; a leading '@' stands for the work folder.
    Result run(std::vector<std::string> args) const {
        std::string cmd = "'" TINE_RENDER_TOOL "'";
        for (std::string& a : args) cmd += " '" + (a[0] == '@' ? dir / a.substr(1) : a) + "'";
        const std::string out = io / "out", err = io / "err";
        const int status = std::system((cmd + " </dev/null >'" + out + "' 2>'" + err + "'").c_str());
        auto text = [](const std::string& path) {
            const Bytes b = readBytes(path);
            return std::string(b.begin(), b.end());
        };
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(out), text(err)};
    }
    std::vector<std::string> names() const {
        std::vector<std::string> list;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path)) list.push_back(entry.path().filename());
        std::sort(list.begin(), list.end());
        return list;
    }
    TempDir dir, io;
};

TEST_F(RenderTool, BadInputAndOptionsFailWithOneLineAndLeaveNoFile) {
    writeBytes(dir / "song.mid", kHalfSecondNote);
    writeBytes(dir / "text.mid", {'n', 'o', 't', ' ', 'm', 'i', 'd', 'i', '\n'});
    // A note 2^28 quarters in: years.
    writeBytes(dir / "endless.mid", smf(0, 1, {concat({{0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1}, kEndOfTrack})}));
    std::filesystem::create_directory(dir / "taken");
    const std::vector<std::string> before = names();
    struct Row {
        std::vector<std::string> args;
        const char* message;
    } rows[] = {
        {{"@missing.mid", "@out.wav"}, "missing.mid: No such file"},
        {{"@text.mid", "@out.wav"}, "text.mid: not a Standard MIDI File"},
        {{"@endless.mid", "@out.wav"}, "at most"},
        {{"@song.mid", "@nowhere/out.wav"}, "nowhere/out.wav: No such file"},
        {{"@song.mid", "@taken"}, "cannot create"},
        {{"@song.mid", "@song.mid"}, "would overwrite the input file"},
        {{"@song.mid"}, "expected an input MIDI file and an output WAV file"},
        {{"@song.mid", "@out.wav", "@third"}, "too many arguments"},
        {{"@song.mid", "@out.wav", "--rate", "7999"}, "--rate must be"},
        {{"@song.mid", "@out.wav", "--rate=192001"}, "--rate must be"},
        {{"@song.mid", "@out.wav", "--block", "0"}, "--block must be"},
        {{"@song.mid", "@out.wav", "--block", "8193"}, "--block must be"},
        {{"@song.mid", "@out.wav", "--tail", "600.5"}, "--tail must be"},
        {{"@song.mid", "@out.wav", "--tail", "nan"}, "--tail must be"},
        {{"@song.mid", "@out.wav", "--program", "1x"}, "--program must be"},
        {{"@song.mid", "@out.wav", "--program"}, "--program needs a value"},
        {{"@song.mid", "@out.wav", "--gain", "3"}, "unknown option --gain"},
        {{"@song.mid", "@out.wav", "--bank", "@song.mid"}, "song.mid': This file format is not valid"},
        {{"@song.mid", "@out.wav", "--patch", "@song.mid"}, "song.mid': This file format is not valid"},
    };
    for (const Row& row : rows) {
        const Result r = run(row.args);
        EXPECT_NE(r.exitCode, 0) << row.message;
        EXPECT_EQ(r.err.rfind("tinemaster-render: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "") << row.message;
        EXPECT_EQ(names(), before) << row.message;
        EXPECT_TRUE(std::filesystem::is_empty(dir / "taken")) << row.message;
    }
}

TEST_F(RenderTool, FixedTailGivesExactLengthAndAutomaticTailEndsInSilence) {
    writeBytes(dir / "note.mid", kHalfSecondNote);
    const Result fixed = run({"@note.mid", "@fixed.wav", "--rate", "8000", "--tail", "2"});
    ASSERT_EQ(fixed.exitCode, 0) << fixed.err;
    const auto a = samplesOf(dir / "fixed.wav", 8000);
    EXPECT_EQ(a.size(), 2u * (4000 + 16000));
    EXPECT_GT(peaks(a).second, 1000) << "both channels sound";

    const Result automatic = run({"@note.mid", "@auto.wav", "--rate", "8000", "--block", "64"});
    ASSERT_EQ(automatic.exitCode, 0) << automatic.err;
    const auto b = samplesOf(dir / "auto.wav", 8000);
    const std::size_t frames = b.size() / 2;
    EXPECT_GE(frames, 4000u + 4000u);              // the whole note and a silent half second
    EXPECT_LT(frames, 4000u + 30u * 8000u + 64u);  // at most the capped tail, block-rounded
    // -90 dBFS is about one step; the half-step offset of the conversion can
    // turn a negative sample just under it into -2.
    EXPECT_LE(peaks(b, frames - 4000).first, 2);

    // Nothing else is left behind; the one-line summary on standard output
    // gives the peak of the file.
    EXPECT_EQ(names(), (std::vector<std::string>{"auto.wav", "fixed.wav", "note.mid"}));
    char peak[32];
    std::snprintf(peak, sizeof peak, "peak %.1f dBFS", 20 * std::log10(peaks(b).first / 32767.0));
    EXPECT_NE(automatic.out.find(peak), std::string::npos) << automatic.out << " lacks " << peak;
    EXPECT_EQ(std::count(automatic.out.begin(), automatic.out.end(), '\n'), 1) << automatic.out;
    EXPECT_EQ(automatic.err, "");
}

// Events land on the same sample whatever the block size, and a bank written
// with --save-bank plays the same through --bank: its current program comes
// with it. Another program sounds different.
TEST_F(RenderTool, BlockSizesAndSavedBanksChangeNoSample) {
    // clang-format off
    // Notes that start and end at odd offsets inside blocks of any size: ticks 37 to 941.
    writeBytes(dir / "notes.mid", smf(0, 480, {concat({{0x25, 0x90, 60, 100}, {0x81, 0x2E, 64, 100}, {0x02, 67, 100},
                                                        {0x5A, 67, 0}, {0x22, 60, 0}, {0x83, 0x07, 64, 0},
                                                        {0x81, 0x2C, 72, 100}, {0x29, 72, 0}, kEndOfTrack})}));
    const std::vector<std::vector<std::string>> options = {
        {"--block", "8192", "--program", "7", "--save-bank", "@bank.fxb"}, {"--block", "1", "--program", "7"},
        {"--block", "7", "--bank", "@bank.fxb"}, {"--block", "100", "--bank", "@bank.fxb"}, {"--program", "0"}};
    // clang-format on
    std::vector<std::vector<int16_t>> renders;
    for (std::vector<std::string> args : options) {
        args.insert(args.begin(), {"@notes.mid", "@out.wav", "--rate", "8000", "--tail", "0.5"});
        const Result r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        renders.push_back(samplesOf(dir / "out.wav", 8000));
    }
    EXPECT_GT(peaks(renders[0]).second, 1000);
    for (std::size_t i = 1; i < 4; ++i) EXPECT_TRUE(renders[i] == renders[0]) << "render " << i;
    EXPECT_EQ(renders[4].size(), renders[0].size());
    EXPECT_FALSE(renders[4] == renders[0]);
}

// Every factory program on the demo and on a real piano piece (percussion
// removed): audible, never at full scale, and died away at the end.
TEST_F(RenderTool, FactoryProgramsSoundOnTheDemoAndAPianoPiece) {
    const std::string piano = dir / "piano.mid";
    const std::string excerpt = "python3 " TINE_SOURCE_DIR "/tools/piano_excerpt.py " TINE_PIANO_PIECE " " + piano;
    ASSERT_EQ(std::system((excerpt + " --program -1 --quarters 48").c_str()), 0);
    for (const std::string song : {TINE_SOURCE_DIR "/resources/demo.mid", piano.c_str()}) {
        for (int program = 0; program < 32; ++program) {
            const Result r = run({song, "@out.wav", "--program", std::to_string(program)});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            const auto s = samplesOf(dir / "out.wav", 44100);
            const int peak = peaks(s).first, end = peaks(s, s.size() / 2 - 11025).first;
            EXPECT_TRUE(peak > 327 && peak < 32767 && end <= 32)
                << song << ", program " << program << ": peak " << peak << ", last quarter second " << end;
        }
    }
}

}  // namespace
}  // namespace tine
