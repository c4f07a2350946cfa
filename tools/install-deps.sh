#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine.
# Quiet and quick when everything is already there.
set -euo pipefail
source "$(dirname "$0")/apt-ensure.sh"

ensure_packages cmake make g++ python3 googletest libgtest-dev libgmock-dev libbenchmark-dev openttd-openmsx \
  clang-14 libclang-rt-14-dev pkgconf lv2-dev liblilv-dev lilv-utils sordi python3-numpy python3-matplotlib \
  gcc-multilib g++-multilib qemu-user
