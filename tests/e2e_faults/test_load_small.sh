#!/usr/bin/env bash
# Start-up under load, small enough for every test run (bench/load.sh runs
# the full size): 5,000 older screenshots, 1,000 older saved games and a
# newest screenshot whose header claims 16384 x 16384 pixels over a short
# file. The window appears in time, proposes the name, and packs the file.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

make_game --extra-screens 5000 --extra-screen 2x2 --extra-saves 1000
# Keep the newest screenshot's time; give it a huge header and few bytes.
{
  printf 'BM\x36\x00\x00\x30\x00\x00\x00\x00\x36\x00\x00\x00'
  printf '\x28\x00\x00\x00\x00\x40\x00\x00\x00\x40\x00\x00\x01\x00\x18\x00'
  head -c 1000 /dev/zero
} | dd of="$GAME/Screens/Screen1.bmp" conv=notrunc status=none
truncate -s 1054 "$GAME/Screens/Screen1.bmp"
touch -d "@$(stat -c %Y "$GAME/Saves/Race1.gam")" "$GAME/Screens/Screen1.bmp"
remember_sources
start_app
# The processor time the program used until its window showed, which a busy
# machine does not lengthen (the clock time it does).
read -r -a stat <"/proc/$APP_PID/stat"
used=$(((stat[13] + stat[14]) * 1000 / $(getconf CLK_TCK)))
echo "window after ${used} ms of processor time"
[ "$used" -lt 5000 ] || fail "start-up took ${used} ms of processor time"
expect_field "$NAME"
make_zip_and_end "..\\zip\\$NAME.zip ok"
unzip -p "$GAME/zip/$NAME.zip" "$NAME.bmp" | cmp - "$GAME/Screens/Screen1.bmp" ||
  fail "the screenshot was not packed as it is"
expect_sources_unchanged
echo "ok"
