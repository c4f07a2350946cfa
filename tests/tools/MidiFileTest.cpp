#include "MidiFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace tine {
namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& to, const Bytes& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

Bytes be32(uint32_t v)
{
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

Bytes chunk(const char* tag, const Bytes& body)
{
    Bytes out(tag, tag + 4);
    append(out, be32(static_cast<uint32_t>(body.size())));
    append(out, body);
    return out;
}

Bytes header(int format, int tracks, uint16_t division)
{
    return chunk("MThd", {0, uint8_t(format), uint8_t(tracks >> 8), uint8_t(tracks),
                          uint8_t(division >> 8), uint8_t(division)});
}

Bytes track(const Bytes& body)
{
    return chunk("MTrk", body);
}

Bytes smf(int format, uint16_t division, std::initializer_list<Bytes> trackBodies)
{
    Bytes out = header(format, static_cast<int>(trackBodies.size()), division);
    for (const Bytes& body : trackBodies)
        append(out, track(body));
    return out;
}

const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

Bytes tempo(uint32_t usPerQuarter)
{
    return {0xFF, 0x51, 0x03, uint8_t(usPerQuarter >> 16), uint8_t(usPerQuarter >> 8),
            uint8_t(usPerQuarter)};
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        append(out, p);
    return out;
}

MidiSong parseOk(const Bytes& file)
{
    MidiSong song;
    std::string error;
    EXPECT_TRUE(parseMidi(file.data(), file.size(), song, error)) << error;
    return song;
}

struct Expected {
    double seconds;
    std::vector<uint8_t> bytes;
    int track;
};

void expectEvents(const MidiSong& song, const std::vector<Expected>& expected)
{
    ASSERT_EQ(song.events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const MidiEvent& e = song.events[i];
        SCOPED_TRACE("event " + std::to_string(i));
        EXPECT_NEAR(e.seconds, expected[i].seconds, 1e-9);
        ASSERT_EQ(e.size, expected[i].bytes.size());
        for (std::size_t b = 0; b < expected[i].bytes.size(); ++b)
            EXPECT_EQ(e.bytes[b], expected[i].bytes[b]);
        EXPECT_EQ(e.track, expected[i].track);
    }
}

TEST(MidiFile, Format0WithRunningStatusAndOneByteMessages)
{
    // 96 ticks per quarter at the default 120 bpm: one tick is 1/192 s.
    const Bytes file = smf(0, 96,
                           {concat({{0x00, 0x90, 60, 100},  // note on
                                    {0x60, 60, 0x00},       // running status, half a second later
                                    {0x00, 0xC0, 5},        // program change: one data byte
                                    {0x00, 7},              // running status on a one-byte message
                                    {0x81, 0x40, 0xB0, 64, 127},
                                    kEndOfTrack})});
    const MidiSong song = parseOk(file);
    EXPECT_EQ(song.format, 0);
    EXPECT_EQ(song.trackCount, 1);
    expectEvents(song, {{0.0, {0x90, 60, 100}, 0},
                        {0.5, {0x90, 60, 0}, 0},
                        {0.5, {0xC0, 5}, 0},
                        {0.5, {0xC0, 7}, 0},
                        {0.5 + 192.0 / 192.0, {0xB0, 64, 127}, 0}});
    EXPECT_NEAR(song.endSeconds, 1.5, 1e-9);
}

TEST(MidiFile, TempoChangeInConductorTrackRetimesLaterEventsOfOtherTracks)
{
    // Quarter = 480 ticks. 0.5 s per quarter until tick 960, then 0.25 s.
    const Bytes conductor = concat({{0x00}, tempo(500000), {0x87, 0x40}, tempo(250000), kEndOfTrack});
    const Bytes notes = concat({{0x83, 0x60, 0x90, 60, 90},   // tick 480
                                {0x87, 0x40, 60, 0},          // tick 1440
                                {0x83, 0x60, 0x80, 61, 0},    // tick 1920
                                kEndOfTrack});
    const MidiSong song = parseOk(smf(1, 480, {conductor, notes}));
    expectEvents(song, {{0.5, {0x90, 60, 90}, 1},
                        {1.0 + 0.25, {0x90, 60, 0}, 1},
                        {1.0 + 0.5, {0x80, 61, 0}, 1}});
}

TEST(MidiFile, TracksMergeInTimeOrderAndSimultaneousEventsKeepFileOrder)
{
    const Bytes first = concat({{0x00, 0x90, 40, 1},
                                {0x60, 0x80, 40, 0},  // tick 96
                                {0x00, 0x90, 41, 1},  // tick 96, after the note off of its own track
                                {0x60, 0x80, 41, 0},  // tick 192
                                kEndOfTrack});
    const Bytes second = concat({{0x30, 0x90, 50, 2},  // tick 48
                                 {0x30, 0x80, 50, 0},  // tick 96, after the whole first track's tick 96
                                 {0x30, 0xB0, 64, 0},  // tick 144
                                 kEndOfTrack});
    const MidiSong song = parseOk(smf(1, 96, {first, second}));
    expectEvents(song, {{0.0, {0x90, 40, 1}, 0},
                        {0.25, {0x90, 50, 2}, 1},
                        {0.5, {0x80, 40, 0}, 0},
                        {0.5, {0x90, 41, 1}, 0},
                        {0.5, {0x80, 50, 0}, 1},
                        {0.75, {0xB0, 64, 0}, 1},
                        {1.0, {0x80, 41, 0}, 0}});
}

TEST(MidiFile, SysexMetaAndUnknownChunksAreSkipped)
{
    const Bytes body = concat({{0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7},  // system exclusive
                               {0x00, 0xFF, 0x03, 0x04, 'P', 'i', 'a', 'n'},  // track name
                               {0x00, 0x90, 64, 80},
                               {0x00, 0xFF, 0x58, 0x04, 4, 2, 24, 8},  // time signature
                               {0x00, 64, 0},  // running status survives the meta event
                               {0x00, 0xF7, 0x02, 0xF3, 0x01},  // escaped bytes
                               {0x00, 0xFF, 0x7F, 0x00},  // sequencer-specific, empty
                               kEndOfTrack,
                               {0x00, 0x90, 1, 2}});  // after the end of track: ignored
    Bytes file = header(1, 1, 96);
    append(file, chunk("XFIH", {1, 2, 3}));
    append(file, track(body));
    const MidiSong song = parseOk(file);
    expectEvents(song, {{0.0, {0x90, 64, 80}, 0}, {0.0, {0x90, 64, 0}, 0}});
}

TEST(MidiFile, LongestVariableLengthDeltaAndEndOfTrackSetTheEnd)
{
    // 0x0FFFFFFF ticks is the largest four-byte number.
    const Bytes body = concat({{0x00, 0x90, 60, 1}, {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00}});
    const MidiSong song = parseOk(smf(0, 0x7FFF, {body}));
    EXPECT_NEAR(song.endSeconds, 0x0FFFFFFF * 0.5 / 0x7FFF, 1e-6);
}

TEST(MidiFile, TimeCodeDivisionIgnoresTempo)
{
    // 25 frames per second, 40 ticks per frame: 1000 ticks per second.
    const uint16_t division = static_cast<uint16_t>((uint8_t(-25) << 8) | 40);
    const Bytes body = concat({{0x00}, tempo(100000), {0x8B, 0x5C, 0x90, 60, 1}, kEndOfTrack});
    const MidiSong song = parseOk(smf(0, division, {body}));
    expectEvents(song, {{1.5, {0x90, 60, 1}, 0}});
}

struct BadFile {
    const char* name;
    Bytes file;
    const char* error;
};

std::vector<BadFile> badFiles()
{
    const Bytes note = {0x00, 0x90, 60, 100};
    Bytes truncatedChunk = smf(0, 96, {concat({note, kEndOfTrack})});
    truncatedChunk.resize(truncatedChunk.size() - 3);
    Bytes missingTrack = header(1, 2, 96);
    append(missingTrack, track(kEndOfTrack));
    return {
        {"empty", {}, "not a Standard MIDI File"},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, "not a Standard MIDI File"},
        {"riff", concat({{'R', 'I', 'F', 'F'}, be32(4), {'W', 'A', 'V', 'E'}}), "not a Standard MIDI File"},
        {"short header", chunk("MThd", {0, 0, 0, 1}), "truncated MThd"},
        {"truncated chunk", truncatedChunk, "track 1 is truncated"},
        {"missing track", missingTrack, "file ends after 1 of 2 tracks"},
        {"message cut by chunk end", smf(0, 96, {{0x00, 0x90, 60}}), "truncated channel message"},
        {"delta cut by chunk end", smf(0, 96, {{0x81}}), "truncated delta time"},
        {"zero tempo", smf(0, 96, {concat({{0x00}, tempo(0), note})}), "tempo of 0"},
        {"short tempo", smf(0, 96, {{0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}}), "tempo event with 2"},
        {"five-byte delta", smf(0, 96, {{0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1}}),
         "longer than 4 bytes"},
        {"five-byte meta length", smf(0, 96, {{0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x01}}),
         "longer than 4 bytes"},
        {"data without status", smf(0, 96, {{0x00, 60, 100}}), "without a status byte"},
        {"status inside message", smf(0, 96, {{0x00, 0x90, 60, 0x80}}), "inside a channel message"},
        {"system common status", smf(0, 96, {{0x00, 0xF2, 0, 0}}), "unexpected status byte 0xF2"},
        {"sysex past chunk end", smf(0, 96, {{0x00, 0xF0, 0x10, 0x01, 0xF7}}),
         "truncated system-exclusive"},
        {"meta past chunk end", smf(0, 96, {{0x00, 0xFF, 0x01, 0x05, 'a'}}), "truncated meta"},
        {"zero division", smf(0, 0, {kEndOfTrack}), "division of 0"},
        {"odd frame rate", smf(0, uint16_t(0xE428), {kEndOfTrack}), "frame rate 28"},
        {"format 2", smf(2, 96, {kEndOfTrack}), "format 2"},
        {"format 0 with two tracks", smf(0, 96, {kEndOfTrack, kEndOfTrack}), "announces 2 tracks"},
        {"no tracks", header(1, 0, 96), "no tracks"},
    };
}

