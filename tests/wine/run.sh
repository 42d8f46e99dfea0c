#!/usr/bin/env bash
# End-to-end checks of the Windows program under Wine: the 64-bit build of
# lapbundle.exe runs with wine64 in a virtual X display and is driven with
# xdotool, as a user would. Each check prints PASS or FAIL; the exit status is
# non-zero when any failed.
#
#   tests/wine/run.sh [CHECK...]     (all checks, or the named check_ functions)
#
# Variables (defaults in brackets):
#   LAPBUNDLE_EXE     the program [build-win64/core/lapbundle.exe]
#   MAKE_SAMPLE_GAME  the Linux sample-game tool [build/plain/tools/make-sample-game;
#                     built in the work folder when missing]
#   WINE_TEST_DIR     work folder: prefix, games, logs [build-win64/wine-tests]
#   WINE64            the 64-bit loader [/usr/lib/wine/wine64]
#   KIT_TESTS         the control kit's own tests, run first when built
#                     [beside the program: ../tests/wine/win32_kit_tests.exe]
#   DPI_PROBE         reports the window's layout for check_dpi
#                     [beside the program: ../tests/wine/dpi_probe.exe]
#   WINE_SCREEN       the virtual screen's size [1024x768]; check_dpi
#                     starts it again at 2048x1600 when it is smaller
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tests/wine"

LAPBUNDLE_EXE=${LAPBUNDLE_EXE:-$root/build-win64/core/lapbundle.exe}
WORK=${WINE_TEST_DIR:-$root/build-win64/wine-tests}
# Only the 64-bit loader: this machine cannot run 32-bit code at all.
WINE=${WINE64:-/usr/lib/wine/wine64}
GAME="$WORK/game"

. "$here/lib.sh"
. "$here/check_folder_dialog.sh"
. "$here/check_dpi.sh"

cleanup() {
  stop_wine --last
  stop_display
}
trap cleanup EXIT

need() {
  command -v "$1" >/dev/null || {
    echo "FAIL: $1 is missing" >&2
    exit 1
  }
}

prepare() {
  for tool in Xvfb xdotool xclip unzip cmp; do need "$tool"; done
  [ -x "$WINE" ] || { echo "FAIL: no $WINE (install wine64)" >&2; exit 1; }
  [ -f "$LAPBUNDLE_EXE" ] || { echo "FAIL: no $LAPBUNDLE_EXE (scripts/build-windows.sh)" >&2; exit 1; }
  mkdir -p "$WORK"
  WORK=$(cd "$WORK" && pwd)
  GAME="$WORK/game"
  if [ -z "${MAKE_SAMPLE_GAME:-}" ]; then
    MAKE_SAMPLE_GAME="$root/build/plain/tools/make-sample-game"
    if [ ! -x "$MAKE_SAMPLE_GAME" ]; then
      echo "building make-sample-game for Linux"
      cmake -S "$root" -B "$WORK/linux-tools" -DCMAKE_BUILD_TYPE=Release -DLAPBUNDLE_TESTS=OFF \
        >"$WORK/linux-tools.log" 2>&1 &&
        cmake --build "$WORK/linux-tools" --target make-sample-game -j2 >>"$WORK/linux-tools.log" 2>&1 ||
        { cat "$WORK/linux-tools.log" >&2; exit 1; }
      MAKE_SAMPLE_GAME="$WORK/linux-tools/tools/make-sample-game"
    fi
  fi
  start_display || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
  local started=$SECONDS
  make_prefix || { cat "$WORK/wineboot.log" >&2; echo "FAIL: no Wine prefix" >&2; exit 1; }
  echo "Wine prefix ready in $((SECONDS - started)) s"
}

# The control kit's GoogleTest program (built with -DLAPBUNDLE_WINDOWS_TESTS=ON).
check_kit() {
  local tests=${KIT_TESTS:-$(dirname "$LAPBUNDLE_EXE")/../tests/wine/win32_kit_tests.exe}
  if [ ! -f "$tests" ]; then
    echo "SKIP: control kit tests (not built: $tests)"
    return
  fi
  if timeout 120 "$WINE" "$tests" >"$WORK/kit-tests.log" 2>&1; then
    pass "control kit tests ($(grep -c '^\[       OK \]' "$WORK/kit-tests.log") passed)"
  else
    grep -E '^\[  FAILED  \]|Failure|Expected|Which is|actual' "$WORK/kit-tests.log" | head -40
    fail "control kit tests (log: $WORK/kit-tests.log)"
  fi
}

