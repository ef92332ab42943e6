#!/usr/bin/env bash
# The transport DLLs' export tables as objdump reads them: exact names at exact ordinals,
# nothing decorated, PE32 for the 32-bit build and PE32+ for the 64-bit one; Fenlink in the 64-bit
# build only; the i686 Tessmark.exe and tessmark-cli.exe importing Dorlink by ordinal only, the
# x86_64 ones Fenlink by name and no Dorlink. Then, under wine64, a Dorlink.dll
# built over the emulated driver is driven through its ordinal imports with real pipe handles.
# Build folders: TM_WIN32_BUILD / TM_WIN64_BUILD (default build/win32 and build/win64).
TM_SUITE=test_exports
source "$(dirname "$0")/lib.sh"

WIN32_BUILD=$(realpath -m "${TM_WIN32_BUILD:-$TM_BUILD/win32}")
WIN64_BUILD=$(realpath -m "${TM_WIN64_BUILD:-$TM_BUILD/win64}")
OBJDUMP=$(command -v x86_64-w64-mingw32-objdump || command -v objdump)

DORLINK_EXPORTS="1 Ravio_Open_mask
2 Ravio_Open
3 Ravio_Close
4 Ravio_OpenPipe
5 Ravio_ClassRequest
6 Ravio_VendorRequest
7 Ravio_Check
8 Ravio_ResetPipe
9 Ravio_ResetDevice
10 Ravio_GetDeviceDescriptor
11 Ravio_GetConfigurationDescriptor
12 Ravio_GetStatusEndpoint
13 Ravio_SendData
14 Ravio_ReceiveData
15 Ravio_ReceiveTimeOut"

FENLINK_EXPORTS="1 Ravio_Open
2 Ravio_Close
3 Ravio_Check
4 Ravio_SendData
5 Ravio_ReceiveData
6 Ravio_GetPipeEndpoint
7 Ravio_BulkWrite
8 Ravio_BulkRead"

# "ordinal name" lines, sorted by ordinal, from the export table of a DLL.
exports_of() {
  "$OBJDUMP" -p "$1" 2>/dev/null | awk '
    /^Ordinal Base/ { base = $3 }
    /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
    inside && /^[ \t]*\[ *[0-9]+\] / {
      line = $0; sub(/^[ \t]*\[ */, "", line); idx = line + 0; sub(/^[0-9]+\] /, "", line)
      n++; index_of[n] = idx; name_of[n] = line; if (idx < min || n == 1) min = idx
      next
    }
    inside && /^[ \t]*$/ { inside = 0 }
    END {
      # Older and newer binutils differ: indexes into the address table, or ordinals already.
      add = (min == 0) ? base : 0
      for (i = 1; i <= n; i++) print index_of[i] + add, name_of[i]
    }' | sort -n
}

magic_of() { "$OBJDUMP" -p "$1" 2>/dev/null | awk '/^Magic/ { print $2; exit }'; }
dll_name_of() { "$OBJDUMP" -p "$1" 2>/dev/null | awk '/^Name[ \t]/ { print $3; exit }'; }

