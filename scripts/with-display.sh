#!/usr/bin/env bash
# Runs a command with a private Xvfb display (1920x1080, 24 bits), unless DISPLAY is already set.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi
. "$(dirname "$0")/xvfb.sh"
start_xvfb 1920 1080
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null || true' EXIT
"$@"
