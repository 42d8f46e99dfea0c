#!/usr/bin/env bash
# Two game folders side by side whose names have no Windows-1252 form and
# the same length: each run reads and writes its own folder only, whether it
# starts in the folder or is given it as GAMEFOLDER.
. "$(dirname "$0")/lib.sh"

RACE="$WORK/レース"
GAME="$WORK/ゲーム"
"$MAKE_SAMPLE_GAME" "$GAME" >/dev/null
"$MAKE_SAMPLE_GAME" "$RACE" --driver "Bo Ray" >/dev/null
race_name="oakfield_Bo Ray_973"

# Started in レース.
before=$(game_state)
(cd "$RACE" && exec "$LAPBUNDLE") &
APP_PID=$!
WID=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name "^$TITLE\$" | head -n 1) ||
  fail "the window did not appear"
expect_field "$race_name"
make_zip_and_end "..\\zip\\$race_name.zip ok"
[ "$(ls -A "$RACE/zip")" = "$race_name.zip" ] || fail "レース/zip holds: $(ls -A "$RACE/zip")"
unzip -p "$RACE/zip/$race_name.zip" "$race_name.gam" | cmp - "$RACE/Saves/Race1.gam" ||
  fail "the saved game in the archive is not レース's"
[ -f "$RACE/lapbundle.prf" ] || fail "no first-run settings in レース"
[ "$(game_state)" = "$before" ] || fail "ゲーム was changed"

# ゲーム given as GAMEFOLDER, started in their common parent.
before=$(cd "$RACE" && find . -printf '%p %s %T@\n' | sort)
(cd "$WORK" && exec "$LAPBUNDLE" "$GAME") &
APP_PID=$!
WID=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name "^$TITLE\$" | head -n 1) ||
  fail "the window did not appear"
expect_field "$NAME"
make_zip_and_end "..\\zip\\$NAME.zip ok"
[ "$(ls -A "$GAME/zip")" = "$NAME.zip" ] || fail "ゲーム/zip holds: $(ls -A "$GAME/zip")"
[ -f "$GAME/lapbundle.prf" ] || fail "no first-run settings in ゲーム"
[ "$(cd "$RACE" && find . -printf '%p %s %T@\n' | sort)" = "$before" ] || fail "レース was changed"
echo "ok"
