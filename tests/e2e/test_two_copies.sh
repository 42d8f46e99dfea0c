#!/usr/bin/env bash
# Two copies of the program in one game folder, "Make Zip" pressed in the
# second about a second after the first, with the track box off there: the
# second waits for the first to finish, then makes its own archive. Both
# say ok, and the archive that stays holds every item the second had
# checked, the screenshot byte for byte.
. "$(dirname "$0")/lib.sh"

# Makes window $1 the one the next clicks and keys reach, and empties the
# clipboard: a busy window drops the copy that reads its field, and the
# other window's text must not pass for its own.
use_window() {
  WID=$1
  xdotool windowraise "$WID"
  printf '' | xclip -selection clipboard
  sleep 0.2
}

make_game
start_app
first_pid=$APP_PID first=$WID
(cd "$GAME" && exec "$LAPBUNDLE") &
second_pid=$!
second=""
find_second() {
  second=$(xdotool search --onlyvisible --name "^$TITLE\$" | grep -vx "$first" | head -n 1)
  [ -n "$second" ]
}
wait_until "$WINDOW_WAIT" find_second || fail "the second window did not appear"
stop_second() { kill "$second_pid" 2>/dev/null || true; }
trap 'stop_second; cleanup' EXIT

use_window "$second"
expect_field "$NAME"
click_at "$TRACK_BOX_X" "$TRACK_BOX_Y"
use_window "$first"
press_button
sleep 1
use_window "$second"
press_button

use_window "$first"
expect_field "..\\zip\\$NAME.zip ok"
use_window "$second"
expect_field "..\\zip\\$NAME.zip ok"
press_button
APP_PID=$second_pid
expect_exit 0
use_window "$first"
press_button
APP_PID=$first_pid
expect_exit 0

archive="$GAME/zip/$NAME.zip"
diff <(archive_entries "$archive") <(printf '%s\n' "$NAME.bmp" "$NAME.gam") ||
  fail "the archive does not hold the items checked"
unzip -p "$archive" "$NAME.bmp" | cmp - "$GAME/Screens/Screen1.bmp" || fail "screenshot differs"
unzip -p "$archive" "$NAME.gam" | cmp - "$GAME/Saves/Race1.gam" || fail "saved game differs"
[ "$(ls -A "$GAME/zip")" = "$NAME.zip" ] || fail "zip holds '$(ls -A "$GAME/zip" | tr '\n' ' ')'"
echo "ok"
