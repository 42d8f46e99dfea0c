#!/usr/bin/env bash
# While the action packs a big screenshot, the window repaints what another
# window uncovers: the preview as before the press, the button as it was
# during the action before it was covered.
. "$(dirname "$0")/lib.sh"
for tool in xlogo import compare; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
readonly PREVIEW=800x600+20+5 BUTTON=80x30+450+660

snap() { import -window "$WID" "$WORK/$1.ppm"; }
# same_region SNAP SNAP GEOMETRY: no pixel of that region differs.
same_region() {
  [ "$(compare -metric AE "$WORK/$1.ppm[$3]" "$WORK/$2.ppm[$3]" null: 2>&1)" = 0 ]
}
repainted() {
  snap after && same_region before after "$PREVIEW" && same_region during after "$BUTTON"
}
staged() { [ -e "$GAME/zip/$NAME.bmp" ] && [ -e "$GAME/zip/$NAME.gam" ]; }

make_game --screen 3840x2160
start_app
expect_field "$NAME"
snap before
press_button
# Packing has begun when a third file, the archive being written, is in zip.
wait_until 30 sh -c "[ \$(ls -A '$GAME/zip' | wc -l) -ge 3 ]" || fail "packing did not begin"
snap during
read -r x y < <(xdotool getwindowgeometry "$WID" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
xlogo -geometry "840x710+$x+$y" 2>/dev/null &
cover=$!
timeout 5 xdotool search --sync --onlyvisible --class xlogo >/dev/null || fail "no cover window"
kill "$cover"
wait "$cover" || true
ok=0
POLL_MS=200 wait_until 1 repainted || ok=1
staged || fail "the action ended before the window was checked"
[ "$ok" -eq 0 ] || fail "the uncovered window was not repainted during the action"
echo "ok"
