#!/usr/bin/env bash
# With "bmp/jpg = 1" the screenshot is packed as a JPEG of full size.
. "$(dirname "$0")/lib.sh"

make_game
printf 'bmp/jpg = 1\r\n' >"$GAME/lapbundle.prf"
start_app
make_zip_and_end "..\\zip\\$NAME.zip ok"
archive="$GAME/zip/$NAME.zip"
unzip -tq "$archive" >/dev/null || fail "archive does not test ok"
diff <(archive_entries "$archive") <(printf '%s\n' "$NAME.jpg" "$NAME.gam" "Oakfield.trk") ||
  fail "unexpected entries"
unzip -p "$archive" "$NAME.jpg" >"$WORK/shot.jpg"
[ "$(head -c 2 "$WORK/shot.jpg" | od -An -tx1 | tr -d ' ')" = "ffd8" ] || fail "not a JPEG"
if command -v identify >/dev/null; then
  [ "$(identify -format '%wx%h' "$WORK/shot.jpg")" = "1024x768" ] || fail "JPEG is not full size"
fi
echo "ok"