# A first run: Make Zip, then End. The archive holds the three items and
# passes unzip -t, the staged copies are gone, the defaults are stored.
check_first_run() {
  make_game
  check "first run: the window opens" start_app || return
  press_button
  check "first run: the field reports the archive" expect_field "..\\zip\\$NAME.zip ok"
  press_button
  check "first run: End ends the program with 0" app_ended 0
  local zip="$GAME/zip/$NAME.zip"
  check "first run: unzip -t accepts the archive" unzip -tqq "$zip"
  check "first run: the archive holds screenshot, saved game and track" \
    test "$(unzip -Z1 "$zip" 2>/dev/null | tr '\n' '|')" = \
    "$NAME.bmp|$NAME.gam|Oakfield.trk|"
  check "first run: no staged copies are left" zip_holds_only "$NAME.zip"
  check "first run: the settings file holds the defaults" \
    cmp -s <(default_settings) "$GAME/lapbundle.prf"
}

# The name typed by the user, reached with Tab and Shift+Tab from the
# keyboard: Tab from the field goes to the button, Shift+Tab back.
check_keyboard() {
  make_game
  default_settings >"$GAME/lapbundle.prf"
  start_app || { fail "keyboard: the window opens"; return; }
  select_field
  xdotool type --delay 20 "My Race"
  xdotool key Tab shift+Tab End
  xdotool type --delay 20 "X"
  xdotool key Tab space
  check "keyboard: Tab, Shift+Tab and Space make the typed archive" \
    wait_until 10 test -f "$GAME/zip/My RaceX.zip"
  check "keyboard: the field reports it" expect_field '..\zip\My RaceX.zip ok'
  press_button
  check "keyboard: End ends the program" app_ended 0
  check "keyboard: unzip -t accepts the archive" unzip -tqq "$GAME/zip/My RaceX.zip"
}

# Started outside a game folder: the fatal stop's message box, dismissed
# with Return; exit code 0 and no settings file.
check_fatal_stop() {
  local empty="$WORK/no-game"
  rm -rf "$empty" && mkdir -p "$empty"
  launch "$empty"
  local box
  box=$(find_window "$BOX_PATTERN" 20) || true
  check "fatal stop: the message box appears" test -n "$box" || return
  check "fatal stop: its title is 'Finde \\Saves nicht'" \
    test "$(xdotool getwindowname "$box")" = "$BOX_TITLE"
  check "fatal stop: the main window stays open behind it" \
    test -n "$(xdotool search --name "^$TITLE\$" 2>/dev/null)"
  xdotool mousemove --window "$box" 5 5 click 1 key Return
  check "fatal stop: Return ends the program with 0" app_ended 0
  check "fatal stop: no settings file is written" test ! -e "$empty/lapbundle.prf"
}

# The close box before the press: exit code 0 and nothing in zip.
check_close_request() {
  make_game
  default_settings >"$GAME/lapbundle.prf"
  start_app || { fail "close request: the window opens"; return; }
  click_close_box
  check "close request: the close box ends the program with 0" app_ended 0
  check "close request: nothing is packed" zip_is_empty
  check "close request: the settings file is left as it was" \
    cmp -s <(default_settings) "$GAME/lapbundle.prf"
}

# An archive name that is a path: "Error", and no file of the game is
# created, changed or removed.
check_path_name() {
  make_game
  default_settings >"$GAME/lapbundle.prf"
  start_app || { fail "path name: the window opens"; return; }
  local before
  before=$(game_files)
  type_name '..\Saves\Race1'
  press_button
  check "path name: the field reports Error" expect_field "Error"
  press_button
  check "path name: End ends the program" app_ended 0
  check "path name: every game file is as it was" test "$(game_files)" = "$before"
}

