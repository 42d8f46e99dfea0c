#!/usr/bin/env bash
# An earlier archive that another program is still reading (an upload, a
# copy) when Make Zip replaces it stays whole for that reader: every byte
# of it can still be read after the new archive has taken its name.
. "$(dirname "$0")/../e2e/lib.sh"
. "$(dirname "$0")/faults_lib.sh"

# Several of the steps in which the blocks of a file without a name are given back.
head -c 12583024 /dev/urandom >"$WORK/earlier.zip"
make_game
mkdir -p "$GAME/zip"
cp "$WORK/earlier.zip" "$GAME/zip/$NAME.zip"
mkfifo "$WORK/go"
(
  exec 3<"$GAME/zip/$NAME.zip"
  touch "$WORK/opened"
  read -r _ <"$WORK/go"
  cat <&3 >"$WORK/read.zip"
) &
reader=$!
for _ in $(seq 100); do [ -f "$WORK/opened" ] && break; sleep 0.1; done
[ -f "$WORK/opened" ] || fail "the reader did not open the earlier archive"
start_app
expect_field "$NAME"
make_zip_and_end "..\\zip\\$NAME.zip ok"
echo go >"$WORK/go"
wait "$reader"
cmp "$WORK/earlier.zip" "$WORK/read.zip" ||
  fail "the reader got $(stat -c %s "$WORK/read.zip") of $(stat -c %s "$WORK/earlier.zip") bytes"
unzip -tq "$GAME/zip/$NAME.zip" >/dev/null || fail "the new archive is not sound"
echo "ok"
