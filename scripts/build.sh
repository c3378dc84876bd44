#!/usr/bin/env bash
# Configures and builds one or more of the three builds:
#   native  the portable core, its tests and tools (Linux)
#   win32   the shipping Windows program (i686, mingw-w64)
#   win64   the same program for x86_64
# Usage: scripts/build.sh [native|win32|win64|all]...   (default: all)
# RAVLIN_BUILD_ROOT moves the build folders (default: build/ in the repository).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=${RAVLIN_BUILD_ROOT:-$repo/build}
jobs=${RAVLIN_JOBS:-$(nproc)}

# A compiler cache, where installed, shared by every clone on the machine: sources are hashed
# by their path inside the clone, so a fresh clone builds from the cache in seconds.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$repo CCACHE_NOHASHDIR=true
fi

configure() {
  local name=$1; shift
  local dir=$root/$name
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$repo" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$jobs"
}

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(all)
for t in "${targets[@]}"; do
  case $t in
    native) configure native ;;
    win32) configure win32 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" ;;
    win64) configure win64 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake" ;;
    all)
      configure native
      configure win32 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake"
      configure win64 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake"
      ;;
    *) echo "build.sh: unknown build '$t' (native, win32, win64 or all)" >&2; exit 2 ;;
  esac
done
