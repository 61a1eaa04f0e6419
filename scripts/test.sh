#!/usr/bin/env bash
# Builds and runs every test; with --sanitize the same tests under ASan+UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
  scripts/setup.sh build-asan -DTELVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  ctest --test-dir build-asan --output-on-failure -j2
else
  scripts/setup.sh build
  ctest --test-dir build --output-on-failure -j2
fi
