#!/usr/bin/env python3
"""Turns a General MIDI arrangement into a piano-only file for listening and
speed comparisons: drops the percussion channel, sets every channel to one
program (4, electric piano, by default) and optionally ends the piece after a
number of quarter notes, releasing whatever still sounds. A program of -1
removes the program changes instead, so the player's own choice stands.

usage: piano_excerpt.py IN.mid OUT.mid [--program N] [--quarters Q]
"""
import argparse
import struct
import sys


def read_vlq(data, pos):
    value = 0
    for _ in range(4):
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos
    raise ValueError("variable-length number longer than 4 bytes")


def write_vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def parse(data):
    if data[:4] != b"MThd":
        raise ValueError("not a MIDI file")
    header_length = struct.unpack(">I", data[4:8])[0]
    fmt, tracks, division = struct.unpack(">HHH", data[8:14])
    pos = 8 + header_length
    events = []  # (tick, order, bytes)
    order = 0
    for _ in range(tracks):
        if data[pos:pos + 4] != b"MTrk":
            raise ValueError("missing track")
        length = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        p, end, tick, status = pos + 8, pos + 8 + length, 0, 0
        while p < end:
            delta, p = read_vlq(data, p)
            tick += delta
            byte = data[p]
            if byte == 0xFF:
                kind = data[p + 1]
                size, q = read_vlq(data, p + 2)
                if kind == 0x51:  # keep tempo changes
                    events.append((tick, order, data[p:q + size]))
                p = q + size
            elif byte in (0xF0, 0xF7):
                size, q = read_vlq(data, p + 1)
                p = q + size
            else:
                if byte & 0x80:
                    status = byte
                    p += 1
                kind = status & 0xF0
                count = 1 if kind in (0xC0, 0xD0) else 2
                events.append((tick, order, bytes([status]) + data[p:p + count]))
                p += count
            order += 1
        pos = end
    events.sort(key=lambda e: (e[0], e[1]))
    return division, events


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("input")
    parser.add_argument("output")
    parser.add_argument("--program", type=int, default=4)
    parser.add_argument("--quarters", type=int, default=0)
    args = parser.parse_args()

    division, events = parse(open(args.input, "rb").read())
    if division & 0x8000:
        sys.exit("piano_excerpt.py: time-code divisions are not supported")
    limit = args.quarters * division if args.quarters else None

    body = bytearray()
    channels = sorted({e[2][0] & 0x0F for e in events if e[2][0] < 0xF0 and (e[2][0] & 0x0F) != 9})
    if args.program >= 0:
        for ch in channels:
            body += b"\x00" + bytes([0xC0 | ch, args.program])
    last_tick = 0
    sounding = set()
    for tick, _, message in events:
        if limit is not None and tick >= limit:
            break
        status = message[0]
        if status != 0xFF:
            if (status & 0x0F) == 9:
                continue
            kind = status & 0xF0
            if kind == 0xC0:
                if args.program < 0:
                    continue
                message = bytes([status, args.program])
            elif kind == 0x90 and message[2] > 0:
                sounding.add((status & 0x0F, message[1]))
            elif kind in (0x80, 0x90):
                sounding.discard((status & 0x0F, message[1]))
        body += write_vlq(tick - last_tick) + message
        last_tick = tick
    if limit is not None:
        body += write_vlq(max(0, limit - last_tick))
        first = True
        for ch, note in sorted(sounding):
            if not first:
                body += b"\x00"
            body += bytes([0x80 | ch, note, 0])
            first = False
        for ch in channels:
            body += b"\x00" + bytes([0xB0 | ch, 64, 0])
    body += b"\x00\xFF\x2F\x00"
    with open(args.output, "wb") as out:
        out.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, division))
        out.write(b"MTrk" + struct.pack(">I", len(body)) + body)


if __name__ == "__main__":
    main()
