#!/usr/bin/env bash
# Takes the README's pictures on a virtual display with a plain window manager
# (needs xvfb, openbox, trayer, xdotool and imagemagick):
#   docs/screenshot.png  the main window with its title bar, on a desktop
#                        without a tray, where the window shows at start-up;
#   docs/tray.png        the tray menu opened on the program's tray icon.
# Usage: docs/screenshot.sh [path/to/tarnexfast]
set -euo pipefail
cd "$(dirname "$0")/.."
app=$(realpath "${1:-build/app/tarnexfast}")
tmp=$(mktemp -d)
pids=()
stop_all() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  pids=()
}
trap 'stop_all; rm -rf "$tmp"' EXIT

# Starts a display, a window manager, optionally a tray, then the program.
start_desktop() {
  local with_tray=$1
  rm -f "$tmp/display"
  Xvfb -displayfd 3 -screen 0 800x500x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$tmp/display")"
  export XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime"
  rm -rf "$XDG_CONFIG_HOME"
  mkdir -m 700 -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  if [ "$with_tray" = yes ]; then
    trayer --edge top --align right --widthtype pixel --width 40 --height 24 >/dev/null 2>&1 &
    pids+=($!)
  fi
  sleep 1.5
  QT_QPA_PLATFORM=xcb "$app" >/dev/null 2>&1 &
  pids+=($!)
  sleep 2
}

start_desktop no
window=$(xdotool search --onlyvisible --name '^Tarnex Fast  v3\.1\.1$' | head -n1 || true)
[ -n "$window" ] || { echo "the main window did not appear" >&2; exit 1; }
import -silent -frame -window "$window" docs/screenshot.png
stop_all
echo "wrote docs/screenshot.png"

start_desktop yes
if xdotool search --onlyvisible --name '^Tarnex Fast  v3\.1\.1$' >/dev/null 2>&1; then
  echo "the main window showed although a tray is there" >&2
  exit 1
fi
xdotool mousemove 790 12 click 1
sleep 1
import -silent -window root -crop 260x240+540+0 +repage docs/tray.png
stop_all
echo "wrote docs/tray.png"
