#!/usr/bin/env bash
# Installs what is missing, builds the 32-bit program and runs it under Wine with the skin
# folder beside it and a Chinese locale (RAVLIN_LANG=en: an English one). With no display at hand it makes one, drives one real
# recording through the program's own buttons and prints the GIF's path and a screenshot's.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=${RAVLIN_BUILD_ROOT:-$repo/build}

"$repo/scripts/setup.sh"
"$repo/scripts/build.sh" win32 >/dev/null

bin=$root/win32/bin
# A prefix of the program's own: the tests' prefix holds whatever settings they left behind.
export WINEPREFIX=${WINEPREFIX:-$root/run/wineprefix}
# Wine takes its locale from LANG alone when no LC_* overrides it.
unset LC_ALL LC_CTYPE LC_MESSAGES
case ${RAVLIN_LANG:-zh} in
  en) locale=en_US.UTF-8 ;;
  *) locale=zh_CN.UTF-8 ;;
esac

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  cd "$bin"
  LANG=$locale exec "$repo/scripts/wine-run.sh" "$bin/ravlin.exe"
fi

out=$root/run
mkdir -p "$out"
unset DISPLAY
# The prefix's Wine processes end before the display does (they would complain of a broken
# X connection otherwise).
exec "$repo/scripts/with-display.sh" "$repo/scripts/wine-session.sh" /usr/bin/python3 "$repo/tests/e2e/demo_run.py" \
  --program "$bin/ravlin.exe" --helper "$bin/e2e_helper.exe" \
  --wine-run "$repo/scripts/wine-run.sh" --artefacts "$out" --lang "${locale%%_*}"
