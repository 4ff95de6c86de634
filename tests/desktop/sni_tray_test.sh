#!/usr/bin/env bash
# The program on a desktop whose tray speaks the status-notifier protocol over
# D-Bus, as KDE Plasma's and GNOME's AppIndicator do, with a panel that starts
# after the program: it shows its window while there is no tray, registers its
# item when the panel comes, exports its ten-entry menu with the icon in every
# size, runs a menu entry clicked over D-Bus, hides to the panel when
# minimised, comes back when the panel goes, and ends cleanly on SIGTERM.
# Usage: sni_tray_test.sh PATH/TO/tarnexfast
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop_lib.sh"
need Xvfb openbox xdotool xprop dbus-daemon
sni() { /usr/bin/python3 "$here/sni.py" "$@"; }

start_xvfb
start_window_manager
start_session_bus

start_app
wait_for 30 main_window_shown || fail "without a tray the window did not show"

# The panel arrives after the program, as it often does at log-in.
/usr/bin/python3 "$here/sni.py" watcher "$tmp/items" >"$tmp/watcher.log" 2>&1 &
pids+=($!)
watcher_pid=$!
wait_for 30 test -s "$tmp/items" || fail "the item did not register with a panel that came late"

expected=$'E_xit\nWa_rranty\n-\n_Open\n_Wipe files\n_Decrypt files\n_Encrypt files\nDecrypt Clip_board\nEncrypt _Clipboard\nE_mpty Clipboard'
menu=$(sni menu) || fail "the menu could not be read"
[ "$menu" = "$expected" ] || fail "the exported menu is"$'\n'"$menu"
icon=$(sni icon)
sizes=$(head -n1 <<<"$icon")
for size in 16x16 22x22 24x24 32x32 48x48 64x64; do
  [[ " $sizes " == *" $size "* ]] || fail "the icon has no $size pixmap (it has: $sizes)"
done
[ "$(tail -n1 <<<"$icon")" = "Tarnex Fast" ] || fail "the item's tip is '$(tail -n1 <<<"$icon")'"

# A left click (Activate) opens the menu at the pointer, as LeftPopup says;
# on X11 the program can place it there.
app_windows() { xdotool search --onlyvisible --pid "$app_pid" | wc -l; }
before=$(app_windows)
xdotool mousemove 700 10
sni activate
wait_for 30 eval '[ "$(app_windows)" -gt "$before" ]' || fail "a left click on the item opened no menu"
xdotool key Escape
wait_for 30 eval '[ "$(app_windows)" -eq "$before" ]' || fail "the menu did not close"

# From now on minimising hides to the panel, and the menu's Open brings it back.
xdotool windowminimize "$(main_window_shown | head -n1)"
wait_for 30 main_window_hidden || fail "minimised with a panel there, the window did not hide to it"
sni click "_Open"
wait_for 30 main_window_shown || fail "the menu's Open did not show the window"

# The panel goes away while the window is hidden: the window comes back.
xdotool windowminimize "$(main_window_shown | head -n1)"
wait_for 30 main_window_hidden || fail "the window did not hide to the panel again"
kill "$watcher_pid"
wait_for 30 main_window_shown || fail "the panel went, and the hidden window stayed hidden"

terminate_app
grep -q '^\[Vantor122\]' "$XDG_CONFIG_HOME/tarnexfs3.conf" || fail "the window placement was not saved"

echo "status-notifier tray: 1 passed, 0 failed"
