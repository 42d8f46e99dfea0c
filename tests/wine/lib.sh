# Shared steps of the Windows end-to-end checks, sourced by run.sh: a Wine
# prefix, a virtual X display, starting lapbundle.exe in a game folder and
# driving its window with xdotool.
#
# Expects: WINE (the wine64 loader), WORK (a folder of ours), LAPBUNDLE_EXE,
# MAKE_SAMPLE_GAME.

POLL_MS=100
# How long a window, a text or the program's end is waited for. Each wait
# ends as soon as its condition holds: the limit only matters on a failure,
# so it is long enough for Wine on a busy machine to start a program.
readonly WINDOW_WAIT=60
. "$(dirname "${BASH_SOURCE[0]}")/../testing/app_window.sh"
readonly BOX_TITLE='Finde \Saves nicht'
readonly BOX_PATTERN='^Finde .Saves nicht$'  # xdotool takes a regular expression

XVFB_PID=""
APP_PID=""
WID=""
FRAME_X=0 FRAME_Y=0  # offset of the client area inside the X window
FAILED=0

pass() { echo "PASS: $*"; }
fail() {
  echo "FAIL: $*"
  FAILED=1
}
# check NAME COMMAND...: PASS or FAIL by the command's status, which it returns.
check() {
  local name=$1
  shift
  if "$@"; then
    pass "$name"
  else
    fail "$name"
    return 1
  fi
}

# A virtual display of our own; Xvfb picks a free number and reports it
# once it accepts clients. WINE_SCREEN sets its size [1024x768].
start_display() {
  rm -f "$WORK/display"
  Xvfb -displayfd 3 -screen 0 "${WINE_SCREEN:-1024x768}x24" -nolisten tcp 3>"$WORK/display" \
    >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  wait_until 10 test -s "$WORK/display" || return 1
  export DISPLAY=":$(head -n 1 "$WORK/display")"
}

stop_display() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# A fresh prefix for this run. Wine's output goes to files: a pipe would
# stay open as long as Wine's background processes live.
make_prefix() {
  export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  "$WINE" wineboot --init >"$WORK/wineboot.log" 2>&1 || return 1
  # Without a window manager, managed windows take seconds to go away and
  # keys do not reach a message box: let Wine handle the windows itself.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >>"$WORK/wineboot.log" 2>&1
  keep_server
}

# Keeps one Wine server and one Wine desktop for the prefix until stop_wine.
# Of their own accord both end a little after the last program; a program
# started just then, as the next check does on a busy machine, can wait for
# ever for a desktop that hangs as it starts, and never show its window.
# The desktop is held by DESKTOP_KEEPER [beside the program:
# ../tests/wine/desktop_keeper.exe], a program with a window never shown.
keep_server() {
  local server keeper
  server="$(dirname "$WINE")/wineserver"
  keeper=${DESKTOP_KEEPER:-$(dirname "$LAPBUNDLE_EXE")/../tests/wine/desktop_keeper.exe}
  "$server" -w >/dev/null 2>&1
  "$server" -p >/dev/null 2>&1 || true
  if [ -f "$keeper" ]; then
    "$WINE" "$keeper" >/dev/null 2>&1 &
  fi
}

# Ends whatever still runs in our prefix (only programs this script started)
# and its server; a new server is kept for the checks that follow, unless
# told --last.
stop_wine() {
  if [ -n "$APP_PID" ]; then
    kill "$APP_PID" 2>/dev/null || true
    APP_PID=""
  fi
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$(dirname "$WINE")/wineserver" -k >/dev/null 2>&1 || true
    [ "${1:-}" = --last ] || keep_server
  fi
}

make_game() {
  rm -rf "$GAME"
  "$MAKE_SAMPLE_GAME" "$GAME" "$@" >/dev/null
}

# Starts the program in FOLDER (a game folder unless told otherwise).
launch() {
  (cd "$1" && exec "$WINE" "$LAPBUNDLE_EXE") >"$WORK/app.log" 2>&1 &
  APP_PID=$!
}

