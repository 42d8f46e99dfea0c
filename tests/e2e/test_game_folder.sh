#!/usr/bin/env bash
# "lapbundle GAMEFOLDER" started elsewhere works as if started in the game
# folder: the race is found there and the first run's settings go there.
. "$(dirname "$0")/lib.sh"

make_game
mkdir "$WORK/elsewhere"
(cd "$WORK/elsewhere" && exec "$LAPBUNDLE" "$GAME") &
APP_PID=$!
WID=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name "^$TITLE\$" | head -n 1) ||
  fail "the window did not appear"
expect_field "$NAME"
close_window
expect_exit 0
[ "$(cat "$GAME/lapbundle.prf")" = "$(default_settings)" ] || fail "no first-run settings in the game folder"
[ -z "$(ls -A "$WORK/elsewhere")" ] || fail "something was written where it was started"
echo "ok"
