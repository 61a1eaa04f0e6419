#!/usr/bin/env bash
# Fuzzes the program's untrusted inputs with clang's libFuzzer under ASan and UBSan.
# Every target starts from its seeds (fuzz/corpus/<target>/) and its dictionary
# (fuzz/<target>.dict); any finding (crash, leak, timeout, memory blow-up) fails the
# run and leaves its input in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh [SECONDS]   each target for SECONDS (default 60); new inputs are
#                               thrown away
#   scripts/fuzz.sh --long HOURS
#                               HOURS in all, split evenly across the targets; new
#                               inputs of 1 KiB at most that reach new code are merged
#                               into fuzz/corpus/<target>/, and each target's runs,
#                               findings and line coverage are printed
#   scripts/fuzz.sh --coverage  line coverage of each target's code under test, from
#                               the committed seeds only
# A finding, once fixed, goes to fuzz/regressions/<target>/ (see the README there).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=short
seconds=60
case "${1:-}" in
  --long)
    mode=long
    hours=${2:?usage: scripts/fuzz.sh --long HOURS}
    ;;
  --coverage) mode=coverage ;;
  "") ;;
  *) seconds=$1 ;;
esac

scripts/packages.sh cmake ninja-build pkg-config nlohmann-json3-dev libzip-dev libexpat1-dev
command -v clang++ >/dev/null 2>&1 || scripts/packages.sh clang
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

