#!/usr/bin/env bash
# A run killed while it packs leaves its temporary archive and staged
# copies behind; so do a hundred earlier ones. The next run makes its
# archive all the same and removes every temporary archive: zip then holds
# the archive, and a staged copy of another name, which could be the user's.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

temporaries() { ls -A "$GAME/zip" | grep -c '^~lapbundle.*\.tmp$'; }
packing() { [ "$(temporaries)" -ge 1 ]; }

make_game --screen 1920x1080
start_app
expect_field "$NAME"
press_button
wait_until 30 packing || fail "packing did not begin"
kill -KILL "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
[ -e "$GAME/zip/$NAME.bmp" ] || fail "the killed run staged nothing"
for n in $(seq 1 99); do printf 'partial' >"$GAME/zip/~lapbundle$n.tmp"; done
printf 'another race' >"$GAME/zip/other.bmp"

start_app
make_zip_and_end "..\\zip\\$NAME.zip ok"
unzip -tq "$GAME/zip/$NAME.zip" >/dev/null || fail "the archive does not test ok"
unzip -p "$GAME/zip/$NAME.zip" "$NAME.bmp" | cmp - "$GAME/Screens/Screen1.bmp" ||
  fail "the screenshot differs"
expect_zip_contents "$NAME.zip" "other.bmp"
echo "ok"
