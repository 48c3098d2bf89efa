#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing) and builds into a folder.
# Usage: scripts/setup.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev libsqlite3-dev libsodium-dev libzstd-dev libgit2-dev
  libgtest-dev libgmock-dev libbenchmark-dev diffutils clang libclang-rt-14-dev
  fonts-dejavu-core
  dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
