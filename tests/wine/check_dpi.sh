# The window at the density of the screen, sourced by run.sh. Wine's DPI is
# its LogPixels setting; at 96, 120, 144 and 192 DPI the program's client
# area and every control's rectangle are the 96-DPI layout times the scale
# (the preview exactly round(800 s) x round(600 s)), the control kit's DPI
# tests pass, and the JPEG packed from the full-size screenshot is byte for
# byte the one packed at 96 DPI. The display must hold the window at
# 192 DPI: a smaller one is started again at 2048 x 1600 first.

readonly DPI_SCREEN=2048x1600
readonly DPI_VALUES="96 120 144 192"
DPI=96

# The layout at 96 DPI: control number, x, y, width, height.
dpi_layout() {
  cat <<'EOF'
1 20 5 800 600
2 20 620 70 24
3 20 650 70 24
4 20 680 70 24
7 320 680 60 24
12 100 625 300 24
13 100 655 300 24
14 100 685 200 24
15 410 625 38 24
5 450 620 350 24
50 450 660 80 30
EOF
}

set_dpi() {
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >>"$WORK/dpi.log" 2>&1
}

# scaled VALUE: VALUE at the current DPI, rounded to the nearest pixel.
scaled() { awk -v v="$1" -v d="$DPI" 'BEGIN { printf "%d", v * d / 96 + 0.5 }'; }

# A display that holds the window at 192 DPI.
dpi_display() {
  local w h
  read -r w h < <(xdotool getdisplaygeometry)
  [ "$w" -ge "${DPI_SCREEN%x*}" ] && [ "$h" -ge "${DPI_SCREEN#*x}" ] && return 0
  stop_wine
  stop_display
  WINE_SCREEN=$DPI_SCREEN start_display
}

# The probe's report of the window (client size and control rectangles)
# against the layout times the scale: within a pixel, the preview exact.
layout_matches() {
  local probe=$1 report="$WORK/dpi-probe-$DPI.txt"
  "$WINE" "$probe" "$TITLE" 2>>"$WORK/dpi.log" | tr -d '\r' >"$report" || return 1
  awk -v d="$DPI" -v cw="$(scaled 840)" -v ch="$(scaled 710)" '
    function round(x) { return int(x + 0.5) }
    function off(a, b) { return a - b > 1 || b - a > 1 }
    NR == FNR { want[$1] = $2 " " $3 " " $4 " " $5; next }
    $1 == "client" { client = 1; if ($2 != cw || $3 != ch) { print "  client " $2 "x" $3 ", expected " cw "x" ch; bad = 1 } next }
    ($1 in want) {
      seen[$1] = 1
      split(want[$1], p, " ")
      s = d / 96
      wrong = off($2, p[1] * s) || off($3, p[2] * s)
      if ($1 == 1) wrong = wrong || $4 != round(800 * s) || $5 != round(600 * s)
      else wrong = wrong || off($4, p[3] * s) || off($5, p[4] * s)
      if (wrong) { print "  control " $1 ": " $2 " " $3 " " $4 " " $5 " for " want[$1] " at " d " DPI"; bad = 1 }
    }
    END {
      if (!client) { print "  no client size reported"; bad = 1 }
      for (n in want) if (!(n in seen)) { print "  control " n " is missing"; bad = 1 }
      exit bad
    }' <(dpi_layout) "$report"
}

# Clicks at the client coordinates of the 96-DPI layout, scaled.
click_scaled() {
  local w h frame_x frame_y
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  w=$WIDTH h=$HEIGHT
  frame_x=$(((w - $(scaled 840)) / 2))
  frame_y=$((h - $(scaled 710) - frame_x))
  xdotool mousemove --window "$WID" $((frame_x + $(scaled "$1"))) $((frame_y + $(scaled "$2"))) \
    click 1
}

dpi_run() {
  local tests=$1 probe=$2 jpeg
  for DPI in $DPI_VALUES; do
    set_dpi "$DPI"
    # A filter that matches nothing passes too: the tests must have run.
    if timeout 120 "$WINE" "$tests" --gtest_filter='DpiTest.*' >"$WORK/dpi-kit-$DPI.log" 2>&1 &&
      grep -q '^\[  PASSED  \] 2 tests' "$WORK/dpi-kit-$DPI.log"; then
      pass "$DPI DPI: the control kit lays the main window out at the scale"
    else
      grep -E 'Failure|Which is|trace|\.cpp:' "$WORK/dpi-kit-$DPI.log" | head -20
      fail "$DPI DPI: the control kit lays the main window out at the scale (log: $WORK/dpi-kit-$DPI.log)"
    fi
    make_game
    default_settings | sed 's/bmp\/jpg = 0/bmp\/jpg = 1/' >"$GAME/lapbundle.prf"
    launch "$GAME"
    WID=$(find_window "^$TITLE\$" 20) || true
    check "$DPI DPI: the window opens" test -n "$WID" || return
    sleep 1  # the preview is shown after the window
    check "$DPI DPI: client area and controls are the layout times $DPI/96, the preview $(scaled 800) x $(scaled 600)" \
      layout_matches "$probe"
    click_scaled 490 675
    check "$DPI DPI: the archive is made" wait_until 30 zip_holds_only "$NAME.zip" || return
    jpeg="$WORK/dpi-$DPI.jpg"
    unzip -p "$GAME/zip/$NAME.zip" "$NAME.jpg" >"$jpeg" 2>/dev/null
    if [ "$DPI" -eq 96 ]; then
      check "$DPI DPI: the archive holds a JPEG" test -s "$jpeg"
    else
      check "$DPI DPI: the JPEG in the archive is byte for byte the one of 96 DPI" \
        cmp -s "$WORK/dpi-96.jpg" "$jpeg"
    fi
    click_scaled 490 675
    check "$DPI DPI: End ends the program with 0" app_ended 0
  done
}

check_dpi() {
  local dir
  dir=$(dirname "$LAPBUNDLE_EXE")/../tests/wine
  local tests=${KIT_TESTS:-$dir/win32_kit_tests.exe} probe=${DPI_PROBE:-$dir/dpi_probe.exe}
  if [ ! -f "$tests" ] || [ ! -f "$probe" ]; then
    echo "SKIP: DPI checks (not built: $tests, $probe)"
    return
  fi
  dpi_display || { fail "DPI checks: a $DPI_SCREEN display"; return; }
  dpi_run "$tests" "$probe"
  [ -z "$APP_PID" ] || stop_wine
  set_dpi 96
}
