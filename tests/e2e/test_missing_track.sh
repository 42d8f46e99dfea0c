#!/usr/bin/env bash
# Without the track file the archive holds the other two items, still ok.
. "$(dirname "$0")/lib.sh"

make_game --no-track
start_app
name="oakfield_Ann Lee_0"
make_zip_and_end "..\\zip\\$name.zip ok"
archive="$GAME/zip/$name.zip"
unzip -tq "$archive" >/dev/null || fail "archive does not test ok"
diff <(archive_entries "$archive") <(printf '%s\n' "$name.bmp" "$name.gam") ||
  fail "unexpected entries"
echo "ok"
