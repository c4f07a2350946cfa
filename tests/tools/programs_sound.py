#!/usr/bin/env python3
"""Every factory program sounds on the demo and on a real piano piece: not
silent, never clipping, and dying away after the last note.

usage: programs_sound.py RENDER_TOOL DEMO.mid PIANO.mid
"""
import array
import subprocess
import sys
import tempfile
import wave
import os

FULL_SCALE = 32767.0


def stats(path):
    with wave.open(path) as w:
        assert w.getnchannels() == 2 and w.getsampwidth() == 2
        rate = w.getframerate()
        samples = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    peak = max(abs(s) for s in samples) / FULL_SCALE if samples else 0.0
    clipped = sum(1 for s in samples if abs(s) >= 32767)
    tail = samples[-int(0.25 * rate) * 2:]
    tail_peak = max(abs(s) for s in tail) / FULL_SCALE if tail else 0.0
    return peak, clipped, tail_peak


def main():
    tool, demo, piano_source = sys.argv[1:4]
    failures = []
    checked = 0
    with tempfile.TemporaryDirectory() as work:
        piano = os.path.join(work, "piano.mid")
        here = os.path.dirname(os.path.abspath(__file__))
        excerpt = os.path.join(here, "..", "..", "tools", "piano_excerpt.py")
        subprocess.run([sys.executable, excerpt, piano_source, piano, "--program", "-1", "--quarters", "48"],
                       check=True)
        for name, midi in (("demo", demo), ("piano", piano)):
            for program in range(32):
                out = os.path.join(work, f"{name}-{program}.wav")
                run = subprocess.run([tool, midi, out, "--program", str(program)], capture_output=True, text=True)
                if run.returncode != 0:
                    failures.append(f"{name} program {program}: render failed: {run.stderr.strip()}")
                    continue
                peak, clipped, tail_peak = stats(out)
                checked += 1
                if peak < 0.01:
                    failures.append(f"{name} program {program}: nearly silent (peak {peak:.4f})")
                if clipped:
                    failures.append(f"{name} program {program}: {clipped} samples at full scale")
                if tail_peak > 0.001:
                    failures.append(f"{name} program {program}: still sounding at the end (peak {tail_peak:.4f})")
                os.remove(out)
    for f in failures:
        print(f)
    print(f"{checked - len(set(f.split(':')[0] for f in failures))} passed, "
          f"{len(set(f.split(':')[0] for f in failures))} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
