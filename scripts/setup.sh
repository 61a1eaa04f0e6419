#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then configures
# and builds into the given folder. Usage: scripts/setup.sh BUILD_DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
# Qt 6 Widgets and Svg for the desktop, with its platform plugins (the tests use the
# offscreen one) and a font; the JSON parser for the command line's workspace
# descriptions.
scripts/packages.sh cmake ninja-build g++ libgtest-dev libbenchmark-dev qt6-base-dev qt6-svg-dev \
  qt6-qpa-plugins fonts-dejavu-core nlohmann-json3-dev
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build"
