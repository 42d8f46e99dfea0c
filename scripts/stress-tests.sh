#!/usr/bin/env bash
# Runs the tests whose verdict could depend on timing RUNS times [5] on a
# machine kept busy: the window scripts of tests/e2e and tests/e2e_faults
# (plain build), the Windows tests under wine64 (the platform and control
# kit tests) and the Wine checks of tests/wine/run.sh.
#
#   scripts/stress-tests.sh [RUNS]
#
# While they run, a load of its own keeps the machine busy: a busy loop per
# core, a disk writer (256 MiB written and flushed, over and over) and a
# second virtual X display where the Linux program is started, pressed and
# ended again and again. The load stops when the script ends, however it
# ends. Each failure is printed with its log; the last line is
# "N passed, M failed" over all runs, and the exit status is 1 when any
# failed. Run it after changing a test that uses time, windows or Wine.
#
# Builds what is missing first (build/plain, and the Windows tests with
# scripts/build-windows.sh --tests). STRESS_LOAD picks the load
# [cpu,disk,x]; STRESS_SUITES the suites [e2e,windows,wine].
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-5}
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "usage: scripts/stress-tests.sh [RUNS]" >&2; exit 2; }
load=${STRESS_LOAD:-cpu,disk,x}
suites=${STRESS_SUITES:-e2e,windows,wine}
export LANG=C.UTF-8 LC_ALL=C.UTF-8

work=$(mktemp -d -t lapbundle-stress-XXXXXX)
load_pids=()

stop_load() {
  local pid
  for pid in "${load_pids[@]}"; do
    # Each load runs in a session of its own: end it with all its children.
    kill -- "-$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true
  done
  for pid in "${load_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  load_pids=()
}
cleanup() {
  stop_load
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

has() { [[ ",$2," == *",$1,"* ]]; }

# ---- what the tests need ----------------------------------------------------
scripts/install-deps.sh >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
if has e2e "$suites" || has x "$load" || has wine "$suites"; then
  echo "== plain build"
  { cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build build/plain -j"$(nproc)"; } >"$work/build.log" 2>&1 ||
    { tail -n 50 "$work/build.log"; exit 1; }
fi
if has windows "$suites" || has wine "$suites"; then
  if [ ! -f build-win64/tests/wine/win32_kit_tests.exe ] || [ ! -f build-win64/core/lapbundle.exe ]; then
    echo "== Windows build (scripts/build-windows.sh --tests)"
    scripts/build-windows.sh --tests >"$work/build-windows.log" 2>&1 ||
      { tail -n 50 "$work/build-windows.log"; exit 1; }
  fi
fi

# ---- the load ---------------------------------------------------------------
start_one() {
  setsid bash -c "$1" >/dev/null 2>&1 &
  load_pids+=($!)
}

# The Linux program in a display of its own: started on the sample game,
# pressed, ended, and started again, as another developer's tests would.
x_load() {
  local game="$work/x-game"
  build/plain/tools/make-sample-game "$game" >/dev/null
  cat >"$work/x-load.sh" <<EOF
. "$root/tests/testing/app_window.sh"
while :; do
  (cd "$game" && exec "$root/build/plain/core/lapbundle") &
  app=\$!
  wid=\$(timeout 10 xdotool search --sync --onlyvisible --name "^\$TITLE\\\$" | head -n 1)
  if [ -n "\$wid" ]; then
    xdotool mousemove --window "\$wid" \$BUTTON_X \$BUTTON_Y click 1
    sleep 1
    xdotool mousemove --window "\$wid" \$BUTTON_X \$BUTTON_Y click 1
  fi
  sleep 1
  kill \$app 2>/dev/null
  wait \$app 2>/dev/null
  rm -rf "$game/zip"
done
EOF
  start_one "exec xvfb-run -a -s '-screen 0 1024x768x24' bash '$work/x-load.sh'"
}

start_load() {
  local core
  if has cpu "$load"; then
    for core in $(seq 1 "$(nproc)"); do start_one 'while :; do :; done'; done
  fi
  if has disk "$load"; then
    start_one "while :; do dd if=/dev/zero of='$work/disk-load' bs=1M count=256 conv=fsync; rm -f '$work/disk-load'; done"
  fi
  if has x "$load"; then x_load; fi
}

# ---- the runs ----------------------------------------------------------------
passed=0
failed=0

# tally SUITE LOG: counts the log's passed and failed tests and prints the
# failures with their log.
tally() {
  local suite=$1 log=$2 p f
  case "$suite" in
    wine)
      p=$(grep -c '^PASS: ' "$log")
      f=$(grep -c '^FAIL: ' "$log")
      ;;
    *)
      p=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$log")
      f=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*|Failed|Timeout|Exception)' "$log")
      ;;
  esac
  passed=$((passed + p))
  failed=$((failed + f))
  if [ "$f" -gt 0 ] || [ "$p" -eq 0 ]; then
    [ "$p" -eq 0 ] && [ "$f" -eq 0 ] && failed=$((failed + 1))
    echo "---- $suite, run $run: $f failed (log follows)"
    cat "$log"
    echo "---- end of $suite, run $run"
  fi
  echo "  $suite: $p passed, $f failed"
}

start_load
echo "== load running: $load"
started=$SECONDS
for run in $(seq 1 "$runs"); do
  echo "== run $run of $runs"
  if has e2e "$suites"; then
    ctest --test-dir build/plain -R '^e2e_' --output-on-failure >"$work/e2e.log" 2>&1
    tally e2e "$work/e2e.log"
  fi
  if has windows "$suites"; then
    ctest --test-dir build-win64 --output-on-failure >"$work/windows.log" 2>&1
    tally windows "$work/windows.log"
  fi
  if has wine "$suites"; then
    WINE_TEST_DIR="$work/wine" tests/wine/run.sh >"$work/wine.log" 2>&1
    tally wine "$work/wine.log"
  fi
done
stop_load
echo "$runs runs took $((SECONDS - started)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
