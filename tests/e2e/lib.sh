# Shared helpers of the end-to-end tests: Wine, Xvfb, and pass/fail counting.
# Source it; then call tm_check / tm_finish. Every check must rest on evidence read back
# (texts, files, counts), never on an exit status alone.

TM_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TM_BUILD=$TM_TOP/build
TM_PASSED=0
TM_FAILED=0
TM_SUITE=${TM_SUITE:-$(basename "$0" .sh)}
TM_ARTIFACTS=$TM_BUILD/artifacts/$TM_SUITE
mkdir -p "$TM_ARTIFACTS"

export WINEPREFIX=${WINEPREFIX:-$TM_BUILD/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export PATH=/usr/lib/wine:$PATH
TM_WINE64=/usr/lib/wine/wine64
# Wine turns Windows file names into Unix ones in the locale's character set: names outside
# ASCII need a UTF-8 locale.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8

tm_check() {  # tm_check "what" command...
  local what=$1; shift
  if "$@"; then
    echo "ok   $what"; TM_PASSED=$((TM_PASSED + 1))
  else
    echo "FAIL $what"; TM_FAILED=$((TM_FAILED + 1))
  fi
}

tm_finish() {
  echo "$TM_SUITE: $TM_PASSED passed, $TM_FAILED failed"
  [ "$TM_FAILED" -eq 0 ]
}

# Creates the Wine prefix once (about 10 s the first time).
tm_wine_setup() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$TM_WINE64" wineboot -i >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
  fi
}

# True when 32-bit Windows programs can run here.
tm_have_wine32() {
  dpkg -s wine32:i386 >/dev/null 2>&1 && [ -x /usr/lib/wine/wine ]
}

# The Wine loader for a build folder: win64 always, win32 only with wine32.
tm_wine_for() {
  case "$1" in
    win64) echo "$TM_WINE64" ;;
    win32) tm_have_wine32 && echo /usr/lib/wine/wine ;;
  esac
}

# tm_each_windows_build FUNC: calls FUNC ARCH BIN_FOLDER WINE for the x86_64 build, and for the
# i686 build when 32-bit Wine is there (TM_WIN64_BIN / TM_WIN32_BIN name other folders).
tm_each_windows_build() {
  "$1" win64 "$(realpath -m "${TM_WIN64_BIN:-$TM_BUILD/win64/bin}")" "$TM_WINE64"
  if tm_have_wine32; then
    "$1" win32 "$(realpath -m "${TM_WIN32_BIN:-$TM_BUILD/win32/bin}")" /usr/lib/wine/wine
  else
    echo "skip win32: no 32-bit Wine here"
  fi
}

# Starts a private X server unless one is given; sets DISPLAY.
tm_xvfb_start() {
  # A Wine session still lingering from an earlier run without a display (its wineserver stays a
  # few seconds after the last program ends) would take the new windows onto its display-less
  # desktop: end it first so the windows land on this X server.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ -n "${TM_DISPLAY:-}" ]; then export DISPLAY=$TM_DISPLAY; return; fi
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  TM_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  trap 'tm_xvfb_stop' EXIT
}

tm_xvfb_stop() {
  wineserver -k 2>/dev/null || true
  [ -n "${TM_XVFB_PID:-}" ] && kill "$TM_XVFB_PID" 2>/dev/null
  TM_XVFB_PID=
}
