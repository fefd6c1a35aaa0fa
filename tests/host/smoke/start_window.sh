# Sourced by the real-window tests: starts the window program "$program" and
# sets $pid and $window, or fails. The caller defines fail(). The window
# remembers its settings in a scratch folder, never the user's.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
"$program" &
pid=$!
window=""
for _ in $(seq 50); do
  window=$(xdotool search --name '^Kandorelle II V1\.05 15\.04\.2011$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the window did not appear"
