#!/usr/bin/env bash
# The program under a headless Wayland compositor. With no tray its main
# window appears (the compositor configures it and the program draws into
# it, which the protocol log shows), and SIGTERM ends it cleanly, with its
# placement saved and nothing left in the runtime folder. With a
# status-notifier panel it starts hidden, exports its menu, and a left click
# on the item (Activate), which cannot open a menu at the panel from here,
# brings the window.
# Usage: wayland_test.sh PATH/TO/tarnexfast
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop_lib.sh"
need weston dbus-daemon
[ -n "$(find /usr/lib -path '*qt6/plugins/platforms/libqwayland-generic.so' -print -quit)" ] ||
  fail "Qt's Wayland platform is missing (scripts/setup.sh installs qt6-wayland)"
unset DISPLAY

weston --backend=headless-backend.so --socket=wayland-test --idle-time=0 --width=800 --height=500 \
  >"$tmp/weston.log" 2>&1 &
pids+=($!)
wait_for 30 test -S "$XDG_RUNTIME_DIR/wayland-test" || fail "weston did not start: $(cat "$tmp/weston.log")"
export WAYLAND_DISPLAY=wayland-test

start_wayland_app() {
  ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client "$app" >"$tmp/app.log" 2>&1 &
  pids+=($!)
  app_pid=$!
}
start_wayland_app

# In the protocol log: the toplevel titled as the main window, configured by
# the compositor, then a buffer attached and committed to draw it.
window_drawn() {
  awk '
    /xdg_toplevel@[0-9]+\.set_title\("Tarnex Fast  v3\.1\.1"\)/ { titled = 1 }
    titled && /xdg_surface@[0-9]+\.configure\(/ && !/->/ { configured = 1 }
    configured && /wl_surface@[0-9]+\.attach\(wl_buffer@/ { attached = 1 }
    attached && /wl_surface@[0-9]+\.commit\(\)/ { found = 1; exit }
    END { exit found ? 0 : 1 }' "$tmp/app.log"
}
wait_for 60 window_drawn || fail "the main window did not appear"
kill -0 "$app_pid" || fail "the program ended by itself"

terminate_app
grep -q '^\[Vantor122\]' "$XDG_CONFIG_HOME/tarnexfs3.conf" || fail "the window placement was not saved"
left=$(find "$XDG_RUNTIME_DIR" -name 'tarnexfast-*')
[ -z "$left" ] || fail "the program left $left"

start_session_bus
/usr/bin/python3 "$here/sni.py" watcher "$tmp/items" >"$tmp/watcher.log" 2>&1 &
pids+=($!)
wait_for 30 /usr/bin/python3 "$here/sni.py" ready || fail "the stand-in panel did not start"
start_wayland_app
wait_for 30 test -s "$tmp/items" || fail "on Wayland the item did not register with the panel"
/usr/bin/python3 "$here/sni.py" menu | grep -x '_Open' >/dev/null || fail "on Wayland the item exports no menu"
sleep 1
window_drawn && fail "with a panel there the window showed at start-up"
/usr/bin/python3 "$here/sni.py" activate
wait_for 30 window_drawn || fail "a left click on the item did not bring the window"
terminate_app

echo "Wayland without a tray and with a status-notifier panel: 1 passed, 0 failed"
