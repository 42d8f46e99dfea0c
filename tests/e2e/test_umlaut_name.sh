#!/usr/bin/env bash
# A typed name with an umlaut reaches the disk as UTF-8.
. "$(dirname "$0")/lib.sh"

make_game
start_app
expect_field "$NAME"
type_name "ä"
expect_field "ä"
make_zip_and_end '..\zip\ä.zip ok'
[ -f "$GAME/zip/ä.zip" ] || fail "no ä.zip: $(ls -A "$GAME/zip")"
unzip -tq "$GAME/zip/ä.zip" >/dev/null || fail "archive does not test ok"
[ "$(unzip -Z1 "$GAME/zip/ä.zip" | wc -l)" -eq 3 ] || fail "expected three entries"
echo "ok"
