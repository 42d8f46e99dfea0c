#!/usr/bin/env bash
# Start-up under load, measured on the real program in a virtual display:
#   bench/load.sh [BUILD_DIR]        (default build/plain; opt-in, not in CI)
# For each game folder: the time until the window appears, the whole run's
# wall time (start, window, close box; the close is handled once start-up
# is over, so this bounds the whole start-up) and its peak resident memory, from
# /usr/bin/time -v. Cases: the sample game; 100,000 older screenshots and
# 10,000 older saved games; a newest screenshot whose header claims
# 16384 x 16384 pixels over a short file; a 100 MB screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/plain}" && pwd)
if [ -z "${LOAD_IN_DISPLAY:-}" ]; then
  exec env LOAD_IN_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build"
fi
app="$build/core/lapbundle"
make_game="$build/tools/make-sample-game"
close_window="$build/tests/e2e/close-window"
for p in "$app" "$make_game" "$close_window"; do
  [ -x "$p" ] || { echo "missing $p (build lapbundle, make-sample-game, close-window)"; exit 1; }
done
work=$(mktemp -d -t lapbundle-load-XXXXXX)
trap 'rm -rf "$work"' EXIT
title=$(cat "$root/resources/window_title.txt")

# measure LABEL GAMEFOLDER: one run, one line of figures.
measure() {
  local label=$1 game=$2 started window_ms
  started=$(date +%s%N)
  (cd "$game" && exec /usr/bin/time -v -o "$work/time.txt" "$app") &
  local pid=$!
  # Polled every 20 ms: xdotool's own --sync waits in steps of half a second.
  local wid="" tries=0
  until wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) &&
    [ -n "$wid" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 6000 ]; then
      echo "$label: the window did not appear"
      kill "$pid" 2>/dev/null || true
      return 1
    fi
    sleep 0.02
  done
  window_ms=$((($(date +%s%N) - started) / 1000000))
  "$close_window" "$wid"
  wait "$pid"
  local rss wall
  rss=$(sed -n 's/^\s*Maximum resident set size (kbytes): //p' "$work/time.txt")
  wall=$(sed -n 's/^\s*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
  printf '%-34s window %6d ms   run %8s   peak RSS %7d kB\n' "$label" "$window_ms" "$wall" "$rss"
}

echo "== writing the game folders"
"$make_game" "$work/plain" >/dev/null
"$make_game" "$work/many" --extra-screens 100000 --extra-screen 2x2 --extra-saves 10000 >/dev/null
"$make_game" "$work/huge-header" >/dev/null
bmp="$work/huge-header/Screens/Screen1.bmp"
stamp=$(stat -c %Y "$bmp")
{
  printf 'BM\x36\x00\x00\x30\x00\x00\x00\x00\x36\x00\x00\x00'
  printf '\x28\x00\x00\x00\x00\x40\x00\x00\x00\x40\x00\x00\x01\x00\x18\x00'
  head -c 1000 /dev/zero
} | dd of="$bmp" conv=notrunc status=none
truncate -s 1054 "$bmp"
touch -d "@$stamp" "$bmp"
"$make_game" "$work/big-shot" --screen 5800x5800 >/dev/null
echo "screens: $(ls "$work/many/Screens" | wc -l), saves: $(ls "$work/many/Saves" | wc -l)," \
  "big screenshot: $(stat -c %s "$work/big-shot/Screens/Screen1.bmp") bytes"

echo "== start-up figures"
measure "sample game" "$work/plain"
measure "100,000 screens, 10,000 saves" "$work/many"
measure "16384 x 16384 header, short file" "$work/huge-header"
measure "100 MB screenshot (5800 x 5800)" "$work/big-shot"
