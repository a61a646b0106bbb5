# Starts a private X server for the typing tests unless one is reachable already.
# Sourced by the test and demo scripts; stops the server when the script exits.
start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    VALTYP_XVFB_PID=$!
    export DISPLAY=":$n"
    trap 'kill "$VALTYP_XVFB_PID" 2>/dev/null || true' EXIT
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
    echo "Xvfb did not start on :$n" >&2
    return 1
  done
  echo "no free X display number" >&2
  return 1
}
