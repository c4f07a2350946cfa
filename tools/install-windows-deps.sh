#!/usr/bin/env bash
# Installs what the Windows cross-builds and the Wine test run need on a fresh
# Debian 12 machine. Quiet and quick when everything is already there.
set -euo pipefail
source "$(dirname "$0")/apt-ensure.sh"

ensure_packages cmake make python3 googletest \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
  wine64 fonts-liberation fonts-wine xvfb xauth \
  imagemagick xdotool file
