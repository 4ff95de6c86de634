#!/usr/bin/env bash
# One program per session: with the program hidden in an XEmbed tray, a second
# start with files (one named with the byte 0xFF, both given relative to
# another folder) hands them over and ends; the running program lists them,
# shows its window, and encrypts exactly those files. While a command waits in
# its box the hand-over is refused and the second start says so.
# Usage: second_launch_test.sh PATH/TO/tarnexfast
set -euo pipefail
app=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop_lib.sh"
need Xvfb openbox trayer xdotool xprop

start_xvfb
start_window_manager
start_tray

start_app
export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb
wait_for 30 eval '[ -S "$XDG_RUNTIME_DIR"/tarnexfast-*.socket ]' || fail "the first program did not listen"
main_window_hidden || fail "the first program did not start hidden in the tray"

mkdir "$tmp/files"
odd=$'caf\xff.bin'
printf 'first file, with a name that is no UTF-8' >"$tmp/files/$odd"
printf 'second' >"$tmp/files/plain.txt"

start=$SECONDS
status=0
(cd "$tmp/files" && "$app" "$odd" plain.txt) >"$tmp/second.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the second start ended with $status: $(cat "$tmp/second.log")"
[ $((SECONDS - start)) -lt 10 ] || fail "the second start took $((SECONDS - start)) s"
kill -0 "$app_pid" || fail "the first program ended"
wait_for 30 main_window_shown || fail "the handed-over files did not show the window"
window=$(main_window_shown | head -n1)
wait_for 10 eval '[ "$(xdotool getactivewindow)" = "$window" ]' || fail "the window was not raised to the front"

# Encrypt what the window lists: exactly the two files, by their bytes.
type_password "$window" pw
xdotool key alt+e
wait_for 30 eval '[ "$(xdotool search --onlyvisible --pid "$app_pid" | wc -l)" -gt 2 ]' || fail "no closing message"
for name in "$odd" plain.txt; do
  [ -f "$tmp/files/$name.KVX" ] || fail "'$name' was not encrypted: $(ls "$tmp/files")"
  [ "$(stat -c %s "$tmp/files/$name.KVX")" -eq "$(stat -c %s "$tmp/files/$name")" ] || fail "'$name.KVX' has the wrong size"
done
xdotool key Return

# A command that waits in its box (Encrypt without a password) refuses the hand-over.
wait_for 30 eval '[ "$(xdotool search --onlyvisible --pid "$app_pid" | wc -l)" -eq 2 ]' || fail "the message stayed"
"$app" "$tmp/files/plain.txt" >"$tmp/second.log" 2>&1 || fail "a second hand-over failed: $(cat "$tmp/second.log")"
xdotool windowactivate --sync "$window" key alt+e
wait_for 30 eval '[ "$(xdotool search --onlyvisible --pid "$app_pid" | wc -l)" -gt 2 ]' || fail "no box for Encrypt without a password"
status=0
"$app" "$tmp/files/plain.txt" >"$tmp/second.log" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "a second start while a command waits ended with $status"
grep -q 'busy' "$tmp/second.log" || fail "the refused second start said: $(cat "$tmp/second.log")"
xdotool key Return

terminate_app
[ -z "$(ls "$XDG_RUNTIME_DIR")" ] || fail "the program left $(ls "$XDG_RUNTIME_DIR") in the runtime folder"

echo "second launch hand-over: 1 passed, 0 failed"
