#!/usr/bin/env bash
# keloscroll-demo in a real X window on a virtual display (xvfb-run): it opens, runs on the real
# clock, closes after a moment and leaves a screenshot of what the window showed, 640 x 480.
# Skipped (exit 77) where xvfb-run is not installed (scripts/install-deps all installs it).
#   demo_window.sh DEMO_BINARY WORK_DIR
set -euo pipefail
demo=$1
dir=$2
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "xvfb-run is not installed: the real-window test is skipped"
  exit 77
fi
rm -rf "$dir"
mkdir -p "$dir"
env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
  xvfb-run -a -s "-screen 0 1024x768x24" \
  "$demo" --window --quit-after 1500 --shots "$dir" --form "$dir/form.json" | tee "$dir/out.txt"
grep -q "screenshot of the window: $dir/window.png" "$dir/out.txt"
# The PNG header's width and height (big-endian words at bytes 16 and 20).
read -r w h < <(od -An -tu1 -j16 -N8 "$dir/window.png" |
  awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
echo "window.png: $w x $h"
[ "$w" -eq 640 ] && [ "$h" -eq 480 ]
