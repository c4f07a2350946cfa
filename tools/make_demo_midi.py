#!/usr/bin/env python3
"""Writes resources/demo.mid: nine bars of electric-piano chords with a melody.

A format 1 file with two tracks. The first carries the tempo map (with a
ritardando into the last bar), the chords, a bass line and sustain-pedal
changes; the second carries the melody. Running status is used throughout,
as most sequencers write it. The output depends on nothing but this script,
so running it again reproduces the committed file byte for byte.

Usage: make_demo_midi.py [OUTPUT]   (default: resources/demo.mid beside tools/)
"""

import os
import struct
import sys

PPQ = 480

# (first beat, tempo in beats per minute)
TEMPI = [(0, 116), (28, 104), (30, 92), (32, 80)]

# Chords: (first beat, length in beats, bass key, voicing keys, hit pattern)
# A hit pattern lists (offset, length) in beats inside the chord.
DM9 = (38, [53, 57, 60, 64])
G13 = (43, [53, 57, 59, 64])
CMAJ9 = (36, [52, 55, 59, 62])
A7B13 = (45, [55, 61, 65])
EM7 = (40, [55, 59, 62])
A7 = (45, [55, 61, 64])

FULL_BAR = [(0.0, 1.4), (1.5, 2.4)]
HALF_BAR = [(0.0, 0.9), (1.0, 0.95)]
FINAL = [(0.0, 3.5)]

CHORDS = [
    (0, 4, DM9, FULL_BAR),
    (4, 4, G13, FULL_BAR),
    (8, 4, CMAJ9, FULL_BAR),
    (12, 4, A7B13, FULL_BAR),
    (16, 4, DM9, FULL_BAR),
    (20, 4, G13, FULL_BAR),
    (24, 2, EM7, HALF_BAR),
    (26, 2, A7, HALF_BAR),
    (28, 2, DM9, HALF_BAR),
    (30, 2, G13, HALF_BAR),
    (32, 4, CMAJ9, FINAL),
]

# Melody: (beat, length in beats, key)
MELODY = [
    (1, 0.5, 69), (1.5, 0.5, 72), (2, 1.5, 76), (3.5, 0.5, 74),
    (4, 1, 72), (5, 0.5, 71), (5.5, 0.5, 69), (6, 1, 67), (7, 1, 74),
    (8, 2.5, 76), (10.5, 0.5, 74), (11, 1, 71),
    (12, 1, 73), (13, 0.5, 76), (13.5, 1, 79), (14.5, 1.5, 77),
    (16, 1, 76), (17, 0.5, 77), (17.5, 1.5, 81), (19, 1, 79),
    (20, 1, 77), (21, 0.5, 76), (21.5, 0.5, 74), (22, 1, 71), (23, 1, 67),
    (24, 0.5, 67), (24.5, 0.5, 71), (25, 1, 74), (26, 1, 73), (27, 1, 76),
    (28, 1.5, 77), (29.5, 0.5, 76), (30, 1, 74), (31, 1, 71),
    (32, 0.5, 67), (32.5, 0.5, 71), (33, 2.75, 76),
]

END_BEAT = 36

# Order of events that share a tick: releases first, then the pedal lifts,
# then new notes, then the pedal goes down again.
NOTE_OFF, PEDAL_UP, NOTE_ON, PEDAL_DOWN, META = 0, 1, 2, 3, -1


def ticks(beat):
    return int(round(beat * PPQ))


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


def encode_track(events):
    """events: (tick, priority, bytes). Channel messages share running status."""
    body = bytearray()
    now = 0
    running = None
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += vlq(tick - now)
        now = tick
        if data[0] == 0xFF:
            running = None  # the format lets a meta event cancel running status
            body += data
        elif data[0] == running:
            body += data[1:]
        else:
            running = data[0]
            body += data
    body += vlq(ticks(END_BEAT) - now) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def chord_track():
    ev = [
        (0, META, meta(0x03, b"E-Piano")),
        (0, META, meta(0x58, bytes([4, 2, 24, 8]))),
        (0, META, meta(0x59, bytes([0, 0]))),
    ]
    for beat, bpm in TEMPI:
        us = int(round(60_000_000 / bpm))
        ev.append((ticks(beat), META, meta(0x51, us.to_bytes(3, "big"))))

    for n, (start, length, (bass, voicing), hits) in enumerate(CHORDS):
        # Legato pedalling: lift exactly at the change, catch the new chord just after.
        ev.append((ticks(start), PEDAL_UP, bytes([0xB0, 64, 0])))
        ev.append((ticks(start + 0.125), PEDAL_DOWN, bytes([0xB0, 64, 127])))
        ev.append((ticks(start), NOTE_ON, bytes([0x90, bass, 84 - 2 * (n % 3)])))
        ev.append((ticks(start + length - 0.1), NOTE_OFF, bytes([0x90, bass, 0])))
        for h, (offset, dur) in enumerate(hits):
            for k, key in enumerate(voicing):
                # Top voices a little louder, off-beat hits a little softer.
                vel = 60 + 3 * k - 6 * h + (n * 5) % 9
                ev.append((ticks(start + offset), NOTE_ON, bytes([0x90, key, vel])))
                ev.append((ticks(start + offset + dur), NOTE_OFF, bytes([0x90, key, 0])))
    ev.append((ticks(END_BEAT - 0.25), PEDAL_UP, bytes([0xB0, 64, 0])))
    return encode_track(ev)


def melody_track():
    ev = [(0, META, meta(0x03, b"Melody"))]
    for n, (beat, length, key) in enumerate(MELODY):
        vel = 86 + (7 * n) % 15
        ev.append((ticks(beat), NOTE_ON, bytes([0x91, key, vel])))
        ev.append((ticks(beat + length * 0.95), NOTE_OFF, bytes([0x81, key, 64])))
    return encode_track(ev)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "demo.mid")
    tracks = [chord_track(), melody_track()]
    data = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ) + b"".join(tracks)
    with open(out, "wb") as f:
        f.write(data)
    print(f"wrote {os.path.normpath(out)} ({len(data)} bytes)")


if __name__ == "__main__":
    main()
