#!/usr/bin/env bash
# With Track, Game and Screen off an empty archive is written and reported ok.
. "$(dirname "$0")/lib.sh"

make_game
printf 'Track = 0\r\nGame = 0\r\nScreen = 0\r\n' >"$GAME/lapbundle.prf"
start_app
make_zip_and_end "..\\zip\\$NAME.zip ok"
archive="$GAME/zip/$NAME.zip"
[ -f "$archive" ] || fail "no archive"
# An archive without entries is its end record alone.
[ "$(head -c 4 "$archive" | od -An -tx1 | tr -d ' ')" = "504b0506" ] || fail "not an empty zip"
[ "$(stat -c %s "$archive")" -eq 22 ] || fail "archive is not empty"
[ "$(ls -A "$GAME/zip")" = "$NAME.zip" ] || fail "staged copies left: $(ls -A "$GAME/zip")"
echo "ok"
