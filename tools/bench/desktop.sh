#!/usr/bin/env bash
# Runs a command on a private Xvfb desktop of WIDTH x HEIGHT that real X11 programs keep busy,
# for the pipeline benchmark's desktop-like content: a terminal scrolling a directory listing,
# top in a second terminal, a clock, a calculator, and a text window dragged across the screen
# all the time, over a plain blue background under openbox.
# Usage: tools/bench/desktop.sh WIDTH HEIGHT COMMAND [ARG...]
set -euo pipefail
width=$1 height=$2
shift 2
. "$(dirname "$0")/x_desktop.sh"
start_desktop "$width" "$height"
xterm -T listing -geometry 100x40+20+20 -e bash -c \
  'while :; do ls -lR --color=always /usr/share; done | while IFS= read -r l; do printf "%s\n" "$l"; sleep 0.002; done' \
  >/dev/null 2>&1 &
pids+=($!)
xterm -T top -geometry 80x24+$((width / 2))+40 -e top -d 1 >/dev/null 2>&1 &
pids+=($!)
xclock -geometry 160x160+$((width - 200))+$((height - 220)) -update 1 >/dev/null 2>&1 &
pids+=($!)
xcalc -geometry +$((width - 420))+$((height - 360)) >/dev/null 2>&1 &
pids+=($!)
xterm -T notes -geometry 64x18+80+$((height / 2)) -bg '#fffbe6' -fg black \
  -e less /usr/share/common-licenses/GPL-3 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  notes=$(xdotool search --onlyvisible --name notes 2>/dev/null | head -1 || true)
  [ -n "$notes" ] && break
  sleep 0.1
done
sleep 1
# The dragged window goes back and forth across the screen, 8 pixels every 40 ms.
(x=80; dx=8; while :; do
   xdotool windowmove "$notes" "$x" $((height / 2)) 2>/dev/null || true
   x=$((x + dx)); { [ $x -gt $((width - 600)) ] || [ $x -lt 20 ]; } && dx=$((-dx))
   sleep 0.04
 done) &
pids+=($!)
"$@"