TEST(MidiFile, MalformedFilesGiveOneLineErrorsAndNoEvents)
{
    for (const BadFile& row : badFiles()) {
        SCOPED_TRACE(row.name);
        MidiSong song;
        song.events.resize(3);  // a failed parse must not leave stale events behind
        std::string error;
        EXPECT_FALSE(parseMidi(row.file.data(), row.file.size(), song, error));
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_TRUE(song.events.empty());
    }
}

TEST(MidiFile, EveryTruncationIsRejectedAndMutationsStayInBounds)
{
    const Bytes conductor = concat({{0x00}, tempo(400000), {0x00, 0xFF, 0x03, 0x01, 'x'}, kEndOfTrack});
    const Bytes notes = concat({{0x00, 0x90, 60, 90}, {0x10, 61, 80}, {0x00, 0xF0, 0x01, 0xF7},
                                {0x20, 0xB0, 64, 127}, {0x81, 0x00, 0x80, 60, 0}, kEndOfTrack});
    const Bytes good = smf(1, 96, {conductor, notes});
    for (std::size_t n = 0; n < good.size(); ++n) {
        MidiSong song;
        std::string error;
        EXPECT_FALSE(parseMidi(good.data(), n, song, error)) << "prefix of " << n << " bytes";
    }

    // Each mutated copy lives in a buffer of exactly its size, so a read past
    // the end is caught by the address sanitizer; what parses must still be sane.
    uint32_t seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        Bytes mutated = good;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1664525u + 1013904223u;
            const std::size_t at = 14 + (seed >> 8) % (mutated.size() - 14);
            mutated[at] = static_cast<uint8_t>(seed >> 24);
        }
        MidiSong song;
        std::string error;
        if (!parseMidi(mutated.data(), mutated.size(), song, error)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        for (std::size_t i = 0; i < song.events.size(); ++i) {
            const MidiEvent& e = song.events[i];
            EXPECT_GE(e.bytes[0], 0x80);
            EXPECT_LT(e.bytes[0], 0xF0);
            EXPECT_TRUE(e.size == 2 || e.size == 3);
            EXPECT_GE(e.seconds, 0.0);
            if (i > 0) {
                EXPECT_LE(song.events[i - 1].seconds, e.seconds);
            }
        }
    }
}

TEST(MidiFile, ReadingReportsMissingAndUnreadableFiles)
{
    MidiSong song;
    std::string error;
    EXPECT_FALSE(readMidiFile("/nonexistent-tinemaster/none.mid", song, error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(readMidiFile("/", song, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

}  // namespace
}  // namespace tine
