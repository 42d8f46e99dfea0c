#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 10)
# Seed corpora come from tools/ (make-sample-game --fuzz-seeds) when present.
# A crash stops the run and leaves the input in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLAPBUNDLE_FUZZ=ON >/dev/null
targets=$(cd fuzz && ls *_fuzz.cpp 2>/dev/null | sed 's/\.cpp$//')
[ -n "$targets" ] || { echo "no fuzz targets"; exit 0; }
cmake --build "$build" -j"$(nproc)" --target $targets
mkdir -p "$build/artifacts"
for t in $targets; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  [ -d "tools/fuzz_seeds/$t" ] && cp -n tools/fuzz_seeds/"$t"/* "$corpus"/ 2>/dev/null || true
  echo "== $t (${seconds}s)"
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/$t-" -print_final_stats=1 "$corpus" 2>&1 |
    grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' || true
  ls "$build/artifacts/$t-"* >/dev/null 2>&1 && { echo "$t found a crash"; exit 1; }
done
echo "fuzzing done"
