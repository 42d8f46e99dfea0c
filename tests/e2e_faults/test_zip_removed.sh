#!/usr/bin/env bash
# The zip folder removed after start-up: nothing can be staged, the field
# shows "Error", no folder or file is made in its place, the sources stay.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

make_game
remember_sources
start_app
expect_field "$NAME"
rmdir "$GAME/zip" || fail "no empty zip folder after start-up"
make_zip_and_end "Error"
[ ! -e "$GAME/zip" ] || fail "the zip folder came back: $(ls -A "$GAME/zip")"
expect_sources_unchanged
echo "ok"
