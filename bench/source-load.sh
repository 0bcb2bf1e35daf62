#!/usr/bin/env bash
# Loading sources into the source table, against sqlite3's CSV import of the same file.
#   bench/source-load.sh [ROWS]    (default 1,000,000 CSV rows; 100,000 rows of .xlsx and .dbf)
# The data goes to BENCH_DIR (default /tmp/velra-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-1000000}
dir=${BENCH_DIR:-/tmp/velra-bench}
bin=build/release/bin
./run.sh build >/dev/null
mkdir -p "$dir"

"$bin/bench-generate" csv-wide "$rows" "$dir/wide.csv"
"$bin/bench-generate" xlsx 100000 "$dir/artikel.xlsx"
"$bin/bench-generate" dbf 100000 "$dir/artikel.dbf"

echo "== CSV, $rows rows x 20 columns"
ours=$("$bin/bench-load-source" "$dir/wide.csv")
echo "Importassistent: $ours"
start=$(date +%s.%N)
sqlite3 :memory: -cmd ".mode csv" -cmd ".separator ;" ".import $dir/wide.csv t" >/dev/null
end=$(date +%s.%N)
ourTime=$(echo "$ours" | sed -E 's/.* time ([0-9.]+) s.*/\1/')
awk -v s="$start" -v e="$end" -v o="$ourTime" 'BEGIN {
  printf "sqlite3 .import: time %.3f s\nratio sqlite3/ours: %.2f (above 1: ours is faster)\n", e - s, (e - s) / o }'

echo "== .xlsx, 100,000 rows x 12 columns"
"$bin/bench-load-source" "$dir/artikel.xlsx"
echo "== .dbf, 100,000 records x 12 fields"
"$bin/bench-load-source" "$dir/artikel.dbf"
