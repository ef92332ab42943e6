#!/usr/bin/env bash
# The operator window end to end: the real Tessmark.exe under Wine on a private X server, driven
# as an operator would (button presses, typed characters, key presses, tab clicks) and read back
# through its controls, its message boxes and the files it writes.
TM_SUITE=window
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tools/window_lib.sh"

DATA=$TM_BUILD/e2e-window-data
rm -rf "$DATA"
mkdir -p "$DATA"
# "123456789" at address 0: sum total 01DD, CRC 6F91 from FFFF and 2189 from 0.
printf ':09000000313233343536373839%s\r\n:00000001FF\r\n' 1A >"$DATA/prog.hex"
printf 'this is not a record\r\n' >"$DATA/bad.hex"
# 720 Series: 0x12 at 0x0000, its high part 0x03 at 0x1000 -> the word 12 01.
printf ':0100000012ED\r\n:0110000003EC\r\n:00000001FF\r\n' >"$DATA/s720.hex"

# The expected layout and styles: LAYOUT, NEVER_SHOWN, STYLES, BORDERED.
source "$(dirname "$0")/tools/window_tables.sh"

styles_as_described() {
  local id mask want got ex bad=0
  while read -r id mask want; do
    [ -n "$id" ] || continue
    got=$(tm_probe style "$id" | cut -d" " -f1)
    if [ $((0x$got & mask)) -ne $((want)) ]; then
      printf '  %s: style %s, wanted %s under mask %s\n' "$id" "$got" "$want" "$mask"
      bad=1
    fi
  done <<<"$STYLES"
  for id in $BORDERED; do
    read -r got ex <<<"$(tm_probe style "$id")"
    (( (0x$got & 0x00800000) || (0x$ex & 0x00020200) )) || { echo "  $id: no border ($got $ex)"; bad=1; }
  done
  [ $((0x$(tm_probe style 0 | cut -d" " -f2) & 0x40010)) -eq $((0x40010)) ] || { echo "  window: extended style"; bad=1; }
  return $bad
}

# page_laid_out N: every control of page N shown at its place, every other page's control and
# every group box of the template hidden.
page_laid_out() {
  local page=$1 ids want got bad=0
  ids=$(echo "$LAYOUT" | awk 'NF {print $2}' | tr '\n' ' ')
  got=$(tm_probe state $ids $NEVER_SHOWN)
  while read -r p id x y w h; do
    [ -n "$p" ] || continue
    if [ "$p" = "$page" ]; then want="$id 1 $x $y $w $h"; else want="$id 0"; fi
    local line
    line=$(echo "$got" | awk -v id="$id" '$1 == id')
    if [ "$p" = "$page" ]; then
      [ "$(echo "$line" | awk '{print $1, $2, $5, $6, $7, $8}')" = "$want" ] || { echo "  $line (want $want)"; bad=1; }
    else
      [ "$(echo "$line" | awk '{print $1, $2}')" = "$want" ] || { echo "  $line (want hidden)"; bad=1; }
    fi
  done <<<"$LAYOUT"
  for id in $NEVER_SHOWN; do
    [ "$(echo "$got" | awk -v id="$id" '$1 == id {print $2}')" = 0 ] || { echo "  $id shown"; bad=1; }
  done
  return $bad
}

# select_page N: a mouse click on tab item N, then wait until its page is laid out.
select_page() {
  tm_probe tab "$1" >/dev/null
  tm_wait 20 tab_selected "$1"
}
tab_selected() { tm_probe tabs | grep -qx "selected: $1"; }

# The icon Wine gives the X window holds the program icon's blue (0xFF1F4E99 as ARGB).
window_has_program_icon() {
  local xid
  xid=$(timeout 10 xdotool search --name '^Tessmark$' | head -1)
  [ -n "$xid" ] && timeout 10 xprop -id "$xid" -notype 32c _NET_WM_ICON | grep -q '\b4280241817\b'
}

