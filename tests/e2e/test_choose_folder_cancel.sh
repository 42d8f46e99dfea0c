#!/usr/bin/env bash
# Cancelling the folder chooser ends the program with exit code 0 and writes
# nothing of its own.
. "$(dirname "$0")/lib.sh"

export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$HOME" "$WORK/run"
(cd "$WORK/run" && exec "$LAPBUNDLE" --choose-folder) &
APP_PID=$!
chooser=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name '^Vantor-Verzeichnis' | head -n 1) ||
  fail "no folder chooser"
xdotool windowfocus --sync "$chooser" key Escape
expect_exit 0
[ ! -e "$XDG_CONFIG_HOME/lapbundle/game-folder" ] || fail "a folder was kept"
[ -z "$(ls -A "$WORK/run")" ] || fail "something was written where it was started"
echo "ok"
