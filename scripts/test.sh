#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests, the same under ASan/UBSan, the
# Windows builds with their end-to-end tests under Wine, and short fuzz runs.
set -uo pipefail
cd "$(dirname "$0")/.."
top=$PWD

scripts/deps.sh || exit 1

passed=0
failed=0
# Adds the counts of a ctest run ("NN% tests passed, F tests failed out of T").
count_ctest() {
  local line t f
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f)); failed=$((failed + f))
}
# Adds the counts of a script that ends with "N passed, N failed".
count_plain() {
  local line
  line=$(grep -E '^([A-Za-z0-9_-]+: )?[0-9]+ passed, [0-9]+ failed' "$1" | tail -n 1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  passed=$((passed + $(sed -E 's/^([A-Za-z0-9_-]+: )?([0-9]+) passed.*/\2/' <<<"$line")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")))
}

logs=$top/build/logs
mkdir -p "$logs"

for preset in native native-asan; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" || { echo "build failed: $preset"; exit 1; }
  echo "== $preset: unit tests"
  ctest --preset "$preset" -j2 2>&1 | tee "$logs/ctest-$preset.log" | grep -E 'tests passed|Failed|\*\*\*' || true
  count_ctest "$logs/ctest-$preset.log"
done

for preset in win32 win64; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" || { echo "build failed: $preset"; exit 1; }
done

echo "== end-to-end tests"
for t in tests/e2e/test_*.sh; do
  [ -e "$t" ] || continue
  name=$(basename "$t" .sh)
  echo "-- $name"
  bash "$t" 2>&1 | tee "$logs/$name.log"
  count_plain "$logs/$name.log"
done

echo "== fuzz"
scripts/fuzz.sh 2>&1 | tee "$logs/fuzz.log"
count_plain "$logs/fuzz.log"

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
