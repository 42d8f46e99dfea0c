#!/usr/bin/env bash
# An archive name that is a path is refused before anything is staged:
# "Error", the button turns into "End", and no file or folder of the game
# folder is created, changed or removed.
. "$(dirname "$0")/lib.sh"

make_game
default_settings >"$GAME/lapbundle.prf"
start_app
expect_field "$NAME"
type_name '..\Saves\Race1'
expect_field '..\Saves\Race1'
before=$(game_state)
make_zip_and_end "Error"
[ "$(game_state)" = "$before" ] || fail "the game folder changed: $(diff <(echo "$before") <(game_state))"
echo "ok"
