#!/usr/bin/env bash
# A first run, ended with the close box, stores the default settings and
# packs nothing.
. "$(dirname "$0")/lib.sh"

make_game
start_app
close_window
expect_exit 0
cmp <(default_settings) "$GAME/lapbundle.prf" || fail "settings file differs from the defaults"
[ -d "$GAME/zip" ] || fail "no zip folder"
[ -z "$(ls -A "$GAME/zip")" ] || fail "closing before the press left files in zip"
echo "ok"
