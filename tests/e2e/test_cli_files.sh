#!/usr/bin/env bash
# What the command line does with the files around a conversion: two runs saving one target at
# the same time, an HXW path that names the source, read-only targets, permission bits, symbolic
# links, and sources that can be read only once (named pipes, process substitution, standard
# input). Natively, then the read-only, same-file and concurrent cases with tessmark-cli.exe.
set -uo pipefail
TM_SUITE=test_cli_files
source "$(dirname "$0")/lib.sh"

native=$(realpath -m "${TM_NATIVE_BIN:-$TM_BUILD/native/bin}")/tessmark-cli
tm_check "native tessmark-cli is built" test -x "$native"
if [ ! -x "$native" ]; then tm_finish; exit 1; fi

work=$TM_ARTIFACTS/work
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
# Temporary copies of sources go here, so that what is left behind is this suite's own.
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"

# Two sources of 16 MiB each with different data (long enough for two runs to overlap), and a
# small one.
python3 - <<'PY'
import random
for name, seed in (("a.hex", 1), ("b.hex", 2)):
    rng = random.Random(seed)
    with open(name, "w", newline="") as f:
        for seg in range(256):
            b = bytes([2, 0, 0, 4, 0, seg])
            f.write(":%s%02X\r\n" % (b.hex().upper(), (-sum(b)) & 0xFF))
            for a in range(0, 0x10000, 32):
                b = bytes([32, a >> 8, a & 0xFF, 0]) + rng.randbytes(32)
                f.write(":%s%02X\r\n" % (b.hex().upper(), (-sum(b)) & 0xFF))
        f.write(":00000001FF\r\n")
PY
printf ':0400000001020304F2\r\n:020010000B0CD7\r\n:00000001FF\r\n' > s.hex
"$native" convert a.hex ref-a.hxw >/dev/null
"$native" convert b.hex ref-b.hxw >/dev/null
"$native" convert s.hex ref-s.hxw >/dev/null
tm_check "reference images are written" test -s ref-a.hxw -a -s ref-b.hxw -a -s ref-s.hxw

mode_of() { stat -c %a "$1"; }
no_leftovers() { ! ls -a "$1" | grep -q '^\.tessmark-'; }

# race RUNNER FOLDER TRIES: two conversions of different sources into one target, the second
# started 20 ms after the first. Each must report success, the target must be exactly one of the
# two images, and no temporary file may be left.
race() {
  local runner=$1 dir=$2 tries=$3 i bad=0 out1 out2 rc1 rc2
  mkdir -p "$dir"
  for i in $(seq "$tries"); do
    ( $runner convert a.hex "$dir/r.hxw" >"$dir/out1" 2>&1; echo $? >"$dir/rc1" ) &
    sleep 0.02
    ( $runner convert b.hex "$dir/r.hxw" >"$dir/out2" 2>&1; echo $? >"$dir/rc2" ) &
    wait
    rc1=$(cat "$dir/rc1"); rc2=$(cat "$dir/rc2")
    out1=$(cat "$dir/out1"); out2=$(cat "$dir/out2")
    if [ "$rc1" != 0 ] || [ "$rc2" != 0 ] || ! grep -q completed <<<"$out1" || ! grep -q completed <<<"$out2"; then
      echo "  try $i: exit $rc1/$rc2: $out1 / $out2"; bad=$((bad + 1)); continue
    fi
    if ! cmp -s "$dir/r.hxw" ref-a.hxw && ! cmp -s "$dir/r.hxw" ref-b.hxw; then
      echo "  try $i: the target is neither run's image"; bad=$((bad + 1)); continue
    fi
    no_leftovers "$dir" || { echo "  try $i: a temporary file was left"; bad=$((bad + 1)); }
  done
  [ "$bad" -eq 0 ]
}

# same_file RUNNER: an HXW path naming the source is refused and the source kept.
same_file() {
  local runner=$1 out
  cp s.hex same.hex
  out=$($runner convert same.hex same.hex 2>&1)
  [ $? -eq 1 ] && grep -q "0x7000" <<<"$out" && cmp -s same.hex s.hex
}

