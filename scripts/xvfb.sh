# Sourced: start_xvfb WIDTH HEIGHT starts a private Xvfb display of that size (24 bits), waits
# until it answers, exports DISPLAY and sets xvfb_pid. Xvfb picks the first free display number
# itself, so that several of these can start at once.
start_xvfb() {
  local number
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$1x$2x24" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n 1 "$number")
  rm -f "$number"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}
