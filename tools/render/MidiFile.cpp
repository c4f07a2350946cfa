#include "MidiFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "params/ByteOrder.h"

namespace tine {

namespace {

constexpr uint32_t kDefaultUsPerQuarter = 500000;  // 120 beats per minute

std::string hexByte(uint8_t b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", b);
    return buf;
}

// A cursor over [pos, end) of the file; every accessor fails instead of
// reading past end.
struct Cursor {
    const uint8_t* data;
    std::size_t pos;
    std::size_t end;

    std::size_t left() const { return end - pos; }

    bool byte(uint8_t& out) {
        if (pos >= end)
            return false;
        out = data[pos++];
        return true;
    }

    bool be16(uint32_t& out) {
        if (left() < 2)
            return false;
        out = getBigEndian16(data + pos);
        pos += 2;
        return true;
    }

    bool be32(uint32_t& out) {
        if (left() < 4)
            return false;
        out = getBigEndian32(data + pos);
        pos += 4;
        return true;
    }

    bool skip(std::size_t n) {
        if (left() < n)
            return false;
        pos += n;
        return true;
    }
};

enum class VlqResult { Ok, Truncated, TooLong };

// Variable-length numbers carry 7 bits per byte; four bytes are the most the
// format allows, which also keeps any value below 2^28.
VlqResult readVlq(Cursor& c, uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t b;
        if (!c.byte(b))
            return VlqResult::Truncated;
        out = (out << 7) | (b & 0x7F);
        if ((b & 0x80) == 0)
            return VlqResult::Ok;
    }
    return VlqResult::TooLong;
}

struct TimedEvent {
    uint64_t tick;
    MidiEvent event;
};

struct TempoChange {
    uint64_t tick;
    uint32_t usPerQuarter;
};

class TrackParser {
public:
    TrackParser(const uint8_t* data, std::size_t begin, std::size_t end, int track, std::vector<TimedEvent>& events,
                std::vector<TempoChange>& tempos)
        : c_{data, begin, end}, track_(track), events_(events), tempos_(tempos) {}

    bool run(uint64_t& endTick, std::string& error) {
        uint64_t tick = 0;
        uint8_t running = 0;
        while (c_.left() > 0) {
            eventStart_ = c_.pos;
            uint32_t delta;
            if (!vlq(delta, "delta time", error))
                return false;
            tick += delta;

            uint8_t b;
            if (!c_.byte(b))
                return fail("truncated event", error);

            if (b < 0xF0) {
                uint8_t status = b;
                uint8_t first = 0;
                if (b < 0x80) {
                    // Running status: this byte is already the first data byte.
                    // Sysex and meta events are allowed to leave it in force:
                    // some writers rely on that, and no valid file reads
                    // differently because of it.
                    if (running == 0)
                        return fail("data byte " + hexByte(b) + " without a status byte", error);
                    status = running;
                    first = b;
                } else {
                    running = b;
                    if (!dataByte(first, error))
                        return false;
                }
                MidiEvent ev;
                ev.bytes[0] = status;
                ev.bytes[1] = first;
                ev.size = 2;
                const uint8_t kind = status & 0xF0;
                if (kind != 0xC0 && kind != 0xD0) {
                    if (!dataByte(ev.bytes[2], error))
                        return false;
                    ev.size = 3;
                }
                ev.track = static_cast<uint16_t>(track_);
                events_.push_back({tick, ev});
            } else if (b == 0xF0 || b == 0xF7) {
                uint32_t len;
                if (!vlq(len, "system-exclusive length", error))
                    return false;
                if (!c_.skip(len))
                    return fail("truncated system-exclusive event", error);
            } else if (b == 0xFF) {
                uint8_t type;
                if (!c_.byte(type))
                    return fail("truncated meta event", error);
                uint32_t len;
                if (!vlq(len, "meta event length", error))
                    return false;
                const std::size_t payload = c_.pos;
                if (!c_.skip(len))
                    return fail("truncated meta event", error);
                if (type == 0x51) {
                    if (len != 3)
                        return fail("tempo event with " + std::to_string(len) + " data bytes", error);
                    const uint8_t* p = c_.data + payload;
                    const uint32_t us = getBigEndian24(p);
                    if (us == 0)
                        return fail("tempo of 0 microseconds per quarter note", error);
                    tempos_.push_back({tick, us});
                } else if (type == 0x2F) {
                    break;  // whatever follows the end of the track is not music
                }
            } else {
                return fail("unexpected status byte " + hexByte(b), error);
            }
        }
        endTick = tick;
        return true;
    }

private:
    bool fail(const std::string& what, std::string& error) const {
        error = "track " + std::to_string(track_ + 1) + ", byte " + std::to_string(eventStart_) + ": " + what;
        return false;
    }

