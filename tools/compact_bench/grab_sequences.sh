#!/usr/bin/env bash
# Records real screen sequences from real X11 programs on a private Xvfb display, as PPM
# frames for the compact-mode benchmark:
#   terminal  xterm scrolling `ls -lR --color`, 640 x 480
#   desktop   terminals, a clock, a calculator and a text window, one of them dragged, 1280 x 720
#   text      a page of text scrolled in a pager, 800 x 600
#   photo     a photo-like picture (the benchmark's landscape) zoomed in and panned in feh, 960 x 540
# Usage: grab_sequences.sh OUTDIR [FRAMES]   (needs build/native/bin/ravlin-demo-frames)
set -euo pipefail
out=$(realpath -m "$1")
frames=${2:-60}
repo=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"

. "$repo/tools/bench/x_desktop.sh"
start_desktop 1280 720

# Terminal.
xterm -T term1 -geometry 80x24+0+0 -fa Monospace -fs 11 -e bash -c \
  'ls -lR --color=always /usr/share | while IFS= read -r l; do printf "%s\n" "$l"; sleep 0.004; done' &
pids+=($!)
t=$(wait_window term1)
xdotool windowmove "$t" 0 0 windowsize "$t" 640 480
sleep 1
grab terminal 640 480 0 0
kill "${pids[-1]}" 2>/dev/null || true

# Desktop: a few programs, and a text window dragged across while recording.
xclock -geometry 160x160+1080+20 -update 1 &
pids+=($!)
xcalc -geometry +1040+260 &
pids+=($!)
xterm -T term2 -geometry 70x20+30+30 -e bash -c 'top -d 1' &
pids+=($!)
xterm -T term3 -geometry 60x15+560+400 -e bash -c 'while :; do date; sleep 1; done' &
pids+=($!)
xterm -T notes -geometry 64x18+80+380 -bg '#fffbe6' -fg black -e less /usr/share/common-licenses/GPL-3 &
pids+=($!)
w=$(wait_window notes)
wait_window term3 >/dev/null
wait_window Calculator >/dev/null
sleep 1
(for i in $(seq 0 $((frames * 2))); do xdotool windowmove "$w" $((80 + i * 6)) $((380 - i * 2)); sleep 0.05; done) &
mover=$!
grab desktop 1280 720 0 0
wait $mover || true

# A page of text scrolled.
xterm -T page -geometry 96x36+0+0 -bg white -fg black -fa Serif -fs 10 -e less /usr/share/common-licenses/GPL-3 &
pids+=($!)
p=$(wait_window page)
xdotool windowmove "$p" 0 0 windowsize "$p" 800 600 windowraise "$p"
sleep 1
(for i in $(seq $((frames * 3))); do xdotool key --window "$p" j; sleep 0.033; done) &
scroller=$!
grab text 800 600 0 0
wait $scroller || true

# A photo in feh, panned.
photo=$(mktemp -d)
"$repo/build/native/bin/ravlin-demo-frames" "$photo" 1 1920 1080 photo
feh -T feh -g 960x540+0+0 --force-aliasing "$photo/frame-000.ppm" &
pids+=($!)
f=$(wait_window feh)
xdotool windowmove "$f" 0 0 windowraise "$f"
sleep 1
xdotool key --window "$f" Up Up
sleep 0.5
(for i in $(seq $((frames * 2))); do xdotool key --window "$f" ctrl+Right ctrl+Down; sleep 0.05; done) &
panner=$!
grab photo 960 540 0 0
wait $panner || true
rm -rf "$photo"
echo "grabbed: $(ls "$out" | tr '\n' ' ')"
