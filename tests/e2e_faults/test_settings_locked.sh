#!/usr/bin/env bash
# A settings file held for writing by another program for the whole run:
# the program goes on with the defaults (the track is packed although the
# file says not to) and neither waits for the file nor overwrites it.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

make_game
printf 'Track = 0\r\n' >"$GAME/lapbundle.prf"
before=$(md5sum <"$GAME/lapbundle.prf")
coproc LOCK { exec "$HOLD_LOCK" "$GAME/lapbundle.prf"; }
read -r -t 5 answer <&"${LOCK[0]}" && [ "$answer" = "locked" ] || fail "could not lock the file"
start_app
expect_field "$NAME"
make_zip_and_end "..\\zip\\$NAME.zip ok"
diff <(archive_entries "$GAME/zip/$NAME.zip") \
  <(printf '%s\n' "$NAME.bmp" "$NAME.gam" "Oakfield.trk") || fail "unexpected entries"
[ "$(md5sum <"$GAME/lapbundle.prf")" = "$before" ] || fail "the locked settings file changed"
exec {LOCK[1]}>&-
echo "ok"
