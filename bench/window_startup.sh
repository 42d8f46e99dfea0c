#!/usr/bin/env bash
# Start-up time of the real program, from process start to the window mapped
# and to the window painted with its preview, in a virtual display:
#   bench/window_startup.sh [BUILD_DIR] [RUNS]   (default build/release, 21 runs)
# Game folder: 5,000 screenshots whose newest is a 3840 x 2160 BMP (the
# others 160 x 120) and 1,000 saved games. One untimed run first creates the
# settings file and the zip folder and warms the file cache, as on a machine
# where the tool has run before. Then window-watch (bench/window_watch.c,
# compiled here) starts the program RUNS times; see that file for how each
# moment is taken.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
runs=${2:-21}
if [ -z "${STARTUP_IN_DISPLAY:-}" ]; then
  exec env STARTUP_IN_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build" "$runs"
fi
app="$build/bench/lapbundle-traced"
make_game="$build/tools/make-sample-game"
for p in "$app" "$make_game"; do
  [ -x "$p" ] || { echo "missing $p (build lapbundle-traced and make-sample-game)"; exit 1; }
done
work=$(mktemp -d -t lapbundle-startup-XXXXXX)
trap 'rm -rf "$work"' EXIT

title=$(cat "$root/resources/window_title.txt")
cc -std=c11 -O2 -Wall -Wextra -I"$root" -DTITLE="\"$title\"" -o "$work/window-watch" "$root/bench/window_watch.c" -lX11
game="$work/game"
"$make_game" "$game" --screen 3840x2160 --extra-screens 4999 --extra-screen 160x120 \
  --extra-saves 999 >/dev/null
echo "screenshots: $(ls "$game/Screens" | wc -l), saved games: $(ls "$game/Saves" | wc -l)," \
  "newest screenshot: $(stat -c %s "$game/Screens/Screen1.bmp") bytes"

cd "$game"
"$work/window-watch" 1 "$app" >/dev/null
"$work/window-watch" "$runs" "$app"
