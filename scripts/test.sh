#!/usr/bin/env bash
# Installs what is missing, builds all three builds and runs every test: the native tests
# directly, the Windows tests under Wine on a private Xvfb display.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=${RAVLIN_BUILD_ROOT:-$repo/build}
jobs=${RAVLIN_TEST_JOBS:-2}

"$repo/scripts/setup.sh"
"$repo/scripts/build.sh" native win32 win64

passed=0
failed=0
# Runs ctest in one build folder, its output into the folder's last-test.log.
run_ctest() {
  local dir=$1; shift
  "$@" bash -c "cd '$dir' && ctest --output-on-failure -j $jobs" >"$dir/last-test.log" 2>&1 || true
}
# Shows a build folder's log and adds its counts; a run without a summary counts as a failure.
count_ctest() {
  local log=$1/last-test.log
  cat "$log"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    return
  fi
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
}

run_ctest "$root/native" env
count_ctest "$root/native"
# The two Windows builds run side by side, each on displays and in a Wine prefix of its own: their
# GUI tests spend most of their time waiting for windows, and the 64-bit build's tests would
# otherwise add a minute and a half after the 32-bit ones. Their logs are shown once both end.
for b in win32 win64; do
  WINEPREFIX=$root/$b/wineprefix RAVLIN_DESKTOP_HOLDER=$root/$b/bin/e2e_helper.exe run_ctest "$root/$b" \
    "$repo/scripts/with-display.sh" "$repo/scripts/wine-session.sh" &
done
wait
for b in win32 win64; do
  count_ctest "$root/$b"
done

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
