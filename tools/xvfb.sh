# Sourced by the scripts that need a private X server: start_private_xvfb FIRST LAST takes the first
# free display number in FIRST..LAST, starts Xvfb on it, waits until it answers, and sets DISPLAY and
# xvfb_pid. The caller ends it (kill "$xvfb_pid") in its own clean-up.
start_private_xvfb() {
  local n display=""
  for n in $(seq "$1" "$2"); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=":$n"; break; fi
  done
  [ -n "$display" ] || { echo "no free X display in :$1 to :$2" >&2; return 1; }
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xvfb_pid=$!
  export DISPLAY=$display
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}
