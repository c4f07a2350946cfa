#!/usr/bin/env bash
# The main job: build everything and render the bundled demo to demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
./build/tools/render/tinemaster-render resources/demo.mid demo.wav "$@"
