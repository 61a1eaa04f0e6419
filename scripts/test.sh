#!/usr/bin/env bash
# Builds and runs every test, with warnings as errors; with --sanitize the same
# tests under ASan+UBSan, with --tsan under ThreadSanitizer (without the desktop:
# Qt is not built with it).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
  scripts/setup.sh build-asan -DTELVANE_WERROR=ON -DTELVANE_SANITIZE=ON -DTELVANE_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Debug
  ctest --test-dir build-asan --output-on-failure -j2
elif [ "${1:-}" = "--tsan" ]; then
  scripts/setup.sh build-tsan -DTELVANE_WERROR=ON -DCMAKE_CXX_FLAGS=-fsanitize=thread \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DTELVANE_BENCH=OFF -DTELVANE_UI=OFF \
    -DCMAKE_BUILD_TYPE=Debug
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -j2
else
  # The build users make for use (-O3), where the compiler warns about more than
  # at lower levels, so that such a warning is mended before a user meets it.
  scripts/setup.sh build -DTELVANE_WERROR=ON -DCMAKE_BUILD_TYPE=Release
  ctest --test-dir build --output-on-failure -j2
fi
