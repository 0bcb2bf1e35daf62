#!/bin/sh
# Compares every sheet of the project's own workbooks, as the import loads it, value for value
# with LibreOffice's reading of it (a reader that shares no code with ours). Needs soffice
# (Debian: libreoffice-calc-nogui) and a release build. Prints one line per sheet and the count.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/tests/data/xls/*.xls "$here"/tests/data/xls/*.fods "$here"/demo/samples/Artikel.xlsx "$work"
cd "$work"
# The hand-written sheets also as .xlsx, and the demo workbook also as .xls.
soffice --headless --convert-to xlsx ./*.fods >/dev/null 2>&1
mkdir xls && soffice --headless --convert-to xls --outdir xls Artikel.xlsx >/dev/null 2>&1
mv xls/Artikel.xls Artikel-97.xls
books=$(ls ./*.xls ./*.xlsx)
for book in $books; do
  # Tab-separated, UTF-8, every sheet into its own file, cell values rather than their display.
  soffice --headless --convert-to 'csv:Text - txt - csv (StarCalc):9,34,76,1,,1031,false,true,false,false,false,-1' \
    --outdir "csv-$(basename "$book")" "$book" >/dev/null 2>&1
done
CLI="$here/build/release/bin/importassistent-cli" python3 "$here/bench/compare_workbooks.py" $books
