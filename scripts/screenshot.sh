#!/usr/bin/env bash
# Writes the README's pictures from the current sources, on sample games:
#   docs/window.png        the Linux program, in a virtual display
#   docs/window-N.png      the same at N DPI (with --dpi N; Xft.dpi in the
#                          display's resource database, as xrdb sets it), on
#                          a screen large enough for it
#   docs/window-wine.png   also the Windows program under Wine (with --wine;
#                          it needs scripts/build-windows.sh to have run)
#   docs/window-wine-N.png the same at N DPI (with --wine --dpi N; Wine's
#                          LogPixels)
#   docs/report.png        with --report instead: lapbundle-check's standings
#                          page for a few sample proofs (one of them renamed
#                          after packing), rendered by headless Chromium
#   docs/season.png        with --season instead: lapbundle-check's season page
#                          for scripts/sample-season.sh's season
#   scripts/screenshot.sh [--wine] [--dpi N] | --report | --season
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
  # The desktop's font density, as xrdb -merge leaves it on the root window
  # (the display is started with -noreset, so that it outlives this client).
  if [ -n "${SHOOT_DPI:-}" ]; then
    xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t%s\n' "$SHOOT_DPI")"
  fi
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

if [ "${1:-}" = "--report" ] || [ "${1:-}" = "--season" ]; then
  dpkg-query -W -f='${Status}' chromium 2>/dev/null | grep -q "install ok installed" || {
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends chromium
  }
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLAPBUNDLE_TESTS=OFF >/dev/null
  cmake --build "$build" --target lapbundle-check lapbundle-bench make-sample-game -j2
  work=$(mktemp -d -t lapbundle-report-XXXXXX)
  trap 'rm -rf "$work"' EXIT
  page=report.html picture=docs/report.png
  if [ "$1" = "--season" ]; then
    "$root/scripts/sample-season.sh" "$build" "$work"
    (cd "$work" && "$build/check/lapbundle-check" --season season.toml --html season.html) || true
    page=season.html picture=docs/season.png
  else
    mkdir "$work/proofs"
    # Proofs of two races, packed as the tool packs them by default.
    for entry in "Ann Lee:1850000:10" "Bo Marsh:1799321:10" "Cy Dale:1912456:10" \
                 "Di Park:912004:5" "Ed Vance:0:5"; do
      IFS=: read -r driver time laps <<<"$entry"
      rm -rf "$work/game"
      "$build/tools/make-sample-game" "$work/game" --driver "$driver" --time "$time" \
        --length "$laps" --screen 640x480 >/dev/null
      "$build/bench/lapbundle-bench" makezip "$work/game" >/dev/null
      mv "$work/game/zip/"*.zip "$work/proofs/"
    done
    # One archive renamed after packing: it stays in the page, marked.
    first=$(ls "$work/proofs" | head -n 1)
    mv "$work/proofs/$first" "$work/proofs/renamed_${first}"
    (cd "$work" && "$build/check/lapbundle-check" --html report.html proofs) || true
  fi
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --hide-scrollbars --window-size=1100,1250 \
    --screenshot="$root/$picture" "file://$work/$page" >/dev/null 2>&1
  echo "wrote $picture"
  exit 0
fi
wine=0 dpi=96
while [ $# -gt 0 ]; do
  case $1 in
    --wine) wine=1 ;;
    --dpi)
      dpi=${2:-}
      [[ "$dpi" =~ ^[0-9]+$ ]] && [ "$dpi" -ge 96 ] && [ "$dpi" -le 192 ] ||
        { echo "--dpi takes a number from 96 to 192" >&2; exit 1; }
      shift ;;
    *) echo "usage: scripts/screenshot.sh [--wine] [--dpi N] | --report | --season" >&2; exit 1 ;;
  esac
  shift
done
suffix="" screen=1024x768
if [ "$dpi" -ne 96 ]; then
  suffix=-$dpi
  screen=2048x1600  # room for the window at up to twice its size
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLAPBUNDLE_TESTS=OFF >/dev/null
cmake --build "$build" --target lapbundle make-sample-game -j2
work=$(mktemp -d -t lapbundle-shot-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/tools/make-sample-game" "$work/game" >/dev/null
SHOOT_DPI=$dpi xvfb-run -a -s "-screen 0 ${screen}x24 -noreset" "$0" --shoot "$work/game" \
  "$root/docs/window$suffix.png" "$build/core/lapbundle"
echo "wrote docs/window$suffix.png"

if [ "$wine" -eq 1 ]; then
  exe="$root/build-win64/core/lapbundle.exe"
  [ -f "$exe" ] || { echo "no $exe: run scripts/build-windows.sh first" >&2; exit 1; }
  picture=docs/window-wine$suffix.png
  rm -rf "$work/game" && "$build/tools/make-sample-game" "$work/game" >/dev/null
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    >/dev/null 2>&1
  # The prefix's background processes started without a display; end them,
  # so that the program starts its own inside the virtual one.
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  xvfb-run -a -s "-screen 0 ${screen}x24" "$0" --shoot "$work/game" "$root/$picture" \
    /usr/lib/wine/wine64 "$exe"
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  echo "wrote $picture"
fi
