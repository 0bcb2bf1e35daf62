#!/usr/bin/env bash
# Importing articles into the demo company, against sqlite3's CSV import of the same file.
#   bench/import.sh      100,000 and 1,000,000 rows (German CSV, Windows-1252, a dozen columns)
# The data goes to BENCH_DIR (default /tmp/velra-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BENCH_DIR:-/tmp/velra-bench}
bin=build/release/bin
./run.sh build >/dev/null
mkdir -p "$dir"

rate() { sed -E 's/.* rate ([0-9]+) rows\/s.*/\1/'; }
seconds() { sed -E 's/.* import ([0-9.]+) s.*/\1/'; }
peak() { sed -E 's/.* peak ([0-9.]+) MB.*/\1/'; }
echo "load: $(uptime)"

for rows in 100000 1000000; do
  file="$dir/artikel-$rows.csv"
  "$bin/bench-generate" articles "$rows" "$file"
  "$bin/bench-generate" articles-changed "$rows" "$dir/changed-$rows.csv"
  echo "== $rows rows"
  start=$(date +%s.%N)
  sqlite3 :memory: -cmd ".mode csv" -cmd ".separator ;" ".import $file t" >/dev/null
  end=$(date +%s.%N)
  reference=$(awk -v s="$start" -v e="$end" -v n="$rows" 'BEGIN { printf "%.0f", n / (e - s) }')
  echo "sqlite3 .import:              $reference rows/s"

  rm -rf "$dir/company-$rows"
  "$bin/importassistent-cli" demo --dir "$dir/company-$rows" >/dev/null
  plain=$("$bin/bench-import" "$dir/company-$rows" "$file")
  echo "numbers from the file:        $plain"
  sync=$("$bin/bench-import" "$dir/company-$rows" "$dir/changed-$rows.csv" --sync)
  echo "synchronised, every record changed: $sync"
  rm -rf "$dir/auto-$rows"
  "$bin/importassistent-cli" demo --dir "$dir/auto-$rows" >/dev/null
  auto=$("$bin/bench-import" "$dir/auto-$rows" "$file" --auto-numbers)
  echo "numbers from the range:       $auto"
  for run in plain sync auto; do
    awk -v r="$(echo "${!run}" | rate)" -v ref="$reference" -v name="$run" \
      'BEGIN { printf "  %-5s ratio to sqlite3 .import: %.2f (reference %.1fx faster)\n", name, r / ref, ref / r }'
  done
  eval "time_$rows=\$(echo \"\$plain\" | seconds)"
  eval "plain_$rows=\$(echo \"\$plain\" | rate)"
  eval "reference_$rows=$reference"
  eval "sync_$rows=\$(echo \"\$sync\" | seconds)"
  eval "auto_$rows=\$(echo \"\$auto\" | rate)"
  eval "peak_$rows=\$(echo \"\$sync\" | peak)"
  eval "size_$rows=$(stat -c %s "$file")"
done
echo "== 100000 rows with every article completion (defaults, label, prices, supplier, webshop)"
"$bin/bench-generate" articles-suppliers 100000 "$dir/artikel-lieferanten.csv"
rm -rf "$dir/complete"
"$bin/importassistent-cli" demo --dir "$dir/complete" >/dev/null
complete=$("$bin/bench-import" "$dir/complete" "$dir/artikel-lieferanten.csv" --complete)
echo "every completion:             $complete"
awk -v r="$(echo "$complete" | rate)" -v plain="$plain_100000" -v ref="$reference_100000" \
  'BEGIN { printf "  ratio to the engine alone: %.2f, to sqlite3 .import: %.2f\n", r / plain, r / ref }'
awk -v a="$time_100000" -v b="$time_1000000" -v c="$sync_100000" -v d="$sync_1000000" \
  'BEGIN { printf "time(1M)/time(100k): %.1f without synchronisation, %.1f synchronised\n", b / a, d / c }'
echo "== figures"
awk -v plain="$plain_100000" -v auto="$auto_100000" -v ref="$reference_100000" \
  -v complete="$(echo "$complete" | rate)" -v a="$time_100000" -v b="$time_1000000" \
  -v peak="$peak_1000000" -v size="$size_1000000" 'BEGIN {
    printf "100k articles, numbers from the file / sqlite3 .import: %.2f\n", plain / ref
    printf "100k articles, automatic numbers / sqlite3 .import:     %.2f\n", auto / ref
    printf "100k articles, every completion / the engine alone:     %.2f\n", complete / plain
    printf "time(1M) / time(100k):                                  %.1f\n", b / a
    printf "peak memory, 1M rows synchronised / the file size:      %.2f (%.0f MB / %.0f MB)\n",
      peak * 1048576 / size, peak, size / 1048576 }'
echo "load: $(uptime)"