# A double-click on Make Zip packs once; the second click is not taken as
# End, so the outcome stays on screen until a further click.
check_double_click() {
  make_game
  default_settings >"$GAME/lapbundle.prf"
  start_app || { fail "double-click: the window opens"; return; }
  xdotool mousemove --window "$WID" $((FRAME_X + BUTTON_X)) $((FRAME_Y + BUTTON_Y)) \
    click --repeat 2 --delay 60 1
  check "double-click: the field reports the archive" expect_field "..\\zip\\$NAME.zip ok"
  sleep 0.5
  check "double-click: the program still runs" kill -0 "$APP_PID" || return
  press_button
  check "double-click: a further click ends the program" app_ended 0
}

# The close box while the action packs: the archive is finished, then the
# program ends.
check_close_while_packing() {
  make_game --screen 3840x2160
  default_settings >"$GAME/lapbundle.prf"
  start_app || { fail "close while packing: the window opens"; return; }
  press_button
  sleep 0.2
  click_close_box
  check "close while packing: the program ends with 0" app_ended 0
  check "close while packing: the archive is whole" unzip -tqq "$GAME/zip/$NAME.zip"
}

# An archive of the same name is replaced: the new one takes the name at
# once (the old bytes are never written over, so a link to the old archive
# keeps them), and no temporary file is left in zip.
check_replace() {
  make_game
  default_settings >"$GAME/lapbundle.prf"
  mkdir -p "$GAME/zip"
  echo "an earlier archive" >"$GAME/zip/$NAME.zip"
  ln "$GAME/zip/$NAME.zip" "$WORK/earlier.zip"
  start_app || { fail "replace: the window opens"; return; }
  press_button
  check "replace: the field reports the archive" expect_field "..\\zip\\$NAME.zip ok"
  press_button
  check "replace: End ends the program" app_ended 0
  check "replace: unzip -t accepts the new archive" unzip -tqq "$GAME/zip/$NAME.zip"
  check "replace: the earlier archive was not written over" \
    test "$(cat "$WORK/earlier.zip")" = "an earlier archive"
  check "replace: no temporary file is left" zip_holds_only "$NAME.zip"
  rm -f "$WORK/earlier.zip"
}

# A read-only archive of the same name is never replaced: "Error", the old
# bytes, and nothing temporary left.
check_readonly_archive() {
  make_game
  default_settings >"$GAME/lapbundle.prf"
  mkdir -p "$GAME/zip"
  echo "a kept archive" >"$GAME/zip/$NAME.zip"
  chmod 444 "$GAME/zip/$NAME.zip"
  start_app || { fail "read-only archive: the window opens"; return; }
  press_button
  check "read-only archive: the field shows Error" expect_field "Error"
  press_button
  check "read-only archive: End ends the program" app_ended 0
  check "read-only archive: the old bytes stay" test "$(cat "$GAME/zip/$NAME.zip")" = "a kept archive"
  check "read-only archive: no temporary file is left" \
    test "$(ls -A "$GAME/zip" | tr '\n' ' ')" = "$NAME.bmp $NAME.gam $NAME.zip "
}

# Names Windows keeps for devices are refused before anything is staged.
check_device_names() {
  local name
  for name in NUL "com1.race" "Aux .txt"; do
    make_game
    default_settings >"$GAME/lapbundle.prf"
    start_app || { fail "device name $name: the window opens"; return; }
    type_name "$name"
    press_button
    check "device name '$name': the field shows Error" expect_field "Error"
    press_button
    check "device name '$name': End ends the program" app_ended 0
    check "device name '$name': nothing is made in zip" zip_is_empty
  done
}

