#!/usr/bin/env bash
# Conversion and checksum benchmark: tessmark-cli against objcopy and srec_cat in paired runs on
# the same page-cached files, word modes against Normal, checksums, peak memory, one final table
# (bench/bench.py says how it measures and which settings it takes). A measurement, not a test:
# it never fails on speed. Run it under `nice -n 19` on a shared machine.
# Uses build/bench (its own Release build of tessmark-cli) unless TM_CLI names a binary.
# Needs objcopy (binutils), srec_cat (srecord), python3 and GNU time (/usr/bin/time).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
work=${TM_BENCH_DIR:-$top/build/bench}
mkdir -p "$work"

cli=${TM_CLI:-}
if [ -z "$cli" ]; then
  cmake -S "$top" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTM_TESTS=OFF >/dev/null
  cmake --build "$work/build" --target tessmark-cli -j2 >/dev/null
  cli=$work/build/bin/tessmark-cli
fi
for tool in objcopy srec_cat python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool"; exit 1; }
done
TM_CLI=$(realpath "$cli") TM_BENCH_DIR=$work exec python3 "$top/bench/bench.py"
