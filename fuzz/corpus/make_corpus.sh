#!/usr/bin/env bash
# Writes the fuzz targets' seeds into fuzz/corpus/<target>/: line octets, workspace
# files, JSON descriptions and clipboard blocks from the program's own writers
# (make_corpus.cpp, built in BUILD_DIR, default build), and the workbook seeds from
# the import test workbook (tests/workbook/data) and from cell_kinds.xlsx
# (make_cell_kinds.c, libxlsxwriter), the latter converted by LibreOffice.
# csv_fuzz/semicolons.csv and ods_fuzz/repeats are kept by hand; inputs merged in
# by `scripts/fuzz.sh --long` (named by their SHA-1) are left alone. The .xls, .ods
# and .xlsx files carry the time they were made, so a rerun rewrites them.
#   fuzz/corpus/make_corpus.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
corpus=fuzz/corpus
data=tests/workbook/data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target make_fuzz_corpus >/dev/null
for target in clipboard_fuzz csv_fuzz decode_fuzz frame_fuzz json_fuzz ods_fuzz workbook_fuzz \
  workspace_fuzz xls_fuzz xlsx_fuzz; do
  mkdir -p "$corpus/$target"
done

# The cell-kinds workbooks, and the same sheet as .xls, .ods and .csv.
cc -o "$work/make_cell_kinds" fuzz/corpus/make_cell_kinds.c -lxlsxwriter
"$work/make_cell_kinds" "$work/cell_kinds.xlsx" "$work/cell_kinds_inline.xlsx"
for format in xls ods; do
  HOME="$work" soffice --headless --convert-to "$format" --outdir "$work" \
    "$work/cell_kinds.xlsx" >/dev/null 2>&1
done
HOME="$work" soffice --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' \
  --outdir "$work" "$work/cell_kinds.xlsx" >/dev/null 2>&1

"$build/fuzz/corpus/make_fuzz_corpus" "$corpus" template "$data/tag_template.xls" \
  cell_kinds "$work/cell_kinds.xls"

# Whole workbook files, as a user picks them.
for format in csv ods xls xlsx; do cp "$data/tag_template.$format" "$corpus/workbook_fuzz/"; done
for file in cell_kinds.xlsx cell_kinds_inline.xlsx cell_kinds.xls cell_kinds.ods; do
  cp "$work/$file" "$corpus/workbook_fuzz/"
done
cp "$data/tag_template.csv" "$corpus/csv_fuzz/template.csv"
cp "$work/cell_kinds.csv" "$corpus/csv_fuzz/cell_kinds.csv"
# xls_fuzz: an even first octet, then the compound file.
{ printf '\0'; cat "$data/tag_template.xls"; } >"$corpus/xls_fuzz/template_file"
{ printf '\0'; cat "$work/cell_kinds.xls"; } >"$corpus/xls_fuzz/cell_kinds_file"
# xlsx_fuzz: the sheet, shared strings, styles and workbook parts, 0x01 between
# (a workbook without shared strings leaves that part empty).
xlsx_parts() {
  local part
  for part in xl/worksheets/sheet1.xml xl/sharedStrings.xml xl/styles.xml; do
    unzip -p "$1" "$part" 2>/dev/null || true
    printf '\1'
  done
  unzip -p "$1" xl/workbook.xml
}
xlsx_parts "$data/tag_template.xlsx" >"$corpus/xlsx_fuzz/template"
xlsx_parts "$work/cell_kinds.xlsx" >"$corpus/xlsx_fuzz/cell_kinds"
xlsx_parts "$work/cell_kinds_inline.xlsx" >"$corpus/xlsx_fuzz/cell_kinds_inline"
# ods_fuzz: content.xml, 0x01, the manifest.
ods_parts() {
  unzip -p "$1" content.xml
  printf '\1'
  unzip -p "$1" META-INF/manifest.xml
}
ods_parts "$data/tag_template.ods" >"$corpus/ods_fuzz/template"
ods_parts "$work/cell_kinds.ods" >"$corpus/ods_fuzz/cell_kinds"
du -sb "$corpus"/*/ | sort -k2
