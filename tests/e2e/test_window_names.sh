#!/usr/bin/env bash
# File names outside any one ANSI code page, from the window: a source, image and folders whose
# names hold "é" and "日本" are converted, summed, downloaded (from the page and by a drop) and
# uploaded, and every info line shows the name as it is. The real Tessmark.exe of each build
# under Wine, with its emulated transport beside it (Dorlink.dll i686, Fenlink.dll x86_64).
TM_SUITE=window_names
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tools/window_lib.sh"

select_page() {
  tm_probe tab "$1" >/dev/null
  tm_wait 20 bash -c 'tm_probe tabs | grep -qx "selected: $1"' _ "$1"
}

# tm_settext ID TEXT: sets a box's text directly (typed keys are single bytes) and waits for it.
tm_settext() {
  tm_probe settext "$1" "$2" >/dev/null
  tm_wait 10 tm_text_is "$1" "$2"
}

run_build() {
  local b=$1 transport
  transport=$(tm_transport_of "$b")
  tm_window_use "$b"
  # The program's folder has such a name too: ZV.DEF beside the executable is found through it.
  rm -rf "$TMW_RUN-é日本"
  mv "$TMW_RUN" "$TMW_RUN-é日本"
  TMW_RUN="$TMW_RUN-é日本"
  cp "$TM_BUILD/$b/bin/emu/$transport.dll" "$TMW_RUN/$transport.dll"
  local data=$TM_BUILD/e2e-window_names-data-$b unit=$TM_BUILD/e2e-window_names-unit-$b
  local name="prog-é日本"
  local dir="$data/dossier-é日本" up="$data/réception-日本"
  rm -rf "$data" "$unit"
  mkdir -p "$dir" "$up" "$unit"
  cp "$TM_TOP/tests/data/sample.hex" "$dir/$name.hex"
  local hex hxw upw
  hex=$(tm_winpath "$dir/$name.hex")
  hxw=$(tm_winpath "$dir/$name.hxw")
  upw=$(tm_winpath "$up")\\

  export TESSMARK_UNIT_DIR TESSMARK_UNIT_FAULT=
  TESSMARK_UNIT_DIR=$(tm_winpath "$unit")
  tm_check "$b: the window opens" tm_window_start

  select_page 0
  tm_settext 1000 "$hex"
  tm_settext 1002 "$hxw"
  tm_probe click 1005 >/dev/null
  tm_check "$b: conversion info line shows the name as it is" \
    tm_wait_text 1016 "Creation of a $name.hxw file was completed.  Checksum :82BAh." 60
  tm_check "$b: the image lands under its name, in its folder" test -s "$dir/$name.hxw"
  tm_check "$b: the settings, beside the program, keep the names as they are" \
    bash -c 'tr -d "\r" <"$1" | grep -qxF "$2" && tr -d "\r" <"$1" | grep -qxF "$3"' _ "$TMW_RUN/ZV.DEF" "$hex" "$hxw"
  tm_shot names-convert

  select_page 1
  tm_settext 1017 "$hxw"
  tm_probe click 1020 >/dev/null
  tm_check "$b: checksum of the file with the name" tm_wait_text 1019 "  Checksum :82BAh." 60

  select_page 2
  tm_settext 1004 "$hxw"
  tm_probe click 1006 >/dev/null
  tm_check "$b: download info line shows the name as it is" \
    tm_wait_text 1014 "Download of a $name.hxw file was completed." 60
  tm_check "$b: the unit holds the image" cmp -s "$unit/unit.bin" "$dir/$name.hxw"
  tm_check "$b: the unit keeps the name" bash -c '[ "$(head -n 1 "$1" | tr -d "\r")" = "$2" ]' _ "$unit/unit.inf" "$name.hxw"
  tm_shot names-download

  select_page 3
  tm_settext 1010 "$upw"
  tm_probe click 1013 >/dev/null
  tm_check "$b: upload info line shows the name as it is" \
    tm_wait_text 1015 "Upload of a $name.hxw file was completed." 60
  tm_check "$b: the uploaded file has the name and the bytes" cmp -s "$up/$name.hxw" "$dir/$name.hxw"
  tm_shot names-upload

  # A drop hands the window the names as the shell gives them.
  cp "$TM_TOP/tests/data/sample.s19" "$dir/日本.S19"
  tm_probe drop "$(tm_winpath "$dir/日本.S19")" >/dev/null
  tm_check "$b: a dropped file with the name is downloaded and shown" \
    tm_wait 60 bash -c 'tm_text_is 1014 "Download of a 日本.S19 file was completed." && tm_text_is 1004 "$1"' _ \
    "$(tm_winpath "$dir/日本.S19")"
  tm_check "$b: the unit holds the dropped file" cmp -s "$unit/unit.bin" "$dir/日本.S19"
  tm_window_stop
  unset TESSMARK_UNIT_DIR TESSMARK_UNIT_FAULT
}

export -f tm_probe tm_text_is tm_state_is
export TMW_PROBE TM_WINE64 TMW_LOG

tm_wine_setup
tm_window_prefix_setup
tm_xvfb_start
ran=0
for b in $TMW_BUILDS; do
  transport=$(tm_transport_of "$b")
  if [ ! -f "$TM_BUILD/$b/bin/Tessmark.exe" ] || [ ! -f "$TMW_PROBE" ] ||
     [ ! -f "$TM_BUILD/$b/bin/emu/$transport.dll" ]; then
    echo "skip $b: not built"
    continue
  fi
  if [ -z "$(tm_wine_for "$(tm_arch_of "$b")")" ]; then
    echo "skip $b: no 32-bit Wine here"
    continue
  fi
  run_build "$b"
  ran=1
done
[ "$ran" = 1 ] || tm_check "a Windows build with its emulated transport in bin/emu exists" false
tm_finish
