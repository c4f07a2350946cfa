#!/usr/bin/env python3
"""Voicing report: renders every factory program through tinemaster-render and
measures what a sound designer listens for (level, touch, headroom, decay,
brightness, fold-back, rumble, DC and whether each sound is what its name says).

Prints one table row per program, then the checks that fail, and writes
pictures into the output folder: spectrogram-NN.png (a few notes of program NN)
and keyboard.png (level and brightness of every program across the keyboard).

usage: voicing.py [--render TOOL] [--out DIR] [--bank FILE.fxb]
                  [--programs 2,5,7-9] [--jobs N] [--no-pictures]

Needs numpy and matplotlib (Debian: python3-numpy, python3-matplotlib). The
measures are defined in the README, section "Voicing report".
"""
import argparse
import concurrent.futures
import os
import struct
import subprocess
import sys
import wave

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from make_demo_midi import vlq  # noqa: E402  (the MIDI files share the demo's writer)

RATE = 44100
HIGH_RATE = 176400  # four times over: nothing that folds back lands below 20 kHz
FULL_SCALE = 32767.0
GIVEN = (0, 1, 6)  # the reference programs whose levels set the target

# ---- The suite of notes every program plays --------------------------------
# Times in milliseconds. Each segment starts with a program change to the
# program itself, which cuts off whatever still sounds and restarts the
# effects' modulation, so that every segment is measured on its own; its notes
# come 300 ms later.
LEAD_IN = 300
CHORD = (60, 64, 67, 72)  # C4 E4 G4 C5
LOUD_CHORD = (36, 43, 48, 52, 67, 72, 76, 79)  # two hands: C2 G2 C3 E3 / G4 C5 E5 G5
KEYBOARD = tuple(range(108, 23, -6))  # C8 down to C1 in half octaves, high to low
ALIAS_NOTES = (96, 108)  # C7, C8
# The modulators start at random phases, on which the waveform and so the level
# and the peaks depend: the chord is struck twice and the loud chord three
# times, each time with new phases.
SEGMENTS = (
    # name, notes, velocity, held for, segment length
    [("chord30", CHORD, 30, 2000, 2600), ("chord100", CHORD, 100, 2000, 2600),
     ("chord100b", CHORD, 100, 2000, 2600), ("chord127", CHORD, 127, 2000, 2600)]
    + [(f"loud{i}", LOUD_CHORD, 127, 2000, 2600) for i in range(3)]
    + [("held", (60,), 100, 12000, 12600), ("release", (60,), 100, 1000, 6600)]
    + [(f"alias{n}", (n,), 127, 1000, 1600) for n in ALIAS_NOTES]
    + [(f"key{n}", (n,), 100, 1000, 1600) for n in KEYBOARD])
ALIAS_SEGMENTS = [(f"alias{n}", (n,), 127, 1000, 1600) for n in ALIAS_NOTES]

# What each designed program's name promises, checked against the measures.
CHARACTER = {2: "tine", 3: "tine", 5: "tine", 8: "tine", 9: "tine", 10: "tine", 13: "tine", 14: "tine",
             16: "tine", 17: "tine", 18: "tine", 19: "tine", 20: "tine", 22: "tine", 23: "tine", 28: "tine",
             31: "tine", 21: "bell", 11: "pad", 12: "pad", 25: "pad", 27: "pad", 29: "pad", 15: "bass", 30: "bass"}

# Criteria for the designed programs.
LEVEL_WINDOW_DB = 3.0
MIN_VELOCITY_DB = 8.0
MAX_PEAK_DBFS = -1.0
MAX_ALIAS_DB = -35.0
MAX_SUB_DB = -35.0
MAX_DC_PERCENT = 1.0


def note_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


# ---- Files: MIDI out, presets in and out, WAV in ---------------------------


def write_suite_midi(path, program, segments):
    """A format 0 file at one tick per millisecond; returns where each segment starts."""
    events, starts, t = [], {}, 0
    for name, notes, velocity, held, length in segments:
        starts[name] = t
        events.append((t, 0, bytes([0xC0, program])))
        for n in notes:
            events.append((t + LEAD_IN, 2, bytes([0x90, n, velocity])))
            events.append((t + LEAD_IN + held, 1, bytes([0x80, n, 0])))
        t += length
    track = bytearray(b"\x00\xff\x51\x03" + (500000).to_bytes(3, "big"))  # 500 ticks a quarter: 1 ms
    now = 0
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        track += vlq(tick - now) + data
        now = tick
    track += vlq(t - now) + b"\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 500) + b"MTrk" + struct.pack(">I", len(track)) + track)
    return starts


