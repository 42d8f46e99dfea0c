#!/usr/bin/env bash
# Closing the window before the press ends the program without an archive.
. "$(dirname "$0")/lib.sh"

make_game
default_settings >"$GAME/lapbundle.prf"
start_app
close_window
expect_exit 0
[ -z "$(ls -A "$GAME/zip")" ] || fail "files in zip: $(ls -A "$GAME/zip")"
echo "ok"
