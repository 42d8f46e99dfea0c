#!/usr/bin/env bash
# "lapbundle --choose-folder" outside a game folder asks for the folder; the
# choice is kept, and the next chooser starts at it.
. "$(dirname "$0")/lib.sh"

make_game
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$HOME"
kept="$XDG_CONFIG_HOME/lapbundle/game-folder"

# Runs the program from $WORK, answers its chooser with the keys given and
# waits for the main window.
choose_and_start() {
  (cd "$WORK" && exec "$LAPBUNDLE" --choose-folder) &
  APP_PID=$!
  local chooser
  chooser=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name '^Vantor-Verzeichnis' | head -n 1) ||
    fail "no folder chooser"
  xdotool windowfocus --sync "$chooser"
  "$@"
  WID=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name "^$TITLE\$" | head -n 1) ||
    fail "the window did not appear"
}

# The chooser opens at the current folder: the game folder's name, Return to
# open it, Return to take it.
choose_and_start sh -c 'xdotool type --delay 50 game && sleep 0.3 && xdotool key Return && sleep 0.3 && xdotool key Return'
expect_field "$NAME"
close_window
expect_exit 0
[ "$(cat "$kept")" = "$GAME" ] || fail "the choice was not kept"

# The next chooser opens at the game folder: Return takes it.
choose_and_start xdotool key Return
expect_field "$NAME"
close_window
expect_exit 0
echo "ok"
