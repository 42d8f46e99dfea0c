# The shell's folder dialog of "lapbundle.exe --choose-folder", sourced by
# run.sh beside its other checks (uses lib.sh's helpers and variables).
#
# Started outside a game folder, the program opens the dialog; the game
# folder chosen there is where it starts, and the choice is kept in the
# per-user application data for the next time.
#
# Wine's dialog opens at the drive of the folder kept last time, not at the
# folder itself, and ignores a path typed into its edit box: the check walks
# down the tree by typing each folder's name and opening it, as a user
# would with the keyboard.
check_folder_dialog() {
  make_game
  local empty="$WORK/no-game-chooser" appdata dialog part kept
  local -a parts
  rm -rf "$empty" && mkdir -p "$empty"
  appdata=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Roaming 2>/dev/null | head -n 1)
  check "folder dialog: the prefix has a per-user application data folder" test -n "$appdata" ||
    return
  kept="$appdata/lapbundle/game-folder"
  mkdir -p "$appdata/lapbundle"
  printf 'Z:%s\r\n' "${empty//\//\\}" >"$kept"
  (cd "$empty" && exec "$WINE" "$LAPBUNDLE_EXE" --choose-folder) >"$WORK/app.log" 2>&1 &
  APP_PID=$!
  dialog=$(find_window '^(Browse for Folder|Ordner suchen)$' 20) || true
  check "folder dialog: the shell's folder dialog opens" test -n "$dialog" || return
  sleep 1
  xdotool windowfocus --sync "$dialog"
  IFS=/ read -r -a parts <<<"${GAME#/}"
  # Generous pauses: on a busy machine Wine's tree view takes its time to
  # open a folder before the next name can be typed into it.
  for part in "${parts[@]}"; do
    xdotool key Right
    sleep 0.6
    xdotool type --delay 30 "$part"
    sleep 1.2
  done
  xdotool key Return
  WID=$(find_window "^$TITLE\$" 20) || true
  check "folder dialog: the window opens after the choice" test -n "$WID" || return
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  FRAME_X=$(((WIDTH - 840) / 2))
  FRAME_Y=$((HEIGHT - 710 - FRAME_X))
  check "folder dialog: the race of the chosen folder is shown" expect_field "$NAME"
  check "folder dialog: the choice is kept" \
    test "$(tr -d '\r\n' <"$kept")" = "Z:${GAME//\//\\}"
  click_close_box
  check "folder dialog: the program ends with 0" app_ended 0
  check "folder dialog: nothing is written where it was started" test -z "$(ls -A "$empty")"
}
