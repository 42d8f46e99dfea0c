#!/usr/bin/env bash
# Shows lapbundle at work: builds it when needed, writes a sample game folder
# into a temporary folder and runs the program there.
#
# With a display (DISPLAY set) the window opens and you use it yourself.
# Without one, the program runs in a virtual display: the demo presses
# "Make Zip", then "End", and lists the archive that was made.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="${LAPBUNDLE_BUILD_DIR:-$root/build/demo}"
TITLE=$(cat "$root/resources/window_title.txt")
readonly TITLE

# Inside the virtual display: drive the window like a user would.
if [ "${1:-}" = "--drive" ]; then
  app=$2 game=$3
  (cd "$game" && exec "$app") &
  pid=$!
  wid=$(timeout 15 xdotool search --sync --onlyvisible --name "^$TITLE\$" | head -n 1)
  xdotool mousemove --window "$wid" 490 675 click 1  # "Make Zip"
  # Done when the archive exists and the staged copies are gone again.
  for _ in $(seq 1 200); do
    if ls "$game"/zip/*.zip >/dev/null 2>&1 && ! ls "$game"/zip/*.gam >/dev/null 2>&1; then
      break
    fi
    sleep 0.1
  done
  sleep 0.3  # the button is enabled again right after the copies are removed
  xdotool mousemove --window "$wid" 490 675 click 1  # "End"
  wait "$pid"
  exit $?
fi

"$root/scripts/install-deps.sh" --runtime

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLAPBUNDLE_TESTS=OFF
fi
cmake --build "$build" --target lapbundle make-sample-game lapbundle-bench -j2

app="$build/core/lapbundle"
game="$(mktemp -d -t lapbundle-demo-XXXXXX)/game"
"$build/tools/make-sample-game" "$game"
echo "Sample game folder: $game"
echo "What lapbundle finds there:"
"$build/bench/lapbundle-bench" startup "$game" --show | sed 's/^/  /'

if [ -n "${DISPLAY:-}" ]; then
  (cd "$game" && "$app")
else
  echo "No display: running in a virtual one, pressing \"Make Zip\" and \"End\"."
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --drive "$app" "$game"
fi

shopt -s nullglob
archives=("$game"/zip/*.zip)
if [ ${#archives[@]} -eq 0 ]; then
  echo "No archive was made."
else
  for archive in "${archives[@]}"; do unzip -l "$archive"; done
fi
