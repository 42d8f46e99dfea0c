# Shared steps of the end-to-end tests. Sourced by each test_*.sh, which
# runs inside a virtual X display (xvfb-run) with these variables set:
# LAPBUNDLE, MAKE_SAMPLE_GAME, CLOSE_WINDOW (paths of the programs).
set -euo pipefail

. "$(dirname "${BASH_SOURCE[0]}")/../testing/app_window.sh"
# Client coordinates of the track box, which only these tests use.
readonly TRACK_BOX_X=30 TRACK_BOX_Y=632
# How long a window, a text or the program's end is waited for. Each wait
# ends as soon as its condition holds: the limit only matters on a failure,
# and a busy machine must not reach it.
readonly WINDOW_WAIT=30

WORK=$(mktemp -d -t lapbundle-e2e-XXXXXX)
GAME="$WORK/game"
APP_PID=""
WID=""

cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then kill "$APP_PID" || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

make_game() {
  "$MAKE_SAMPLE_GAME" "$GAME" "$@" >/dev/null
}

# Starts the program in the game folder and finds its window.
start_app() {
  (cd "$GAME" && exec "$LAPBUNDLE") &
  APP_PID=$!
  WID=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name "^$TITLE\$" | head -n 1) ||
    fail "the window did not appear"
  [ -n "$WID" ] || fail "the window did not appear"
}

# Clicks at client coordinates of the main window.
click_at() {
  xdotool mousemove --window "$WID" "$1" "$2" click 1
}

press_button() {
  click_at "$BUTTON_X" "$BUTTON_Y"
}

close_window() {
  "$CLOSE_WINDOW" "$WID"
}

# Waits for the program to end and checks its exit code.
expect_exit() {
  local expected=$1
  wait_until "$WINDOW_WAIT" sh -c "! kill -0 $APP_PID 2>/dev/null" || fail "the program did not end"
  local code=0
  wait "$APP_PID" || code=$?
  APP_PID=""
  [ "$code" -eq "$expected" ] || fail "exit code $code, expected $expected"
}

# The text of the archive-name field, read through the clipboard. The
# clipboard is emptied first, so that an empty field never reads as the text
# copied before.
field_text() {
  printf '' | xclip -selection clipboard >/dev/null 2>&1
  click_at "$FIELD_X" "$FIELD_Y"
  xdotool key ctrl+a ctrl+c
  sleep 0.1
  xclip -o -selection clipboard 2>/dev/null || true
}

# Waits until the field shows the expected text.
expect_field() {
  local expected=$1 text="" until=$((SECONDS + WINDOW_WAIT))
  while [ "$SECONDS" -lt "$until" ]; do
    text=$(field_text)
    [ "$text" = "$expected" ] && return 0
    sleep 0.1
  done
  fail "field shows '$text', expected '$expected'"
}

# Replaces the text of the archive-name field by typing.
type_name() {
  click_at "$FIELD_X" "$FIELD_Y"
  xdotool key ctrl+a BackSpace
  xdotool type --delay 20 "$1"
}

# A fingerprint of everything in the game folder: each file and folder with
# its type, size, modification time and mode, then each file's checksum.
game_state() {
  (cd "$GAME" && find . -printf '%p %y %s %T@ %m\n' | sort &&
    find . -type f -print0 | sort -z | xargs -0 -r md5sum)
}

# The entry names of an archive, one a line, in archive order.
archive_entries() {
  unzip -Z1 "$1"
}

# Presses "Make Zip", waits for the status, then presses "End".
make_zip_and_end() {
  local status=$1
  press_button
  expect_field "$status"
  press_button
  expect_exit 0
}
