#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window, title bar included, on a virtual
# display with a plain window manager (needs xvfb, openbox, xdotool and
# imagemagick). Usage: docs/screenshot.sh [path/to/tarnexfast]
set -euo pipefail
cd "$(dirname "$0")/.."
app=${1:-build/app/tarnexfast}
out=docs/screenshot.png
tmp=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x500x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$tmp/display")"
export XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1
QT_QPA_PLATFORM=xcb "$app" >/dev/null 2>&1 &
pids+=($!)
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Tarnex Fast  v3\.1\.1$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; exit 1; }
sleep 1
import -silent -frame -window "$window" "$out"
echo "wrote $out"
