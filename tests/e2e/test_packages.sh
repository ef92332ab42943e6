#!/usr/bin/env bash
# The release packages: scripts/package.sh builds them; the .deb installs with dpkg -i on this
# machine (tessmark-cli --version, man -w tessmark-cli, the udev rule in its folder, bash
# completion) and uninstalls cleanly; the .tar.gz holds the same files; the Windows zip holds
# exactly the listed files and its 32-bit and 64-bit programs start under Wine from the
# unpacked folder.
set -uo pipefail
TM_SUITE=test_packages
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tools/window_lib.sh"

version=$(sed -nE 's/^project\(Tessmark VERSION ([0-9.]+).*/\1/p' "$TM_TOP/CMakeLists.txt")
pkgs=$TM_BUILD/packages
log=$TM_ARTIFACTS/package.log

tm_check "scripts/package.sh builds the packages" bash -c "'$TM_TOP/scripts/package.sh' >'$log' 2>&1"
deb=$(ls "$pkgs"/tessmark-cli_"$version"_*.deb 2>/dev/null | head -n 1)
tgz=$(ls "$pkgs"/tessmark-cli-"$version"-linux-*.tar.gz 2>/dev/null | head -n 1)
zip=$pkgs/Tessmark-$version-windows.zip
tm_check "the .deb is there" test -f "$deb"
tm_check "the .tar.gz is there" test -f "$tgz"
tm_check "the Windows zip is there" test -f "$zip"

same_lines() { diff <(printf '%s\n' "$1") <(printf '%s\n' "$2") >&2; }

# --- the .deb on this machine -------------------------------------------------------------------
# dpkg waits for nobody: retry while another installation holds its lock.
dpkg_retry() {
  local i out
  for i in $(seq 60); do
    out=$("$@" 2>&1) && return 0
    grep -qi 'lock' <<<"$out" || { echo "$out" >&2; return 1; }
    sleep 2
  done
  return 1
}
if [ -f "$deb" ] && [ "$(id -u)" = 0 ]; then
  contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | sort)
  tm_check "the .deb holds the program, the rule, the manual page and the completion" same_lines "$contents" \
    "$(printf '%s\n' /usr/bin/tessmark-cli /usr/lib/udev/rules.d/60-tessmark.rules \
        /usr/share/bash-completion/completions/tessmark-cli /usr/share/man/man1/tessmark-cli.1.gz | sort)"
  if dpkg -s tessmark-cli >/dev/null 2>&1; then dpkg_retry dpkg -r tessmark-cli; fi
  tm_check "dpkg -i installs it" dpkg_retry dpkg -i "$deb"
  tm_check "tessmark-cli --version names $version" same_lines "$(/usr/bin/tessmark-cli --version)" "tessmark-cli $version"
  tm_check "man -w tessmark-cli finds the page" same_lines "$(man -w tessmark-cli 2>&1)" /usr/share/man/man1/tessmark-cli.1.gz
  tm_check "the manual page holds the commands" bash -c "zcat /usr/share/man/man1/tessmark-cli.1.gz | grep -q 'inspect'"
  tm_check "the udev rule is in its folder" grep -q 'ATTR{idProduct}=="0100", TAG+="uaccess"' /usr/lib/udev/rules.d/60-tessmark.rules
  tm_check "the completion completes commands" bash -c \
    "source /usr/share/bash-completion/completions/tessmark-cli; COMP_WORDS=(tessmark-cli ins); COMP_CWORD=1; _tessmark_cli; [ \"\${COMPREPLY[*]}\" = inspect ]"
  tm_check "dpkg -r removes it" dpkg_retry dpkg -r tessmark-cli
  left=""
  for f in $contents; do [ -e "$f" ] && left="$left $f"; done
  tm_check "nothing of it is left after removal (${left:-none})" test -z "$left"
  tm_check "dpkg no longer knows it as installed" bash -c "! dpkg -s tessmark-cli 2>/dev/null | grep -q '^Status: install ok installed'"
