// Runs the built tinemaster-render executable the way a user would and looks
// at what it leaves behind: exit status, messages and files.

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef TINE_RENDER_TOOL
#error "TINE_RENDER_TOOL must name the built tinemaster-render executable"
#endif
#ifndef TINE_SOURCE_DIR
#error "TINE_SOURCE_DIR must name the source tree"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> listDir(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void removeTree(const std::string& dir)
{
    for (const std::string& name : listDir(dir)) {
        const std::string path = dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            removeTree(path);
        else
            std::remove(path.c_str());
    }
    rmdir(dir.c_str());
}

// A format 0 file at 480 ticks per quarter and 120 bpm: 960 ticks a second.
// Each note is (start tick, length in ticks, key); the track ends with the
// last note off.
Bytes oneTrackSong(const std::vector<std::array<uint32_t, 3>>& notes)
{
    struct Ev {
        uint32_t tick;
        uint8_t status, key, velocity;
    };
    std::vector<Ev> evs;
    for (const auto& n : notes) {
        evs.push_back({n[0], 0x90, uint8_t(n[2]), 100});
        evs.push_back({n[0] + n[1], 0x80, uint8_t(n[2]), 0});
    }
    std::stable_sort(evs.begin(), evs.end(), [](const Ev& a, const Ev& b) { return a.tick < b.tick; });
    Bytes body;
    uint32_t now = 0;
    for (const Ev& e : evs) {
        uint32_t delta = e.tick - now;
        now = e.tick;
        Bytes vlq{uint8_t(delta & 0x7F)};
        while (delta >>= 7)
            vlq.insert(vlq.begin(), uint8_t(0x80 | (delta & 0x7F)));
        body.insert(body.end(), vlq.begin(), vlq.end());
        body.insert(body.end(), {e.status, e.key, e.velocity});
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    const uint32_t n = static_cast<uint32_t>(body.size());
    file.insert(file.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

uint32_t le32(const Bytes& b, std::size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

uint16_t le16(const Bytes& b, std::size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

struct Wav {
    uint32_t rate = 0;
    std::vector<int16_t> samples;  // interleaved stereo
};

// Checks every header field a player relies on and returns the samples.
Wav checkedWav(const std::string& path)
{
    Wav wav;
    const Bytes b = readAll(path);
    EXPECT_GE(b.size(), 44u);
    if (b.size() < 44)
        return wav;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(b, 16), 16u);
    EXPECT_EQ(le16(b, 20), 1u);
    EXPECT_EQ(le16(b, 22), 2u);
    wav.rate = le32(b, 24);
    EXPECT_EQ(le32(b, 28), wav.rate * 4);
    EXPECT_EQ(le16(b, 32), 4u);
    EXPECT_EQ(le16(b, 34), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(le32(b, 40), b.size() - 44);
    EXPECT_EQ(b.size() % 4, 0u);
    for (std::size_t i = 44; i + 1 < b.size(); i += 2)
        wav.samples.push_back(static_cast<int16_t>(le16(b, i)));
    return wav;
}

int peakOf(const std::vector<int16_t>& s, std::size_t from = 0)
{
    int peak = 0;
    for (std::size_t i = from; i < s.size(); ++i)
        peak = std::max(peak, std::abs(int(s[i])));
    return peak;
}

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        char work[] = "/tmp/tine-render-XXXXXX";
        char io[] = "/tmp/tine-render-io-XXXXXX";
        ASSERT_NE(mkdtemp(work), nullptr);
        ASSERT_NE(mkdtemp(io), nullptr);
        dir_ = work;
        io_ = io;
    }

    void TearDown() override
    {
        removeTree(dir_);
        removeTree(io_);
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    struct Result {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    // Arguments are separated by blanks; each is quoted for the shell and a
    // leading '@' stands for the work folder.
    Result run(const std::vector<std::string>& args) const
    {
        std::string cmd = std::string("'") + TINE_RENDER_TOOL + "'";
        for (std::string a : args) {
            if (!a.empty() && a[0] == '@')
                a = dir_ + "/" + a.substr(1);
            cmd += " '" + a + "'";
        }
        cmd += " <'/dev/null' >'" + io_ + "/out' 2>'" + io_ + "/err'";
        const int status = std::system(cmd.c_str());
        Result r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const Bytes out = readAll(io_ + "/out");
        const Bytes err = readAll(io_ + "/err");
        r.out.assign(out.begin(), out.end());
        r.err.assign(err.begin(), err.end());
        return r;
    }

    std::string dir_;
    std::string io_;
};

TEST_F(RenderTool, BadInputAndOptionsFailWithOneLineAndLeaveNoFile)
{
    const Bytes good = oneTrackSong({{0, 480, 60}});
    Bytes truncated = good;
    truncated.resize(truncated.size() - 5);
    Bytes zeroTempo = good;
    // Replace the first note on with a tempo meta event of 0 microseconds.
    const Bytes tempoZero = {0xFF, 0x51, 0x03, 0, 0, 0};
    zeroTempo.erase(zeroTempo.begin() + 23, zeroTempo.begin() + 26);
    zeroTempo.insert(zeroTempo.begin() + 23, tempoZero.begin(), tempoZero.end());
    zeroTempo[21] = static_cast<uint8_t>(zeroTempo[21] + 3);  // chunk length, low byte
    // One note 2^28 ticks in at one tick per quarter: more than a day.
    Bytes endless = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x00, 0x01, 'M', 'T', 'r', 'k',
                     0, 0, 0, 11, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1, 0x00, 0xFF, 0x2F, 0x00};

    writeAll(path("song.mid"), good);
    writeAll(path("text.mid"), Bytes{'n', 'o', 't', ' ', 'm', 'i', 'd', 'i', '\n'});
    writeAll(path("truncated.mid"), truncated);
    writeAll(path("tempo0.mid"), zeroTempo);
    writeAll(path("endless.mid"), endless);
    ASSERT_EQ(mkdir(path("taken").c_str(), 0755), 0);
    const std::vector<std::string> before = listDir(dir_);

    struct Row {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Row> rows = {
        {{"@missing.mid", "@out.wav"}, "missing.mid: No such file"},
        {{"@text.mid", "@out.wav"}, "text.mid: not a Standard MIDI File"},
        {{"@truncated.mid", "@out.wav"}, "truncated"},
        {{"@tempo0.mid", "@out.wav"}, "tempo of 0"},
        {{"@endless.mid", "@out.wav"}, "at most"},
        {{"@song.mid", "@nowhere/out.wav"}, "No such file"},
        {{"@song.mid", "@taken"}, "cannot create"},
        {{"@song.mid", "@song.mid"}, "would overwrite the input file"},
        {{"@song.mid"}, "expected an input MIDI file and an output WAV file"},
        {{"@song.mid", "@out.wav", "@third"}, "too many arguments"},
        {{"@song.mid", "@out.wav", "--rate", "7999"}, "--rate must be"},
        {{"@song.mid", "@out.wav", "--rate=192001"}, "--rate must be"},
        {{"@song.mid", "@out.wav", "--block", "0"}, "--block must be"},
        {{"@song.mid", "@out.wav", "--block", "8193"}, "--block must be"},
        {{"@song.mid", "@out.wav", "--tail", "600.5"}, "--tail must be"},
        {{"@song.mid", "@out.wav", "--tail", "-1"}, "--tail must be"},
        {{"@song.mid", "@out.wav", "--tail", "nan"}, "--tail must be"},
        {{"@song.mid", "@out.wav", "--program", "32"}, "--program must be"},
        {{"@song.mid", "@out.wav", "--program", "1x"}, "--program must be"},
        {{"@song.mid", "@out.wav", "--program"}, "--program needs a value"},
        {{"@song.mid", "@out.wav", "--gain", "3"}, "unknown option --gain"},
    };
    for (const Row& row : rows) {
        std::string joined;
        for (const std::string& a : row.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const Result r = run(row.args);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_EQ(r.err.rfind("tinemaster-render: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(listDir(dir_), before);
        EXPECT_TRUE(listDir(path("taken")).empty());
    }
}

TEST_F(RenderTool, FixedTailGivesExactLengthAndAutomaticTailEndsInSilence)
{
    writeAll(path("note.mid"), oneTrackSong({{0, 480, 57}}));  // half a second

    const Result fixed = run({"@note.mid", "@fixed.wav", "--rate", "8000", "--tail", "2"});
    ASSERT_EQ(fixed.exitCode, 0) << fixed.err;
    const Wav a = checkedWav(path("fixed.wav"));
    EXPECT_EQ(a.rate, 8000u);
    EXPECT_EQ(a.samples.size(), 2u * (4000 + 16000));
    EXPECT_GT(peakOf(a.samples), 1000);

    const Result automatic = run({"@note.mid", "@auto.wav", "--rate", "8000", "--block", "64"});
    ASSERT_EQ(automatic.exitCode, 0) << automatic.err;
    const Wav b = checkedWav(path("auto.wav"));
    const std::size_t frames = b.samples.size() / 2;
    EXPECT_GE(frames, 4000u + 4000u);             // the whole note and a silent half second
    EXPECT_LT(frames, 4000u + 30u * 8000u + 64u);  // at most the capped tail, block-rounded
    EXPECT_GT(peakOf(b.samples), 1000);
    // -90 dBFS is about one step; the half-step offset of the conversion can
    // turn a negative sample just under it into -2.
    EXPECT_LE(peakOf(b.samples, b.samples.size() - 2 * 4000), 2);

    // The one-line summary goes to standard output.
    EXPECT_EQ(std::count(automatic.out.begin(), automatic.out.end(), '\n'), 1) << automatic.out;
    EXPECT_NE(automatic.out.find("dBFS"), std::string::npos) << automatic.out;
    EXPECT_NE(automatic.out.find("real time"), std::string::npos) << automatic.out;
    EXPECT_EQ(automatic.err, "");
}

TEST_F(RenderTool, EventsLandOnTheSameSampleWhateverTheBlockSize)
{
    // Starts and ends that fall at odd offsets inside blocks of any size.
    writeAll(path("notes.mid"), oneTrackSong({{37, 300, 60}, {211, 517, 64}, {213, 90, 67}, {900, 41, 72}}));
    std::vector<Wav> renders;
    for (const char* block : {"8192", "1", "7", "100"}) {
        const std::string out = std::string("@b") + block + ".wav";
        const Result r = run({"@notes.mid", out, "--rate", "8000", "--tail", "0.5", "--block", block});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        renders.push_back(checkedWav(path(out.substr(1))));
    }
    EXPECT_GT(peakOf(renders[0].samples), 1000);
    for (std::size_t i = 1; i < renders.size(); ++i)
        EXPECT_TRUE(renders[i].samples == renders[0].samples) << "render " << i << " differs";
}

TEST_F(RenderTool, ProgramOptionSelectsAFactoryProgram)
{
    writeAll(path("note.mid"), oneTrackSong({{0, 480, 60}}));
    ASSERT_EQ(run({"@note.mid", "@p0.wav", "--rate", "8000", "--tail", "0.5"}).exitCode, 0);
    ASSERT_EQ(run({"@note.mid", "@p1.wav", "--rate", "8000", "--tail", "0.5", "--program", "1"}).exitCode, 0);
    const Wav p0 = checkedWav(path("p0.wav"));
    const Wav p1 = checkedWav(path("p1.wav"));
    EXPECT_EQ(p0.samples.size(), p1.samples.size());
    EXPECT_FALSE(p0.samples == p1.samples);
}

// A bank written with --save-bank plays back the same through --bank: its
// current program comes with it. A file that is no bank stops the render with
// one line naming it.
TEST_F(RenderTool, BankOptionsRoundTripAndRefuseOtherFiles)
{
    writeAll(path("note.mid"), oneTrackSong({{0, 480, 60}}));
    const std::vector<std::string> common = {"--rate", "8000", "--tail", "0.5"};
    auto args = [&](std::vector<std::string> head) {
        head.insert(head.end(), common.begin(), common.end());
        return head;
    };
    ASSERT_EQ(run(args({"@note.mid", "@p7.wav", "--program", "7", "--save-bank", "@bank.fxb"})).exitCode, 0);
    EXPECT_EQ(readAll(path("bank.fxb")).size(), 9004u);
    ASSERT_EQ(run(args({"@note.mid", "@fromBank.wav", "--bank", "@bank.fxb"})).exitCode, 0);
    EXPECT_TRUE(checkedWav(path("p7.wav")).samples == checkedWav(path("fromBank.wav")).samples);

    const Result refused = run(args({"@note.mid", "@never.wav", "--bank", "@note.mid"}));
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("note.mid': This file format is not valid"), std::string::npos) << refused.err;
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    EXPECT_FALSE(std::ifstream(path("never.wav")).good());
}

TEST_F(RenderTool, DemoSongRendersToAValidAudibleFile)
{
    const Result r = run({TINE_SOURCE_DIR "/resources/demo.mid", "@demo.wav", "--rate", "11025", "--tail", "0.25"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(listDir(dir_), std::vector<std::string>{"demo.wav"});
    const Wav wav = checkedWav(path("demo.wav"));
    EXPECT_EQ(wav.rate, 11025u);
    EXPECT_GT(wav.samples.size(), 2u * 11025u * 10u);
    const int peak = peakOf(wav.samples);
    EXPECT_GT(peak, 3000);
    EXPECT_LT(peak, 32767);  // no clipping
}

}  // namespace
