#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for the
# given number of seconds (default 60). Any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/packages.sh cmake ninja-build nlohmann-json3-dev
command -v clang++ >/dev/null 2>&1 || scripts/packages.sh clang
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTELVANE_FUZZ=ON -DTELVANE_WERROR=ON \
  -DTELVANE_TESTS=OFF -DTELVANE_BENCH=OFF -DTELVANE_SANITIZE=ON >/dev/null
cmake --build build-fuzz
for target in build-fuzz/fuzz/*_fuzz; do
  echo "fuzzing $(basename "$target") for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len=1100 -print_final_stats=1 2>&1 | tail -12
done
