# Sourced by the real-window tests; the caller defines fail(). The window
# remembers its settings in a scratch folder, never the user's.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME

# start_window [OPTION...]: starts the window program "$program" and sets
# $pid and $window, or fails.
start_window() {
  "$program" "$@" &
  pid=$!
  window=""
  for _ in $(seq 50); do
    window=$(xdotool search --name '^Kandorelle II V1\.05 15\.04\.2011$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "the window did not appear"
}

# menu_keys KEY...: opens the popup menu and presses the keys; "Record
# touches" (and, while recording, "Stop recording") is its last item, one Up
# from the top.
menu_keys() {
  xdotool mousemove --window "$window" 100 100 click 3
  sleep 0.5
  local menu
  menu=$(xdotool search --onlyvisible --class kandorelle 2>/dev/null | grep -v "^$window$" | tail -n 1)
  [ -n "$menu" ] || fail "the popup menu did not open"
  # The menu holds the keyboard. (Sent to the menu's window instead, the key
  # may fail once the menu closes, and a second try would reach the dialog.)
  xdotool key "$@"
  sleep 1
}

# save_recording NAME FILE: answers the recording's save dialog with NAME and
# waits for FILE, the script that the window saves under that name.
save_recording() {
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Save the recorded touches$' >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 0.3
  xdotool type --delay 20 "$1"
  xdotool key Return
  for _ in $(seq 50); do
    [ -s "$2" ] && break
    sleep 0.1
  done
  [ -s "$2" ] || fail "no recording was saved"
}
