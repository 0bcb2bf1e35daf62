#!/usr/bin/env bash
# Runs the libFuzzer targets of the readers and converters (tests/fuzz) one after another.
#   bench/fuzz.sh SECONDS [TARGET...]    TARGET: csv ini matching xlsx xls dbf values number-format
#                                        (default: all), each for SECONDS
# Builds the preset "fuzz" (clang with AddressSanitizer, UBSan and libFuzzer) in build/fuzz.
# Each target starts from a copy of its corpus in tests/fuzz/corpus, so the committed corpus
# stays as it is. A crash, leak, timeout (30 s) or use of more than 2 GB is a finding: the input
# is kept in the scratch folder named in the summary, and the script exits with 1.
# FUZZ_DIR sets the scratch folder (default: a new folder under /tmp); FUZZ_JOBS the build jobs.
set -euo pipefail
cd "$(dirname "$0")/.."

ALL_TARGETS=(csv ini matching xlsx xls dbf values number-format)
# Inputs longer than this are not tried: enough for each format's small files, short enough to
# keep the runs fast.
declare -A MAX_LEN=([csv]=8192 [ini]=4096 [matching]=12288 [xlsx]=65536 [xls]=32768
                    [dbf]=16384 [values]=300 [number-format]=512)

usage() {
  sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
}

[ $# -ge 1 ] || usage
seconds=$1
shift
[[ "$seconds" =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || usage
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${ALL_TARGETS[@]}")
for target in "${targets[@]}"; do
  [ -n "${MAX_LEN[$target]:-}" ] || { echo "Unbekanntes Fuzz-Ziel: $target" >&2; usage; }
done

tools/install-packages.sh fuzz
nice cmake --preset fuzz >/dev/null
build_targets=()
for target in "${targets[@]}"; do build_targets+=("fuzz-$target"); done
nice cmake --build --preset fuzz -j "${FUZZ_JOBS:-2}" --target "${build_targets[@]}"

# Leaks of the system's libraries that no code of ours can free.
export LSAN_OPTIONS="suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

scratch=${FUZZ_DIR:-$(mktemp -d /tmp/velra-fuzz.XXXXXX)}
mkdir -p "$scratch"
summary=()
findings=0
for target in "${targets[@]}"; do
  work="$scratch/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/findings"
  cp tests/fuzz/corpus/"$target"/* "$work/corpus/"
  # An .xls of a few bytes may fill a table of 16 million cells, which takes some seconds with the
  # sanitizers; the timeout leaves room for that on a busy machine and still catches a hang.
  options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -malloc_limit_mb=2048
           -max_len="${MAX_LEN[$target]}" -print_final_stats=1
           -artifact_prefix="$work/findings/")
  [ -f "tests/fuzz/dict/$target.dict" ] && options+=(-dict="tests/fuzz/dict/$target.dict")
  # libglib has no frame pointers: only the slow unwinder sees that a leak lies in libgsf.
  asan=${ASAN_OPTIONS:-}
  [ "$target" = xls ] && asan="fast_unwind_on_malloc=0:malloc_context_size=12${asan:+:$asan}"
  echo "== fuzz-$target, $seconds s"
  status=0
  ASAN_OPTIONS=$asan nice -n 10 build/fuzz/bin/fuzz-"$target" "${options[@]}" "$work/corpus" \
    >"$work/log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  coverage=$(grep -E '^#[0-9]+.*cov: ' "$work/log" | tail -n 1 |
             sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/cov \1 ft \2/')
  found=$(find "$work/findings" -type f | head -n 1)
  if [ "$status" -ne 0 ] || [ -n "$found" ]; then
    findings=$((findings + 1))
    result="FUND (Exit $status): ${found:-siehe $work/log}"
    grep -E 'ERROR:|property failed|SUMMARY:' "$work/log" | head -n 5 || true
  else
    result="nichts gefunden"
  fi
  summary+=("$(printf '%-20s %6s s  %12s execs  %-18s %s' "fuzz-$target" "$seconds" "${execs:-?}" \
               "${coverage:-cov ? ft ?}" "$result")")
done

echo
echo "== Ergebnis (Protokolle und Funde in $scratch)"
printf '%s\n' "${summary[@]}"
[ "$findings" -eq 0 ]
