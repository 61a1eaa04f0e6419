#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then configures
# and builds into the given folder. Usage: scripts/setup.sh BUILD_DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
# Qt 6 Widgets, Svg and SerialPort (the list of serial adapters) for the desktop,
# with its platform plugins (the tests use the offscreen one) and a font; the JSON
# parser for the command line's workspace descriptions; libzip and expat for
# reading workbooks; an X server without a screen for the test that pastes
# between two running programs.
scripts/packages.sh cmake ninja-build g++ pkg-config libgtest-dev libbenchmark-dev qt6-base-dev \
  qt6-svg-dev qt6-serialport-dev qt6-qpa-plugins fonts-dejavu-core nlohmann-json3-dev libzip-dev \
  libexpat1-dev xvfb
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build"
