#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]   (default 10 s, every target)
# CI runs 10 s per target; run it longer on demand, e.g. scripts/fuzz.sh 1800.
# Environment: FUZZ_BUILD (build folder, default build/fuzz), FUZZ_JOBS
# (parallel compile jobs, default all cores).
#
# Seeds come from make-fuzz-seeds (fuzz/), written fresh into the build
# folder; each target's corpus grows there from run to run. A crash is kept
# in $FUZZ_BUILD/artifacts/ (until that target's next run) and fails the run
# after every target has run.
# The last lines give the executions per target, for the record.
#
# The target "other_readers" (run with every target unless others are named)
# is the differential test of the checker against other zip readers:
# READERS_CASES structural mutations (default 5000) under a new seed each
# run (READERS_SEED repeats one), over a plain build in READERS_BUILD
# (default build/readers).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
build=${FUZZ_BUILD:-build/fuzz}
jobs=${FUZZ_JOBS:-$(nproc)}

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLAPBUNDLE_FUZZ=ON >/dev/null
readers=yes
if [ $# -gt 0 ]; then
  targets=""
  readers=no
  for t in "$@"; do
    if [ "$t" = other_readers ]; then readers=yes; else targets+=" $t"; fi
  done
else
  targets=$(cd fuzz && ls *_fuzz.cpp 2>/dev/null | sed 's/\.cpp$//')
fi
crashed=""
if [ "$readers" = yes ]; then
  echo "== other_readers"
  out=${READERS_BUILD:-build/readers}
  cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$out" -j"$jobs" --target write-hostile-archives test-fuzz-seeds list-entries
  if ! READERS_CASES=${READERS_CASES:-5000} READERS_SEED=${READERS_SEED:-$RANDOM} \
    bash tests/check/other_readers_test.sh "$out/tests/check/write-hostile-archives" \
    "$out/tests/check/test-fuzz-seeds" "$out/tests/check/list-entries"; then
    crashed+=" other_readers"
  fi
fi
[ -n "$targets" ] || { [ -z "$crashed" ] || exit 1; echo "fuzzing done"; exit 0; }
# shellcheck disable=SC2086
cmake --build "$build" -j"$jobs" --target make-fuzz-seeds $targets

# Targets that read files get their scratch files in memory when possible:
# disk writes would otherwise be most of each execution.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

rm -rf "$build/seeds"
ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/make-fuzz-seeds" "$build/seeds"
mkdir -p "$build/artifacts" "$build/logs"
summary=""
for t in $targets; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  [ -d "$build/seeds/$t" ] && cp -n "$build/seeds/$t"/* "$corpus"/ 2>/dev/null || true
  echo "== $t (${seconds}s)"
  log="$build/logs/$t.log"
  # A crash input from an earlier run is kept as a regression test, not here.
  rm -f "$build/artifacts/$t-"*
  status=0
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=25 \
    -artifact_prefix="$build/artifacts/$t-" -print_final_stats=1 "$corpus" >"$log" 2>&1 ||
    status=$?
  grep -E 'ERROR|SUMMARY' "$log" || true
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=$(printf '%-20s %12s executions, corpus %s files' "$t" "${runs:-?}" \
    "$(ls "$corpus" | wc -l)")$'\n'
  if [ "$status" -ne 0 ] || ls "$build/artifacts/$t-"* >/dev/null 2>&1; then
    crashed+=" $t"
    tail -n 40 "$log"
  fi
done
echo "== fuzzing totals (${seconds}s per target)"
printf '%s' "$summary"
if [ -n "$crashed" ]; then
  echo "fuzzing found crashes in:$crashed (inputs in $build/artifacts/)"
  exit 1
fi
echo "fuzzing done"
