#!/usr/bin/env bash
# The emulated Dorlink.dll under Wine, driven by ordinal as Tessmark drives it (unit_check.exe):
# fault counters start again with every session of one process, a device-to-host transfer fails
# exactly at the read it was meant for however slowly the program reads, and huge scripted
# counts of acknowledgements or junk cost no memory.
#   TM_WIN64_BUILD / TM_WIN32_BUILD: build folders (default build/win64, build/win32).
set -u
source "$(dirname "$0")/lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_suite() {
  local arch=$1 build=$2 wine=$3
  local check=$build/emu-check/unit_check.exe dll=$build/bin/emu/Dorlink.dll cli=$build/bin/tessmark-cli.exe
  tm_check "$arch: unit_check.exe, tessmark-cli.exe and the emulated Dorlink.dll are built" \
    test -f "$check" -a -f "$dll" -a -f "$cli"
  [ -f "$check" ] && [ -f "$dll" ] && [ -f "$cli" ] || return
  local d=$work/$arch
  mkdir -p "$d"
  cp "$check" "$dll" "$cli" "$d/"
  # The 64-bit tessmark-cli.exe reaches the unit through Fenlink; its emulated variant keeps the
  # unit's file in the same folder.
  [ -f "$build/bin/emu/Fenlink.dll" ] && cp "$build/bin/emu/Fenlink.dll" "$d/"
  # 4660 bytes: 18 whole blocks and a short one, 19 reads in all.
  head -c 4660 /dev/urandom >"$d/PROG.HXW"
  cd "$d" || return
  "$wine" tessmark-cli.exe download PROG.HXW >/dev/null 2>&1
  tm_check "$arch: the unit holds the file" cmp -s PROG.HXW unit/unit.bin

  # Bounded: a unit that queues its script up front runs out of memory and hangs.
  run() { TESSMARK_UNIT_FAULT=$1 timeout 120 "$wine" unit_check.exe "${@:2}" 2>/dev/null | tr -d "\r"; }
  # fault | what each of three sessions must report
  local cases=(
    "fail-bulk=1|read 1 failed"
    "fail-bulk=2|read 2 failed"
    "fail-bulk=7|read 7 failed"
    "fail-bulk=19|read 19 failed"
    "fail-bulk=20|19 blocks read"
    "acks=0|19 blocks read"
  )
  local c fault want
  for c in "${cases[@]}"; do
    fault=${c%%|*} want=${c#*|}
    run "$fault" sessions 3 >sessions.txt
    tm_check "$arch: $fault: every session reports '$want'" \
      test "$(cat sessions.txt)" = "$(printf 'session %d: %s\n' 1 "$want" 2 "$want" 3 "$want")"
  done

  # fault | reads | what the reads must have been
  local memory=(
    "acks=100000000|2000000|acks 2000000 of 2000000"
    "acks=0,unterminated=100000000|200000|acks 0 of 200000"
  )
  local reads peak
  for c in "${memory[@]}"; do
    IFS='|' read -r fault reads want <<<"$c"
    run "$fault" acks "$reads" >acks.txt
    tm_check "$arch: $fault: $want" grep -qx "$want" acks.txt
    peak=$(sed -n 's/^peak \([0-9]*\) MB$/\1/p' acks.txt)
    # A sanity bound: queued up front these counts took gigabytes, and a record of every
    # driver call grew with every read.
    tm_check "$arch: $fault: peak memory ${peak:-?} MB stays under 64 MB" test "${peak:-999}" -lt 64
  done
  cd "$TM_TOP" || return
}

tm_wine_setup
run_suite win64 "${TM_WIN64_BUILD:-$TM_BUILD/win64}" "$TM_WINE64"
if tm_have_wine32; then
  run_suite win32 "${TM_WIN32_BUILD:-$TM_BUILD/win32}" /usr/lib/wine/wine
else
  echo "skip win32: no 32-bit Wine here"
fi
tm_finish
