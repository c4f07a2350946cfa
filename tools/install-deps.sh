#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(cmake make g++ python3 googletest libgtest-dev libgmock-dev libbenchmark-dev openttd-openmsx clang-14 libclang-rt-14-dev
  pkgconf lv2-dev liblilv-dev lilv-utils sordi python3-numpy python3-matplotlib
  gcc-multilib g++-multilib qemu-user)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
