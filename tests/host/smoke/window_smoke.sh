#!/usr/bin/env bash
# Starts the window, checks its size, picks "Zoom 200%" from the right-click
# menu with real mouse events, then asks it to close and expects it to end
# within a second.
set -u
program=$1
send_close=$2
fail() { echo "FAIL: $*" >&2; kill "$pid" 2>/dev/null; exit 1; }

"$program" &
pid=$!
window=""
for _ in $(seq 50); do
  window=$(xdotool search --name '^Kandorelle II V1\.05 15\.04\.2011$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the window did not appear"

size() { xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*x[0-9]*\).*/\1/p'; }
[ "$(size)" = "320x240" ] || fail "expected 320x240 at start, got $(size)"

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
