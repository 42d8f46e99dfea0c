#!/usr/bin/env bash
# A season against a plain run over the same proofs.
#
#   bench/check_season.sh BUILD_DIR [RUNS] [ROUNDS] [PER_ROUND]
#
# ROUNDS round folders (default 10) of PER_ROUND proofs each (default 200),
# all different (320 x 240 screenshots, packed as the tool packs them), are
# checked side by side, RUNS times each (default 5, median printed), with
# --jobs 2:
#   - a plain run over the folder that holds the round folders;
#   - lapbundle-check --season over a season file naming them;
#   - both again with every report (--csv, --json, --html), so that the
#     difference shows what scoring and the season's reports add.
# Then the peak resident set size of both (GNU time), and the difference
# per proof. With LAPBUNDLE_BENCH_DIR set, the proofs are kept there.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
RUNS=${2:-5}
ROUNDS=${3:-10}
PER=${4:-200}
CHECK="$BUILD/check/lapbundle-check"
if [ -n "${LAPBUNDLE_BENCH_DIR:-}" ]; then
  WORK=$LAPBUNDLE_BENCH_DIR/season
  mkdir -p "$WORK"
else
  WORK=$(mktemp -d -t lapbundle-season-bench-XXXXXX)
  trap 'rm -rf "$WORK"' EXIT
fi

# The rounds' proofs, one game per proof: its own driver, time and picture.
echo "Packing $ROUNDS rounds of $PER proofs of 320 x 240 ..."
{
  echo 'name = "Bench season"'
  echo 'points = [25, 18, 15, 12, 10, 8, 6, 4, 2, 1]'
  echo 'count_best = 8'
} >"$WORK/season.toml"
n=0
for r in $(seq 1 "$ROUNDS"); do
  folder="$WORK/rounds/r$r"
  printf '\n[[round]]\nname = "R%d"\nfolder = "rounds/r%d"\ntrack = %s\n' "$r" "$r" "'\\Hills\\Oakfield'" \
    >>"$WORK/season.toml"
  if [ -d "$folder" ] && [ "$(ls "$folder" | wc -l)" -eq "$PER" ]; then
    n=$((n + PER))
    continue
  fi
  rm -rf "$folder" && mkdir -p "$folder"
  for _ in $(seq 1 "$PER"); do
    n=$((n + 1))
    rm -rf "$WORK/game"
    # 100 drivers, each in every round with a time of its own.
    "$BUILD/tools/make-sample-game" "$WORK/game" --screen 320x240 --screen-seed "$n" \
      --driver "Driver $((n % 100))" --time $((1800000 + 331 * n)) >/dev/null
    "$BUILD/bench/lapbundle-bench" makezip "$WORK/game" >/dev/null
    mv "$WORK/game/zip/"*.zip "$folder/"
  done
done
du -sh "$WORK/rounds" | awk '{print "  " $1 " of archives"}'

# median of the numbers on stdin
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
# run LABEL ARGS...: RUNS timed runs of the checker (after one untimed), in
# the season file's folder. Prints the median wall-clock and processor
# (user + system) times, and leaves the processor time in $WORK/median: on
# a shared machine it is the steadier of the two.
run() {
  local label=$1
  shift
  (cd "$WORK" && "$CHECK" --jobs 2 "$@" >/dev/null 2>&1) || true
  for _ in $(seq 1 "$RUNS"); do
    (cd "$WORK" && /usr/bin/time -o "$WORK/time" -f '%e %U %S' "$CHECK" --jobs 2 "$@" \
      >/dev/null 2>&1) || true
    tail -n 1 "$WORK/time"
  done >"$WORK/times"
  awk '{print $1}' "$WORK/times" | median >"$WORK/wall"
  awk '{print $2 + $3}' "$WORK/times" | median >"$WORK/median"
  printf '%-34s %7.3f s wall, %7.3f s processor (medians of %d)\n' "$label" \
    "$(cat "$WORK/wall")" "$(cat "$WORK/median")" "$RUNS"
}
reports=(--csv out.csv --json out.json --html out.html)
run "plain run over $n proofs" rounds
plain=$(cat "$WORK/median")
run "--season over the same proofs" --season season.toml
season=$(cat "$WORK/median")
awk -v a="$plain" -v b="$season" 'BEGIN {printf "  the season costs %+.1f %% processor time against the plain run\n", (b - a) * 100 / a}'
run "plain run, every report" rounds "${reports[@]}"
plain=$(cat "$WORK/median")
run "--season, every report" --season season.toml "${reports[@]}"
awk -v a="$plain" -v b="$(cat "$WORK/median")" \
  'BEGIN {printf "  the season with its reports costs %+.0f ms processor time against the plain run with its own\n", (b - a) * 1000}'

peak() {
  (cd "$WORK" && { /usr/bin/time -f '%M' "$CHECK" --jobs 2 "$@" >/dev/null || true; } 2>&1 | tail -n 1)
}
plainKb=$(peak rounds)
seasonKb=$(peak --season season.toml)
awk -v a="$plainKb" -v b="$seasonKb" -v n="$n" 'BEGIN {
  printf "peak resident: plain %.1f MB, season %.1f MB, %+.0f bytes per proof\n",
         a / 1024, b / 1024, (b - a) * 1024 / n }'