    bool vlq(uint32_t& out, const char* what, std::string& error) {
        switch (readVlq(c_, out)) {
        case VlqResult::Ok:
            return true;
        case VlqResult::Truncated:
            return fail(std::string("truncated ") + what, error);
        case VlqResult::TooLong:
            break;
        }
        return fail(std::string(what) + " longer than 4 bytes", error);
    }

    bool dataByte(uint8_t& out, std::string& error) {
        if (!c_.byte(out))
            return fail("truncated channel message", error);
        if (out & 0x80)
            return fail("status byte " + hexByte(out) + " inside a channel message", error);
        return true;
    }

    Cursor c_;
    int track_;
    std::size_t eventStart_ = 0;
    std::vector<TimedEvent>& events_;
    std::vector<TempoChange>& tempos_;
};

// Converts ticks to seconds, either through the tempo map (metrical division)
// or at a fixed rate (time-code division, where tempo events do not count).
class Clock {
public:
    Clock(uint32_t division, std::vector<TempoChange> tempos) {
        if (division & 0x8000) {
            const int fps = -static_cast<int8_t>(static_cast<uint8_t>(division >> 8));
            const double rate = fps == 29 ? 30000.0 / 1001.0 : static_cast<double>(fps);
            fixedSecondsPerTick_ = 1.0 / (rate * static_cast<double>(division & 0xFF));
            return;
        }
        ticksPerQuarter_ = static_cast<double>(division);
        // Equal ticks keep file order, so the last tempo written at a tick wins.
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        segments_.push_back({0, 0.0, kDefaultUsPerQuarter});
        for (const TempoChange& t : tempos) {
            Segment& last = segments_.back();
            if (t.tick == last.tick) {
                last.usPerQuarter = t.usPerQuarter;
                continue;
            }
            segments_.push_back({t.tick, secondsIn(last, t.tick), t.usPerQuarter});
        }
    }

    double seconds(uint64_t tick) const {
        if (fixedSecondsPerTick_ > 0.0)
            return static_cast<double>(tick) * fixedSecondsPerTick_;
        auto it = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                   [](uint64_t t, const Segment& s) { return t < s.tick; });
        return secondsIn(*(it - 1), tick);
    }

private:
    struct Segment {
        uint64_t tick;
        double startSeconds;
        uint32_t usPerQuarter;
    };

    double secondsIn(const Segment& s, uint64_t tick) const {
        return s.startSeconds + static_cast<double>(tick - s.tick) * s.usPerQuarter / (ticksPerQuarter_ * 1e6);
    }

    double fixedSecondsPerTick_ = 0.0;
    double ticksPerQuarter_ = 0.0;
    std::vector<Segment> segments_;
};

bool checkDivision(uint32_t division, std::string& error) {
    if (division & 0x8000) {
        const int fps = -static_cast<int8_t>(static_cast<uint8_t>(division >> 8));
        if (fps != 24 && fps != 25 && fps != 29 && fps != 30) {
            error = "unsupported time-code frame rate " + std::to_string(fps);
            return false;
        }
        if ((division & 0xFF) == 0) {
            error = "time-code division with 0 ticks per frame";
            return false;
        }
        return true;
    }
    if (division == 0) {
        error = "division of 0 ticks per quarter note";
        return false;
    }
    return true;
}

}  // namespace

