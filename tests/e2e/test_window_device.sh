#!/usr/bin/env bash
# The window's device pages end to end: the real Tessmark.exe under Wine with the emulated-unit
# variant of its transport beside it (Dorlink.dll for the i686 build, Fenlink.dll for the x86_64
# one), so the production link code talks to the unit emulator. Download from the page, upload
# into a folder, the security page, files dropped on the window, and the "Error" box when the
# unit refuses or stalls. Evidence: the unit's stored file, the uploaded file,
# the security record, the pages' texts and the message boxes.
TM_SUITE=window_device
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tools/window_lib.sh"

# How the emulated variant is told where the unit keeps its file and which faults to show.
UNIT_DIR_VAR=${TM_UNIT_DIR_VARIABLE:-TESSMARK_UNIT_DIR}
UNIT_FAULT_VAR=${TM_UNIT_FAULT_VARIABLE:-TESSMARK_UNIT_FAULT}

DATA=$TM_BUILD/e2e-window_device-data
rm -rf "$DATA"
mkdir -p "$DATA/up"
python3 - "$DATA" <<'EOF'
import os, random, sys
d = sys.argv[1]
r = random.Random(7)
open(os.path.join(d, "PROG.HXW"), "wb").write(bytes(r.randrange(256) for _ in range(4660)))
open(os.path.join(d, "FIRST.HXW"), "wb").write(bytes(r.randrange(256) for _ in range(1000)))
open(os.path.join(d, "SECOND.FXW"), "wb").write(bytes(r.randrange(256) for _ in range(320)))
open(os.path.join(d, "A_NAME_OF_22_CHARS.HXW"), "wb").write(b"x" * 10)
EOF

unit_holds() { cmp -s "$UNIT/unit.bin" "$1"; }

security_record_is() {
  python3 - "$UNIT/security.sec" "$1" <<'EOF'
import sys
d = open(sys.argv[1], 'rb').read()
want = sys.argv[2].encode().decode('unicode_escape').encode()
sys.exit(0 if len(d) == 512 and d.startswith(want) else 1)
EOF
}

select_page() {
  tm_probe tab "$1" >/dev/null
  tm_wait 20 bash -c 'tm_probe tabs | grep -qx "selected: $1"' _ "$1"
}

start_with_faults() {  # start_with_faults "fault list" (empty: a well-behaved unit)
  export "$UNIT_DIR_VAR=$(tm_winpath "$UNIT")"
  export "$UNIT_FAULT_VAR=$1"
  tm_window_start
}

