#!/usr/bin/env bash
# Builds the download: ravlin-<version>-win32.zip from the shipping (32-bit) build, into
# build/dist (RAVLIN_BUILD_ROOT moves it with the builds). Prints the zip's path.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=${RAVLIN_BUILD_ROOT:-$repo/build}

"$repo/scripts/build.sh" win32 >/dev/null
exec /usr/bin/python3 "$repo/scripts/make_zip.py" --bin "$root/win32/bin" --out "$root/dist"
