#!/usr/bin/env bash
# An XEmbed tray that starts after the program and goes away again, with no
# restart of the program: without a tray the window shows and minimising
# minimises; when the tray comes the icon joins it and minimising hides to
# it; when it goes the hidden window comes back; a new tray gets the icon.
# Usage: tray_late_test.sh PATH/TO/tarnexfast
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop_lib.sh"
need Xvfb openbox trayer xdotool xprop

start_xvfb
start_window_manager

start_app
wait_for 30 main_window_shown || fail "without a tray the window did not show"
window=$(main_window_shown | head -n1)
xdotool windowminimize "$window"
wait_for 10 eval '[ "$(xprop -id "$window" WM_STATE | grep -c Iconic)" -eq 1 ]' || fail "the window did not minimise"
xdotool windowactivate "$window"
wait_for 30 main_window_shown || fail "the minimised window did not come back"

# The icon is a window of the program inside the tray's panel.
icon_in_tray() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$app_pid"); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$Y" -lt $((PANEL_Y + PANEL_HEIGHT)) ] && [ "$X" -ge "$PANEL_X" ] && return 0
  done
  return 1
}

start_tray
wait_for 30 icon_in_tray || fail "the icon did not join a tray that came after the program"
xdotool windowminimize "$(main_window_shown | head -n1)"
wait_for 30 main_window_hidden || fail "with the tray there, minimising did not hide to it"

kill "$trayer_pid"
wait_for 30 main_window_shown || fail "the tray went, and the hidden window stayed hidden"

start_tray
wait_for 30 icon_in_tray || fail "the icon did not join the next tray"
xdotool windowminimize "$(main_window_shown | head -n1)"
wait_for 30 main_window_hidden || fail "minimising did not hide to the next tray"

terminate_app

echo "tray appearing late: 1 passed, 0 failed"
