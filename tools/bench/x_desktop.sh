# Sourced by the benchmark scripts: start_desktop WIDTH HEIGHT starts a private Xvfb display of
# that size with openbox and a plain blue background, exports DISPLAY, and records the
# processes to end in the array `pids`, which an exit trap ends. wait_window and grab serve the
# scripts that record sequences from it.
start_desktop() {
  local scripts
  scripts="$(dirname "${BASH_SOURCE[0]}")/../../scripts"
  "$scripts/setup.sh" --bench
  . "$scripts/xvfb.sh"
  start_xvfb "$1" "$2"
  pids=("$xvfb_pid")
  trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT
  n=${DISPLAY#:}  # the display number, left set for the caller
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
  convert -size "$1x$2" 'xc:#3a6ea5' png:- | display -window root - 2>/dev/null || true
}

# Waits until a window whose name matches $1 is mapped; prints its id.
wait_window() {
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "$(basename "$0"): no window $1" >&2; exit 1
}

# grab NAME WIDTH HEIGHT X Y: $frames frames at 10 per second into $out/NAME as PPM files.
grab() {
  mkdir -p "$out/$1"
  rm -f "$out/$1"/*.ppm
  ffmpeg -loglevel error -y -f x11grab -framerate 10 -video_size "$2x$3" -i ":$n+$4,$5" \
    -frames:v "$frames" "$out/$1/f%03d.ppm"
}
