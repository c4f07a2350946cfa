// The render tool's Standard MIDI File reader.
#include "MidiFile.h"

#include <gtest/gtest.h>

#include "host/TestFiles.h"

namespace tine {
namespace {

using namespace test;

struct Expected {
    double seconds;
    Bytes bytes;
    int track;
};

void expectEvents(const Bytes& file, const std::vector<Expected>& expected, double endSeconds) {
    MidiSong song;
    std::string error;
    ASSERT_TRUE(parseMidi(file.data(), file.size(), song, error)) << error;
    ASSERT_EQ(song.events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const MidiEvent& e = song.events[i];
        EXPECT_NEAR(e.seconds, expected[i].seconds, 1e-9) << "event " << i;
        EXPECT_EQ(Bytes(e.bytes, e.bytes + e.size), expected[i].bytes) << "event " << i;
        EXPECT_EQ(e.track, expected[i].track) << "event " << i;
    }
    EXPECT_NEAR(song.endSeconds, endSeconds, 1e-9);
}

TEST(MidiFile, RunningStatusSurvivesWhatIsSkipped) {
    // clang-format off
    const Bytes body = concat({
        {0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7},          // system exclusive
        {0x00, 0xFF, 0x03, 0x04, 'P', 'i', 'a', 'n'},  // track name
        {0x00, 0x90, 60, 100},
        {0x87, 0x04, 60, 0},                           // running status, 900 ticks later
        {0x00}, tempo(100000),                         // no tempo counts with a time-code division
        {0x00, 61, 0},                                 // running status survives the meta event
        {0x00, 0xC0, 5},                               // program change: one data byte
        {0x00, 0xF7, 0x02, 0xF3, 0x01},                // escaped bytes
        {0x00, 7},                                     // running status on a one-byte message
        {0x87, 0x04, 0xB0, 64, 127},
        kEndOfTrack,
        {0x00, 0x90, 1, 2}});                          // after the end of the track: ignored
    // 29.97 frames of 30 ticks a second: 900 ticks are 1.001 s.
    expectEvents(concat({midiHeader(0, 1, 0xE31E), chunk("XFIH", {1, 2, 3}), chunk("MTrk", body)}),
                 {{0.0, {0x90, 60, 100}, 0}, {1.001, {0x90, 60, 0}, 0}, {1.001, {0x90, 61, 0}, 0},
                  {1.001, {0xC0, 5}, 0}, {1.001, {0xC0, 7}, 0}, {2.002, {0xB0, 64, 127}, 0}},
                 2.002);
    // clang-format on
}

TEST(MidiFile, TempoChangesRetimeEveryTrackAndTracksMergeInFileOrder) {
    // clang-format off
    // 96 ticks a quarter, at the default half a second until tick 192, then a quarter of a second.
    const Bytes file = smf(1, 96, {
        concat({{0x00, 0x90, 40, 1},
                {0x60, 0x80, 40, 0},        // tick 96
                {0x00, 0x90, 41, 1},        // tick 96, after the note off of its own track
                {0x60}, tempo(250000),
                {0x60, 0x80, 41, 0},        // tick 288
                kEndOfTrack}),
        concat({{0x30, 0x90, 50, 2},        // tick 48
                {0x30, 0x80, 50, 0},        // tick 96, after the first track's events at 96
                {0x82, 0x20, 0x90, 51, 3},  // tick 384
                kEndOfTrack})});
    expectEvents(file,
                 {{0.0, {0x90, 40, 1}, 0}, {0.25, {0x90, 50, 2}, 1}, {0.5, {0x80, 40, 0}, 0}, {0.5, {0x90, 41, 1}, 0},
                  {0.5, {0x80, 50, 0}, 1}, {1.25, {0x80, 41, 0}, 0}, {1.5, {0x90, 51, 3}, 1}},
                 1.5);
    // clang-format on
    for (std::size_t n = 0; n < file.size(); ++n) {
        // Each truncation in a buffer of exactly its size: a sanitizer build catches a read past the end.
        const Bytes prefix(file.begin(), file.begin() + n);
        MidiSong song;
        std::string error;
        EXPECT_FALSE(parseMidi(prefix.data(), n, song, error)) << "prefix of " << n << " bytes";
    }
}

TEST(MidiFile, MalformedFilesGiveOneLineErrorsAndNoEvents) {
    Bytes truncatedChunk = smf(0, 96, {kEndOfTrack});
    truncatedChunk.pop_back();
    struct Row {
        Bytes file;
        const char* error;
    } rows[] = {
        // clang-format off
        {{}, "not a Standard MIDI File"},
        {chunk("RIFF", {'W', 'A', 'V', 'E'}), "not a Standard MIDI File"},
        {chunk("MThd", {0, 0, 0, 1}), "truncated MThd"},
        {truncatedChunk, "track 1 is truncated"},
        {concat({midiHeader(1, 2, 96), chunk("MTrk", kEndOfTrack)}), "file ends after 1 of 2 tracks"},
        {smf(0, 96, {{0x00, 0x90, 60}}), "truncated channel message"},
        {smf(0, 96, {{0x81}}), "truncated delta time"},
        {smf(0, 96, {concat({{0x00}, tempo(0)})}), "tempo of 0"},
        {smf(0, 96, {{0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}}), "tempo event with 2"},
        {smf(0, 96, {{0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1}}), "delta time longer than 4 bytes"},
        {smf(0, 96, {{0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x01}}), "length longer than 4 bytes"},
        {smf(0, 96, {{0x00, 60, 100}}), "without a status byte"},
        {smf(0, 96, {{0x00, 0x90, 60, 0x80}}), "status byte 0x80 inside a channel message"},
        {smf(0, 96, {{0x00, 0xF2, 0, 0}}), "unexpected status byte 0xF2"},
        {smf(0, 96, {{0x00, 0xF0, 0x10, 0x01, 0xF7}}), "truncated system-exclusive"},
        {smf(0, 96, {{0x00, 0xFF, 0x01, 0x05, 'a'}}), "truncated meta"},
        {smf(0, 0, {kEndOfTrack}), "division of 0"},
        {smf(0, 0xE428, {kEndOfTrack}), "frame rate 28"},
        {smf(0, 0xE700, {kEndOfTrack}), "0 ticks per frame"},
        {smf(2, 96, {kEndOfTrack}), "format 2"},
        {smf(0, 96, {kEndOfTrack, kEndOfTrack}), "announces 2 tracks"},
        {midiHeader(1, 0, 96), "no tracks"},
        // clang-format on
    };
    for (const Row& row : rows) {
        MidiSong song;
        song.events.resize(3);  // a failed parse must not leave stale events behind
        std::string error;
        EXPECT_FALSE(parseMidi(row.file.data(), row.file.size(), song, error)) << row.error;
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_TRUE(song.events.empty()) << row.error;
    }
}

TEST(MidiFile, ReadingSaysWhyAFileCannotBeRead) {
    TempDir dir;
    writeBytes(dir / "song.mid", smf(0, 96, {kEndOfTrack}));
    writeBytes(dir / "huge.mid", {});
    std::filesystem::resize_file(dir / "huge.mid", kMaxMidiFileBytes + 1);
    struct Row {
        const char *name, *error;
    } rows[] = {
        {"song.mid", ""},
        {"none.mid", "No such file"},
        {"huge.mid", "file too large"},
#if !defined(_WIN32)
        {".", "cannot read"},  // a folder opens as a file here, then fails to read
#endif
    };
    for (const Row& row : rows) {
        MidiSong song;
        std::string error;
        EXPECT_EQ(readMidiFile(dir / row.name, song, error), *row.error == '\0') << row.name;
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace tine
