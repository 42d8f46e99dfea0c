#!/usr/bin/env bash
# A double click on "Make Zip" packs once: the second click comes while the
# action runs and is dropped, so the outcome stays on screen and the program
# ends only on a press of "End" of its own.
. "$(dirname "$0")/lib.sh"

make_game
start_app
expect_field "$NAME"
xdotool mousemove --window "$WID" "$BUTTON_X" "$BUTTON_Y" click --repeat 2 --delay 80 1
wait_until "$WINDOW_WAIT" sh -c "[ -e '$GAME/zip/$NAME.zip' ] && [ ! -e '$GAME/zip/$NAME.gam' ]" ||
  fail "the action did not finish"
sleep 0.5
kill -0 "$APP_PID" 2>/dev/null || fail "the second click ended the program"
expect_field "..\\zip\\$NAME.zip ok"
unzip -tq "$GAME/zip/$NAME.zip" >/dev/null || fail "archive does not test ok"
press_button
expect_exit 0
echo "ok"