mapfile -t targets < <(basename -s .cpp fuzz/*_fuzz.cpp)

# The largest input worth trying: workbooks need room for a real file's structure;
# line octets do not.
max_len() {
  case "$1" in
    decode_fuzz | frame_fuzz) echo 1100 ;;
    workspace_fuzz | clipboard_fuzz) echo 8192 ;;
    xlsx_fuzz | xls_fuzz) echo 16384 ;;
    json_fuzz | ods_fuzz | workbook_fuzz) echo 32768 ;;
    *) echo 4096 ;;
  esac
}

# The code a target is there to test, for its coverage figure.
code_under_test() {
  case "$1" in
    # The decoders and frame readers (not the builders the roles send with).
    decode_fuzz)
      echo protocol/asdu.cpp protocol/asdu_names.cpp protocol/traffic_text.cpp \
        protocol/iec101_frame.cpp
      ;;
    frame_fuzz) echo protocol/iec101_frame.cpp ;;
    workspace_fuzz) echo model/archive_reader.cpp model/workspace_reader.cpp model/workspace_records.cpp ;;
    clipboard_fuzz) echo model/object_clip.cpp model/workspace_paste.cpp ;;
    json_fuzz) echo json/workspace_from_json.cpp json/json_fields.cpp ;;
    csv_fuzz) echo workbook/csv_reader.cpp ;;
    xlsx_fuzz) echo workbook/xlsx_reader.cpp workbook/xml_stream.cpp ;;
    ods_fuzz) echo workbook/ods_reader.cpp workbook/xml_stream.cpp ;;
    xls_fuzz) echo workbook/xls_reader.cpp workbook/compound_file.cpp ;;
    workbook_fuzz) echo workbook ;;
    *) echo . ;;
  esac
}

# The fuzz build: the targets and the engine they drive, without the desktop.
build_fuzz() {
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTELVANE_FUZZ=ON \
    -DTELVANE_WERROR=ON -DTELVANE_TESTS=OFF -DTELVANE_BENCH=OFF -DTELVANE_SANITIZE=ON \
    -DTELVANE_UI=OFF "${launcher[@]}" >/dev/null
  cmake --build build-fuzz --target "${targets[@]}"
}

# Instrumented for source-based coverage, without sanitizers; only the targets.
build_coverage() {
  cmake -S . -B build-fuzz-cov -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTELVANE_FUZZ=ON \
    -DTELVANE_TESTS=OFF -DTELVANE_BENCH=OFF -DTELVANE_UI=OFF -DTELVANE_SANITIZE=OFF \
    -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=-fprofile-instr-generate -fcoverage-mapping" \
    "${launcher[@]}" >/dev/null
  cmake --build build-fuzz-cov --target "${targets[@]}" >/dev/null
}

# Line coverage of the target's code under test over its committed seeds:
# "covered/lines percent".
coverage() {
  local name=$1 profiles=build-fuzz-cov/profiles
  mkdir -p "$profiles"
  rm -f "$profiles/$name".*
  LLVM_PROFILE_FILE="$profiles/$name.profraw" build-fuzz-cov/fuzz/"$name" -runs=0 \
    "fuzz/corpus/$name" >/dev/null 2>&1
  llvm-profdata-14 merge -sparse "$profiles/$name.profraw" -o "$profiles/$name.profdata"
  # The report names files relative to the source tree; sum the lines of the
  # files under test.
  llvm-cov-14 report build-fuzz-cov/fuzz/"$name" -instr-profile="$profiles/$name.profdata" |
    awk -v under="$(code_under_test "$name")" '
      BEGIN { n = split(under, paths, " ") }
      {
        for (i = 1; i <= n; ++i)
          if ($1 == paths[i] || index($1, paths[i] "/") == 1 || paths[i] == ".") {
            if ($1 == "TOTAL" || $1 ~ /^-/ || $1 == "Filename") break
            lines += $8; missed += $9; break
          }
      }
      END { printf "%d/%d lines %.1f%%\n", lines - missed, lines, lines ? 100 * (lines - missed) / lines : 0 }'
}

# Runs one target for the given seconds; new inputs go to $2. Prints libFuzzer's
# closing lines and returns its status.
run_target() {
  local name=$1 scratch=$2 time=$3 findings=build-fuzz/findings/$1 dict=()
  mkdir -p "$findings" "fuzz/corpus/$name"
  if [ -f "fuzz/$name.dict" ]; then dict=(-dict="fuzz/$name.dict"); fi
  build-fuzz/fuzz/"$name" -max_total_time="$time" -max_len="$(max_len "$name")" "${dict[@]}" \
    -artifact_prefix="$findings/" -print_final_stats=1 "$scratch" "fuzz/corpus/$name"
}

case "$mode" in
  short)
    build_fuzz
    failed=()
    for name in "${targets[@]}"; do
      scratch=$(mktemp -d)
      echo "fuzzing $name for ${seconds}s"
      status=0
      run_target "$name" "$scratch" "$seconds" >"$scratch.log" 2>&1 || status=$?
      tail -12 "$scratch.log"
      rm -rf "$scratch" "$scratch.log"
      if ((status != 0)); then failed+=("$name"); fi
    done
    if ((${#failed[@]})); then
      echo "findings in: ${failed[*]} (inputs in build-fuzz/findings/)" >&2
      exit 1
    fi
    ;;
  long)
    build_fuzz
    build_coverage
    each=$(awk -v h="$hours" -v n="${#targets[@]}" 'BEGIN { printf "%d", h * 3600 / n }')
    ((each > 0)) || each=1
    report=()
    failed=0
    for name in "${targets[@]}"; do
      scratch=$(mktemp -d)
      stamp=$(mktemp)
      echo "fuzzing $name for ${each}s"
      status=0
      run_target "$name" "$scratch" "$each" >"$scratch.log" 2>&1 || status=$?
      tail -12 "$scratch.log"
      runs=$(awk -F': ' '/stat::number_of_executed_units/ { print $2 }' "$scratch.log")
      found=$(find "build-fuzz/findings/$name" -type f -newer "$stamp" | wc -l)
      if ((status != 0)); then
        failed=1
        ((found > 0)) || found=1
      fi
      # Keep only the new inputs of 1 KiB at most that reach code (edges, not hit
      # counts) the seeds do not, so that the committed seeds stay small.
      find "$scratch" -type f -size +1024c -delete
      build-fuzz/fuzz/"$name" -merge=1 -use_counters=0 -max_len="$(max_len "$name")" \
        "fuzz/corpus/$name" "$scratch" >/dev/null 2>&1 || true
      rm -rf "$scratch" "$scratch.log" "$stamp"
      report+=("$(printf '%-15s %12s runs %3s findings  %s' "$name" "${runs:-?}" "$found" \
        "$(coverage "$name")")")
    done
    printf '%s\n' "${report[@]}"
    exit "$failed"
    ;;
  coverage)
    build_coverage
    for name in "${targets[@]}"; do
      printf '%-15s %s  (%s)\n' "$name" "$(coverage "$name")" "$(code_under_test "$name")"
    done
    ;;
esac
