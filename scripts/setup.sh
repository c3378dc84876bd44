#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's archive.
# Idempotent: when every package is present it installs nothing.
# Usage: scripts/setup.sh [--bench]
set -euo pipefail

packages=(
  cmake make g++ ninja-build pkg-config ccache
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
  googletest libgtest-dev libbenchmark-dev
  libgif-dev giflib-tools python3-pil imagemagick ffmpeg
  wine wine64 wine32:i386
  xvfb xdotool x11-utils xauth openbox
  fonts-wqy-microhei fonts-liberation locales
)
# With --bench, also the real X11 programs and peers the benchmark scripts record and compare.
if [ "${1:-}" = --bench ]; then
  packages+=(xterm x11-apps feh gifsicle procps pngquant python3-numpy fonts-dejavu-core)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Wine speaks the language of LANG only where that locale exists, and without a UTF-8 locale it
# cannot open file names with Chinese characters: the tests run in both of these.
make_locales() {
  local name
  for name in zh_CN en_US; do
    if ! locale -a 2>/dev/null | grep -qix "$name.utf-\?8"; then
      echo "setup: generating $name.UTF-8" >&2
      $SUDO localedef -i "$name" -f UTF-8 "$name.UTF-8"
    fi
  done
}

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

if [ ${#missing[@]} -eq 0 ]; then
  make_locales
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
make_locales
