#!/usr/bin/env bash
# Runs a Windows executable under Wine in the prefix of the build folder that holds it,
# so tests never touch the user's own prefix. Used as CMake's cross-compiling emulator.
set -euo pipefail
exe=$1; shift
if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$exe")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$exe")" && pwd)
  export WINEPREFIX=$dir/wineprefix
fi
"$(dirname "$0")/wine-prefix.sh"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The first Wine program of a prefix starts its server and system processes, which keep every pipe
# they inherit open for as long as they live: ctest would count a short test as running until the
# whole prefix went idle, past its time limit while another test ran. When no server runs, both
# are started here holding none of the caller's pipes, the server kept a moment for the program.
if wineserver -p 2 </dev/null >/dev/null 2>&1; then
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
exec wine "$exe" "$@"
