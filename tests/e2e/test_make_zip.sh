#!/usr/bin/env bash
# "Make Zip" then "End": the archive holds the three items under the
# proposed name, the staged copies are gone, the program ends with 0.
. "$(dirname "$0")/lib.sh"

make_game
start_app
expect_field "$NAME"
make_zip_and_end "..\\zip\\$NAME.zip ok"
archive="$GAME/zip/$NAME.zip"
[ -f "$archive" ] || fail "no archive"
unzip -tq "$archive" >/dev/null || fail "archive does not test ok"
diff <(archive_entries "$archive") <(printf '%s\n' "$NAME.bmp" "$NAME.gam" "Oakfield.trk") ||
  fail "unexpected entries"
unzip -p "$archive" "$NAME.gam" | cmp - "$GAME/Saves/Race1.gam" || fail "saved game differs"
[ "$(ls -A "$GAME/zip")" = "$NAME.zip" ] || fail "staged copies left: $(ls -A "$GAME/zip")"
echo "ok"
