# The shell's folder dialog of "lapbundle.exe --choose-folder", sourced by
# run.sh beside its other checks (uses lib.sh's helpers and variables).
#
# Started outside a game folder, the program opens the dialog; the game
# folder chosen there is where it starts, and the choice is kept in the
# per-user application data for the next time.
#
# Wine's dialog opens at the drive of the folder kept last time, not at the
# folder itself, and ignores a path typed into its edit box. So the check
# gives the folders a drive of their own, G:, holding the start folder and
# the game: the dialog opens at G:, and one typed name picks the game, as a
# user would with the keyboard. Typing a path of many folders instead would
# depend on the machine's speed: the tree view joins letters typed within
# half a second into one search, so a dialog slowed down by a busy machine
# takes two names as one.
# choose_game EMPTY KEPT: starts the chooser in EMPTY with G:\no-game-chooser
# kept, and picks the game in its dialog with the keyboard. The dialog
# takes its start folder once it is ready, which the display does not show:
# keys that come before that act on another folder. Then the program ends,
# or opens on the wrong folder, or the dialog stays; that is told, and the
# choice is made again, up to three times in all.
# 0 when the main window opens on the game (WID set), 2 when no dialog
# opens, else 1.
choose_game() {
  local empty=$1 kept=$2 attempt dialog until code
  for attempt in 1 2 3; do
    printf 'G:\\no-game-chooser\r\n' >"$kept"
    (cd "$empty" && exec "$WINE" "$LAPBUNDLE_EXE" --choose-folder) >"$WORK/app.log" 2>&1 &
    APP_PID=$!
    dialog=$(find_window '^(Browse for Folder|Ordner suchen)$' "$WINDOW_WAIT") || true
    [ -n "$dialog" ] || return 2
    xdotool windowfocus --sync "$dialog"
    # The keys are taken in order: Right opens G:, "game" selects the game.
    xdotool key Right
    xdotool type --delay 30 game
    xdotool key Return
    until=$((SECONDS + WINDOW_WAIT / 2))
    WID=""
    while [ -z "$WID" ] && [ "$SECONDS" -lt "$until" ] && kill -0 "$APP_PID" 2>/dev/null; do
      sleep 0.2
      WID=$(xdotool search --onlyvisible --name "^$TITLE\$" 2>/dev/null | head -n 1)
    done
    if [ -n "$WID" ] && [ "$(tr -d '\r\n' <"$kept")" = 'G:\game' ]; then
      return 0
    fi
    if [ -n "$WID" ]; then
      echo "  attempt $attempt: the window opened on '$(tr -d '\r\n' <"$kept")'"
    elif kill -0 "$APP_PID" 2>/dev/null; then
      echo "  attempt $attempt: the keys left the dialog open; the display's windows:"
      xdotool search --onlyvisible --name . 2>/dev/null | while read -r id; do
        echo "    $(xdotool getwindowname "$id" 2>/dev/null)"
      done | head -n 10
    else
      code=0
      wait "$APP_PID" || code=$?
      echo "  attempt $attempt: the program ended with $code, the folder kept: '$(tr -d '\r\n' <"$kept")'"
    fi
    stop_wine
  done
  return 1
}

check_folder_dialog() {
  local drive="$WORK/drive-g" appdata kept found chosen=0
  local empty="$drive/no-game-chooser"
  rm -rf "$drive" && mkdir -p "$empty"
  GAME="$drive/game" make_game
  stop_wine
  ln -sfn "$drive" "$WINEPREFIX/dosdevices/g:"
  appdata=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Roaming 2>/dev/null | head -n 1)
  check "folder dialog: the prefix has a per-user application data folder" test -n "$appdata" ||
    return
  kept="$appdata/lapbundle/game-folder"
  mkdir -p "$appdata/lapbundle"
  choose_game "$empty" "$kept" || chosen=$?
  check "folder dialog: the shell's folder dialog opens" test "$chosen" -ne 2 || return
  check "folder dialog: the window opens on the chosen game" test "$chosen" -eq 0 || return
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  FRAME_X=$(((WIDTH - 840) / 2))
  FRAME_Y=$((HEIGHT - 710 - FRAME_X))
  check "folder dialog: the race of the chosen folder is shown" expect_field "$NAME"
  found=$(tr -d '\r\n' <"$kept")
  check "folder dialog: the choice is kept (found '$found')" test "$found" = 'G:\game'
  click_close_box
  check "folder dialog: the program ends with 0" app_ended 0
  check "folder dialog: nothing is written where it was started" test -z "$(ls -A "$empty")"
  rm -f "$WINEPREFIX/dosdevices/g:"
}
