#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX once, with the font replacement that makes
# Chinese message-box texts readable, and with the crash dialog off: a crashing program then
# prints its backtrace and ends instead of waiting for somebody to close a dialog.
# Safe to call from several processes at once.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must be set}"
[ -f "$WINEPREFIX/.ravlin-ready-2" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.ravlin-ready-2" ] && exit 0
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
wineserver -w || true
touch "$WINEPREFIX/.ravlin-ready-2"
