# Helpers of the window tests: start and stop Tessmark.exe under Wine, drive it with tmprobe,
# wait for texts with a time limit. Source after lib.sh; call tm_window_use BUILD first.

# The build folders under build/ that the window tests run, and the x86_64 one whose probe
# drives them all (the probe is 64-bit and runs under wine64 whichever build it drives).
TMW_BUILDS=${TM_WINDOW_BUILDS:-win64 win32}
TMW_PROBE=$TM_BUILD/${TM_WINDOW_PROBE_BUILD:-win64}/bin/tmprobe.exe

# The Windows architecture of a build folder's name: win32 for the i686 builds.
tm_arch_of() { case "$1" in *win32*) echo win32 ;; *) echo win64 ;; esac; }

# The transport a build's programs load: Dorlink (i686) or Fenlink (x86_64).
tm_transport_of() { case "$(tm_arch_of "$1")" in win32) echo Dorlink ;; *) echo Fenlink ;; esac; }

# tm_window_use BUILD: pick the build folder and prepare a private run folder (the
# executable's folder holds ZV.DEF and Hxw.tmp, so every run starts from a clean one).
tm_window_use() {
  TMW_BUILD=$1
  TMW_WINE=$(tm_wine_for "$(tm_arch_of "$TMW_BUILD")")
  TMW_BIN=$TM_BUILD/$TMW_BUILD/bin
  TMW_RUN=$TM_BUILD/e2e-$TM_SUITE-$TMW_BUILD
  TMW_LOG=$TM_ARTIFACTS/$TMW_BUILD-wine.log
  rm -rf "$TMW_RUN"
  mkdir -p "$TMW_RUN"
  cp "$TMW_BIN/Tessmark.exe" "$TMW_RUN/"
  local transport
  transport=$(tm_transport_of "$TMW_BUILD")
  [ -f "$TMW_BIN/$transport.dll" ] && cp "$TMW_BIN/$transport.dll" "$TMW_RUN/"
  : >"$TMW_LOG"
}

# The Windows form of a Linux path (Wine's drive Z: is the root).
tm_winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# tm_probe ARGS...: one probe command, its output without CRs, and its exit status. The probe is 64-bit, so it
# always runs under wine64, whichever build it drives.
tm_probe() {
  local out rc
  out=$(timeout 30 "$TM_WINE64" "$TMW_PROBE" "$@" 2>>"$TMW_LOG")
  rc=$?
  [ -n "$out" ] && printf '%s\n' "${out//$'\r'/}"
  return $rc
}

# Past this point of the suite's run (seconds), waits give up at once: a window stuck behind an
# unexpected message box must not stretch the suite out wait by wait.
TMW_DEADLINE=$((SECONDS + ${TM_WINDOW_SUITE_LIMIT:-900}))

# tm_wait SECONDS command...: true as soon as the command succeeds, false after SECONDS.
tm_wait() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  [ "$end" -gt "$TMW_DEADLINE" ] && end=$TMW_DEADLINE
  while :; do
    "$@" && return 0
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.3
  done
}

tm_text_is() { [ "$(tm_probe text "$1")" = "$2" ]; }
tm_text_matches() { [[ "$(tm_probe text "$1")" =~ $2 ]]; }

# tm_retype ID TEXT: replaces a box's text by typed characters and waits until the box holds
# it. Input posted from another process was seen lost now and then while the window was busy
# with the previous burst, so the typing is tried up to three times.
tm_retype() {
  local i
  for i in 1 2 3; do
    tm_probe retype "$1" "$2" >/dev/null
    tm_wait 10 tm_text_is "$1" "$2" && return 0
  done
  return 1
}

# tm_wait_text ID TEXT [SECONDS]
tm_wait_text() { tm_wait "${3:-30}" tm_text_is "$1" "$2"; }

# tm_state_is ID "visible enabled checked" : compares the first three fields of tmprobe state.
tm_state_is() {
  local got
  got=$(tm_probe state "$1" | awk '{print $2, $3, $4}')
  [ "$got" = "$2" ]
}

tm_window_start() {
  (cd "$TMW_RUN" && exec "$TMW_WINE" ./Tessmark.exe >>"$TMW_LOG" 2>&1) &
  TMW_PID=$!
  tm_probe find 25000 >/dev/null
}

# Closes the window as the operator would (WM_CLOSE) and waits for the program to end.
tm_window_stop() {
  [ -n "${TMW_PID:-}" ] || return 0
  kill -0 "$TMW_PID" 2>/dev/null && { tm_probe close >/dev/null 2>&1 || true; }
  local i
  for i in $(seq 100); do
    kill -0 "$TMW_PID" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$TMW_PID" 2>/dev/null; then
    kill "$TMW_PID" 2>/dev/null || true
    TMW_PID=
    return 1
  fi
  TMW_PID=
}

# tm_shot NAME: a screenshot of the whole X screen as an artifact.
# With it, NAME-window.png: the main window alone, for a closer look.
tm_shot() {
  sleep 0.5  # let the last change paint
  local full=$TM_ARTIFACTS/$TMW_BUILD-$1.png geometry
  import -window root "$full" 2>>"$TMW_LOG"
  geometry=$(tm_probe window | awk '{printf "%dx%d+%d+%d", $1, $2, $5, $6}')
  [ -n "$geometry" ] && convert "$full" -crop "$geometry" +repage "${full%.png}-window.png" 2>>"$TMW_LOG"
  return 0
}

# tm_dialog_text CAPTION [MS]: the body lines of the program's dialog with that caption.
tm_dialog_text() {
  tm_probe dialog "$1" "${2:-20000}" | sed -n 's/^text: //p'
}

# Without a window manager Wine would show windows without frames; unmanaged windows get their
# caption and borders drawn by Wine itself, so screenshots show the whole window.
tm_window_prefix_setup() {
  grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null && return 0
  "$TM_WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
}

# Real input through the X server: a mouse click on a control, typed text, a key.
tm_x_click() {
  local xy
  xy=$(tm_probe screen "$1") || return 1
  timeout 10 xdotool mousemove $xy click 1
}
tm_x_type() { timeout 30 xdotool type --delay 30 "$1"; }
tm_x_key() { timeout 10 xdotool key "$1"; }
