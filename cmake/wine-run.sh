#!/usr/bin/env bash
# Runs one 64-bit Windows program of a cross-build under wine64, for ctest and
# for gtest discovery:  wine-run.sh PROGRAM.exe [ARGS...]
#
# Each build tree gets a private Wine prefix (<build>/wineprefix, or
# $TINE_WINEPREFIX), created once: fonts, Liberation font replacements,
# unmanaged X11 windows, the ALSA audio driver and no crash debugger, so a
# crash fails the test at once instead of waiting on a dialog.
#
# Sound goes to ALSA with cmake/wine/asound.conf: the default PCM writes every
# played byte to the file named by TINE_ALSA_CAPTURE over a null device, so
# DirectSound runs without a sound card. Each run gets a fresh capture file
# (removed afterwards) unless the caller names one. ALSA reads the variable
# from the Unix environment, which Wine hands unchanged to every process the
# program starts; SetEnvironmentVariable inside a Windows program does not
# reach it. So a test reads TINE_ALSA_CAPTURE from its own environment to
# find what it and the programs it starts have played.
#
# TINE_WINE_LOGPIXELS, when set as the prefix is made, gives its screen that
# many DPI instead of 96 (a prefix of its own, named by TINE_WINEPREFIX).
#
# Wine needs an X display: run ctest under  xvfb-run -a -s "-screen 0 1024x768x24".
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
loader=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64

fail() { echo "wine-run: $*" >&2; exit 1; }

[ $# -ge 1 ] || fail "usage: wine-run.sh PROGRAM.exe [ARGS...]"
program="$1"
shift
[ -f "$program" ] || fail "no such program: $program"
[ -x "$loader" ] || fail "wine64 is not installed (bash tools/install-windows-deps.sh)"
[ -n "${DISPLAY:-}" ] || fail "no X display: run under xvfb-run -a -s \"-screen 0 1024x768x24\""

# Without the 32-bit Wine, an i686 program 'runs' silently with exit code 0:
# accept only x86-64 images so nothing can pass without having run.
pe_machine() {
    local offset
    [ "$(head -c 2 "$1")" = "MZ" ] || return 1
    offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    [ "$(od -An -c -j "$offset" -N 4 "$1" | tr -d ' ')" = 'PE\0\0' ] || return 1
    od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' '
}
machine="$(pe_machine "$program")" || fail "$program is not a Windows program"
[ "$machine" = "8664" ] || fail "$program is not an x86-64 program (machine $machine); only 64-bit programs run under wine64 here"

# The build tree is the nearest folder above the program that holds CMakeCache.txt.
if [ -z "${TINE_WINEPREFIX:-}" ]; then
    dir="$(cd "$(dirname "$program")" && pwd)"
    while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir="$(dirname "$dir")"; done
    [ -f "$dir/CMakeCache.txt" ] || fail "cannot find the build tree of $program; set TINE_WINEPREFIX"
    TINE_WINEPREFIX="$dir/wineprefix"
fi

export WINEPREFIX="$TINE_WINEPREFIX"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export ALSA_CONFIG_PATH="$here/wine/asound.conf"
export WINESERVER="$server"

# One prefix per build, made once; concurrent tests wait for the first.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/.tine-ready" ]; then
    rm -rf "$WINEPREFIX"
    setup_log="$(mktemp)"
    if ! { "$loader" wineboot --init &&
           "$server" -w &&
           cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" &&
           "$loader" regedit /S "Z:${here//\//\\}\\wine\\prefix.reg" &&
           { [ -z "${TINE_WINE_LOGPIXELS:-}" ] ||
             "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$TINE_WINE_LOGPIXELS" /f; } &&
           "$server" -w; } </dev/null >"$setup_log" 2>&1; then
        cat "$setup_log" >&2
        rm -f "$setup_log"
        fail "could not create the Wine prefix $WINEPREFIX"
    fi
    rm -f "$setup_log"
    touch "$WINEPREFIX/.tine-ready"
fi
# A wineserver left from an earlier run may hold a desktop on a display that
# is gone (each xvfb-run has its own): end it before using the new display.
session="${DISPLAY}|${XAUTHORITY:-}"
if [ "$(cat "$WINEPREFIX/.tine-session" 2>/dev/null || true)" != "$session" ]; then
    "$server" -k >/dev/null 2>&1 || true
    "$server" -w >/dev/null 2>&1 || true
    printf '%s\n' "$session" >"$WINEPREFIX/.tine-session"
fi
flock -u 9
exec 9>&-

own_capture=""
if [ -z "${TINE_ALSA_CAPTURE:-}" ]; then
    own_capture="$(mktemp "${TMPDIR:-/tmp}/tine-alsa-capture-XXXXXX")"
    export TINE_ALSA_CAPTURE="$own_capture"
fi

# wineserver and the desktop process outlive the program and would keep
# ctest's pipes open: Wine writes to files, printed once the program is done.
out="$(mktemp)"
err="$(mktemp)"
cleanup() { rm -f "$out" "$err" ${own_capture:+"$own_capture"}; }
trap cleanup EXIT
child=0
trap '[ "$child" -ne 0 ] && kill "$child" 2>/dev/null; exit 143' TERM INT

status=0
"$loader" "$program" "$@" </dev/null >"$out" 2>"$err" &
child=$!
wait "$child" || status=$?
child=0
cat "$out"
cat "$err" >&2
exit "$status"
