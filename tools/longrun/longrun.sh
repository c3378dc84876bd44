#!/usr/bin/env bash
# Long-run check (not part of the test run): a recording of a moving 640 x 480 region at 20
# frames per second through ravlin.exe under Wine, printing memory, GDI objects and frame
# counts as it goes. Usage: tools/longrun/longrun.sh [minutes] (default 10).
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
root=${RAVLIN_BUILD_ROOT:-$repo/build}
minutes=${1:-10}

"$repo/scripts/build.sh" win32 >/dev/null
unset DISPLAY
exec "$repo/scripts/with-display.sh" /usr/bin/python3 "$repo/tools/longrun/longrun.py" \
  --build "$root/win32" --minutes "$minutes"
