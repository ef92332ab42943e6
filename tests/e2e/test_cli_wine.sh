#!/usr/bin/env bash
# tessmark-cli.exe under Wine writes the same HXW files, result lines and failure reports as the
# native tessmark-cli: the x86_64 build under wine64 always, the i686 build when 32-bit Wine is
# there.
set -uo pipefail
TM_SUITE=test_cli_wine
source "$(dirname "$0")/lib.sh"

native_bin=${TM_NATIVE_BIN:-$TM_BUILD/native/bin}
native_bin=$(realpath -m "$native_bin")
native=$native_bin/tessmark-cli
data=$TM_TOP/tests/data

tm_check "native tessmark-cli is built" test -x "$native"
if [ ! -x "$native" ]; then tm_finish; exit 1; fi
tm_wine_setup

# run_arch ARCH WIN_BIN WINE: every case with one Windows build.
run_arch() {
  local arch=$1 exe=$2/tessmark-cli.exe wine=$3 work=$TM_ARTIFACTS/work-$1
  tm_check "$arch tessmark-cli.exe is built" test -f "$exe"
  [ -f "$exe" ] || return
  rm -rf "$work"
  mkdir -p "$work/native" "$work/wine"
  cp "$data"/sample* "$work/"
  # 96 KiB of random bytes in 32-byte records, lower-case digits, LF ends: long enough for the
  # vector decoders and checksum kernels the Windows builds pick at run time.
  python3 - "$work/random.hex" <<'PY'
import random, sys
rng = random.Random(3)
with open(sys.argv[1], "w", newline="") as f:
    for seg in range(2):
        b = bytes([2, 0, 0, 4, 0, seg])
        f.write(":%s%02x\n" % (b.hex(), (-sum(b)) & 0xFF))
        for a in range(0x100, 0xC100 if seg else 0x10000, 32):
            b = bytes([32, a >> 8, a & 0xFF, 0]) + bytes(rng.randrange(256) for _ in range(32))
            f.write(":%s%02x\n" % (b.hex(), (-sum(b)) & 0xFF))
PY

  # name | source | extra arguments
  cases=(
    "normal-hex|sample.hex|"
    "normal-srec-manual|sample.s19|--start 12010 --end 120FF"
    "series720-hex|sample-720.hex|--type 720"
    "series720-manual|sample-720.hex|--type 720 --start 10 --end 7F"
    "series4500-srec|sample-4500.s19|--type 4500"
    "4byte-hex|sample.hex|--type 4byte"
    "8byte-srec|sample.s19|--type 8byte"
    "random-hex|random.hex|"
    "random-4byte|random.hex|--type 4byte"
  )

  same_file() { cmp -s "$1" "$2"; }
  same_text() { [ "$1" = "$2" ]; }
  has_text() { grep -qF -- "$2" <<<"$1"; }

  for c in "${cases[@]}"; do
    IFS='|' read -r name source args <<<"$c"
    # shellcheck disable=SC2086
    nline=$(cd "$work" && "$native" convert "$source" "native/$name.hxw" $args 2>&1)
    # shellcheck disable=SC2086
    wline=$(cd "$work" && "$wine" "$exe" convert "$source" "wine/$name.hxw" $args 2>&1 | tr -d '\r')
    tm_check "$arch $name: native conversion completed" has_text "$nline" "was completed."
    tm_check "$arch $name: same result line under Wine" same_text "$nline" "$wline"
    tm_check "$arch $name: HXW files are byte-identical" same_file "$work/native/$name.hxw" "$work/wine/$name.hxw"
    for kind in sum ones crc; do
      nsum=$(cd "$work" && "$native" checksum "native/$name.hxw" --kind $kind 2>&1)
      wsum=$(cd "$work" && "$wine" "$exe" checksum "wine/$name.hxw" --kind $kind 2>&1 | tr -d '\r')
      tm_check "$arch $name: checksum --kind $kind agrees ($nsum)" same_text "$nsum" "$wsum"
    done
  done

  # A failed conversion reports the same code under Wine and keeps the earlier file.
  printf ':0100000001FF\r\n' >"$work/bad.hex"
  cp "$work/native/normal-hex.hxw" "$work/wine/keep.hxw"
  werr=$(cd "$work" && "$wine" "$exe" convert bad.hex wine/keep.hxw 2>&1 | tr -d '\r')
  tm_check "$arch: defect reported as 0x5003 ($werr)" has_text "$werr" "error 0x5003: HEX Data error(03)"
  tm_check "$arch: earlier HXW file kept" same_file "$work/native/normal-hex.hxw" "$work/wine/keep.hxw"
  # Replacing an existing file works on Windows too.
  (cd "$work" && "$wine" "$exe" convert sample.hex wine/keep.hxw >/dev/null 2>&1)
  tm_check "$arch: existing HXW file replaced" same_file "$work/native/normal-hex.hxw" "$work/wine/keep.hxw"
}

tm_each_windows_build run_arch

tm_finish
