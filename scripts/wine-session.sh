#!/usr/bin/env bash
# Runs a command with the Wine server of WINEPREFIX and its system processes already running,
# started here with none of the caller's pipes, and ends them afterwards. Otherwise the first
# test to start Wine would start them, they would hold its output pipe for as long as they live,
# and ctest would count that test as running until the whole prefix went idle.
#
# RAVLIN_DESKTOP_HOLDER names a program run as "<program> hold" for the whole session: it keeps
# a window on Wine's desktop until its input closes. Without it the desktop process ends each
# time the last test program does, and the next program to release a cursor clip touches the
# ended process's window and dies of an X error.
set -uo pipefail
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$(dirname "$0")/wine-prefix.sh"
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
holder=
if [ -n "${RAVLIN_DESKTOP_HOLDER:-}" ]; then
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/ravlin-hold.XXXXXX")
  mkfifo "$fifo"
  wine "$RAVLIN_DESKTOP_HOLDER" hold <"$fifo" >/dev/null 2>&1 &
  holder=$!
  exec 8>"$fifo"
  rm -f "$fifo"
fi
"$@"
status=$?
[ -n "$holder" ] && exec 8>&-
wineserver -k </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
[ -n "$holder" ] && wait "$holder" 2>/dev/null
exit $status
