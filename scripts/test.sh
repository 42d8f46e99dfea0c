#!/usr/bin/env bash
# Installs what is missing, builds lapbundle twice (plain, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test in both,
# then runs each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
# The window tests type non-ASCII text with xdotool, which needs a UTF-8
# locale; a bare machine has none set. C.UTF-8 is built into the C library.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
scripts/install-deps.sh
jobs=$(nproc)

# The plain build is the optimised one that ships, so that what the compiler
# only reports at -O3 stops the tests too.
echo "== plain build"
cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/plain -j"$jobs"
ctest --test-dir build/plain --output-on-failure -j"$jobs"

echo "== sanitized build"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DLAPBUNDLE_SANITIZE=ON >/dev/null
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"

echo "== fuzzing"
scripts/fuzz.sh 10

# ---- Windows build ------------------------------------------------------------
# Cross-builds both Windows programs, checks what lapbundle.exe imports and
# runs the Windows tests under wine64.
echo "== Windows build"
# The source fetch falls back past versions a mirror lists but does not serve.
tests/scripts/fetch_source_test.sh
scripts/build-windows.sh --tests
if [ -x tests/wine/run.sh ]; then
  tests/wine/run.sh
fi
# ---- end of Windows build -------------------------------------------------------
