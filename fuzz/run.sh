#!/usr/bin/env bash
# Builds the preset fuzzer with clang (address and undefined-behaviour
# sanitizers, libFuzzer), writes a fresh seed corpus and runs a bounded pass.
#
#   fuzz/run.sh                 20000 runs (the CI pass)
#   fuzz/run.sh -runs=1000000   any libFuzzer options instead of the default
#   fuzz/run.sh -max_total_time=60
#
# Environment: FUZZ_BUILD_DIR (default build-fuzz), CC/CXX (default clang-14),
# FUZZ_JOBS (build parallelism, default 2), TMPDIR (default /dev/shm).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${FUZZ_BUILD_DIR:-build-fuzz}"
export CC="${CC:-clang-14}"
export CXX="${CXX:-clang++-14}"
# Every input is also written to a file; memory-backed storage keeps that
# from dominating the run.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTINE_BUILD_FUZZ=ON -DTINE_SANITIZE=ON \
  -DTINE_BUILD_TESTS=OFF -DTINE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"${FUZZ_JOBS:-2}" --target tine_preset_fuzzer tine_preset_seeds

seeds="$build/fuzz/seeds"
corpus="$build/fuzz/corpus"
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus"
"$build/fuzz/tine_preset_seeds" "$seeds"

options=("$@")
if [ "${#options[@]}" -eq 0 ]; then
  options=(-runs=20000)
fi
# New inputs go to the working corpus; the seeds stay as generated.
"$build/fuzz/tine_preset_fuzzer" -max_len=10000 -print_final_stats=1 "${options[@]}" "$corpus" "$seeds"