run_build() {
  local b=$1 transport
  transport=$(tm_transport_of "$b")
  tm_window_use "$b"
  cp "$TM_BUILD/$b/bin/emu/$transport.dll" "$TMW_RUN/$transport.dll"
  UNIT=$TM_BUILD/e2e-window_device-unit-$b
  rm -rf "$UNIT" "$DATA/up"
  mkdir -p "$UNIT" "$DATA/up"
  local prog first second long up box
  prog=$(tm_winpath "$DATA/PROG.HXW")
  first=$(tm_winpath "$DATA/FIRST.HXW")
  second=$(tm_winpath "$DATA/SECOND.FXW")
  long=$(tm_winpath "$DATA/A_NAME_OF_22_CHARS.HXW")
  up=$(tm_winpath "$DATA/up")\\

  tm_check "$b: the window opens with the emulated unit" start_with_faults ""

  # --- download from the page ---
  select_page 2
  tm_retype 1004 "$prog"
  tm_wait_text 1004 "$prog" 30
  tm_probe click 1006 >/dev/null
  tm_check "$b: download info line" tm_wait_text 1014 "Download of a PROG.HXW file was completed." 60
  tm_check "$b: the unit holds the file" unit_holds "$DATA/PROG.HXW"
  tm_check "$b: download progress bar reset" bash -c '[ "$(tm_probe progress 1008)" = "0 100 0" ]'
  tm_check "$b: the download saved its file name" \
    bash -c '[ "$(sed -n 21p "$1" | tr -d "\r")" = "$2" ]' _ "$TMW_RUN/ZV.DEF" "$prog"
  tm_shot device-download

  # --- upload into a folder ---
  select_page 3
  tm_retype 1010 "$up"
  tm_wait_text 1010 "$up" 30
  tm_probe click 1013 >/dev/null
  tm_check "$b: upload info line" tm_wait_text 1015 "Upload of a PROG.HXW file was completed." 60
  tm_check "$b: the uploaded file is the unit's file, under its name" cmp -s "$DATA/up/PROG.HXW" "$DATA/PROG.HXW"
  tm_check "$b: upload progress bar reset" bash -c '[ "$(tm_probe progress 1012)" = "0 100 0" ]'
  tm_check "$b: the upload saved its folder" \
    bash -c '[ "$(sed -n 24p "$1" | tr -d "\r")" = "$2" ]' _ "$TMW_RUN/ZV.DEF" "$up"
  tm_shot device-upload

  # --- the security page ---
  select_page 4
  tm_probe click 1064 >/dev/null
  tm_probe click 1071 >/dev/null
  tm_retype 1066 "AB"
  tm_retype 1068 "10"
  tm_wait_text 1068 "10" 30
  tm_probe click 1073 >/dev/null
  tm_check "$b: security info line" tm_wait_text 1072 "Download of a security info was completed." 60
  tm_check "$b: the unit got the security record" \
    security_record_is 'SECURITY=1\r\nID=  AB\r\nCOUNT=   10\r\nBUZZER=0\r\nCRC='
  tm_shot device-security

  # --- drops: in order, stopping at the first failure, whatever page is shown ---
  select_page 1
  tm_probe drop "$first" "$long" "$second" >/dev/null
  box=$(tm_probe dialog Error 60000)
  tm_check "$b: the second dropped file is refused by name" \
    bash -c '[ "$(echo "$1" | sed -n "s/^text: //p")" = "A file name is too long." ]' _ "$box"
  tm_probe dismiss Error >/dev/null
  tm_check "$b: the first dropped file reached the unit, the third never did" unit_holds "$DATA/FIRST.HXW"
  tm_check "$b: the download page shows the failed drop" \
    tm_wait 20 bash -c 'tm_text_is 1004 "$1" && tm_text_is 1014 ""' _ "$long"
  tm_check "$b: no second Error box" bash -c '! tm_probe dialog Error 1500 >/dev/null'
  tm_probe drop "$prog" "$second" >/dev/null
  tm_check "$b: a drop of two files downloads both, the last one shown" \
    tm_wait 60 bash -c 'tm_text_is 1014 "Download of a SECOND.FXW file was completed." && tm_text_is 1004 "$1"' _ "$second"
  tm_check "$b: the unit holds the last dropped file" unit_holds "$DATA/SECOND.FXW"
  tm_check "$b: the drop left the checksum page shown" tm_state_is 1020 "1 1 0"
  tm_window_stop

  # --- a unit that refuses: the "Error" box with the link's message ---
  tm_check "$b: the window opens with a refusing unit" start_with_faults "refuse-open"
  select_page 2
  tm_wait_text 1004 "$second" 20
  tm_probe click 1006 >/dev/null
  box=$(tm_probe dialog Error 60000)
  tm_shot device-refused
  tm_check "$b: refused download: Error box with the link's message" \
    bash -c '[ "$(echo "$1" | sed -n "s/^text: //p")" = "Initialization of USB communication went wrong." ] &&
             echo "$1" | grep -qx "icon: no"' _ "$box"
  tm_probe dismiss Error >/dev/null
  tm_check "$b: refused download empties the info line" tm_wait_text 1014 "" 20
  select_page 4
  tm_probe click 1073 >/dev/null
  box=$(tm_probe dialog Error 60000)
  tm_check "$b: refused security transfer keeps its failure text while the box is open" \
    bash -c 'tm_text_is 1072 "Download of a security info was failed." &&
             [ "$(echo "$1" | sed -n "s/^text: //p")" = "Initialization of USB communication went wrong." ]' _ "$box"
  tm_probe dismiss Error >/dev/null
  tm_check "$b: the unit still holds its file after the refusals" unit_holds "$DATA/SECOND.FXW"
  tm_window_stop

  # --- a unit that stalls its replies: the "Error" box with the reception message ---
  tm_check "$b: the window opens with a stalling unit" start_with_faults "fail-receive=1"
  select_page 3
  tm_wait_text 1010 "$up" 20
  tm_probe click 1013 >/dev/null
  box=$(tm_probe dialog Error 60000)
  tm_shot device-stalled
  tm_check "$b: stalled upload: Error box with the reception message" \
    bash -c '[ "$(echo "$1" | sed -n "s/^text: //p")" = "Reception of data went wrong." ]' _ "$box"
  tm_probe dismiss Error >/dev/null
  tm_check "$b: a stalled upload leaves the earlier upload as it was" cmp -s "$DATA/up/PROG.HXW" "$DATA/PROG.HXW"
  tm_window_stop
  unset "$UNIT_DIR_VAR" "$UNIT_FAULT_VAR"
}

export -f tm_probe tm_text_is tm_state_is
export TMW_PROBE TM_WINE64 TMW_LOG

tm_wine_setup
tm_window_prefix_setup
tm_xvfb_start
ran=0
for b in $TMW_BUILDS; do
  if [ ! -f "$TM_BUILD/$b/bin/Tessmark.exe" ] || [ ! -f "$TMW_PROBE" ]; then
    echo "skip $b: not built"
    continue
  fi
  if [ ! -f "$TM_BUILD/$b/bin/emu/$(tm_transport_of "$b").dll" ]; then
    echo "skip $b: no emulated-unit $(tm_transport_of "$b").dll in bin/emu"
    continue
  fi
  if [ -z "$(tm_wine_for "$(tm_arch_of "$b")")" ]; then
    echo "skip $b: no 32-bit Wine here"
    continue
  fi
  run_build "$b"
  ran=1
done
# A suite that drove no window has shown nothing: that is a failure, not a pass.
[ "$ran" = 1 ] || tm_check "a Windows build with its emulated transport in bin/emu exists" false
tm_finish
