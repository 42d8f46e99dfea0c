#!/usr/bin/env bash
# Started outside a game folder: the message box, then exit code 0 and no
# settings file.
. "$(dirname "$0")/lib.sh"

mkdir -p "$GAME"
(cd "$GAME" && exec "$LAPBUNDLE") &
APP_PID=$!
box=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name 'Finde .Saves nicht' | head -n 1) ||
  fail "no message box"
[ -n "$box" ] || fail "no message box"
xdotool search --name "^$TITLE\$" >/dev/null || fail "the main window is not open"
xdotool mousemove --window "$box" 5 5 windowfocus --sync "$box" key Return
expect_exit 0
[ ! -e "$GAME/lapbundle.prf" ] || fail "settings file written"
echo "ok"
