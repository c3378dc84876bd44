#!/usr/bin/env bash
# Runs a command on a display and a Wine prefix of its own, with a copy of the build's program
# folder in <build>/desktop2/bin, so that a second group of end-to-end suites can run beside
# the first: the suites spend most of their time waiting for windows to come and go, and each
# group is still one user at one screen, with its own output folder and settings.
# Usage: scripts/second-desktop.sh <build folder> <command...>
set -euo pipefail
build=$(cd "$1" && pwd); shift
scripts=$(cd "$(dirname "$0")" && pwd)
home=$build/desktop2
mkdir -p "$home/bin"
# The program's folder as the build left it, less its recordings.
for item in ravlin.exe e2e_helper.exe gdi_count.dll skin; do
  rm -rf "${home:?}/bin/$item"
  cp -a "$build/bin/$item" "$home/bin/"
done
export WINEPREFIX=$home/wineprefix
export RAVLIN_DESKTOP_HOLDER=$home/bin/e2e_helper.exe
unset DISPLAY
exec "$scripts/with-display.sh" "$scripts/wine-session.sh" "$@"
