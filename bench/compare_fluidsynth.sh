#!/usr/bin/env bash
# Offline rendering speed against fluidsynth's electric piano on the same dense
# piano file, timed side by side in one run.
# usage: bench/compare_fluidsynth.sh [IN.mid]   (default: a piano-only version of
# a dense arrangement from Debian's openttd-openmsx package)
set -euo pipefail
cd "$(dirname "$0")/.."
need=()
for p in fluidsynth fluid-soundfont-gm openttd-openmsx; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
[ -x build/tools/render/tinemaster-render ] || { cmake -S . -B build >/dev/null && cmake --build build -j"$(nproc)" --target tinemaster-render; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source_mid=${1:-/usr/share/games/openttd/baseset/openmsx/keep_on_rolling.mid}
# Both renderers play the same notes: no percussion, every channel on program 4.
python3 tools/piano_excerpt.py "$source_mid" "$work/piano.mid" --program 4

seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1; end=$(date +%s.%N); echo "$end - $start" | bc -l; }
command -v bc >/dev/null || { apt-get install -y -qq bc >/dev/null; }

tine=$(seconds ./build/tools/render/tinemaster-render "$work/piano.mid" "$work/tine.wav")
fluid=$(SDL_AUDIODRIVER=dummy seconds fluidsynth -n -i -q -r 44100 -T wav -O s16 -F "$work/fluid.wav" \
        /usr/share/sounds/sf2/FluidR3_GM.sf2 "$work/piano.mid")
audio=$(python3 -c "import wave,sys; w=wave.open(sys.argv[1]); print(round(w.getnframes()/w.getframerate(),2))" "$work/tine.wav")
printf 'file: %s (%s s of audio)\ntinemaster-render: %.2f s wall\nfluidsynth:        %.2f s wall\n' \
  "$(basename "$source_mid")" "$audio" "$tine" "$fluid"