bool parseMidi(const uint8_t* data, std::size_t size, MidiSong& song, std::string& error) {
    song = MidiSong{};
    Cursor c{data, 0, size};

    if (size < 4 || std::memcmp(data, "MThd", 4) != 0) {
        error = "not a Standard MIDI File (no MThd header)";
        return false;
    }
    c.pos = 4;
    uint32_t headerLength = 0, format = 0, announced = 0, division = 0;
    if (!c.be32(headerLength) || headerLength < 6 || c.left() < headerLength) {
        error = "truncated MThd header";
        return false;
    }
    const std::size_t afterHeader = c.pos + headerLength;
    c.be16(format);
    c.be16(announced);
    c.be16(division);
    c.pos = afterHeader;  // longer headers are allowed; the extra bytes mean nothing to us

    if (format == 2) {
        error = "format 2 (independent sequences) is not supported";
        return false;
    }
    if (format > 2) {
        error = "unknown format " + std::to_string(format);
        return false;
    }
    if (announced == 0) {
        error = "the file has no tracks";
        return false;
    }
    if (format == 0 && announced != 1) {
        error = "format 0 file announces " + std::to_string(announced) + " tracks";
        return false;
    }
    if (!checkDivision(division, error))
        return false;

    std::vector<TimedEvent> timed;
    std::vector<TempoChange> tempos;
    uint64_t endTick = 0;
    uint32_t found = 0;
    while (found < announced) {
        const std::size_t chunkStart = c.pos;
        uint32_t length = 0;
        if (c.left() < 8) {
            error = "file ends after " + std::to_string(found) + " of " + std::to_string(announced) + " tracks";
            return false;
        }
        const bool isTrack = std::memcmp(data + c.pos, "MTrk", 4) == 0;
        c.pos += 4;
        c.be32(length);
        if (length > c.left()) {
            error = "track " + std::to_string(found + 1) + " is truncated (" + std::to_string(length) +
                    " bytes announced at byte " + std::to_string(chunkStart) + ", " + std::to_string(c.left()) +
                    " present)";
            return false;
        }
        if (isTrack) {
            TrackParser parser(data, c.pos, c.pos + length, static_cast<int>(found), timed, tempos);
            uint64_t trackEnd = 0;
            if (!parser.run(trackEnd, error))
                return false;
            endTick = std::max(endTick, trackEnd);
            ++found;
        }
        // Chunks of unknown type are skipped, as the format asks readers to.
        c.pos += length;
    }

    // Tracks were appended in file order, so a stable sort by tick keeps
    // simultaneous events in track order and, within a track, in file order.
    std::stable_sort(timed.begin(), timed.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.tick < b.tick; });

    const Clock clock(division, std::move(tempos));
    song.format = static_cast<int>(format);
    song.trackCount = static_cast<int>(found);
    song.events.reserve(timed.size());
    for (const TimedEvent& t : timed) {
        song.events.push_back(t.event);
        song.events.back().seconds = clock.seconds(t.tick);
    }
    song.endSeconds = clock.seconds(endTick);
    if (!song.events.empty())
        song.endSeconds = std::max(song.endSeconds, song.events.back().seconds);
    return true;
}

bool readMidiFile(const std::string& path, MidiSong& song, std::string& error) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = std::strerror(errno != 0 ? errno : ENOENT);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    bool tooLarge = false;
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, f);
        if (bytes.size() + n > kMaxMidiFileBytes) {
            tooLarge = true;
            break;
        }
        bytes.insert(bytes.end(), buf, buf + n);
        if (n < sizeof buf)
            break;
    }
    const bool readFailed = std::ferror(f) != 0;
    const int readErrno = errno;
    std::fclose(f);
    if (tooLarge) {
        error = "file too large for a MIDI file (over " + std::to_string(kMaxMidiFileBytes / (1024 * 1024)) + " MiB)";
        return false;
    }
    if (readFailed) {
        error = std::string("cannot read: ") + std::strerror(readErrno != 0 ? readErrno : EIO);
        return false;
    }
    return parseMidi(bytes.data(), bytes.size(), song, error);
}

}  // namespace tine
