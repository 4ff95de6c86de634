#!/usr/bin/env bash
# Drives the real program on a virtual display with a window manager and no
# tray: during a long encryption started from the window, the window must
# answer the window manager's pings within 200 ms, as desktops take a window
# that does not for hung and offer to end it.
# Usage: answers_while_working_test.sh PATH/TO/tarnexfast [MiB]
set -euo pipefail
app=$1
mib=${2:-256}
here=$(cd "$(dirname "$0")" && pwd)

. "$here/desktop_lib.sh"
need Xvfb openbox xdotool /usr/bin/python3
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || fail "python3-xlib is missing (scripts/setup.sh installs it)"

start_xvfb
start_window_manager

# A sparse file reads fast: the time goes into the cipher and the writes.
mkdir "$tmp/files"
file="$tmp/files/long.bin"
truncate -s "${mib}M" "$file"

start_app

main_window() { main_window_shown | head -n1; }
has_main_window() { [ -n "$(main_window)" ]; }
wait_for 60 has_main_window || fail "the main window did not appear (no tray here)"
window=$(main_window)
# The main window and a box: the "All done" box has come.
box_open() { [ "$(xdotool search --onlyvisible --pid "$app_pid" | wc -l)" -gt 1 ]; }

browse_for "$window" "$file"
type_password "$window" pw
/usr/bin/python3 "$here/wm_ping.py" "$window" "$tmp/started" "$tmp/ended" "$tmp/stop" >"$tmp/pings" &
pids+=($!)
pinger=$!
sleep 0.3
click_encrypt "$window"
touch "$tmp/started"
wait_for 600 box_open || fail "no \"All done\" box came"
touch "$tmp/ended"
sleep 0.2
touch "$tmp/stop"
wait "$pinger" || true
read -r count slowest <"$tmp/pings" || fail "the pinger gave nothing"

[ "$(stat -c %s "$file.KVX")" -eq $((mib * 1024 * 1024)) ] || fail "the encrypted file is not whole"
xdotool key Return
[ "$slowest" -le 200 ] || fail "a ping during the encryption was answered after $slowest ms"
[ "$count" -ge 5 ] || fail "only $count pings fell within the encryption; it was too short to tell"

echo "pings during a ${mib} MiB encryption: $count, slowest answer $slowest ms"
echo "window answers while working: 1 passed, 0 failed"
