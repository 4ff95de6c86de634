#!/usr/bin/env bash
# Log-out or "Force Quit" in the middle of an encryption started from the
# window: the program ends by the signal, the older output it was replacing
# is left exactly as it was, and no cut-short or temporary file remains.
# Usage: interrupt_test.sh PATH/TO/tarnexfast
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop_lib.sh"
need Xvfb openbox xdotool

start_xvfb
start_window_manager

# Sparse, so that it reads fast and the time goes into the cipher and the
# writes: long enough to be caught in the middle.
mkdir "$tmp/files"
file="$tmp/files/long.bin"
truncate -s 1G "$file"
printf 'the older output, which must survive\n' >"$file.KVX"
cp "$file.KVX" "$tmp/older"

start_app
wait_for 60 main_window_shown || fail "the main window did not appear (no tray here)"
window=$(main_window_shown | head -n1)

browse_for "$window" "$file"
type_password "$window" pw
click_encrypt "$window"

# The command is at work once the program holds the input open.
reading_input() { ls -l "/proc/$app_pid/fd" 2>/dev/null | grep -F "$file" >/dev/null; }
wait_for 30 reading_input || fail "the encryption did not start"
sleep 0.5
kill -TERM "$app_pid"
# Ending only once the command is over would be too late: the older output
# would be replaced by then.
# (A child that has ended stays a zombie until it is waited for.)
ended() {
  local state
  state=$(ps -o stat= -p "$app_pid" || true)
  [ -z "$state" ] || [ "${state:0:1}" = Z ]
}
wait_for 20 ended || fail "on SIGTERM during a command the program did not end"
status=0
wait "$app_pid" || status=$?
[ "$status" -eq $((128 + 15)) ] || fail "on SIGTERM during a command the program ended with status $status"

cmp -s "$file.KVX" "$tmp/older" || fail "the older output was changed"
left=$(ls -A "$tmp/files" | grep -v -x -e long.bin -e long.bin.KVX || true)
[ -z "$left" ] || fail "the interrupted encryption left: $left"

echo "interrupted encryption from the window: 1 passed, 0 failed"