# Two copies in one game folder, the second pressed about a second after the
# first with its track box off: it waits for the first, then makes its own
# archive; both report it, and it holds what the second had checked.
check_two_copies() {
  make_game
  default_settings >"$GAME/lapbundle.prf"
  start_app || { fail "two copies: the first window opens"; return; }
  local first=$WID first_pid=$APP_PID second="" second_pid
  launch "$GAME"
  second_pid=$APP_PID
  find_second() {
    second=$(xdotool search --onlyvisible --name "^$TITLE\$" | grep -vx "$first" | head -n 1)
    [ -n "$second" ]
  }
  wait_until "$WINDOW_WAIT" find_second || { fail "two copies: the second window opens"; return; }
  # Both windows stand at one place: each click waits until its window is
  # the one on top.
  use_window "$second" && click_at 30 632  # the track box
  use_window "$first" && press_button
  sleep 1
  use_window "$second" && press_button
  APP_PID=$first_pid
  use_window "$first"
  check "two copies: the first reports its archive" expect_field "..\\zip\\$NAME.zip ok"
  APP_PID=$second_pid
  use_window "$second"
  check "two copies: the second reports its archive" expect_field "..\\zip\\$NAME.zip ok"
  press_button
  check "two copies: End ends the second" app_ended 0
  APP_PID=$first_pid
  use_window "$first" && press_button
  check "two copies: End ends the first" app_ended 0
  check "two copies: the archive holds the second's items" \
    test "$(unzip -Z1 "$GAME/zip/$NAME.zip" | tr '\n' ' ')" = "$NAME.bmp $NAME.gam "
  check "two copies: the screenshot is whole" \
    sh -c "unzip -p '$GAME/zip/$NAME.zip' '$NAME.bmp' | cmp -s - '$GAME/Screens/Screen1.bmp'"
  check "two copies: zip holds the archive alone" zip_holds_only "$NAME.zip"
}

# The window answers all through the action on a 100 MB screenshot, in
# both modes: a probe keeps sending it a message and notes, for the longest
# wait for the answer, the processor time the window's thread used
# meanwhile, and the clock time. A busy machine lengthens the clock time
# (reported) and only a little the processor time: the program serves after
# every 100 ms of work or less, and the check allows 250 ms for what a
# loaded machine adds (a shared core, memory reclaimed for other programs),
# while a step that never served (a whole read-back or encoding) takes
# half a second or more. The probe starts once the window shows the race, so the
# start-up's own work is not counted.
check_serving() {
  local probe=${SERVE_PROBE:-$(dirname "$LAPBUNDLE_EXE")/../tests/wine/serve_probe.exe}
  if [ ! -f "$probe" ]; then
    echo "SKIP: serving (the probe is not built: $probe)"
    return
  fi
  local mode work clock
  for mode in 0 1; do
    make_game --screen 5800x5800
    default_settings | sed "s/bmp\/jpg = 0/bmp\/jpg = $mode/" >"$GAME/lapbundle.prf"
    start_app || { fail "serving: the window opens"; return; }
    expect_field "$NAME" || { fail "serving: the window shows the race"; return; }
    "$WINE" "$probe" "$TITLE" 300 >"$WORK/probe.log" 2>&1 &
    local probe_pid=$!
    wait_until 20 test -s "$WORK/probe.log" || fail "serving (bmp/jpg = $mode): the probe runs"
    press_button
    wait_until 120 zip_holds_only "$NAME.zip" || fail "serving (bmp/jpg = $mode): the action ends"
    sleep 1
    kill "$probe_pid" 2>/dev/null
    wait "$probe_pid" 2>/dev/null
    read -r work clock < <(tail -n 1 "$WORK/probe.log" | tr -d '\r')
    echo "  bmp/jpg = $mode: the longest wait for an answer took ${work:-?} ms of the window's processor time (${clock:-?} ms on the clock)"
    check "serving (bmp/jpg = $mode): every message answered within 250 ms of work" \
      test "${work:-999999}" -lt 250
    press_button
    check "serving (bmp/jpg = $mode): End ends the program" app_ended 0
  done
}

started=$SECONDS
prepare
# Each check leaves no program running (a failed one ends its own).
checks=("$@")
[ ${#checks[@]} -gt 0 ] || checks=(check_kit check_first_run check_keyboard check_fatal_stop
  check_close_request check_path_name check_double_click check_close_while_packing check_replace
  check_readonly_archive check_device_names check_two_copies check_serving check_folder_dialog
  check_dpi)
for one in "${checks[@]}"; do
  "$one"
  [ -z "$APP_PID" ] || stop_wine
done
echo "Wine checks took $((SECONDS - started)) s"
if [ "$FAILED" -ne 0 ]; then
  echo "Some Wine checks FAILED (logs in $WORK)"
  exit 1
fi
echo "All Wine checks passed"
