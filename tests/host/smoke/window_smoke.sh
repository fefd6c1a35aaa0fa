#!/usr/bin/env bash
# Starts the window, checks its size, clicks through to the warm water edit
# and checks that a right-click while "+" is held stops the repeat, picks
# "Zoom 200%" from the right-click menu with real mouse events, then asks it
# to close and expects it to end within a second.
set -u
program=$1
send_close=$2
region_hash=$3
fail() { echo "FAIL: $*" >&2; kill "$pid" 2>/dev/null; exit 1; }

. "$(dirname "$0")/start_window.sh"
start_window

size() { xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*x[0-9]*\).*/\1/p'; }
[ "$(size)" = "320x240" ] || fail "expected 320x240 at start, got $(size)"

# The start page draws within a few hundred ticks.
sleep 1.5

# A click, press and release at once, is one touch: the menu button opens the
# menu (whose selected first row is yellow); a second touch would open that row.
xdotool mousemove --window "$window" 289 224 click 1
sleep 0.5
[ "$("$region_hash" "$window" 210 40 1 1)" = "ffff00" ] || fail "a click on the menu button did not open the menu"

# Down, down, open: the settings' first page, the warm water set value; then
# the pencil starts the edit.
for at in "191 224" "191 224" "289 224" "289 224"; do
  xdotool mousemove --window "$window" $at click 1
  sleep 0.4
done
value() { "$region_hash" "$window" 100 108 219 32; }
before=$(value)

# Hold "+", right-click (the menu opens), Escape, then let go of the left
# button: the value took the one step of the press and stays there.
xdotool mousemove --window "$window" 191 224 mousedown 1
sleep 0.1
xdotool click 3
sleep 0.5
held=$(value)
xdotool key Escape
sleep 0.2
xdotool mouseup 1
sleep 1
after=$(value)
[ "$held" != "$before" ] || fail "holding + did not change the warm water value"
[ "$after" = "$held" ] || fail "the warm water value went on changing after the right-click"

# Right-click opens the popup menu; its second item is "Zoom 200%".
xdotool mousemove --window "$window" 100 100 click 3
sleep 0.5
menu=$(xdotool search --onlyvisible --class kandorelle 2>/dev/null | grep -v "^$window$" | tail -n 1)
[ -n "$menu" ] || fail "the popup menu did not open"
xdotool key --window "$menu" Down Down Return 2>/dev/null || xdotool key Down Down Return
for _ in $(seq 20); do
  [ "$(size)" = "640x480" ] && break
  sleep 0.1
done
[ "$(size)" = "640x480" ] || fail "expected 640x480 after Zoom 200%, got $(size)"

# A press that the 12 ms tick can see.
xdotool mousemove --window "$window" 200 200 mousedown 1
sleep 0.1
xdotool mouseup 1

"$send_close" "$window"
for _ in $(seq 10); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  fail "the window did not close within a second"
fi
wait "$pid"
echo "window smoke test passed"
