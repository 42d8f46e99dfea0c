#!/usr/bin/env bash
# lapbundle-check against unzip -tq, and its peak memory.
#
#   bench/check_proofs.sh BUILD_DIR [RUNS] [ARCHIVES]
#
# Throughput: 200 proofs packed the way the tool packs them by default (BMP
# screenshot, saved game, track file; deflate level 9, by `lapbundle-bench
# makezip`), each from a 1920 x 1080 screenshot. Timed, RUNS times each
# (default 5, median printed), with warm caches:
#   - `unzip -tq` over each archive, one after another;
#   - `lapbundle-check --html` over the folder (default jobs: every core).
# Memory: ARCHIVES (default 1000) proofs from 3840 x 2160 screenshots (five
# distinct proofs, hard-linked under further names), checked with --jobs 2
# and --html; the peak resident set size comes from GNU time.
# With LAPBUNDLE_BENCH_DIR set, the proofs are kept in that folder and reused
# by later runs.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
RUNS=${2:-5}
ARCHIVES=${3:-1000}
CHECK="$BUILD/check/lapbundle-check"
BENCH="$BUILD/bench/lapbundle-bench"
SAMPLE="$BUILD/tools/make-sample-game"
if [ -n "${LAPBUNDLE_BENCH_DIR:-}" ]; then
  WORK=$LAPBUNDLE_BENCH_DIR
  mkdir -p "$WORK"
else
  WORK=$(mktemp -d -t lapbundle-check-bench-XXXXXX)
  trap 'rm -rf "$WORK"' EXIT
fi

# make_proofs SIZE COUNT FOLDER: COUNT proofs of different drivers and times.
make_proofs() {
  local size=$1 count=$2 folder=$3 i
  [ -d "$folder" ] && [ "$(ls "$folder" | wc -l)" -eq "$count" ] && return 0
  rm -rf "$folder"
  mkdir -p "$folder"
  for i in $(seq 1 "$count"); do
    "$SAMPLE" "$WORK/game" --screen "$size" --driver "Driver $i" --time $((1850000 + 997 * i)) \
      >/dev/null
    "$BENCH" makezip "$WORK/game" >/dev/null
    mv "$WORK/game/zip/"*.zip "$folder/"
  done
}

now() { date +%s.%N; }
# median of the numbers on stdin
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
# timed LABEL COMMAND...: RUNS timed runs after one untimed one.
timed() {
  local label=$1 start end median
  shift
  "$@" >/dev/null 2>&1 || true
  for _ in $(seq 1 "$RUNS"); do
    start=$(now)
    "$@" >/dev/null 2>&1 || true
    end=$(now)
    awk -v a="$start" -v b="$end" 'BEGIN {print b - a}'
  done | median >"$WORK/median"
  median=$(cat "$WORK/median")
  printf '%-40s %8.3f s (median of %d)\n' "$label" "$median" "$RUNS"
}
unzip_each() {
  local f
  for f in "$1"/*.zip; do unzip -tq "$f" >/dev/null; done
}

uptime | sed 's/.*load/load/'
echo "Packing 200 proofs of 1920 x 1080 ..."
make_proofs 1920x1080 200 "$WORK/hd"
du -sh "$WORK/hd" | awk '{print "  " $1 " of archives"}'
timed "unzip -tq, each archive in turn" unzip_each "$WORK/hd"
timed "lapbundle-check --html (all cores)" "$CHECK" --html "$WORK/hd.html" "$WORK/hd"
timed "lapbundle-check --html --jobs 1" "$CHECK" --jobs 1 --html "$WORK/hd.html" "$WORK/hd"

echo "Packing 5 proofs of 3840 x 2160, linked to $ARCHIVES archives ..."
make_proofs 3840x2160 5 "$WORK/uhd-src"
rm -rf "$WORK/uhd"
mkdir -p "$WORK/uhd"
mapfile -t sources < <(ls "$WORK/uhd-src"/*.zip)
for i in $(seq 1 "$ARCHIVES"); do
  ln "${sources[$((i % 5))]}" "$WORK/uhd/proof$(printf '%04d' "$i").zip"
done
for n in 10 "$ARCHIVES"; do
  args=()
  for f in $(ls "$WORK/uhd" | head -n "$n"); do args+=("$WORK/uhd/$f"); done
  # The linked copies carry other names than they were packed under, so the
  # checker's status is 1; only the memory counts here.
  kb=$( { /usr/bin/time -f '%M' "$CHECK" --jobs 2 --html "$WORK/uhd.html" "${args[@]}" >/dev/null || true; } 2>&1 | tail -n 1)
  printf '%-40s %8.1f MB peak resident\n' "--jobs 2, $n archives of 3840 x 2160" "$(awk -v k="$kb" 'BEGIN {print k / 1024}')"
done
