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
start_window
sleep 1.5

menu_keys Up Return
# The menu button, then twice down: the menu with its third row selected.
for at in "289 224" "191 224" "191 224"; do
  xdotool mousemove --window "$window" $at click 1
  sleep 0.5
done
menu_keys Up Return
save_recording "$work/walk.txt" "$work/walk.txt"
"$region_hash" "$window" 0 0 320 240 "$work/window.png" >/dev/null || fail "cannot read the window"
kill "$pid" 2>/dev/null

echo "expect page 1" >>"$work/walk.txt"
echo "expect screen window.png" >>"$work/walk.txt"
"$runner" "$work/walk.txt" || { cat "$work/walk.txt" >&2; fail "the replay does not end on the window's screen"; }
rm -rf "$work"
echo "recorded touches replay in the runner"
