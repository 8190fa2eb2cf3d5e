# Sourced by the scripts that need a private X server: start_private_xvfb FIRST LAST takes the first
# free display number in FIRST..LAST, starts Xvfb on it, waits until it answers, and sets DISPLAY and
# xvfb_pid. The caller ends it (kill "$xvfb_pid") in its own clean-up.
start_private_xvfb() {
  local n display="" lock
  # Two of our scripts starting at once must not both take the same free number.
  exec {lock}>/tmp/.orvel-xvfb.lock
  flock "$lock"
  for n in $(seq "$1" "$2"); do
    [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ] || continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 {lock}>&- & xvfb_pid=$!
    for _ in $(seq 100); do
      # Ended at once: another server took the number meanwhile.
      kill -0 "$xvfb_pid" 2>/dev/null || break
      if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then display=":$n"; break; fi
      sleep 0.1
    done
    if [ -n "$display" ] && kill -0 "$xvfb_pid" 2>/dev/null; then break; fi
    display=""
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  done
  flock -u "$lock"
  exec {lock}>&-
  [ -n "$display" ] || { echo "no free X display in :$1 to :$2" >&2; return 1; }
  export DISPLAY=$display
}
