#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then configures
# and builds into the given folder. Usage: scripts/setup.sh BUILD_DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
need=()
# Qt 6 Widgets and Svg for the desktop, with a font for its offscreen tests, and an
# X server without a screen for the test that pastes between two running programs.
for pkg in cmake ninja-build g++ libgtest-dev libbenchmark-dev qt6-base-dev qt6-svg-dev \
  fonts-dejavu-core xvfb; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if ((${#need[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${need[@]}"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build"
