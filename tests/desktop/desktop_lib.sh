# Shared by the desktop tests: a private temporary folder, processes stopped
# by their own PIDs at the end, and a virtual display, window manager and
# session bus of the test's own. Source it; it sets `tmp` and `pids`.

tmp=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; [ -f "$tmp/app.log" ] && sed 's/^/  app: /' "$tmp/app.log" >&2; exit 1; }

need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
  done
}

# Polls a command until it succeeds or the seconds run out.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# Private configuration and runtime folders, as a fresh session has.
export XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY

start_xvfb() {
  # -noreset: by default the server starts over when its last running client
  # leaves, and closes every connection still being set up; a poll by xprop
  # ending just as openbox or the program connects would then refuse them.
  Xvfb -displayfd 3 -screen 0 800x500x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  pids+=($!)
  xvfb_pid=$!
  wait_for 30 test -s "$tmp/display" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
  export DISPLAY=":$(head -n1 "$tmp/display")"
}

# For failure messages: whether the X server still runs, and what it said.
x_server_state() {
  kill -0 "$xvfb_pid" 2>/dev/null && echo " (Xvfb runs)" || echo " (Xvfb ended)"
  sed 's/^/  Xvfb: /' "$tmp/xvfb.log"
}

start_window_manager() {
  openbox --sm-disable >>"$tmp/wm.log" 2>&1 &
  pids+=($!)
  wm_pid=$!
  wait_for 30 xprop -root _NET_SUPPORTING_WM_CHECK || fail "the window manager did not start"
  # openbox sets its check window before it takes windows in hand, and a
  # window mapped in between is never managed: map probes until one is.
  wm_manages_probe() { xprop -name tarnex-wm-probe WM_STATE 2>/dev/null | grep 'window state' >/dev/null; }
  local deadline=$((SECONDS + 60)) probe managed=no
  while [ "$managed" = no ] && [ "$SECONDS" -lt "$deadline" ]; do
    kill -0 "$wm_pid" 2>/dev/null || fail "the window manager ended: $(cat "$tmp/wm.log")$(x_server_state)"
    xmessage -name tarnex-wm-probe -timeout 30 probe >>"$tmp/wm.log" 2>&1 &
    probe=$!
    wait_for 3 wm_manages_probe && managed=yes
    kill "$probe" 2>/dev/null || true
    wait "$probe" 2>/dev/null || true
  done
  [ "$managed" = yes ] || fail "the window manager does not manage windows: $(cat "$tmp/wm.log")$(x_server_state)"
}

start_session_bus() {
  # (It may say it cannot raise its descriptor limit: harmless here.)
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$XDG_RUNTIME_DIR/bus" \
    --print-address=3 3>"$tmp/bus" 2>/dev/null &
  pids+=($!)
  wait_for 30 test -s "$tmp/bus" || fail "the session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
}

# An XEmbed tray in a panel at the top right; sets trayer_pid and the
# panel's PANEL_X, PANEL_Y, PANEL_WIDTH and PANEL_HEIGHT.
start_tray() {
  trayer --edge top --align right --widthtype pixel --width 40 --height 24 >/dev/null 2>&1 &
  pids+=($!)
  trayer_pid=$!
  wait_for 30 xdotool search --onlyvisible --pid "$trayer_pid" || fail "the tray host did not start"
  panel=$(xdotool search --onlyvisible --pid "$trayer_pid" | head -n1)
  eval "$(xdotool getwindowgeometry --shell "$panel" | sed 's/^/PANEL_/')"
}

# Starts the program on the X display with ARGS; sets app_pid.
start_app() {
  ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb "$app" "$@" >"$tmp/app.log" 2>&1 &
  pids+=($!)
  app_pid=$!
}

# Ends the program as log-out does; it must end with status 0.
terminate_app() {
  kill -TERM "$app_pid"
  local status=0
  wait "$app_pid" || status=$?
  [ "$status" -eq 0 ] || fail "on SIGTERM the program ended with status $status"
}

# The program's visible top-level windows named NAME.
visible_window() { xdotool search --onlyvisible --name "$1"; }
main_window_shown() { visible_window '^Tarnex Fast  v3\.1\.1$'; }
main_window_hidden() { ! main_window_shown; }

# The main window's controls, by where they are in its fixed layout.
# Lists FILE through Browse: the file dialog, the path typed, Return.
browse_for() {
  local window=$1 file=$2
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  xdotool mousemove --window "$window" 372 172 click 1
  wait_for 30 xdotool search --onlyvisible --name '^Select file\(s\)$' || fail "the file dialog did not open"
  sleep 0.5
  xdotool type --delay 10 "$file"
  xdotool key Return
  file_dialog_closed() { ! xdotool search --onlyvisible --name '^Select file\(s\)$'; }
  wait_for 30 file_dialog_closed || fail "the file dialog stayed"
}
type_password() {
  xdotool mousemove --window "$1" 250 170 click 1
  xdotool type --delay 20 "$2"
}
click_encrypt() { xdotool mousemove --window "$1" 208 195 click 1; }
