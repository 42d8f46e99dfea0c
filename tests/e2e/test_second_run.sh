#!/usr/bin/env bash
# A second run leaves the settings file byte for byte, even when a check
# box was changed in the window.
. "$(dirname "$0")/lib.sh"

make_game
printf 'track=1\n; kept as it is\nGame = 1\n' >"$GAME/lapbundle.prf"
cp "$GAME/lapbundle.prf" "$WORK/before.prf"
start_app
click_at "$TRACK_BOX_X" "$TRACK_BOX_Y"
close_window
expect_exit 0
cmp "$WORK/before.prf" "$GAME/lapbundle.prf" || fail "settings file was rewritten"
echo "ok"