else
  echo "skip the installation checks: they need root and the .deb"
fi

# --- the .tar.gz ----------------------------------------------------------------------------------
if [ -f "$tgz" ]; then
  top=$(basename "$tgz" .tar.gz)
  got=$(tar -tzf "$tgz" | grep -v '/$' | sort)
  tm_check "the .tar.gz holds the same files under $top/" same_lines "$got" \
    "$(printf "$top/%s\n" bin/tessmark-cli lib/udev/rules.d/60-tessmark.rules \
        share/bash-completion/completions/tessmark-cli share/man/man1/tessmark-cli.1.gz | sort)"
fi

# --- the Windows zip -----------------------------------------------------------------------------
if [ -f "$zip" ]; then
  root=Tessmark-$version-windows
  expected="$root/README.txt
$root/x86/Tessmark.exe
$root/x86/Dorlink.dll
$root/x86/tessmark-cli.exe
$root/x64/Tessmark.exe
$root/x64/Fenlink.dll
$root/x64/tessmark-cli.exe"
  # Until the 64-bit programs use Fenlink alone, x64/ also carries the Dorlink.dll they import.
  for exe in Tessmark.exe tessmark-cli.exe; do
    if x86_64-w64-mingw32-objdump -p "$TM_BUILD/win64/bin/$exe" | grep -i 'DLL Name: Dorlink.dll' >/dev/null; then
      echo "note: x64 $exe imports Dorlink.dll, so x64/ holds it too"
      expected="$expected
$root/x64/Dorlink.dll"
      break
    fi
  done
  for f in "$TM_TOP"/packaging/windows/*; do
    [ -f "$f" ] && expected="$expected
$root/driver/$(basename "$f")"
  done
  got=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
  tm_check "the zip holds exactly the listed files" same_lines "$got" "$(sort <<<"$expected")"
  unpacked=$TM_ARTIFACTS/unpacked
  rm -rf "$unpacked"
  mkdir -p "$unpacked"
  (cd "$unpacked" && unzip -q "$zip")
  tm_check "README.txt has Windows line ends" bash -c "head -n 1 '$unpacked/$root/README.txt' | grep -q $'\r$'"
  tm_wine_setup
  tm_xvfb_start
  tm_window_prefix_setup
  for arch in x86 x64; do
    case $arch in x86) wine=$(tm_wine_for win32) ;; x64) wine=$TM_WINE64 ;; esac
    if [ -z "$wine" ]; then
      echo "skip $arch: no 32-bit Wine here"
      continue
    fi
    dir=$unpacked/$root/$arch
    out=$(cd "$dir" && timeout 60 "$wine" ./tessmark-cli.exe --version 2>&1 | tr -d '\r')
    tm_check "$arch tessmark-cli.exe starts from the unpacked folder ($out)" same_lines "$out" "tessmark-cli $version"
    out=$(cd "$dir" && timeout 60 "$wine" ./tessmark-cli.exe info --json 2>/dev/null | tr -d '\r')
    tm_check "$arch tessmark-cli.exe reaches its transport DLL (info answers a result code)" \
      python3 -c 'import json,sys; o=json.loads(sys.argv[1]); sys.exit(0 if o["command"]=="info" and isinstance(o["result"], int) else 1)' "$out"
    # The window: started from the unpacked folder, found, closed again.
    TMW_BUILD=$arch
    TMW_WINE=$wine
    TMW_RUN=$dir
    TMW_LOG=$TM_ARTIFACTS/$arch-window.log
    : >"$TMW_LOG"
    tm_window_start
    tm_check "$arch Tessmark.exe opens its window from the unpacked folder" tm_wait 30 bash -c "[ -n \"\$(timeout 30 '$TM_WINE64' '$TMW_PROBE' window 2>/dev/null)\" ]"
    tm_check "$arch Tessmark.exe closes again" tm_window_stop
  done
fi

tm_finish
