#!/usr/bin/env bash
# The zip folder is a link to a folder elsewhere (as for archives kept on
# another disk), where an earlier archive of the name lies: the press replaces it with a sound archive,
# reports "ok" and leaves no staged copy behind, in the linked folder.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

head -c 5000 /dev/urandom >"$WORK/earlier.zip"
make_game
mkdir -p "$WORK/archives"
rm -rf "$GAME/zip"
ln -s "$WORK/archives" "$GAME/zip"
cp "$WORK/earlier.zip" "$WORK/archives/$NAME.zip"
remember_sources
start_app
expect_field "$NAME"
make_zip_and_end "..\\zip\\$NAME.zip ok"
[ -L "$GAME/zip" ] || fail "the link to the zip folder was replaced"
unzip -tq "$WORK/archives/$NAME.zip" >/dev/null || fail "the archive was not replaced by a sound one"
expect_zip_contents "$NAME.zip"
expect_sources_unchanged
echo "ok"
