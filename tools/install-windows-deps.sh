#!/usr/bin/env bash
# Installs what the Windows cross-builds and the Wine test run need on a fresh
# Debian 12 machine. Quiet and quick when everything is already there.
set -euo pipefail

packages=(
  cmake make python3 googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine64 fonts-liberation fonts-wine xvfb xauth
  imagemagick xdotool file
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get -o DPkg::Lock::Timeout=900 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
