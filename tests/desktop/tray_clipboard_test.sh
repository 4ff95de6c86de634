#!/usr/bin/env bash
# Drives the real program on a virtual display with a system tray: it must
# start hidden in the tray, encrypt the clipboard's text from the tray menu into
# the same line the command-line tool gives, decrypt it back, and end by E&xit
# with its window placement saved.
# Usage: tray_clipboard_test.sh PATH/TO/tarnexfast PATH/TO/tarnexfast-cli
set -euo pipefail
app=$1
cli=$2

here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop_lib.sh"
need Xvfb trayer xdotool xclip
start_xvfb

start_tray

text=$'Meet at noon.\nBring the keys: caf\u00e9 & co.'
password='s3cret pass'
printf '%s\n' "$password" >"$tmp/password"
expected=$(printf '%s' "$text" | "$cli" encrypt-text --password-file "$tmp/password" 2>/dev/null)
[ -n "$expected" ] || fail "the command-line tool gave no line"

start_app


# The icon is the program's one visible window, once the tray host has taken
# it in; the main window stays hidden.
icon_in_tray() {
  local icon
  icon=$(xdotool search --onlyvisible --pid "$app_pid" | head -n1)
  [ -n "$icon" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$icon")"
  [ "$X" -ge "$PANEL_X" ] && [ "$X" -lt $((PANEL_X + PANEL_WIDTH)) ]
}
wait_for 60 icon_in_tray || fail "no tray icon appeared in the tray"
icon_in_tray
icon_x=$((X + WIDTH / 2))
icon_y=$((Y + HEIGHT / 2))
visible_window '^Tarnex Fast  v3\.1\.1$' && fail "the main window showed at start-up"

# Beside the icon, the program shows at most one window at a time here: the
# menu, the password dialog or a message box.
app_windows() { xdotool search --onlyvisible --pid "$app_pid" | wc -l; }
menu_is_open() { [ "$(app_windows)" -gt 1 ]; }
only_icon_left() { [ "$(app_windows)" -eq 1 ]; }
message_box_open() { [ "$(app_windows)" -gt 1 ] && ! visible_window '^Enter Password$'; }

# A press that comes while the tray host is still settling the icon can be
# lost; press again only when no menu came.
open_menu() {
  for _ in 1 2 3 4 5; do
    xdotool mousemove "$icon_x" "$icon_y" click 1
    wait_for 4 menu_is_open && return 0
  done
  fail "the tray menu did not open"
}

# Opens the tray menu, picks the item by its accelerator, answers the
# password dialog and dismisses the closing message.
run_clipboard_command() {
  local key=$1 done_message=$2
  open_menu
  xdotool key "$key"
  wait_for 30 visible_window '^Enter Password$' || fail "the password dialog did not appear"
  xdotool type --delay 20 "$password"
  xdotool key Return
  wait_for 30 message_box_open || fail "no \"$done_message\" box"
  xdotool key Return
  wait_for 30 only_icon_left || fail "the \"$done_message\" box stayed"
}

printf '%s' "$text" | xclip -selection clipboard -i
run_clipboard_command c "Clipboard encrypted."
line=$(xclip -selection clipboard -o)
[ "$line" = "$expected" ] || fail "clipboard holds '$line', the command-line tool gave '$expected'"

run_clipboard_command b "Clipboard decrypted."
back=$(xclip -selection clipboard -o)
[ "$back" = "$text" ] || fail "decrypted clipboard holds '$back', expected '$text'"

open_menu
xdotool key x
wait_for 30 eval '! kill -0 "$app_pid" 2>/dev/null' || fail "E&xit did not end the program"
grep -q '^\[Vantor122\]' "$XDG_CONFIG_HOME/tarnexfs3.conf" || fail "the window placement was not saved"

echo "tray clipboard round trip: 1 passed, 0 failed"
