# Sourced by the scripts that run Wine on an X display of their own.
#
# start_private_xvfb FIRST LAST: starts a 1024x768 Xvfb on the first display
# number from FIRST to LAST whose lock and socket are free, exports DISPLAY and
# sets xvfb_pid; returns 1 when none could be started. The caller stops it.
start_private_xvfb() {
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  return 1
}
