#!/usr/bin/env bash
# A typed name with an umlaut reaches the disk as UTF-8.
. "$(dirname "$0")/lib.sh"

make_game
start_app
expect_field "$NAME"
# xdotool types a character the keyboard map lacks by mapping it to a spare
# key for a moment; a busy program may read the key after the map is back
# and miss it. So the name is typed again until the field shows it.
typed_in() {
  type_name "ä"
  [ "$(field_text)" = "ä" ]
}
wait_until "$WINDOW_WAIT" typed_in || fail "field shows '$(field_text)', expected 'ä'"
make_zip_and_end '..\zip\ä.zip ok'
[ -f "$GAME/zip/ä.zip" ] || fail "no ä.zip: $(ls -A "$GAME/zip")"
unzip -tq "$GAME/zip/ä.zip" >/dev/null || fail "archive does not test ok"
[ "$(unzip -Z1 "$GAME/zip/ä.zip" | wc -l)" -eq 3 ] || fail "expected three entries"
echo "ok"
