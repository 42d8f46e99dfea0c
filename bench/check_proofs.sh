#!/usr/bin/env bash
# lapbundle-check against unzip -tq, and its memory.
#
#   bench/check_proofs.sh BUILD_DIR [RUNS] [ARCHIVES]
#
# Throughput, timed RUNS times each (default 5, median printed) with warm
# caches: `unzip -tq` over each archive, one after another, against
# `lapbundle-check --html` over the folder (default jobs: every core), for
#   - 200 proofs packed the way the tool packs them by default (BMP
#     screenshot, saved game, track file; deflate level 9, by
#     `lapbundle-bench makezip`), each with its own 1920 x 1080 screenshot;
#   - a mixed round: 100 such proofs and 100 with a JPEG screenshot of the
#     same size, so that every BMP is encoded again to be compared with
#     the JPEGs (the most that comparing screenshots can cost).
# Memory (peak resident set size, from GNU time, --jobs 2 and --html):
#   - 5 proofs of 3840 x 2160;
#   - 10 and ARCHIVES (default 1000) proofs of 320 x 240, all different,
#     then all copies of one: what each further proof costs.
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

# make_proofs SIZE COUNT FOLDER [jpg] [FIRST]: COUNT proofs of different
# drivers, times and screenshots (seeds FIRST, FIRST+1, ...; default 1).
make_proofs() {
  local size=$1 count=$2 folder=$3 mode=${4:-} first=${5:-1} i
  [ -d "$folder" ] && [ "$(ls "$folder" | wc -l)" -eq "$count" ] && return 0
  rm -rf "$folder"
  mkdir -p "$folder"
  for i in $(seq "$first" $((first + count - 1))); do
    rm -rf "$WORK/game"
    "$SAMPLE" "$WORK/game" --screen "$size" --screen-seed "$i" --driver "Driver $i" \
      --time $((1850000 + 997 * i)) >/dev/null
    "$BENCH" makezip "$WORK/game" $mode >/dev/null
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

# peak LABEL ARCHIVE...: the checker's peak resident set size over them.
peak() {
  local label=$1 kb
  shift
  # Copies carry other names than they were packed under, and proofs share
  # races, so the checker's status is 1; only the memory counts here.
  kb=$( { /usr/bin/time -f '%M' "$CHECK" --jobs 2 --html "$WORK/peak.html" "$@" >/dev/null || true; } 2>&1 | tail -n 1)
  printf '%-44s %8.1f MB peak resident\n' "$label" "$(awk -v k="$kb" 'BEGIN {print k / 1024}')"
  echo "$kb" >"$WORK/peak-kb"
}

uptime | sed 's/.*load/load/'
echo "Packing 200 proofs of 1920 x 1080 ..."
make_proofs 1920x1080 200 "$WORK/hd"
du -sh "$WORK/hd" | awk '{print "  " $1 " of archives"}'
timed "unzip -tq, each archive in turn" unzip_each "$WORK/hd"
timed "lapbundle-check --html (all cores)" "$CHECK" --html "$WORK/hd.html" "$WORK/hd"
timed "lapbundle-check --html --jobs 1" "$CHECK" --jobs 1 --html "$WORK/hd.html" "$WORK/hd"

echo "Packing a mixed round: 100 BMP and 100 JPEG proofs of 1920 x 1080 ..."
make_proofs 1920x1080 100 "$WORK/mixed-bmp"
make_proofs 1920x1080 100 "$WORK/mixed-jpg" jpg 101
rm -rf "$WORK/mixed" && mkdir -p "$WORK/mixed"
ln "$WORK/mixed-bmp"/*.zip "$WORK/mixed-jpg"/*.zip "$WORK/mixed/"
du -sh "$WORK/mixed" | awk '{print "  " $1 " of archives"}'
timed "unzip -tq, each archive in turn" unzip_each "$WORK/mixed"
timed "lapbundle-check --html (all cores)" "$CHECK" --html "$WORK/mixed.html" "$WORK/mixed"

echo "Packing 5 proofs of 3840 x 2160 ..."
make_proofs 3840x2160 5 "$WORK/uhd"
peak "--jobs 2, 5 proofs of 3840 x 2160" "$WORK/uhd"/*.zip

echo "Packing $ARCHIVES proofs of 320 x 240 ..."
make_proofs 320x240 "$ARCHIVES" "$WORK/small"
mapfile -t small < <(ls "$WORK/small"/*.zip)
peak "--jobs 2, 10 different proofs" "${small[@]:0:10}"
few=$(cat "$WORK/peak-kb")
peak "--jobs 2, $ARCHIVES different proofs" "${small[@]}"
many=$(cat "$WORK/peak-kb")
awk -v a="$few" -v b="$many" -v n="$ARCHIVES" \
  'BEGIN {printf "  %.0f bytes more for each further proof\n", (b - a) * 1024 / (n - 10)}'
rm -rf "$WORK/copies" && mkdir -p "$WORK/copies"
for i in $(seq 1 "$ARCHIVES"); do cp "${small[0]}" "$WORK/copies/copy$(printf '%04d' "$i").zip"; done
peak "--jobs 2, $ARCHIVES copies of one proof" "$WORK/copies"
awk -v a="$few" -v b="$(cat "$WORK/peak-kb")" -v n="$ARCHIVES" \
  'BEGIN {printf "  %.0f bytes more for each further copy\n", (b - a) * 1024 / (n - 10)}'
