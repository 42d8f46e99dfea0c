#!/usr/bin/env bash
# A settings file held for writing by another program at start-up: the
# program goes on with the defaults (the track is packed although the file
# says not to), does not wait for the file, and does not replace it by the
# defaults at the end, also when the other program has let go by then.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

make_game
printf 'Track = 0\r\n' >"$GAME/lapbundle.prf"
before=$(md5sum <"$GAME/lapbundle.prf")
coproc LOCK { exec "$HOLD_LOCK" "$GAME/lapbundle.prf"; }
lock_pid=$LOCK_PID
read -r -t 5 answer <&"${LOCK[0]}" && [ "$answer" = "locked" ] || fail "could not lock the file"
start_app
expect_field "$NAME"
press_button
expect_field "..\\zip\\$NAME.zip ok"
diff <(archive_entries "$GAME/zip/$NAME.zip") \
  <(printf '%s\n' "$NAME.bmp" "$NAME.gam" "Oakfield.trk") || fail "unexpected entries"
exec {LOCK[1]}>&-
wait "$lock_pid"
press_button
expect_exit 0
[ "$(md5sum <"$GAME/lapbundle.prf")" = "$before" ] || fail "the settings file changed"
echo "ok"
