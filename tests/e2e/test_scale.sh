#!/usr/bin/env bash
# The program at the scale the desktop asks for: with Xft.dpi at 96, 120,
# 144 and 192 the window is 840 x 710 times dpi / 96, its button is where
# the scaled layout puts it, and the JPEG it packs from the full-size
# screenshot is byte for byte the one of 96 DPI. The display must hold the
# window at 192 DPI, and keep the root window's resources between clients.
readonly BIG_SCREEN=2048x1600
if [ -z "${SCALE_DISPLAY:-}" ]; then
  SCALE_DISPLAY=1 exec xvfb-run -a -s "-screen 0 ${BIG_SCREEN}x24 -noreset" bash "$0"
fi
. "$(dirname "$0")/lib.sh"

# scaled VALUE: VALUE at the current DPI, rounded to the nearest pixel.
scaled() { awk -v v="$1" -v d="$dpi" 'BEGIN { printf "%d", v * d / 96 + 0.5 }'; }
# Clicks at the client coordinates of the 96-DPI layout, scaled.
click_at() {
  xdotool mousemove --window "$WID" "$(scaled "$1")" "$(scaled "$2")" click 1
}

for dpi in 96 120 144 192; do
  # What xrdb -merge leaves on the root window.
  xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t%s\n' "$dpi")"
  rm -rf "$GAME"
  make_game
  default_settings | sed 's/bmp\/jpg = 0/bmp\/jpg = 1/' >"$GAME/lapbundle.prf"
  start_app
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  [ "${WIDTH}x$HEIGHT" = "$(scaled 840)x$(scaled 710)" ] ||
    fail "$dpi DPI: the window is ${WIDTH}x$HEIGHT"
  make_zip_and_end "..\\zip\\$NAME.zip ok"
  unzip -p "$GAME/zip/$NAME.zip" "$NAME.jpg" >"$WORK/$dpi.jpg"
  [ -s "$WORK/$dpi.jpg" ] || fail "$dpi DPI: no JPEG in the archive"
  cmp -s "$WORK/96.jpg" "$WORK/$dpi.jpg" || fail "$dpi DPI: the JPEG differs from 96 DPI's"
done
echo "ok"
