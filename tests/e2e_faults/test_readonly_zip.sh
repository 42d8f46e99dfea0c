#!/usr/bin/env bash
# A zip folder that cannot be written (mounted read-only, which binds root
# too): the screenshot cannot be staged, the field shows "Error", the button
# ends the program, and nothing is written or changed anywhere.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

make_game
mkdir -p "$GAME/zip"
mount_or_skip -t tmpfs -o ro,size=1m tmpfs "$GAME/zip"
remember_sources
start_app
expect_field "$NAME"
make_zip_and_end "Error"
expect_zip_contents
expect_sources_unchanged
echo "ok"
