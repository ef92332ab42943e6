#!/usr/bin/env bash
# tessmark-cli.exe with its emulated transport beside it, under Wine: the i686 program over the
# emulated Dorlink.dll (production Dorlink core, real Windows pipe handles, only the kernel driver
# and the unit emulated), the x86_64 one over the emulated Fenlink.dll (production Fenlink core,
# only WinUSB and the unit emulated). Download, info, upload and security; a refused open; a
# failed upload that must leave nothing behind; a unit that stalls; files whose names and
# folders hold characters outside any one ANSI code page.
#   TM_WIN64_BUILD / TM_WIN32_BUILD: build folders (default build/win64, build/win32).
set -u
source "$(dirname "$0")/lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One build: copy the program and the emulated DLL into a folder of their own and exercise them.
run_suite() {
  local arch=$1 build=$2 wine=$3
  local transport=Dorlink
  [ "$arch" = win64 ] && transport=Fenlink
  local exe=$build/bin/tessmark-cli.exe dll=$build/bin/emu/$transport.dll
  tm_check "$arch: tessmark-cli.exe and the emulated $transport.dll are built" test -f "$exe" -a -f "$dll"
  [ -f "$exe" ] && [ -f "$dll" ] || return

  # The program's own folder holds characters outside any one ANSI code page too: the unit's
  # default folder beside the DLL is found through it.
  local d="$work/$arch-outil-é日本"
  mkdir -p "$d/out" "$d/out2"
  cp "$exe" "$dll" "$d/"
  head -c 4660 /dev/urandom >"$d/PROG.HXW"
  head -c 1000 /dev/urandom >"$d/SECOND.FXW"
  cd "$d" || return

  cli() { "$wine" tessmark-cli.exe "$@" 2>"$d/err" | tr -d '\r' >"$d/out.txt"; tr -d '\r' <"$d/err" >"$d/err.txt"; }

  cli download PROG.HXW
  tm_check "$arch: download reports completion" grep -qx "Download of a PROG.HXW file was completed." out.txt
  tm_check "$arch: the unit keeps the bytes (default folder beside the DLL)" cmp -s PROG.HXW unit/unit.bin

  cli info
  tm_check "$arch: info names the file" grep -qx "Name       PROG.HXW" out.txt
  tm_check "$arch: info gives its size" grep -qx "Size       4660 bytes (00001234h)" out.txt

  cli upload out
  tm_check "$arch: upload reports completion" grep -qx "Upload of a PROG.HXW file was completed." out.txt
  tm_check "$arch: uploaded file is byte-identical, under its name" cmp -s PROG.HXW out/PROG.HXW
  tm_check "$arch: upload leaves only the file" test "$(ls -A out)" = "PROG.HXW"

  echo "older" >out/PROG.HXW
  cli upload out
  tm_check "$arch: upload replaces an earlier file of that name" cmp -s PROG.HXW out/PROG.HXW

  cli security --set --id AB12 --count 100 --buzzer off
  tm_check "$arch: security reports completion" grep -qx "Download of a security info was completed." out.txt
  tm_check "$arch: the unit got the security record" \
    test "$(head -c 54 unit/security.sec | tr -d '\r' | tr '\n' '|')" = "SECURITY=1|ID=AB12|COUNT=  100|BUZZER=0|CRC=0722|"
  tm_check "$arch: the security record does not replace the unit's file" cmp -s PROG.HXW unit/unit.bin

  TESSMARK_UNIT_DIR=unit2 cli download SECOND.FXW
  tm_check "$arch: TESSMARK_UNIT_DIR chooses the unit's folder" cmp -s SECOND.FXW unit2/unit.bin
  tm_check "$arch: the default unit is untouched" cmp -s PROG.HXW unit/unit.bin

  TESSMARK_UNIT_FAULT=refuse-open cli info
  tm_check "$arch: a refused open gives the 0x4000 line" \
    grep -qx "error 0x4000: Initialization of USB communication went wrong." err.txt

  echo "earlier" >out2/PROG.HXW
  TESSMARK_UNIT_FAULT=fail-bulk=3 cli upload out2
  tm_check "$arch: a failed data read gives the 0x4002 line" \
    grep -qx "error 0x4002: Reception of data went wrong." err.txt
  tm_check "$arch: a failed upload keeps the earlier file and leaves no partial one" \
    test "$(ls -A out2)" = "PROG.HXW" -a "$(cat out2/PROG.HXW)" = "earlier"

  TESSMARK_UNIT_FAULT=final-result=1234 cli download PROG.HXW
  tm_check "$arch: the unit's own code passes through" grep -q "^error 0x1234: " err.txt

  # A unit that stalls its reply: the read fails, the link says so, nothing is left open.
  TESSMARK_UNIT_FAULT=fail-receive=1 cli info
  tm_check "$arch: a stalled reply gives the 0x4002 line" \
    grep -qx "error 0x4002: Reception of data went wrong." err.txt
  cli info
  tm_check "$arch: the unit answers again after a stalled reply" grep -qx "Name       PROG.HXW" out.txt

  # Names and folders outside any one ANSI code page, on the way in and out.
  local dir="dossier-é日本" name="prog-é日本"
  mkdir -p "$dir" "réception-日本"
  cp "$TM_TOP/tests/data/sample.hex" "$dir/$name.hex"
  cli convert "$dir/$name.hex" "$dir/$name.hxw"
  tm_check "$arch: conversion of a UTF-8 name reports it as it is" \
    grep -qx "Creation of a $name.hxw file was completed.  Checksum :82BAh." out.txt
  tm_check "$arch: the image lands under its UTF-8 name" test -s "$dir/$name.hxw"
  cli checksum "$dir/$name.hxw" --kind crc
  tm_check "$arch: checksum of a file with a UTF-8 name" grep -qx "  CRC Checksum :968Bh." out.txt
  cli download "$dir/$name.hxw"
  tm_check "$arch: download of a UTF-8 name reports it as it is" \
    grep -qx "Download of a $name.hxw file was completed." out.txt
  tm_check "$arch: the unit holds the file's bytes" cmp -s "$dir/$name.hxw" unit/unit.bin
  cli info
  tm_check "$arch: info shows the UTF-8 name" grep -qx "Name       $name.hxw" out.txt
  cli upload "réception-日本"
  tm_check "$arch: upload of a UTF-8 name reports it as it is" \
    grep -qx "Upload of a $name.hxw file was completed." out.txt
  tm_check "$arch: the uploaded file has its UTF-8 name and the bytes" \
    cmp -s "$dir/$name.hxw" "réception-日本/$name.hxw"
  cp "$TM_TOP/tests/data/sample-720.hex" "$dir/$name-720.hex"
  cli convert "$dir/$name-720.hex" "$dir/$name-720.hxw" --type 720
  tm_check "$arch: a 720 Series conversion from a UTF-8 program folder" \
    grep -q "^Creation of a $name-720.hxw file was completed." out.txt
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
