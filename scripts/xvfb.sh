# Sourced: start_xvfb WIDTHxHEIGHT starts a private Xvfb display of that size, 24 bits, and
# exports DISPLAY; its process id is left in `xvfb`, for the caller to end. Xvfb picks the first
# free display number itself, so that several displays can start at the same moment.
start_xvfb() {
  local number
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n 1 "$number")
  rm -f "$number"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}