zv_line() { sed -n "${2}p" "$1" | tr -d '\r'; }
has_crlf_layout() { [ "$(wc -l <"$1")" -eq 39 ] && [ "$(grep -c $'\r$' "$1")" -eq 39 ]; }

hxw_is_prog() {  # the Normal image of "123456789" at 0..8 with its sum total in the header
  python3 - "$1" <<'EOF'
import sys
d = open(sys.argv[1], 'rb').read()
head = b"OMK-ZV HXW file.\r\n00000000,00000008\r\n0\r\n01DD\r\n"
ok = len(d) == 512 + 9 and d[:len(head)] == head and d[len(head):512] == b" " * (512 - len(head)) \
    and d[512:] == b"123456789"
sys.exit(0 if ok else 1)
EOF
}

run_build() {
  tm_window_use "$1"
  local b=$1 hex hxw
  hex=$(tm_winpath "$DATA/prog.hex")
  hxw=$(tm_winpath "$DATA/out-$b/PROG.HXW")
  mkdir -p "$DATA/out-$b"

  tm_check "$b: version resource 4.0.0.0, \"Tessmark 32Bit\"" \
    bash -c '[ "$(tm_probe version "$1")" = "4.0.0.0 4.0.0.0 Tessmark 32Bit" ]' _ "$(tm_winpath "$TMW_RUN/Tessmark.exe")"

  # --- first start, no ZV.DEF: defaults ---
  tm_check "$b: the window opens" tm_window_start
  tm_check "$b: outer size 500 x 305" bash -c '[ "$(tm_probe window | cut -d" " -f1,2)" = "500 305" ]'
  if command -v xprop >/dev/null; then
    tm_check "$b: the program icon is the window's icon" window_has_program_icon
  fi
  tm_check "$b: tab control at 10,10 475x260" bash -c '[ "$(tm_probe state 1024 | cut -d" " -f2,5-8)" = "1 10 10 475 260" ]'
  tm_check "$b: window and control styles (incl. accepting dropped files)" styles_as_described
  tm_check "$b: five tab items, first selected" \
    bash -c '[ "$(tm_probe tabs | tr "\n" "|")" = "0: Hxw File Exchange|1: File Check Sum|2: File Download|3: File Upload|4: Security|selected: 0|" ]'
  tm_check "$b: conversion page laid out" page_laid_out 0
  tm_check "$b: defaults: Normal, Auto, boxes disabled and empty" \
    bash -c 'tm_state_is 1021 "1 1 1" && tm_state_is 1034 "1 1 1" && tm_state_is 1035 "1 1 0" &&
             tm_state_is 1038 "1 0 0" && tm_state_is 1039 "1 0 0" && tm_text_is 1038 "" && tm_text_is 1000 ""'
  tm_check "$b: range label of Normal, empty info line" \
    bash -c 'tm_text_is 1044 "(000000h-FFFFFFFFh)" && tm_text_is 1016 ""'
  tm_check "$b: checksum and security defaults" \
    bash -c 'tm_state_is 1052 "0 1 1" && tm_state_is 1054 "0 0 0" && tm_state_is 1060 "0 0 1" &&
             tm_state_is 1047 "0 0 0" && tm_state_is 1063 "0 1 1" && tm_state_is 1070 "0 1 1" &&
             tm_text_is 1019 "" && tm_text_is 1072 ""'
  tm_check "$b: no settings file written by the start" test ! -e "$TMW_RUN/ZV.DEF"
  tm_shot page0-start

  # --- radios and filtered boxes ---
  tm_probe click 1022 >/dev/null
  tm_check "$b: 720 Series shows its range" tm_wait_text 1044 "(000000h-000FFFh)" 20
  tm_probe click 1023 >/dev/null
  tm_check "$b: 4500 Series shows its range" tm_wait_text 1044 "(000000h-003FFFh)" 20
  # Real mouse and keyboard input through X for these.
  tm_x_click 1035
  tm_check "$b: a mouse click on Manual enables the address boxes" tm_wait 20 tm_state_is 1038 "1 1 0"
  tm_x_click 1038
  tm_x_type "1g2a-x 3"
  tm_check "$b: the hex box keeps typed hex digits only, in upper case" tm_wait_text 1038 "12A3" 20
  tm_probe type 1039 "123456789" >/dev/null
  tm_check "$b: the hex box takes at most 8 characters" tm_wait_text 1039 "12345678" 20
  # A text longer than the limit (pasted, not typed) is refused with a message; the handler
  # goes on regardless.
  tm_probe settext 1039 "123456789" >/dev/null
  tm_probe click 1029 >/dev/null
  local box
  box=$(tm_probe dialog Tessmark 30000)
  tm_check "$b: an over-long address gives the limit message with an exclamation icon" \
    bash -c '[ "$(echo "$1" | sed -n "s/^text: //p")" = "Please enter no more than 8 characters." ] &&
             echo "$1" | grep -qx "icon: yes"' _ "$box"
  # Every transfer from the window in the handler (the type's and the domain's refresh) repeats
  # the message until the domain refresh empties the box.
  local n
  for n in 1 2 3 4 5; do
    tm_probe dismiss Tessmark 3000 >/dev/null || break
  done
  tm_check "$b: the limit messages end" bash -c '! tm_probe dialog Tessmark 1000 >/dev/null'
  tm_check "$b: 4Byte Mode forces Auto, disables Manual, empties the boxes" \
    tm_wait 20 bash -c 'tm_state_is 1034 "1 1 1" && tm_state_is 1035 "1 0 0" && tm_state_is 1038 "1 0 0" &&
                        tm_text_is 1038 "" && tm_text_is 1039 "" && tm_text_is 1044 "(000000h-FFFFFFFFh)"'
  tm_probe click 1021 >/dev/null
  tm_wait 20 tm_state_is 1035 "1 1 0"

  # --- the browse dialogs: filters, and what comes back into the page ---
  tm_probe click 1001 >/dev/null
  tm_check "$b: Hex Browse opens the Open dialog with its filter" \
    bash -c '[ "$(tm_probe dlgtext Open 1136)" = "HEX Files (*.hex;*.s;*.mot)" ]'
  tm_probe dlgset Open 1148 "$(tm_winpath "$DATA/bad.hex")" >/dev/null
  tm_probe dismiss Open >/dev/null
  tm_check "$b: the chosen Hex file reaches the page" tm_wait_text 1000 "$(tm_winpath "$DATA/bad.hex")" 20
  tm_probe click 1003 >/dev/null
  tm_check "$b: Hxw Browse opens the Save dialog with its filter" \
    bash -c '[ "$(tm_probe dlgtext "Save As" 1136)" = "HXW Files (*.hxw;*.fxw)" ]'
  tm_probe dlgset "Save As" 1148 "$(tm_winpath "$DATA/NEW")" >/dev/null
  tm_probe dismiss "Save As" >/dev/null
  tm_check "$b: the Hxw name is taken as typed, no extension added" tm_wait_text 1002 "$(tm_winpath "$DATA/NEW")" 20
  tm_probe click 1011 >/dev/null
  tm_check "$b: upload Browse opens the Save dialog with its filter" \
    bash -c '[ "$(tm_probe dlgtext "Save As" 1136)" = "Up load Files (*.*)" ]'
  tm_probe dlgset "Save As" 1148 "$(tm_winpath "$DATA/x")" >/dev/null
  tm_probe dismiss "Save As" >/dev/null
  tm_check "$b: the upload folder keeps the folder only" tm_wait_text 1010 "$(tm_winpath "$DATA")\\" 20
  tm_probe click 1018 >/dev/null
  tm_check "$b: checksum Browse opens the Open dialog with its filter" \
    bash -c '[ "$(tm_probe dlgtext Open 1136)" = "HXW Files (*.hxw;*.fxw)" ]'
  tm_probe cancel Open >/dev/null
  tm_check "$b: a cancelled Browse leaves the field" tm_text_is 1017 ""

  # --- a 720 Series conversion: its upper-half file lies beside the executable ---
  tm_probe click 1022 >/dev/null
  tm_retype 1000 "$(tm_winpath "$DATA/s720.hex")"
  tm_retype 1002 "$(tm_winpath "$DATA/out-$b/S720.HXW")"
  tm_wait_text 1002 "$(tm_winpath "$DATA/out-$b/S720.HXW")" 30
  tm_probe click 1005 >/dev/null
  tm_check "$b: a 720 Series conversion reports its Datasum" \
    tm_wait 60 tm_text_matches 1016 '^Creation of a S720\.HXW file was completed\.  Datasum :[0-9A-F]{4}h\.$'
  tm_check "$b: the 720 Series image holds the word 12 01" \
    bash -c '[ "$(tail -c 2 "$1" | od -An -tx1 | tr -d " ")" = 1201 ] && [ "$(head -c 40 "$1" | tail -c 3 | tr -d "\r\n")" = 1 ]' \
    _ "$DATA/out-$b/S720.HXW"
  tm_check "$b: Hxw.tmp beside the executable holds the upper-half record" \
    bash -c '[ "$(cat "$1")" = "$(printf ":0110000003EC\r\n")" ]' _ "$TMW_RUN/Hxw.tmp"
  tm_probe click 1021 >/dev/null

  # --- a conversion from the page ---
  tm_retype 1000 "$hex"
  tm_retype 1002 "$hxw"
  tm_wait_text 1002 "$hxw" 30
  tm_probe click 1005 >/dev/null
  tm_check "$b: conversion info line" \
    tm_wait_text 1016 "Creation of a PROG.HXW file was completed.  Checksum :01DDh." 60
  tm_check "$b: the HXW file holds header, checksum and body" hxw_is_prog "$DATA/out-$b/PROG.HXW"
  tm_check "$b: conversion progress bar reset" bash -c '[ "$(tm_probe progress 1009)" = "0 100 0" ]'
  tm_check "$b: the successful conversion wrote ZV.DEF" \
    bash -c '[ "$(zv_line "'"$TMW_RUN"'/ZV.DEF" 5)" = "$1" ]' _ "$hex"
  tm_shot page0-converted

  # --- a failing conversion: "Error" box, exact text, no icon, info line cleared ---
  tm_retype 1000 "$(tm_winpath "$DATA/bad.hex")"
  tm_wait_text 1000 "$(tm_winpath "$DATA/bad.hex")" 30
  cp "$TMW_RUN/ZV.DEF" "$DATA/zv-before-failure"
  tm_probe click 1005 >/dev/null
  box=$(tm_probe dialog Error 30000)
  tm_shot error-box
  tm_check "$b: failed conversion shows the message of its code" \
    bash -c '[ "$(echo "$1" | sed -n "s/^text: //p")" = "Format error(00)" ]' _ "$box"
  tm_check "$b: the Error box has one OK button and no icon" \
    bash -c '[ "$(echo "$1" | grep -c "^button")" = 1 ] && echo "$1" | grep -qx "button 1: OK" && echo "$1" | grep -qx "icon: no"' _ "$box"
  tm_probe dismiss Error >/dev/null
  tm_check "$b: the failure empties the info line" tm_wait_text 1016 "" 20
  tm_check "$b: the failure saves nothing" cmp -s "$DATA/zv-before-failure" "$TMW_RUN/ZV.DEF"

  # --- dropped files without a unit: one Error box, the series stops at the first file ---
  tm_probe drop "$hxw" "$hex" >/dev/null
  box=$(tm_probe dialog Error 30000)
  tm_check "$b: a drop without a unit shows the link's message" \
    bash -c '[ "$(echo "$1" | sed -n "s/^text: //p")" = "Initialization of USB communication went wrong." ]' _ "$box"
  tm_probe dismiss Error >/dev/null
  tm_check "$b: the drop stops at the first failure" bash -c '! tm_probe dialog Error 1500 >/dev/null'
  tm_check "$b: the download page shows the dropped file, no info" \
    bash -c 'tm_text_is 1004 "$1" && tm_text_is 1014 ""' _ "$hxw"
  # A dropped path longer than 259 characters arrives whole.
  local deep=$DATA/deep
  deep=$deep/$(printf 'd%.0s' $(seq 120))/$(printf 'e%.0s' $(seq 120))
  mkdir -p "$deep" && cp "$DATA/prog.hex" "$deep/LONG.HXW"
  tm_probe drop "$(tm_winpath "$deep/LONG.HXW")" >/dev/null
  tm_probe dialog Error 30000 >/dev/null
  tm_probe dismiss Error >/dev/null
  tm_check "$b: a dropped path of ${#deep}+ characters is taken whole" \
    tm_wait 20 tm_text_is 1004 "$(tm_winpath "$deep/LONG.HXW")"

  # --- the checksum page: a CRC ---
  select_page 1
  tm_check "$b: page change writes the page number" \
    tm_wait 20 bash -c '[ "$(zv_line "'"$TMW_RUN"'/ZV.DEF" 2)" = 1 ]'
  tm_check "$b: ZV.DEF has its 39 CR LF lines" has_crlf_layout "$TMW_RUN/ZV.DEF"
  tm_check "$b: checksum page laid out" page_laid_out 1
  tm_probe type 1017 "$hxw" >/dev/null
  tm_probe click 1055 >/dev/null
  tm_check "$b: CRC enables the initial value box, empty" \
    tm_wait 20 bash -c 'tm_state_is 1047 "1 1 0" && tm_text_is 1047 ""'
  tm_probe type 1047 "ffffz" >/dev/null
  tm_wait_text 1047 "FFFF" 20
  tm_probe click 1020 >/dev/null
  tm_check "$b: CRC of the image" tm_wait_text 1019 "  CRC Checksum :6F91h." 60
  tm_check "$b: the checksum saved its settings" \
    bash -c '[ "$(zv_line "'"$TMW_RUN"'/ZV.DEF" 27)" = "$1" ] && [ "$(zv_line "'"$TMW_RUN"'/ZV.DEF" 30)" = 2 ] &&
             [ "$(zv_line "'"$TMW_RUN"'/ZV.DEF" 31)" = FFFF ]' _ "$hxw"
  tm_shot page1-crc
  # Sum total: Auto forced, boxes disabled and emptied.
  tm_probe click 1052 >/dev/null
  tm_check "$b: Sum total disables and empties the CRC box and the domain" \
    tm_wait 20 bash -c 'tm_state_is 1047 "1 0 0" && tm_text_is 1047 "" && tm_state_is 1060 "1 0 1" && tm_state_is 1061 "1 0 0"'

  # --- Enter on another page runs the checksum (the default button) ---
  select_page 2
  tm_check "$b: download page laid out" page_laid_out 2
  tm_x_click 1004
  tm_x_key Return
  tm_check "$b: Enter in the download box runs the checksum" tm_wait_text 1019 "  Checksum :01DDh." 60
  tm_shot page2-download

  select_page 3
  tm_check "$b: upload page laid out" page_laid_out 3
  tm_shot page3-upload

  select_page 4
  tm_check "$b: security page laid out" page_laid_out 4
  tm_probe type 1066 "a-b 1C?9" >/dev/null
  tm_check "$b: the ID code box keeps letters and digits, 4 at most" tm_wait_text 1066 "ab1C" 20
  tm_probe type 1068 "12x3.4 567" >/dev/null
  tm_check "$b: the count box keeps digits, 5 at most" tm_wait_text 1068 "12345" 20
  tm_probe click 1064 >/dev/null
  tm_probe click 1071 >/dev/null
  tm_check "$b: SET and OFF" tm_wait 20 bash -c 'tm_state_is 1064 "1 1 1" && tm_state_is 1063 "1 1 0" &&
                                                tm_state_is 1071 "1 1 1" && tm_state_is 1070 "1 1 0"'
  tm_shot page4-security
  tm_check "$b: ZV.DEF names the security page" tm_wait 20 bash -c '[ "$(zv_line "'"$TMW_RUN"'/ZV.DEF" 2)" = 4 ]'

  # --- About box from the system menu ---
  tm_probe syscommand 0x10 >/dev/null
  tm_check "$b: About box" bash -c 'tm_dialog_text "About Tessmark" | grep -qx "Tessmark Version 4.00.00"'
  tm_shot about
  tm_probe dismiss "About Tessmark" >/dev/null

  # --- restart: the settings and the page come back, the security page starts afresh ---
  tm_check "$b: the window closes" tm_window_stop
  tm_check "$b: the window opens again" tm_window_start
  tm_check "$b: restart shows the last page" tm_wait 20 tab_selected 4
  tm_check "$b: restart lays out the security page" page_laid_out 4
  tm_check "$b: restart restores file names" \
    bash -c 'tm_text_is 1000 "$1" && tm_text_is 1002 "$2" && tm_text_is 1017 "$2"' _ "$hex" "$hxw"
  # The last checksum (run by Enter) was a sum total, so that is what comes back.
  tm_check "$b: restart restores the last checksum's kind and the Normal type" \
    bash -c 'tm_state_is 1052 "0 1 1" && tm_state_is 1055 "0 1 0" && tm_text_is 1047 "" && tm_state_is 1021 "0 1 1"'
  tm_check "$b: restart shows CANCEL, ON and empty security boxes" \
    bash -c 'tm_state_is 1063 "1 1 1" && tm_state_is 1070 "1 1 1" && tm_text_is 1066 "" && tm_text_is 1068 ""'

  # --- Esc ends the program, saving nothing ---
  cp "$TMW_RUN/ZV.DEF" "$DATA/zv-before-esc"
  tm_probe retype 1066 "ZZ" >/dev/null
  tm_probe key 1066 27 >/dev/null
  tm_check "$b: Esc ends the program" tm_wait 20 bash -c '! kill -0 "$1" 2>/dev/null' _ "$TMW_PID"
  tm_check "$b: closing saves nothing" cmp -s "$DATA/zv-before-esc" "$TMW_RUN/ZV.DEF"
  tm_window_stop

  # --- a stored page number without a tab: no tab selected, no page; the first tab still opens ---
  sed -i '2s/.*/5\r/' "$TMW_RUN/ZV.DEF"
  tm_check "$b: the window opens on page number 5" tm_window_start
  tm_check "$b: page number 5 selects no tab" tm_wait 20 tab_selected -1
  tm_check "$b: page number 5 shows no page" page_laid_out none
  tm_shot no-page
  select_page 0
  tm_check "$b: a click on the first tab then shows its page" page_laid_out 0
  tm_check "$b: and writes its number" tm_wait 20 bash -c '[ "$(zv_line "'"$TMW_RUN"'/ZV.DEF" 2)" = 0 ]'
  tm_window_stop
}

export -f tm_probe tm_text_is tm_state_is tm_dialog_text zv_line
export TMW_PROBE TM_WINE64 TMW_LOG

tm_wine_setup
tm_window_prefix_setup
tm_xvfb_start
for b in $TMW_BUILDS; do
  if [ ! -f "$TM_BUILD/$b/bin/Tessmark.exe" ] || [ ! -f "$TMW_PROBE" ]; then
    echo "skip $b: not built"
    continue
  fi
  if [ -z "$(tm_wine_for "$(tm_arch_of "$b")")" ]; then
    echo "skip $b: no 32-bit Wine here"
    continue
  fi
  run_build "$b"
done
if [ $((TM_PASSED + TM_FAILED)) -eq 0 ]; then
  tm_check "a Windows build of Tessmark.exe exists" false
fi
tm_finish
