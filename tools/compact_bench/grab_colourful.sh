#!/usr/bin/env bash
# Records two many-coloured screen sequences from real X11 programs on a private Xvfb display,
# as PPM frames for the compact-mode benchmark (hundreds of colours in each frame):
#   colour-terminal  xterm in DejaVu Sans Mono (antialiased TrueType) on a dark scheme,
#                    scrolling coloured listings and coloured words, 800 x 480
#   colour-desktop   a gradient background, a picture, a clock, a calculator, an antialiased
#                    coloured terminal and a text window dragged over them, 1280 x 720
# Usage: grab_colourful.sh OUTDIR [FRAMES]   (needs build/native/bin/ravlin-demo-frames)
set -euo pipefail
out=$(realpath -m "$1")
frames=${2:-40}
repo=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"

. "$repo/tools/bench/x_desktop.sh"
start_desktop 1280 720

# Coloured output in the terminal's sixteen colours: listings, and lines of coloured words.
colour_lines='
i=0
while :; do
  ls -l --color=always /usr/share/doc | head -40 | while IFS= read -r l; do printf "%s\n" "$l"; sleep 0.01; done
  for k in $(seq 30); do
    i=$((i + 1))
    printf "\e[3%dm%-4d\e[1;3%dmbuild\e[0m step %d: \e[3%dmcompiled\e[0m \e[4%dm\e[30m ok \e[0m %s\n" \
      $((i % 7 + 1)) "$k" $(((i + 3) % 7 + 1)) "$i" $(((i + 5) % 7 + 1)) $((i % 6 + 1)) "$(date +%T.%N)"
    sleep 0.02
  done
done'

xterm -T colourterm -geometry 90x26+0+0 -bg '#1d2030' -fg '#d8dee9' -fa 'DejaVu Sans Mono' -fs 11 \
  -e bash -c "$colour_lines" &
pids+=($!)
t=$(wait_window colourterm)
xdotool windowmove "$t" 0 0 windowsize "$t" 800 480 windowraise "$t"
sleep 1.5
grab colour-terminal 800 480 0 0
kill "${pids[-1]}" 2>/dev/null || true

# The desktop: a gradient, a picture, programs, and a window dragged across while recording.
convert -size 1280x720 gradient:'#204a87-#c17d11' png:- | display -window root - 2>/dev/null || true
photo=$(mktemp -d)
"$repo/build/native/bin/ravlin-demo-frames" "$photo" 1 640 400 photo >/dev/null
feh --title picture -g 640x400+620+300 "$photo/frame-000.ppm" &
pids+=($!)
xclock -geometry 160x160+1080+20 -update 1 &
pids+=($!)
xcalc -geometry +900+40 &
pids+=($!)
xterm -T deskterm -geometry 70x18+20+20 -bg '#2e3440' -fg '#a3be8c' -fa 'DejaVu Sans Mono' -fs 10 \
  -e bash -c "$colour_lines" &
pids+=($!)
xterm -T notes -geometry 60x16+80+380 -bg '#fffbe6' -fg '#333333' -fa 'DejaVu Sans' -fs 10 \
  -e less /usr/share/common-licenses/GPL-3 &
pids+=($!)
w=$(wait_window notes)
wait_window picture >/dev/null
wait_window deskterm >/dev/null
wait_window Calculator >/dev/null
sleep 1.5
(for i in $(seq 0 $((frames * 2))); do xdotool windowmove "$w" $((80 + i * 7)) $((380 - i * 3)); sleep 0.05; done) &
mover=$!
grab colour-desktop 1280 720 0 0
wait $mover || true
rm -rf "$photo"
echo "grabbed: $(ls "$out" | tr '\n' ' ')"
