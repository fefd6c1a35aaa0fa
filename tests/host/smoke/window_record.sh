#!/usr/bin/env bash
# Records touches in the real window (right-click menu "Record touches", real
# clicks, "Stop recording", the save dialog), then plays the script in the
# runner and expects it to end on the screen that the window shows.
set -u
program=$1
runner=$2
region_hash=$3
work=$(mktemp -d)
fail() { echo "FAIL: $*" >&2; kill "$pid" 2>/dev/null; exit 1; }

. "$(dirname "$0")/start_window.sh"
sleep 1.5

# Opens the popup menu and presses the keys; "Record touches" (and, while
# recording, "Stop recording") is its last item, one Up from the top.
menu_keys() {
  xdotool mousemove --window "$window" 100 100 click 3
  sleep 0.5
  local menu
  menu=$(xdotool search --onlyvisible --class kandorelle 2>/dev/null | grep -v "^$window$" | tail -n 1)
  [ -n "$menu" ] || fail "the popup menu did not open"
  # The menu holds the keyboard. (Sent to the menu's window instead, the key
  # may fail once the menu closes, and a second try would reach the dialog.)
  xdotool key "$@"
}

menu_keys Up Return
sleep 1
# The menu button, then twice down: the menu with its third row selected.
for at in "289 224" "191 224" "191 224"; do
  xdotool mousemove --window "$window" $at click 1
  sleep 0.5
done
menu_keys Up Return
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^Save the recorded touches$' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 0.3
xdotool type --delay 20 "$work/walk.txt"
xdotool key Return
for _ in $(seq 50); do
  [ -s "$work/walk.txt" ] && break
  sleep 0.1
done
[ -s "$work/walk.txt" ] || fail "no recording was saved"
"$region_hash" "$window" 0 0 320 240 "$work/window.png" >/dev/null || fail "cannot read the window"
kill "$pid" 2>/dev/null

echo "expect page 1" >>"$work/walk.txt"
echo "expect screen window.png" >>"$work/walk.txt"
"$runner" "$work/walk.txt" || { cat "$work/walk.txt" >&2; fail "the replay does not end on the window's screen"; }
rm -rf "$work"
echo "recorded touches replay in the runner"
