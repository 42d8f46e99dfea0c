#!/usr/bin/env bash
# The name typed into the field before the press names the archive and
# the staged entries.
. "$(dirname "$0")/lib.sh"

make_game
start_app
expect_field "$NAME"
type_name "Final"
expect_field "Final"
make_zip_and_end '..\zip\Final.zip ok'
unzip -tq "$GAME/zip/Final.zip" >/dev/null || fail "archive does not test ok"
diff <(archive_entries "$GAME/zip/Final.zip") <(printf '%s\n' Final.bmp Final.gam Oakfield.trk) ||
  fail "unexpected entries"
echo "ok"
