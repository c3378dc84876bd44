#!/usr/bin/env bash
# Runs a command with the Wine server of WINEPREFIX and its system processes already running,
# started here with none of the caller's pipes, and ends them afterwards. Otherwise the first
# test to start Wine would start them, they would hold its output pipe for as long as they live,
# and ctest would count that test as running until the whole prefix went idle.
set -uo pipefail
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$(dirname "$0")/wine-prefix.sh"
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
"$@"
status=$?
wineserver -k </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
exit $status
