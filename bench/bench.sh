#!/usr/bin/env bash
# Conversion and checksum throughput of tessmark-cli against objcopy and srec_cat, side by side
# on the same files, with peak resident memory. A measurement, not a test: it never fails on speed.
# Uses build/bench (its own Release build of tessmark-cli) unless TM_CLI names a binary.
# Needs objcopy (binutils), srec_cat (srecord) and /usr/bin/time.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
work=${TM_BENCH_DIR:-$top/build/bench}
runs=${TM_BENCH_RUNS:-3}
sizes=${TM_BENCH_SIZES:-16 64}
mkdir -p "$work"

cli=${TM_CLI:-}
if [ -z "$cli" ]; then
  cmake -S "$top" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTM_TESTS=OFF >/dev/null
  cmake --build "$work/build" --target tessmark-cli -j2 >/dev/null
  cli=$work/build/bin/tessmark-cli
fi
for tool in objcopy srec_cat /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool"; exit 1; }
done

# best "seconds peakKiB" of $runs runs of a command (wall time in milliseconds' resolution)
measure() {
  local best="" line t0 t1 rss
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$work/rss.txt" "$@" >/dev/null 2>&1 || true
    rss=$(tail -n 1 "$work/rss.txt")
    t1=$(date +%s%N)
    line="$(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.3f", (b - a) / 1e9}') $rss"
    if [ -z "$best" ] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN{exit !(a<b)}'; then best=$line; fi
  done
  echo "$best"
}

rows=()
row() { rows+=("$(printf '%-34s %8s %9s %10s %9s' "$@")"); }

for mib in $sizes; do
  hex=$work/image-$mib.hex
  [ -s "$hex" ] || python3 "$top/bench/gen_hex.py" "$mib" "$hex"
  cat "$hex" >/dev/null  # page cache
  text_mb=$(awk -v b="$(stat -c %s "$hex")" 'BEGIN{printf "%.1f", b/1e6}')

  read -r t_obj m_obj < <(measure objcopy -I ihex -O binary --gap-fill 0xff "$hex" "$work/objcopy-$mib.bin")
  read -r t_srec m_srec < <(measure srec_cat "$hex" -Intel -fill 0xFF -over "$hex" -Intel -o "$work/srec-$mib.bin" -Binary)
  read -r t_cli m_cli < <(measure "$cli" convert "$hex" "$work/normal-$mib.hxw")
  read -r t_word m_word < <(measure "$cli" convert "$hex" "$work/word-$mib.hxw" --type 4byte)

  same=no
  if cmp -s <(tail -c +513 "$work/normal-$mib.hxw") "$work/objcopy-$mib.bin"; then same=yes; fi
  mbps() { awk -v m="$text_mb" -v t="$1" 'BEGIN{printf "%.0f", (t > 0 ? m / t : 0)}'; }
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2fx", (b > 0 ? a / b : 0)}'; }
  row "$mib MiB image, $text_mb MB HEX" "" "" "" ""
  row "  objcopy --gap-fill 0xff" "${t_obj}s" "$(mbps "$t_obj")MB/s" "${m_obj}KiB" "1.00x"
  row "  srec_cat -fill 0xFF" "${t_srec}s" "$(mbps "$t_srec")MB/s" "${m_srec}KiB" "$(ratio "$t_obj" "$t_srec")"
  row "  tessmark-cli convert (normal)" "${t_cli}s" "$(mbps "$t_cli")MB/s" "${m_cli}KiB" "$(ratio "$t_obj" "$t_cli")"
  row "  tessmark-cli convert --type 4byte" "${t_word}s" "$(mbps "$t_word")MB/s" "${m_word}KiB" "$(ratio "$t_obj" "$t_word")"
  row "  (4byte / normal time)" "" "" "" "$(ratio "$t_word" "$t_cli")"
  row "  body equals objcopy's output" "$same" "" "" ""
done

# Checksums over the largest page-cached image.
big=$(echo "$sizes" | tr ' ' '\n' | sort -n | tail -n 1)
img=$work/normal-$big.hxw
cat "$img" >/dev/null
bytes=$(stat -c %s "$img")
for kind in crc sum ones; do
  read -r t m < <(measure "$cli" checksum "$img" --kind "$kind")
  row "checksum --kind $kind, $big MiB" "${t}s" "$(awk -v b="$bytes" -v t="$t" 'BEGIN{printf "%.0f", (t > 0 ? b / t / 1e6 : 0)}')MB/s" "${m}KiB" ""
done

# A full 4500 Series source.
series=$work/series-4500.hex
[ -s "$series" ] || python3 "$top/bench/gen_series.py" "$series"
read -r t m < <(measure "$cli" convert "$series" "$work/series-4500.hxw" --type 4500)
row "convert --type 4500, full source" "${t}s" "" "${m}KiB" ""

printf '%-34s %8s %9s %10s %9s\n' "case" "time" "speed" "peak RSS" "vs objcopy"
printf '%s\n' "${rows[@]}"
