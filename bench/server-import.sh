#!/usr/bin/env bash
# Importing 100,000 articles into a PostgreSQL server company through ODBC, against psql's \copy
# of the same file into an empty table, on a throwaway server on the loopback interface; beside
# them what the server takes by the way rows are written (bench-server-batch).
#   bench/server-import.sh
# The data goes to BENCH_DIR (default /tmp/velra-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BENCH_DIR:-/tmp/velra-bench}
bin=build/release/bin
./run.sh build >/dev/null
mkdir -p "$dir"
eval "$(tests/server/postgres.sh start)"
trap 'tests/server/postgres.sh stop' EXIT
export PGPASSWORD=$VELRA_TEST_PG_PASSWORD
psql=(psql -q -h "$VELRA_TEST_PG_HOST" -p "$VELRA_TEST_PG_PORT" -U "$VELRA_TEST_PG_USER" -d postgres)

echo "load: $(uptime)"
rows=100000
file="$dir/artikel-$rows.csv"
"$bin/bench-generate" articles "$rows" "$file"
"$bin/bench-generate" articles-changed "$rows" "$dir/changed-$rows.csv"
echo "== $rows rows"

# The reference: the file's columns as text, filled by \copy in one statement.
columns=$(head -n 1 "$file" | iconv -f WINDOWS-1252 -t UTF-8 | tr -d '\r' |
  awk -F';' '{ for (i = 1; i <= NF; i++) printf "%sc%d text", (i > 1 ? ", " : ""), i }')
"${psql[@]}" -c "CREATE TABLE copy_reference ($columns)"
start=$(date +%s.%N)
"${psql[@]}" -c "\\copy copy_reference FROM '$file' WITH (FORMAT csv, DELIMITER ';', HEADER true, ENCODING 'WIN1252')"
end=$(date +%s.%N)
reference=$(awk -v s="$start" -v e="$end" -v n="$rows" 'BEGIN { printf "%.0f", n / (e - s) }')
echo "psql \\copy:                   $reference rows/s"

# What the server takes through ODBC by the way rows are written, the ceiling of each way.
"$bin/bench-server-batch" "$VELRA_TEST_PG_HOST,$VELRA_TEST_PG_PORT" "$VELRA_TEST_PG_USER" \
  "$VELRA_TEST_PG_PASSWORD" "$rows" | while read -r line; do
  rate=$(echo "$line" | sed -E 's/.* ([0-9]+) rows\/s/\1/')
  echo "$line" | awk -v r="$rate" -v ref="$reference" '{ printf "%s (ratio to psql \\copy %.2f)\n", $0, r / ref }'
done

rm -rf "$dir/server"
"$bin/importassistent-cli" demo --dir "$dir/server" \
  --server "$VELRA_TEST_PG_HOST,$VELRA_TEST_PG_PORT" --user "$VELRA_TEST_PG_USER" \
  --password "$VELRA_TEST_PG_PASSWORD" >/dev/null
plain=$("$bin/bench-import" "$dir/server" "$file" --company MusterfirmaServer)
echo "numbers from the file:        $plain"
sync=$("$bin/bench-import" "$dir/server" "$dir/changed-$rows.csv" --company MusterfirmaServer \
  --sync)
echo "synchronised, every record changed: $sync"
for run in plain sync; do
  rate=$(echo "${!run}" | sed -E 's/.* rate ([0-9]+) rows\/s.*/\1/')
  awk -v r="$rate" -v ref="$reference" -v name="$run" \
    'BEGIN { printf "  %-5s ratio to psql \\copy: %.2f (reference %.1fx faster)\n", name, r / ref, ref / r }'
done
echo "load: $(uptime)"
# Where the time goes: the statements the server saw per imported row.
"${psql[@]}" -d MusterfirmaServer -At -c \
  "SELECT 'server: ' || xact_commit || ' commits, ' || tup_inserted || ' rows inserted' FROM pg_stat_database WHERE datname = 'MusterfirmaServer'"
