#!/usr/bin/env bash
# One whole end-to-end run of the real program under Valgrind's memcheck in
# a virtual display: start-up, "Make Zip" as JPEG (the widest path: BMP
# decode, preview, JPEG, zip), "End". Fails on any invalid access, any use
# of uninitialised memory and any leak that is ours (tests/hardening/
# valgrind.supp holds what X11 and fontconfig keep for the process's life).
#   scripts/valgrind-e2e.sh [BUILD_DIR]   (default build/valgrind; opt-in)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/valgrind}
if [ -z "${VALGRIND_IN_DISPLAY:-}" ]; then
  command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 1; }
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$build" -j"${JOBS:-$(nproc)}" --target lapbundle make-sample-game close-window
  build=$(cd "$build" && pwd)
  exec env VALGRIND_IN_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build"
fi
build=$(cd "$build" && pwd)
log=$(mktemp -t lapbundle-valgrind-XXXXXX.log)
wrapper=$(mktemp -t lapbundle-valgrind-XXXXXX.sh)
cat >"$wrapper" <<WRAP
#!/bin/sh
exec valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,possible \
  --errors-for-leak-kinds=definite,possible --track-origins=yes --error-exitcode=1 \
  --suppressions="$root/tests/hardening/valgrind.supp" --log-file="$log" \
  "$build/core/lapbundle"
WRAP
chmod +x "$wrapper"
export LAPBUNDLE=$wrapper
export MAKE_SAMPLE_GAME=$build/tools/make-sample-game
export CLOSE_WINDOW=$build/tests/e2e/close-window
. "$root/tests/e2e/lib.sh"
trap 'cleanup; rm -f "$wrapper"' EXIT

# Under Valgrind every step is many times slower than the time-outs of tests/e2e/lib.sh allow.
start_app() {
  (cd "$GAME" && exec "$LAPBUNDLE") &
  APP_PID=$!
  WID=$(timeout 180 xdotool search --sync --onlyvisible --name "^$TITLE\$" | head -n 1) ||
    fail "the window did not appear"
}
wait_for_field() {
  for _ in $(seq 1 120); do
    [ "$(field_text)" = "$1" ] && return 0
    sleep 1
  done
  fail "field never showed '$1'"
}

make_game --screen 640x480
printf 'bmp/jpg = 1\r\n' >"$GAME/lapbundle.prf"
start_app
wait_for_field "$NAME"
press_button
wait_for_field "..\\zip\\$NAME.zip ok"
press_button
code=0
for _ in $(seq 1 120); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 1; done
wait "$APP_PID" || code=$?
APP_PID=""
unzip -tq "$GAME/zip/$NAME.zip" >/dev/null || fail "the archive does not test ok"
grep -E "ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable" "$log" || true
echo "valgrind log: $log"
[ "$code" -eq 0 ] || fail "valgrind reported errors (exit code $code)"
echo "ok: no invalid access, no leak"
