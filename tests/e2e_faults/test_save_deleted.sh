#!/usr/bin/env bash
# The newest saved game deleted after start-up: the screenshot is staged,
# the saved game cannot be copied, the field shows "Error" and the staged
# screenshot stays in zip, whole. The other sources stay as they were.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

make_game --extra-saves 2
start_app
expect_field "$NAME"
rm "$GAME/Saves/Race1.gam"
remember_sources
make_zip_and_end "Error"
expect_zip_contents "$NAME.bmp"
cmp "$GAME/zip/$NAME.bmp" "$GAME/Screens/Screen1.bmp" || fail "the staged screenshot differs"
expect_sources_unchanged
echo "ok"
