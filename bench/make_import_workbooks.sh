#!/usr/bin/env bash
# Writes the benchmark's import workbooks into DIR: tags_9994.csv (the most rows
# a template holds: rows 6 to 9999, every column filled) and, when LibreOffice
# is installed, the same sheet as .xlsx, .xls and .ods.
#   bench/make_import_workbooks.sh DIR
set -euo pipefail
dir=${1:?usage: make_import_workbooks.sh DIR}
mkdir -p "$dir"
csv="$dir/tags_9994.csv"
awk 'BEGIN {
  split("Single Point,Double Point,Step Position,Measured Normalized,Measured Scaled," \
        "Measured Float,Integrated Totals,Single Command,Double Command," \
        "Regulating Step Command,SetPoint Normalized Command,SetPoint Scaled Command," \
        "SetPoint Float Command", types, ",")
  print "\"Tag list for the import benchmark\""
  for (i = 2; i <= 4; ++i) print ""
  print "\"sector\",\"tag_name\",\"type\",\"ioa\",\"scale_state\",\"scale_type\",\"scale_raw_min\"," \
        "\"scale_raw_max\",\"scale_eng_min\",\"scale_eng_max\",\"scale_factor\",\"link_state\"," \
        "\"link_sector\",\"link_name\",\"value\""
  for (i = 0; i < 9994; ++i) {
    sector = 1 + int(i / 500)
    printf "%d,\"Tag%05d\",\"%s\",%d,\"%s\",\"%s\",0,32767,-100,100,0.5,\"%s\",%d,\"Tag%05d\",%.2f\n", \
      sector, i, types[1 + i % 13], 1000 + i, (i % 2 ? "ON" : "OFF"), (i % 3 ? "LINEAR" : "FACTOR"), \
      (i % 4 ? "on" : "off"), sector, (i > 0 ? i - 1 : 0), i * 0.25
  }
}' >"$csv"
if command -v soffice >/dev/null 2>&1; then
  profile=$(mktemp -d)
  trap 'rm -rf "$profile"' EXIT
  for format in xlsx xls ods; do
    HOME="$profile" soffice --headless --infilter="CSV:44,34,76,1" --convert-to "$format" \
      --outdir "$dir" "$csv" >/dev/null 2>&1
  done
fi
ls "$dir"
