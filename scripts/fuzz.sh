#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a short, bounded time.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${TM_FUZZ_SECONDS:-20}
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz || { echo "0 passed, 1 failed"; exit 1; }
passed=0; failed=0
for f in build/fuzz/bin/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=tests/fuzz/seeds/${name#fuzz_}
  if "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) \
      >"build/fuzz/$name.log" 2>&1; then
    echo "ok   $name ($seconds s)"; passed=$((passed + 1))
  else
    echo "FAIL $name"; tail -n 30 "build/fuzz/$name.log"; failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
