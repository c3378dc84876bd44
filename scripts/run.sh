#!/usr/bin/env bash
# Installs what is missing, builds, and runs Ravlin. Until the tool window exists this
# encodes a demo recording with the native encoder and prints the GIF's path.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=${RAVLIN_BUILD_ROOT:-$repo/build}

"$repo/scripts/setup.sh"
"$repo/scripts/build.sh" native >/dev/null

demo=$root/demo
rm -rf "$demo" && mkdir -p "$demo"
"$root/native/bin/ravlin-demo-frames" "$demo" 24
"$root/native/bin/ravlin-encode" "$demo/demo.gif" "$demo"/frame-*.ppm
echo "$demo/demo.gif"
