#!/usr/bin/env bash
# The real window under a window manager (openbox) on a 1280 x 720 screen:
# zoom 300 % keeps the whole panel on the screen; the Plant panel floated and
# docked again stays in sight; and a touch recording that starts from a
# loaded state and holds a Plant panel action replays in the runner to the
# window's screen, pixel for pixel.
set -u
program=$1
runner=$2
region_hash=$3
work=$(mktemp -d)
pid=""
wm=""
fail() {
  echo "FAIL: $*" >&2
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  exit 1
}

. "$(dirname "$0")/start_window.sh"

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 0.5

# A prepared scenario: frost, and a clock of its own.
"$runner" -e "clock 2026-12-06 13:47:00; set frost on; state save $work/scenario.json" || fail "no scenario state"
start_window --state "$work/scenario.json"
sleep 1.5

# The client area's place and size on the screen: X Y W H.
client() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                           /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
on_screen() {
  read -r x y w h <<<"$(client "$1")"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1280 ] && [ $((y + h)) -le 720 ]
}
plant() { xdotool search --onlyvisible --name '^Plant$' 2>/dev/null | head -n 1; }

menu_keys Down Down Down Return
read -r _ _ w h <<<"$(client "$window")"
[ "$w x $h" = "960 x 720" ] || fail "zoom 300 % gave $w x $h"
on_screen "$window" || fail "at zoom 300 % the panel is not whole on the screen: $(client "$window")"
menu_keys Down Return
read -r _ _ w h <<<"$(client "$window")"
[ "$w x $h" = "320 x 240" ] || fail "zoom 100 % gave $w x $h"

# F2 shows the Plant panel beside the display; a double click on its title
# docks it into the window, another floats it again.
xdotool mousemove --window "$window" 100 100 key F2
sleep 1
panel=$(plant)
[ -n "$panel" ] || fail "F2 did not show the Plant panel"
on_screen "$panel" || fail "the Plant panel is not whole on the screen: $(client "$panel")"
xdotool mousemove --window "$panel" 60 8 click --repeat 2 --delay 80 1
sleep 1
read -r _ _ w _ <<<"$(client "$window")"
[ -z "$(plant)" ] && [ "$w" -gt 320 ] || fail "the Plant panel did not dock (window $w wide)"
xdotool mousemove --window "$window" 380 8 click --repeat 2 --delay 80 1
sleep 1
panel=$(plant)
[ -n "$panel" ] || fail "the Plant panel floated again is gone"
on_screen "$panel" || fail "the floated Plant panel is not whole on the screen"

# Records from the loaded state: the preset "collector sensor broken" (a
# fault), "Add to history" for it, then the menu button.
menu_keys Up Return
xdotool mousemove --window "$panel" 203 174 click 1
sleep 0.5
xdotool mousemove --window "$panel" 203 523 click 1
sleep 0.5
xdotool mousemove --window "$window" 289 224 click 1
sleep 1
[ "$("$region_hash" "$window" 308 16 1 1)" = "ff0000" ] || fail "the preset did not raise the fault lamp"
menu_keys Up Return
save_recording "$work/walk" "$work/walk.txt"
[ -s "$work/walk.state.json" ] || fail "the recording's state was not saved beside it"
grep -q '^history add 22 ' "$work/walk.txt" || fail "the recording misses the history entry"
"$region_hash" "$window" 0 0 320 240 "$work/window.png" >/dev/null || fail "cannot read the window"
kill "$pid" 2>/dev/null
kill "$wm" 2>/dev/null

echo "expect screen window.png" >>"$work/walk.txt"
(cd / && "$runner" "$work/walk.txt") || { cat "$work/walk.txt" >&2; fail "the replay does not end on the window's screen"; }
rm -rf "$work"
echo "the window keeps its panels on the screen and its recordings whole"
