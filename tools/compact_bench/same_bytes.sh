#!/usr/bin/env bash
# Proves that a change to the GIF core writes the same files: builds ravlin-encode at a base
# commit (a git worktree in a temporary folder, native build) and compares its files with this
# tree's, byte for byte, in both modes and with 1, 2 and 3 workers, on the demo contents (text,
# ui, photo) and on any folders of PPM frames given (real X11 sequences from grab_sequences.sh).
# Files must also be the same whatever the number of workers.
# A default-mode difference always fails. A compact file may differ from the base's only where it
# is no larger (the entries of the shared colour table, say, numbered otherwise); a larger one
# fails. Each line gives the base's size and this tree's.
# Usage: same_bytes.sh BASE_COMMIT [FRAME_DIR ...]   (needs build/native from scripts/build.sh)
# BASE_ENCODE=path skips the base build and uses that ravlin-encode.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
base=${1:?usage: same_bytes.sh BASE_COMMIT [FRAME_DIR ...]}
shift
here_bin=$repo/build/native/bin
work=$(mktemp -d)
trap 'git -C "$repo" worktree remove --force "$work/base" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

# BASE_ENCODE: a ravlin-encode already built at the base commit, to skip the build.
base_encode=${BASE_ENCODE:-}
if [ -z "$base_encode" ]; then
  git -C "$repo" worktree add --detach "$work/base" "$base" >/dev/null 2>&1
  cmake -S "$work/base" -B "$work/base/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$work/base/build" --target ravlin-encode >/dev/null
  base_encode=$work/base/build/bin/ravlin-encode
fi

dirs=()
for kind in text ui photo; do
  mkdir -p "$work/$kind"
  "$here_bin/ravlin-demo-frames" "$work/$kind" 12 640 360 "$kind" >/dev/null
  dirs+=("$work/$kind")
done
dirs+=("$@")

failed=0
for dir in "${dirs[@]}"; do
  frames=("$dir"/*.ppm)
  for mode in default compact; do
    flag=()
    [ "$mode" = compact ] && flag=(--compact)
    "$base_encode" "${flag[@]}" --threads 1 "$work/base.gif" "${frames[@]}" >/dev/null
    for threads in 1 2 3; do
      "$here_bin/ravlin-encode" "${flag[@]}" --threads "$threads" "$work/here.gif" "${frames[@]}" >/dev/null
      [ "$threads" = 1 ] && cp "$work/here.gif" "$work/here-1.gif"
      if ! cmp -s "$work/here-1.gif" "$work/here.gif"; then
        verdict="DIFFERENT from this tree's own file with 1 worker"
        failed=1
      elif cmp -s "$work/base.gif" "$work/here.gif"; then
        verdict="same ($(stat -c %s "$work/here.gif") bytes)"
      elif [ "$mode" = compact ] && [ "$(stat -c %s "$work/here.gif")" -le "$(stat -c %s "$work/base.gif")" ]; then
        verdict="differs, no larger: $(stat -c %s "$work/base.gif") -> $(stat -c %s "$work/here.gif") bytes"
      elif [ "$mode" = compact ]; then
        verdict="LARGER: $(stat -c %s "$work/base.gif") -> $(stat -c %s "$work/here.gif") bytes"
        failed=1
      else
        verdict=DIFFERENT
        failed=1
      fi
      printf '%-40s %-8s %d workers: %s\n' "$(basename "$(dirname "$dir")")/$(basename "$dir")" "$mode" "$threads" "$verdict"
    done
  done
done
exit $failed