# "ordinal" lines of a program's imports from Dorlink.dll; "name:<x>" for any import by name.
# An import by ordinal has the top bit of its lookup entry set and the ordinal in the low bits.
dorlink_imports_of() {
  local entry
  "$OBJDUMP" -p "$1" 2>/dev/null | awk '
    /DLL Name: / { inside = (tolower($3) == "dorlink.dll"); next }
    inside && /Hint\/Ord/ { next }
    inside && /^[ \t]*$/ { inside = 0; next }
    inside && NF >= 2 {
      if ($NF == "<none>" && $1 ~ /^8[0-9a-fA-F]+$/ && (length($1) == 8 || length($1) == 16)) print $1
      else print "name:" $NF
    }' | while read -r entry; do
      case $entry in
        name:*) echo "$entry" ;;
        *) echo $((16#${entry:1})) ;;
      esac
    done | sort -n
}

same_text() { [ "$1" == "$2" ]; }

check_dorlink() {  # label, folder, kind, expected magic
  local dll=$2/bin/Dorlink.dll
  tm_check "$1 Dorlink.dll was built" test -f "$dll"
  [ -f "$dll" ] || return
  local got
  got=$(exports_of "$dll")
  tm_check "$1 Dorlink.dll exports the fifteen names at ordinals 1-15" same_text "$got" "$DORLINK_EXPORTS"
  [ "$got" == "$DORLINK_EXPORTS" ] || diff <(echo "$DORLINK_EXPORTS") <(echo "$got") | sed 's/^/    /'
  tm_check "$1 Dorlink.dll has no decorated export" same_text "$(grep -c '@' <<<"$got")" 0
  tm_check "$1 Dorlink.dll is $3" same_text "$(magic_of "$dll")" "$4"
  tm_check "$1 Dorlink.dll names itself Dorlink.dll" same_text "$(dll_name_of "$dll")" "Dorlink.dll"
}

check_dorlink win32 "$WIN32_BUILD" PE32 010b
check_dorlink win64 "$WIN64_BUILD" PE32+ 020b

fenlink=$WIN64_BUILD/bin/Fenlink.dll
tm_check "win64 Fenlink.dll was built" test -f "$fenlink"
if [ -f "$fenlink" ]; then
  got=$(exports_of "$fenlink")
  tm_check "win64 Fenlink.dll exports its eight names at ordinals 1-8" same_text "$got" "$FENLINK_EXPORTS"
  [ "$got" == "$FENLINK_EXPORTS" ] || diff <(echo "$FENLINK_EXPORTS") <(echo "$got") | sed 's/^/    /'
  tm_check "win64 Fenlink.dll is PE32+" same_text "$(magic_of "$fenlink")" 020b
fi
tm_check "win32 build has no Fenlink.dll (64-bit only)" test ! -e "$WIN32_BUILD/bin/Fenlink.dll"

# The names a program imports from Fenlink.dll, sorted; "ordinal:<n>" for any import by ordinal.
fenlink_imports_of() {
  "$OBJDUMP" -p "$1" 2>/dev/null | awk '
    /DLL Name: / { inside = (tolower($3) == "fenlink.dll"); next }
    inside && /Hint\/Ord/ { next }
    inside && /^[ \t]*$/ { inside = 0; next }
    inside && NF >= 2 {
      if ($NF == "<none>") print "ordinal:" $1
      else print $NF
    }' | sort
}

# The i686 programs bind Dorlink by ordinal: 1, 3, 4, 7, 13, 14 and no names. The x86_64 ones
# import Fenlink's eight names (its ordinals are its own) and nothing of Dorlink.
FENLINK_IMPORTS="Ravio_BulkRead Ravio_BulkWrite Ravio_Check Ravio_Close Ravio_GetPipeEndpoint Ravio_Open Ravio_ReceiveData Ravio_SendData "
for program in Tessmark.exe tessmark-cli.exe; do
  exe=$WIN32_BUILD/bin/$program
  if [ -f "$exe" ]; then
    tm_check "win32 $program imports Dorlink.dll by ordinals 1 3 4 7 13 14 only" \
      same_text "$(dorlink_imports_of "$exe" | tr '\n' ' ')" "1 3 4 7 13 14 "
    tm_check "win32 $program imports nothing of Fenlink.dll" same_text "$(fenlink_imports_of "$exe")" ""
  else
    echo "skip win32 $program not built"
  fi
  exe=$WIN64_BUILD/bin/$program
  if [ -f "$exe" ]; then
    tm_check "win64 $program imports Fenlink.dll's eight names" \
      same_text "$(fenlink_imports_of "$exe" | tr '\n' ' ')" "$FENLINK_IMPORTS"
    tm_check "win64 $program imports nothing of Dorlink.dll" same_text "$(dorlink_imports_of "$exe")" ""
  else
    echo "skip win64 $program not built"
  fi
done

# The loopback variant: built in each Windows folder, run where a Wine loader exists.
for preset in win32 win64; do
  folder=$WIN64_BUILD
  [ "$preset" == win32 ] && folder=$WIN32_BUILD
  probe=$folder/transport-check/dorlink_pipe_check.exe
  tm_check "$preset pipe check program imports by ordinal only" \
    same_text "$(dorlink_imports_of "$probe" | tr '\n' ' ')" "1 2 3 4 7 13 14 "
  wine=$(tm_wine_for "$preset")
  if [ -z "$wine" ]; then
    echo "skip $preset emulated-driver run: no Wine loader for it here"
    continue
  fi
  tm_wine_setup
  out=$TM_ARTIFACTS/pipe_check_$preset.txt
  # Console output under Wine ends its lines with CR LF.
  (cd "$folder/transport-check" && timeout 120 "$wine" dorlink_pipe_check.exe 2>&1 | tr -d '\r' >"$out")
  has() { grep -qx "$1" "$out"; }
  tm_check "$preset emulated unit found at slot 0" has "open 0"
  tm_check "$preset other product id not found" has "other product -1"
  tm_check "$preset Ravio_Check answers 0" has "check 0"
  tm_check "$preset pipe handles valid, unknown pipe invalid" bash -c "grep -qx 'pipes valid' '$out' && grep -qx 'missing pipe invalid' '$out'"
  tm_check "$preset control data goes out and comes back" has "control 1 1 <041A80>"
  tm_check "$preset 256-byte pipe write read back" has "bulk echoed 256"
  tm_check "$preset zero-length pipe write reaches the unit" has "zero-length seen"
  tm_check "$preset closed slot checks 1, slot reused" bash -c "grep -qx 'after close 1' '$out' && grep -qx 'reopen 0' '$out'"
done

# Fenlink loads, sets itself up and answers sensibly with no unit attached.
if [ -f "$WIN64_BUILD/transport-check/fenlink_load_check.exe" ]; then
  tm_wine_setup
  out=$TM_ARTIFACTS/fenlink_load_check.txt
  (cd "$WIN64_BUILD/transport-check" &&
    timeout 120 "$TM_WINE64" fenlink_load_check.exe '..\bin\Fenlink.dll' 2>&1 |
    tr -d '\r' >"$out")
  tm_check "win64 Fenlink.dll loads and unloads under Wine" \
    bash -c "grep -qx 'loaded yes' '$out' && grep -qx 'freed yes' '$out'"
  tm_check "win64 Fenlink Ravio_Open finds no unit, Ravio_Check(null) is 1" \
    bash -c "grep -qx 'open null' '$out' && grep -qx 'check 1' '$out'"
  tm_check "win64 Fenlink Ravio_BulkRead on a null handle fails, count untouched" grep -qx 'bulk read 0 77' "$out"
else
  tm_check "win64 Fenlink load check program was built" false
fi

tm_finish
