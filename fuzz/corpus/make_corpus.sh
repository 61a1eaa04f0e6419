#!/usr/bin/env bash
# Writes the fuzz targets' seeds into fuzz/corpus/<target>/: line octets, workspace
# files, JSON descriptions and clipboard blocks from the program's own writers
# (make_corpus.cpp, built in BUILD_DIR, default build), and the workbook seeds
# from the import test workbooks (tests/workbook/data). csv_fuzz/semicolons.csv
# and ods_fuzz/repeats are kept by hand; inputs merged in by
# `scripts/fuzz.sh --long` (named by their SHA-1) are left alone.
#   fuzz/corpus/make_corpus.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
corpus=fuzz/corpus
data=tests/workbook/data
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target make_fuzz_corpus >/dev/null
for target in clipboard_fuzz csv_fuzz decode_fuzz frame_fuzz json_fuzz ods_fuzz workbook_fuzz \
  workspace_fuzz xls_fuzz xlsx_fuzz; do
  mkdir -p "$corpus/$target"
done
"$build/fuzz/corpus/make_fuzz_corpus" "$corpus" "$data/tag_template.xls"

# Whole workbook files, as a user picks them.
for format in csv ods xls xlsx; do cp "$data/tag_template.$format" "$corpus/workbook_fuzz/"; done
cp "$data/tag_template.csv" "$corpus/csv_fuzz/template.csv"
# xls_fuzz: an even first octet, then the compound file.
{ printf '\0'; cat "$data/tag_template.xls"; } >"$corpus/xls_fuzz/template_file"
# xlsx_fuzz: the sheet, shared strings, styles and workbook parts, 0x01 between.
part() { unzip -p "$data/tag_template.xlsx" "$1"; }
{
  part xl/worksheets/sheet1.xml
  printf '\1'
  part xl/sharedStrings.xml
  printf '\1'
  part xl/styles.xml
  printf '\1'
  part xl/workbook.xml
} >"$corpus/xlsx_fuzz/template"
# ods_fuzz: content.xml, 0x01, the manifest.
{
  unzip -p "$data/tag_template.ods" content.xml
  printf '\1'
  unzip -p "$data/tag_template.ods" META-INF/manifest.xml
} >"$corpus/ods_fuzz/template"
du -sh "$corpus"/*/ | sort -k2
