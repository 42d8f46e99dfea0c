#!/usr/bin/env bash
# A settings file the program may only read (a read-only mount binds root
# too): its choices are used (no track in the archive) and it is left
# exactly as it was.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

make_game
printf 'Track = 0\r\ntext = Cup\r\n' >"$GAME/lapbundle.prf"
mount_or_skip --bind "$GAME/lapbundle.prf" "$GAME/lapbundle.prf"
mount -o remount,ro,bind "$GAME/lapbundle.prf" || { echo "SKIP: no read-only remount"; exit 77; }
before=$(stat -c '%s %Y' "$GAME/lapbundle.prf"; md5sum <"$GAME/lapbundle.prf")
start_app
expect_field "$NAME"
make_zip_and_end "..\\zip\\$NAME.zip ok"
diff <(archive_entries "$GAME/zip/$NAME.zip") <(printf '%s\n' "$NAME.bmp" "$NAME.gam") ||
  fail "the settings were not used"
after=$(stat -c '%s %Y' "$GAME/lapbundle.prf"; md5sum <"$GAME/lapbundle.prf")
[ "$before" = "$after" ] || fail "the settings file changed"
echo "ok"
