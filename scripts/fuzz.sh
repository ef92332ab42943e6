#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each one in turn, one at a time.
#
#   scripts/fuzz.sh                          short bounded runs (TM_FUZZ_SECONDS a target,
#                                            default 20), as the test run uses them
#   scripts/fuzz.sh --long MINUTES [NAME..]  deep runs of MINUTES a target, at the lowest CPU
#                                            priority; not part of the test run. TM_FUZZ_RUNS
#                                            ends a target earlier, after that many executions.
#                                            Prints each target's executions, rate and findings;
#                                            inputs that add coverage to tests/fuzz/corpus are
#                                            left in build/fuzz/found/NAME to be looked at.
#
# The checked-in inputs in tests/fuzz/corpus/NAME start every run; the growing corpus is kept in
# build/fuzz/corpus/NAME. The targets' temporary files go to a private folder on /dev/shm.
set -uo pipefail
cd "$(dirname "$0")/.."
long=0 minutes=0
if [ "${1:-}" = "--long" ]; then
  long=1; minutes=${2:-}; shift 2 || true
  case "$minutes" in ''|*[!0-9]*) echo "usage: scripts/fuzz.sh --long MINUTES [TARGET...]" >&2; exit 2;; esac
fi
seconds=${TM_FUZZ_SECONDS:-20}
[ "$long" = 1 ] && seconds=$((minutes * 60))
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz || { echo "fuzz: 0 passed, 1 failed"; exit 1; }

shm=/dev/shm; [ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$shm/tessmark-fuzz.XXXXXX") || { echo "fuzz: 0 passed, 1 failed"; exit 1; }
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -n 1; }

passed=0; failed=0
for f in build/fuzz/bin/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  if [ "$#" -gt 0 ]; then
    want=0; for n in "$@"; do [ "$n" = "$name" ] || [ "fuzz_$n" = "$name" ] && want=1; done
    [ "$want" = 1 ] || continue
  fi
  corpus=build/fuzz/corpus/$name
  artifacts=build/fuzz/artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  seeds=tests/fuzz/corpus/${name#fuzz_}
  log=build/fuzz/$name.log
  args=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 -artifact_prefix="$artifacts/")
  runner=()
  if [ "$long" = 1 ]; then
    args+=(-print_final_stats=1)
    [ -n "${TM_FUZZ_RUNS:-}" ] && args+=(-runs="$TM_FUZZ_RUNS")
    runner=(nice -n 19)
  else
    args+=(-print_final_stats=0)
  fi
  "${runner[@]}" "$f" "${args[@]}" "$corpus" $([ -d "$seeds" ] && echo "$seeds") >"$log" 2>&1
  rc=$?
  if [ "$long" = 1 ]; then
    found=build/fuzz/found/$name
    rm -rf "$found" "$scratch/merge"; mkdir -p "$found" "$scratch/merge"
    [ -d "$seeds" ] && cp "$seeds"/* "$scratch/merge/" 2>/dev/null
    nice -n 19 "$f" -merge=1 "$scratch/merge" "$corpus" >"build/fuzz/$name.merge.log" 2>&1
    for input in "$scratch/merge"/*; do
      [ -e "$input" ] || continue
      [ -d "$seeds" ] && [ -e "$seeds/$(basename "$input")" ] && continue
      cp "$input" "$found/"
    done
    execs=$(stat number_of_executed_units "$log"); rate=$(stat average_exec_per_sec "$log")
    peak=$(stat peak_rss_mb "$log")
    echo "$name: ${execs:-?} executions, ${rate:-?}/s, peak ${peak:-?} MB," \
         "$(ls "$found" | wc -l) new inputs in $found, $(ls "$artifacts" | wc -l) findings in $artifacts"
  fi
  if [ "$rc" -eq 0 ]; then
    echo "ok   $name ($seconds s)"; passed=$((passed + 1))
  else
    echo "FAIL $name"; tail -n 30 "$log"; failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