PROGRAM_BYTES = 28 + 62 * 4


def read_bank(path):
    """The 32 (name, values) of an fxb as the instrument writes it."""
    with open(path, "rb") as f:
        data = f.read()
    chunk = data[160:]
    programs = []
    for i in range(32):
        raw = chunk[8 + i * PROGRAM_BYTES: 8 + (i + 1) * PROGRAM_BYTES]
        name = raw[:28].split(b"\0")[0].decode("latin-1")
        programs.append((name, list(struct.unpack("<62f", raw[28:]))))
    return programs


def write_patch(path, name, values):
    """An fxp holding one program chunk."""
    fixed = name.encode("latin-1")[:27].ljust(28, b"\0")
    chunk = b"TNMR"[::-1] + struct.pack("<i", 1) + fixed + struct.pack("<62f", *values)
    header = (b"CcnK" + struct.pack(">i", 0) + b"FPCh" + struct.pack(">i", 1) + b"TNMR" + struct.pack(">ii", 1, 62)
              + fixed[:24] + struct.pack(">ii", 0, len(chunk)))
    with open(path, "wb") as f:
        f.write(header + chunk)


def read_wav(path):
    with wave.open(path) as w:
        assert w.getnchannels() == 2 and w.getsampwidth() == 2
        frames = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64) / FULL_SCALE
    return frames.reshape(-1, 2)


def render(tool, midi, wav, program, rate, preset_args):
    cmd = [tool, midi, wav, "--program", str(program), "--rate", str(rate), "--tail", "0"] + preset_args
    run = subprocess.run(cmd, capture_output=True, text=True)
    if run.returncode != 0:
        raise RuntimeError(f"{' '.join(cmd)}: {run.stderr.strip()}")
    return read_wav(wav)


# ---- Measures ----------------------------------------------------------------


