#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for the
# given number of seconds (default 60). Any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/packages.sh cmake ninja-build pkg-config nlohmann-json3-dev libzip-dev libexpat1-dev
command -v clang++ >/dev/null 2>&1 || scripts/packages.sh clang
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTELVANE_FUZZ=ON -DTELVANE_WERROR=ON \
  -DTELVANE_TESTS=OFF -DTELVANE_BENCH=OFF -DTELVANE_SANITIZE=ON >/dev/null
cmake --build build-fuzz
for target in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  # Workbooks need room for a real file's structure; line octets and workspace
  # records do not.
  case "$name" in
    csv_fuzz) max_len=4096 ;;
    xlsx_fuzz | xls_fuzz) max_len=16384 ;;
    ods_fuzz | workbook_fuzz) max_len=32768 ;;
    *) max_len=1100 ;;
  esac
  # Seeds in fuzz/corpus/<target> are read; new inputs go to a scratch folder.
  corpus=()
  if [ -d "fuzz/corpus/$name" ]; then
    scratch=$(mktemp -d)
    corpus=("$scratch" "fuzz/corpus/$name")
  fi
  echo "fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
    "${corpus[@]}" 2>&1 | tail -12
  if ((${#corpus[@]})); then rm -rf "$scratch"; fi
done