# read_only RUNNER: a read-only target is refused, kept, and stays read-only.
read_only() {
  local runner=$1 out
  rm -f ro.hxw; cp ref-a.hxw ro.hxw; chmod 444 ro.hxw
  out=$($runner convert s.hex ro.hxw 2>&1)
  [ $? -eq 1 ] && grep -q "0x7000" <<<"$out" && cmp -s ro.hxw ref-a.hxw && [ "$(mode_of ro.hxw)" = 444 ]
}

tm_check "two conversions into one target: one whole image, both verdicts true" race "$native" race 10
tm_check "the HXW path naming the source is refused, the source kept" same_file "$native"
tm_check "a read-only target is refused and kept" read_only "$native"

keeps_mode() {
  local mode=$1
  cp ref-a.hxw m.hxw; chmod "$mode" m.hxw
  "$native" convert s.hex m.hxw >/dev/null && cmp -s m.hxw ref-s.hxw && [ "$(mode_of m.hxw)" = "$mode" ]
}
for mode in 600 640 755; do tm_check "a target of mode $mode keeps it" keeps_mode $mode; done

follows_link() {
  mkdir -p real; cp ref-a.hxw real/t.hxw; rm -f link.hxw; ln -s real/t.hxw link.hxw
  "$native" convert s.hex link.hxw >/dev/null && [ -L link.hxw ] && cmp -s real/t.hxw ref-s.hxw
}
tm_check "a symbolic link target stays a link to the new image" follows_link

from_fifo() {
  rm -f in.fifo; mkfifo in.fifo
  (cat s.hex >in.fifo &)
  timeout 20 "$native" convert in.fifo fifo.hxw >/dev/null && cmp -s fifo.hxw ref-s.hxw
}
tm_check "a named pipe converts (read once)" from_fifo
tm_check "process substitution converts" bash -c "timeout 20 '$native' convert <(cat s.hex) ps.hxw >/dev/null && cmp -s ps.hxw ref-s.hxw"
tm_check "standard input as - converts" bash -c "timeout 20 '$native' convert - in.hxw <s.hex >/dev/null && cmp -s in.hxw ref-s.hxw"
tm_check "a pipe into - converts a large source" bash -c "cat a.hex | timeout 60 '$native' convert - big.hxw >/dev/null && cmp -s big.hxw ref-a.hxw"
stdin_defect() {
  local out
  out=$(printf ':0400000001020304F3\r\n' | timeout 20 "$native" convert - bad.hxw 2>&1)
  [ $? -eq 1 ] && grep -qF "(standard input):1:" <<<"$out" && [ ! -e bad.hxw ]
}
tm_check "a defect on standard input names its line" stdin_defect
checksum_fifo() {
  local out
  rm -f c.fifo; mkfifo c.fifo
  out=$(timeout 20 "$native" checksum c.fifo 2>&1)
  [ $? -eq 1 ] && grep -q "0x7000" <<<"$out"
}
tm_check "the checksum of a named pipe is refused at once" checksum_fifo
tm_check "no temporary copy of a source is left" bash -c '[ -z "$(ls -A "$TMPDIR")" ]'

# The Windows builds: read-only (Wine shows a mode without write bits as the read-only
# attribute), the same file, and two concurrent saves.
tm_wine_setup
wine_cases() {
  local arch=$1 exe=$2/tessmark-cli.exe wine=$3
  tm_check "$arch tessmark-cli.exe is built" test -f "$exe"
  [ -f "$exe" ] || return
  local runner="$wine $exe"
  tm_check "$arch: the HXW path naming the source is refused" same_file "$runner"
  tm_check "$arch: a read-only target is refused and kept" read_only "$runner"
  tm_check "$arch: two conversions into one target: one whole image, both verdicts true" race "$runner" "race-$arch" 3
}
tm_each_windows_build wine_cases
tm_finish