# find_window PATTERN SECONDS: a visible top-level window whose title matches.
find_window() {
  timeout "$2" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

# Says why no main window was found: the program's state, the windows the
# display holds and the program's output.
no_window_found() {
  if kill -0 "$APP_PID" 2>/dev/null; then
    echo "  no window titled '$TITLE' after $WINDOW_WAIT s; the program still runs"
  else
    local code=0
    wait "$APP_PID" || code=$?
    echo "  no window titled '$TITLE': the program ended with $code"
    APP_PID=""
  fi
  echo "  the display's named windows:"
  xdotool search --name . 2>/dev/null | while read -r id; do
    echo "    $id $(xdotool getwindowname "$id" 2>/dev/null)"
  done | head -n 20
  echo "  the program's output:"
  sed 's/^/    /' "$WORK/app.log" | tail -n 20
  echo "  Wine's processes:"
  ps -eo pid,stat,wchan:24,args | grep -i '[w]ine\|\.exe' | sed 's/^/    /' | head -n 20
}

# Starts the program in the game folder and finds its window and the
# offset of its client area (Wine draws the frame inside the X window).
start_app() {
  launch "$GAME"
  WID=$(find_window "^$TITLE\$" "$WINDOW_WAIT") || true
  if [ -z "$WID" ]; then
    no_window_found
    return 1
  fi
  local w h
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  w=$WIDTH h=$HEIGHT
  # The client area is 840 x 710; the side and bottom borders are alike.
  FRAME_X=$(((w - 840) / 2))
  FRAME_Y=$((h - 710 - FRAME_X))
  sleep 0.3
}

# use_window ID: makes that main window the one the next clicks reach. Wine
# raises its windows in its own time, so this raises the window until it is
# the one under the pointer at the button's place.
use_window() {
  WID=$1
  local until=$((SECONDS + WINDOW_WAIT / 2)) X Y SCREEN WINDOW=""
  while :; do
    xdotool windowraise "$WID"
    xdotool mousemove --window "$WID" $((FRAME_X + BUTTON_X)) $((FRAME_Y + BUTTON_Y))
    eval "$(xdotool getmouselocation --shell)"
    [ "$WINDOW" = "$WID" ] && return 0
    if [ "$SECONDS" -ge "$until" ]; then
      echo "  window $WID stays below window $WINDOW"
      return 1
    fi
    sleep 0.2
  done
}

# Clicks at client coordinates of the main window.
click_at() {
  xdotool mousemove --window "$WID" $((FRAME_X + $1)) $((FRAME_Y + $2)) click 1
}

press_button() { click_at "$BUTTON_X" "$BUTTON_Y"; }

# The close box at the right end of the caption Wine draws.
click_close_box() {
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  xdotool mousemove --window "$WID" $((WIDTH - FRAME_X - 10)) $((FRAME_Y / 2)) click 1
}

# Selects the whole text of the archive-name field (Wine's edit control has
# no Ctrl+A).
select_field() {
  click_at "$FIELD_X" "$FIELD_Y"
  xdotool key End shift+Home
}

field_text() {
  # Empty the clipboard first, so that a text copied earlier (by a previous
  # run, or before a copy that the program dropped while packing) is never
  # read as the field's. This xclip answers one request, or leaves when the
  # program takes the clipboard over.
  timeout 5 xclip -selection clipboard -loops 1 </dev/null >/dev/null 2>&1 &
  select_field
  xdotool key ctrl+c
  sleep 0.2
  # A clipboard owner that went away would keep xclip waiting.
  timeout 2 xclip -o -selection clipboard 2>/dev/null || true
}

# expect_field TEXT: waits until the field shows TEXT.
expect_field() {
  local text="" until=$((SECONDS + WINDOW_WAIT / 2))
  while [ "$SECONDS" -lt "$until" ]; do
    if [ -n "$APP_PID" ] && ! kill -0 "$APP_PID" 2>/dev/null; then
      echo "  the program has ended"
      return 1
    fi
    text=$(field_text)
    [ "$text" = "$1" ] && return 0
    sleep 0.2
  done
  echo "  the field shows '$text'"
  return 1
}

# app_ended CODE: waits for the program to end with that exit code.
app_ended() {
  local code=0
  wait_until "$WINDOW_WAIT" sh -c "! kill -0 $APP_PID 2>/dev/null" || return 1
  wait "$APP_PID" || code=$?
  APP_PID=""
  [ "$code" -eq "$1" ] || {
    echo "  exit code $code, expected $1"
    return 1
  }
}

# zip_holds_only FILE: the zip folder holds that one file (no staged copies).
zip_holds_only() {
  [ "$(ls -A "$GAME/zip")" = "$1" ]
}

zip_is_empty() { [ -d "$GAME/zip" ] && [ -z "$(ls -A "$GAME/zip")" ]; }

# Every file below the game folder with its checksum, in name order.
game_files() {
  (cd "$GAME" && find . -type f -print0 | sort -z | xargs -0 -r md5sum)
}

# type_name TEXT: replaces the archive name in the field with TEXT.
type_name() {
  select_field
  xdotool type --delay 20 "$1"
}
