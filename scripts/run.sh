#!/usr/bin/env bash
# The main job: builds Tessmark.exe and opens its window under Wine. On a desktop (DISPLAY set
# and answering) the window opens there and the script returns when it is closed; on a headless
# machine it opens on a private X server, a screenshot is saved and its path printed.
# The i686 build (the deliverable, over Dorlink.dll) runs when 32-bit Wine works, the x86_64
# build (over Fenlink.dll) under wine64 otherwise; `./scripts/run.sh win64` starts the 64-bit
# window in any case. When the emulated-unit variant of the build's transport has been built
# (bin/emu), the window talks to the emulated unit instead of a real one.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

scripts/deps.sh

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$top/build/wineprefix-run}
export PATH=/usr/lib/wine:$PATH

if [ "${1:-}" != win64 ] && dpkg -s wine32:i386 >/dev/null 2>&1 && [ -x /usr/lib/wine/wine ]; then
  preset=win32; wine=/usr/lib/wine/wine; transport=Dorlink
else
  preset=win64; wine=/usr/lib/wine/wine64; transport=Fenlink
fi
echo "building the $preset window (running under $(basename "$wine"))"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 >/dev/null

bin=$top/build/$preset/bin
rundir=$top/build/run-$preset
mkdir -p "$rundir"
cp "$bin/Tessmark.exe" "$rundir/"
emu=
for dll in "$bin"/emu/$transport.dll "$bin"/*/$transport.dll; do
  [ -f "$dll" ] && [ "$dll" != "$bin/$transport.dll" ] && { emu=$dll; break; }
done
if [ -n "$emu" ]; then
  cp "$emu" "$rundir/$transport.dll"
  unit=$top/build/emulated-unit
  mkdir -p "$unit"
  # The emulated unit's DLL runs inside Wine: it takes the folder as a Windows path.
  export TESSMARK_UNIT_DIR=${TESSMARK_UNIT_DIR:-Z:${unit//\//\\}}
  echo "using the emulated unit ($emu); it keeps its file in $TESSMARK_UNIT_DIR"
elif [ -f "$bin/$transport.dll" ]; then
  cp "$bin/$transport.dll" "$rundir/"
  echo "using $transport.dll for a real unit (none attached under Wine: device pages will report 0x4000)"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi

# A Wine session of this prefix still running without a display would take the window.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# A desktop's window manager frames the window; without one, Wine draws the frame itself.
wine_managed() {
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f >/dev/null 2>&1 || true
}

if [ -n "${DISPLAY:-}" ] && timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1; then
  wine_managed Y
  echo "opening the Tessmark window on $DISPLAY; close it to end"
  cd "$rundir" && "$wine" ./Tessmark.exe
  exit 0
fi

# Headless: a private X server, the window, a screenshot.
n=
for n in $(seq 90 140); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
cleanup() { wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done

wine_managed N
(cd "$rundir" && exec "$wine" ./Tessmark.exe) &
found=
for _ in $(seq 120); do
  if timeout 5 xdotool search --name '^Tessmark$' >/dev/null 2>&1; then found=1; break; fi
  sleep 0.5
done
if [ -z "$found" ]; then
  echo "the Tessmark window did not open" >&2
  exit 1
fi
sleep 2  # let the first paint finish
shot=$top/build/artifacts/run/tessmark.png
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "the Tessmark window opened headless; screenshot: $shot"
