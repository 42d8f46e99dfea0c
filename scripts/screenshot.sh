#!/usr/bin/env bash
# Writes the README's pictures of the window from the current sources, on
# the sample game, in a virtual display:
#   docs/window.png        the Linux program
#   docs/window-wine.png   the Windows program under Wine (with --wine; it
#                          needs scripts/build-windows.sh to have run)
#   scripts/screenshot.sh [--wine]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/screenshot"
TITLE=$(cat "$root/resources/window_title.txt")
readonly TITLE

# Inside the virtual display: start the program in the game folder and take
# a picture of its window once the preview is drawn.
if [ "${1:-}" = "--shoot" ]; then
  game=$2 out=$3
  shift 3
  (cd "$game" && exec "$@") >/dev/null 2>&1 &
  pid=$!
  wid=$(timeout 60 xdotool search --sync --onlyvisible --name "^$TITLE\$" | head -n 1)
  sleep 2  # the preview is drawn after the window is mapped
  import -window "$wid" "$out"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  exit 0
fi

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLAPBUNDLE_TESTS=OFF >/dev/null
cmake --build "$build" --target lapbundle make-sample-game -j2
work=$(mktemp -d -t lapbundle-shot-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/tools/make-sample-game" "$work/game" >/dev/null
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --shoot "$work/game" "$root/docs/window.png" \
  "$build/core/lapbundle"
echo "wrote docs/window.png"

if [ "${1:-}" = "--wine" ]; then
  exe="$root/build-win64/core/lapbundle.exe"
  [ -f "$exe" ] || { echo "no $exe: run scripts/build-windows.sh first" >&2; exit 1; }
  rm -rf "$work/game" && "$build/tools/make-sample-game" "$work/game" >/dev/null
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
  # The prefix's background processes started without a display; end them,
  # so that the program starts its own inside the virtual one.
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --shoot "$work/game" "$root/docs/window-wine.png" \
    /usr/lib/wine/wine64 "$exe"
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  echo "wrote docs/window-wine.png"
fi
