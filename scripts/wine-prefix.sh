#!/usr/bin/env bash
# Prepares the Wine prefix named by WINEPREFIX: creates it once, and brings an existing one up
# to date when this script has something new for it (the marker's number). It holds
#  - font links as Windows has them: a Chinese font behind the Latin faces the program and the
#    system's dialogs ask for, so Chinese texts render whichever Latin fonts the machine has
#    (with fonts-liberation, Arial becomes Liberation Sans, which has no Chinese glyphs);
#  - the replacement of Tahoma by the same Chinese font, for message boxes, and of SimSun and
#    NSimSun, which a Chinese locale substitutes for "MS Shell Dlg" (the captions' face) and which
#    no Debian package provides;
#  - the crash dialog off: a crashing program prints its backtrace and ends instead of waiting
#    for somebody to close a dialog.
# Safe to call from several processes at once.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must be set}"
ready=$WINEPREFIX/.ravlin-ready-4
[ -f "$ready" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$ready" ] && exit 0
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true

chinese='WenQuanYi Micro Hei'
links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in 'Arial' 'Liberation Sans' 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif' \
            'Segoe UI' 'MS Sans Serif' 'System'; do
  wine reg add "$links" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,$chinese" /f >/dev/null 2>&1 || true
done
for face in Tahoma SimSun NSimSun; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "$chinese" /f >/dev/null 2>&1 || true
done
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
wineserver -w || true
touch "$ready"
