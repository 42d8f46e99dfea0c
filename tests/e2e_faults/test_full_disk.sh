#!/usr/bin/env bash
# A real full file system: the zip folder is a small tmpfs. Too small for
# the screenshot: "Error" and nothing left. Room for the staged copies but
# not the archive: "Error", no archive, both staged copies whole.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

run_with_zip_of() {
  rm -rf "$GAME"
  make_game
  mkdir -p "$GAME/zip"
  mount_or_skip -t tmpfs -o "size=$1" tmpfs "$GAME/zip"
  remember_sources
  start_app
  expect_field "$NAME"
  make_zip_and_end "Error"
  expect_sources_unchanged
}

run_with_zip_of 1m
expect_zip_contents
umount "$GAME/zip"

# The 2.3 MB screenshot and the saved game fit; its 1.9 MB archive does not.
run_with_zip_of 3m
expect_zip_contents "$NAME.bmp" "$NAME.gam"
cmp "$GAME/zip/$NAME.bmp" "$GAME/Screens/Screen1.bmp" || fail "the staged screenshot differs"
cmp "$GAME/zip/$NAME.gam" "$GAME/Saves/Race1.gam" || fail "the staged saved game differs"
echo "ok"
