#!/usr/bin/env bash
# Makes the import test workbooks: tag_template.xlsx with libxlsxwriter, then the
# same sheet as .xls, .ods and .csv with LibreOffice. The files are committed;
# run this only to change them (needs libxlsxwriter-dev and LibreOffice).
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -o "$work/make_template" make_template.c -lxlsxwriter
"$work/make_template"
export HOME="$work"  # a private LibreOffice profile
soffice --headless --convert-to xls tag_template.xlsx >/dev/null 2>&1
soffice --headless --convert-to ods tag_template.xlsx >/dev/null 2>&1
# Comma separated, double quotes, UTF-8, from the first line; every text cell
# quoted, so that text that looks like a number stays text.
soffice --headless --convert-to \
  'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true' tag_template.xlsx >/dev/null 2>&1
ls -l tag_template.*