def segment(audio, starts, name, rate, begin_ms, end_ms):
    """Frames of `name` from begin to end milliseconds after its notes start."""
    t0 = starts[name] + LEAD_IN
    return audio[(t0 + begin_ms) * rate // 1000:(t0 + end_ms) * rate // 1000]


def db(power, floor=1e-20):
    return 10.0 * np.log10(max(power, floor))


def envelope(stereo, rate, window_ms, hop_ms):
    """Power of both channels in sliding windows: (start times in s, powers)."""
    w, h = rate * window_ms // 1000, rate * hop_ms // 1000
    p = np.mean(stereo ** 2, axis=1)
    c = np.concatenate(([0.0], np.cumsum(p)))
    starts = np.arange(0, max(len(p) - w, 0) + 1, h)
    return starts / rate, (c[starts + w] - c[starts]) / w


def level_db(stereo, rate):
    """Loudest 400 ms of both channels, dBFS (a full-scale sine in both reads -3)."""
    return db(envelope(stereo, rate, 400, 100)[1].max())


def spectrum(mono, rate):
    """Power spectrum under a Hann window, scaled so that a sine of amplitude A reads A^2/4."""
    w = np.hanning(len(mono))
    x = np.fft.rfft(mono * w) / w.sum()
    return np.fft.rfftfreq(len(mono), 1.0 / rate), np.abs(x) ** 2


def band(freqs, power, lo, hi):
    sel = (freqs >= lo) & (freqs < hi)
    return power[sel]


def centroid_hz(mono, rate):
    f, p = spectrum(mono, rate)
    sel = (f >= 20) & (f < 20000)
    return float(np.sum(f[sel] * p[sel]) / max(np.sum(p[sel]), 1e-30))


def mono(stereo):
    return stereo.mean(axis=1)


def foldback_db(low, high, heard):
    """Fold-back of a note as heard: the energy of `heard` (the program with its
    effects at 44.1 kHz) in the bins where fold-back lies, relative to its energy
    below 20 kHz. Fold-back lies where the dry 44.1 kHz render `low` stands 10 dB
    above the dry high-rate render `high` (and in the two bins either side): at
    four times the rate nothing folds back below 20 kHz. The margin keeps the
    small level differences of real partials between the two renders out."""
    fl, pl = spectrum(mono(low), RATE)
    fh, ph = spectrum(mono(high), HIGH_RATE)
    ph = np.interp(fl, fh, ph)
    mask = pl > 10.0 * ph
    mask = np.convolve(mask, np.ones(5), mode="same") > 0
    _, pf = spectrum(mono(heard), RATE)
    sel = (fl >= 20) & (fl < 20000)
    return db(pf[sel & mask].sum() / max(pf[sel].sum(), 1e-30))


def sub_and_dc(stereo, note):
    """Strongest partial between 20 Hz and just under half the note's pitch, in dB
    under the strongest partial; and the share of energy below 10 Hz (DC, and what
    the tremolo and slow beats make of it), in percent. The bass programs' lowest
    notes sound an octave down, near 16 Hz, which is a note and not DC."""
    f, p = spectrum(mono(stereo), RATE)
    strongest = band(f, p, 20, 20000).max()
    half = note_hz(note) / 2 - 10.0  # clear of a partial sitting exactly at half
    sub = band(f, p, 20, half).max() if half > 25 else 0.0
    total = p.sum()
    return db(sub / max(strongest, 1e-30)), 100.0 * band(f, p, 0, 10).sum() / max(total, 1e-30)


def inharmonic_percent(mono_audio, note):
    """Energy farther than 1% (at least 6 Hz) from every multiple of half the note's pitch."""
    f, p = spectrum(mono_audio, RATE)
    sel = (f >= 20) & (f < 20000)
    f, p = f[sel], p[sel]
    step = note_hz(note) / 2
    off = np.abs(f - np.round(f / step) * step)
    return 100.0 * p[off > np.maximum(6.0, 0.01 * f)].sum() / max(p.sum(), 1e-30)


def measure(audio, starts, alias_low, alias_high, alias_starts):
    m = {}
    seg = lambda name, a, b: segment(audio, starts, name, RATE, a, b)
    for v in (30, 127):
        m[f"level{v}"] = level_db(seg(f"chord{v}", 0, 2000), RATE)
    m["level"] = (level_db(seg("chord100", 0, 2000), RATE) + level_db(seg("chord100b", 0, 2000), RATE)) / 2
    m["velocity"] = m["level127"] - m["level30"]
    m["peak"] = max(20 * np.log10(max(np.abs(seg(f"loud{i}", 0, 2300)).max(), 1e-9)) for i in range(3))

    held = seg("held", 0, 12000)
    t, p = envelope(held, RATE, 50, 10)
    m["swell"] = t[int(np.argmax(p))] + 0.025
    # Detuned layers beat; 400 ms windows keep a beat's null from counting as the decay.
    t, p = envelope(held, RATE, 400, 50)
    top = int(np.argmax(p))
    below = np.nonzero(p[top:] < p[top] * 0.01)[0]  # 20 dB down
    m["decay"] = (t[top + below[0]] - t[top]) if len(below) else float("inf")

    rel = seg("release", 0, 6000)
    t, p = envelope(rel, RATE, 50, 10)
    at = int(np.searchsorted(t, 0.95))  # the window that ends at the release
    below = np.nonzero(p[at:] < p[at] * 0.001)[0]  # 30 dB down
    m["release"] = (t[at + below[0]] - 1.0 + 0.05) if len(below) else float("inf")

    m["bright0"] = centroid_hz(mono(seg("held", 0, 100)), RATE)
    m["bright1"] = centroid_hz(mono(seg("held", 1000, 1100)), RATE)
    m["inharmonic"] = inharmonic_percent(mono(seg("held", 50, 550)), 60)
    f, pw = spectrum(mono(seg("key48", 0, 1000)), RATE)
    m["low"] = 100.0 * band(f, pw, 0, 200).sum() / max(pw.sum(), 1e-30)

    for n in ALIAS_NOTES:
        lo = segment(alias_low, alias_starts, f"alias{n}", RATE, 0, 500)
        hi = segment(alias_high, alias_starts, f"alias{n}", HIGH_RATE, 0, 500)
        m[f"alias{n}"] = foldback_db(lo, hi, seg(f"alias{n}", 0, 500))

    m["sub"], m["dc"], m["sub_note"], m["dc_note"] = -200.0, 0.0, 0, 0
    singles = [(f"key{n}", n) for n in KEYBOARD] + [(f"alias{n}", n) for n in ALIAS_NOTES] + [("held", 60)]
    m["keys"] = []
    for name, n in singles:
        s = seg(name, 0, 1000)
        sub, dc = sub_and_dc(s, n)
        if sub > m["sub"]:
            m["sub"], m["sub_note"] = sub, n
        if dc > m["dc"]:
            m["dc"], m["dc_note"] = dc, n
        if name.startswith("key"):
            m["keys"].append((n, level_db(s, RATE), centroid_hz(mono(s[: RATE // 10]), RATE) / note_hz(n)))
    return m


def check(program, m, target):
    """The criteria a designed program must meet; returns the failures as text."""
    bad = []
    if abs(m["level"] - target) > LEVEL_WINDOW_DB:
        bad.append(f"level {m['level']:.1f} dBFS, target {target:.1f} +/- {LEVEL_WINDOW_DB:g}")
    if m["velocity"] < MIN_VELOCITY_DB:
        bad.append(f"velocity response {m['velocity']:.1f} dB < {MIN_VELOCITY_DB:g}")
    if m["peak"] > MAX_PEAK_DBFS:
        bad.append(f"loud chord peaks at {m['peak']:.1f} dBFS")
    for n in ALIAS_NOTES:
        if m[f"alias{n}"] > MAX_ALIAS_DB:
            bad.append(f"fold-back {m[f'alias{n}']:.1f} dB at note {n}")
    kind = CHARACTER.get(program)
    if m["sub"] > MAX_SUB_DB and kind != "bass":
        bad.append(f"partial below half the pitch at {m['sub']:.1f} dB (note {m['sub_note']})")
    if m["dc"] > MAX_DC_PERCENT:
        bad.append(f"DC {m['dc']:.1f}% (note {m['dc_note']})")
    if kind == "tine" and not m["bright1"] < m["bright0"]:
        bad.append("a piano that does not darken as it decays")
    if kind == "bell" and m["inharmonic"] < 10.0:
        bad.append(f"a bell with only {m['inharmonic']:.1f}% inharmonic energy")
    if kind == "pad" and m["swell"] < 0.25:
        bad.append(f"a pad that peaks after {m['swell']:.2f} s, no swell")
    if kind == "bass" and m["low"] < 50.0:
        bad.append(f"a bass with {m['low']:.0f}% of its energy below 200 Hz")
    return bad


# ---- Pictures ------------------------------------------------------------------


def pictures(out, results, names):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    for program, (m, audio, starts) in results.items():
        notes = (36, 60, 84, 96, 108)
        clip = np.concatenate([mono(segment(audio, starts, f"key{n}", RATE, 0, 1200)) for n in notes])
        fig, ax = plt.subplots(figsize=(9, 4))
        with np.errstate(divide="ignore"):
            ax.specgram(clip, NFFT=2048, Fs=RATE, noverlap=1536, cmap="magma", vmin=-150, vmax=-20)
        for i, n in enumerate(notes):
            ax.text(i * 1.2 + 0.05, 20500, f"note {n}", color="white", fontsize=8, va="top")
        ax.set_ylim(0, 22050)
        ax.set_xlabel("seconds (notes at velocity 100, held 1 s)")
        ax.set_ylabel("Hz")
        ax.set_title(f"{program:2d} {names[program].strip()}")
        fig.tight_layout()
        fig.savefig(os.path.join(out, f"spectrogram-{program:02d}.png"), dpi=80)
        plt.close(fig)

    programs = sorted(results)
    keys = sorted(n for n, _, _ in results[programs[0]][0]["keys"])
    grid = {what: np.array([[dict((n, v) for n, *v in results[p][0]["keys"])[k][what] for k in keys]
                            for p in programs]) for what in (0, 1)}
    fig, axes = plt.subplots(1, 2, figsize=(13, 9))
    for ax, what, title, cmap, norm in (
            (axes[0], 0, "level, dBFS (loudest 400 ms)", "viridis", None),
            (axes[1], 1, "brightness, first 100 ms (centroid / pitch)", "inferno", matplotlib.colors.LogNorm(1, 20))):
        data = grid[what]
        im = ax.imshow(data, aspect="auto", cmap=cmap, norm=norm)
        ax.set_xticks(range(len(keys)), [str(k) for k in keys], fontsize=8)
        ax.set_yticks(range(len(programs)), [f"{p:2d} {names[p].strip()}" for p in programs], fontsize=8)
        ax.set_xlabel("note (velocity 100)")
        ax.set_title(title)
        for i in range(data.shape[0]):
            for j in range(data.shape[1]):
                ax.text(j, i, f"{data[i, j]:.0f}" if what == 0 else f"{data[i, j]:.1f}",
                        ha="center", va="center", fontsize=6, color="white")
        fig.colorbar(im, ax=ax, shrink=0.6)
    fig.tight_layout()
    fig.savefig(os.path.join(out, "keyboard.png"), dpi=80)
    plt.close(fig)


# ---- Running it ------------------------------------------------------------------


def parse_programs(text):
    chosen = set()
    for part in text.split(","):
        lo, _, hi = part.partition("-")
        chosen.update(range(int(lo), int(hi or lo) + 1))
    return sorted(p for p in chosen if 0 <= p < 32)


def run_program(args, program, bank):
    out = args.out
    name, values = bank[program]
    suite = os.path.join(out, f"suite-{program:02d}.mid")
    starts = write_suite_midi(suite, program, SEGMENTS)
    preset = ["--bank", args.bank] if args.bank else []
    audio = render(args.render, suite, os.path.join(out, f"suite-{program:02d}.wav"), program, RATE, preset)
    # Fold-back is measured on the voices alone: the phaser's and the chorus's
    # filters work per sample, so their notches move with the sample rate.
    dry = list(values)
    for index in (29, 31, 33, 36):  # tremolo, auto-pan, phaser and chorus depths
        dry[index] = 0.0
    patch = os.path.join(out, f"dry-{program:02d}.fxp")
    write_patch(patch, name, dry)
    alias_midi = os.path.join(out, f"alias-{program:02d}.mid")
    alias_starts = write_suite_midi(alias_midi, program, ALIAS_SEGMENTS)
    low = render(args.render, alias_midi, os.path.join(out, f"alias-{program:02d}.wav"), program, RATE,
                 preset + ["--patch", patch])
    high = render(args.render, alias_midi, os.path.join(out, f"alias-{program:02d}-high.wav"), program,
                  HIGH_RATE, preset + ["--patch", patch])
    for f in (suite, patch, alias_midi):
        os.remove(f)
    for f in ("suite-%02d.wav", "alias-%02d.wav", "alias-%02d-high.wav"):
        if not args.keep:
            os.remove(os.path.join(out, f % program))
    return measure(audio, starts, low, high, alias_starts), audio, starts


def fmt_seconds(s):
    return "  >12" if s == float("inf") else f"{s:5.2f}"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.normpath(os.path.join(here, "..", ".."))
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--render", default=os.path.join(root, "build", "tools", "render", "tinemaster-render"))
    ap.add_argument("--out", default=os.path.join(root, "build", "voicing"))
    ap.add_argument("--bank", help="measure the programs of this fxb instead of the factory bank")
    ap.add_argument("--programs", default="0-31", help="which programs, e.g. 0,1,6,21-25")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--keep", action="store_true", help="keep the rendered WAV files")
    ap.add_argument("--no-pictures", action="store_true")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)

    # The bank as the render tool plays it: factory values, or the given file.
    blank = os.path.join(args.out, "blank.mid")
    write_suite_midi(blank, 0, [])
    bank_file = os.path.join(args.out, "bank.fxb")
    extra = ["--bank", args.bank] if args.bank else []
    render(args.render, blank, os.path.join(args.out, "blank.wav"), 0, RATE, extra + ["--save-bank", bank_file])
    bank = read_bank(bank_file)
    for f in (blank, os.path.join(args.out, "blank.wav"), bank_file):
        os.remove(f)
    names = [n for n, _ in bank]

    programs = sorted(set(parse_programs(args.programs)) | set(GIVEN))
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        futures = {p: pool.submit(run_program, args, p, bank) for p in programs}
        results = {p: f.result() for p, f in futures.items()}

    target = float(np.median([results[p][0]["level"] for p in GIVEN]))
    print(f"Target level (median of programs {', '.join(map(str, GIVEN))}): {target:.1f} dBFS\n")
    print(" #  name               kind  level  vel   peak  decay   rel  swell  bright0 bright1"
          "  alias96 alias108   sub  dc%  inh%  low%")
    failures = []
    for p in programs:
        m = results[p][0]
        print(f"{p:2d}  {names[p].strip()[:18]:18s} {CHARACTER.get(p, '-'):4s} {m['level']:6.1f} {m['velocity']:4.1f} {m['peak']:6.1f} "
              f"{fmt_seconds(m['decay'])} {fmt_seconds(m['release'])} {m['swell']:5.2f} {m['bright0']:8.0f}"
              f" {m['bright1']:7.0f} {m['alias96']:8.1f} {m['alias108']:8.1f} {m['sub']:5.0f}"
              f" {m['dc']:4.1f} {m['inharmonic']:5.1f} {m['low']:5.1f}")
        if p not in GIVEN:
            failures += [f"{p:2d} {names[p].strip()}: {b}" for b in check(p, m, target)]
    print()
    if failures:
        print("Checks that fail:")
        print("\n".join("  " + f for f in failures))
    else:
        print("Every designed program meets every check.")
    if not args.no_pictures:
        pictures(args.out, results, names)
        print(f"\nPictures in {args.out}")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except RuntimeError as e:
        sys.exit(f"voicing.py: {e}")
