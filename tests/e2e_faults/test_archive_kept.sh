#!/usr/bin/env bash
# An archive of the same name is replaced only by a complete one. The zip
# folder a small tmpfs with room for the staged copies but not the new
# archive: "Error", the earlier archive byte for byte, no partial file. On a
# disk with room the earlier archive is replaced.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

head -c 5000 /dev/urandom >"$WORK/earlier.zip"
make_game
mkdir -p "$GAME/zip"
mount_or_skip -t tmpfs -o size=3m tmpfs "$GAME/zip"
cp "$WORK/earlier.zip" "$GAME/zip/$NAME.zip"
start_app
expect_field "$NAME"
make_zip_and_end "Error"
cmp "$WORK/earlier.zip" "$GAME/zip/$NAME.zip" || fail "the earlier archive was changed"
expect_zip_contents "$NAME.bmp" "$NAME.gam" "$NAME.zip"
umount "$GAME/zip"

rm -rf "$GAME"
make_game
mkdir -p "$GAME/zip"
cp "$WORK/earlier.zip" "$GAME/zip/$NAME.zip"
start_app
make_zip_and_end "..\\zip\\$NAME.zip ok"
unzip -tq "$GAME/zip/$NAME.zip" >/dev/null || fail "the archive was not replaced by a sound one"
expect_zip_contents "$NAME.zip"
echo "ok"
