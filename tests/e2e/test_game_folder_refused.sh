#!/usr/bin/env bash
# Arguments that name no usable game folder, or no known option, end the
# program at once: a message on stderr, a non-zero exit, nothing written.
. "$(dirname "$0")/lib.sh"

make_game
printf 'x' >"$WORK/file"
mkdir "$WORK/run"
# argument | what the message must say
rows=(
  "$WORK/file|not a folder"
  "$WORK/missing|no such folder"
  "--colour|unknown option"
  "$GAME $GAME|too many arguments"
)
before=$(cd "$WORK" && find . | sort)
for row in "${rows[@]}"; do
  arg=${row%%|*} expected=${row#*|}
  code=0
  # shellcheck disable=SC2086  # the last row passes two arguments
  (cd "$WORK/run" && exec "$LAPBUNDLE" $arg) >"$WORK/out" 2>"$WORK/err" || code=$?
  [ "$code" -ne 0 ] || fail "'$arg': exit code 0"
  grep -q "$expected" "$WORK/err" || fail "'$arg': stderr says '$(cat "$WORK/err")'"
  [ ! -s "$WORK/out" ] || fail "'$arg': wrote to stdout"
  rm -f "$WORK/out" "$WORK/err"
done
[ "$(cd "$WORK" && find . | sort)" = "$before" ] || fail "files were written"
echo "ok"
