#!/usr/bin/env bash
# Proves that the README's two commands work on a bare machine: a minimal
# Debian root of this machine's release (debootstrap minbase from this
# machine's own mirror, plus git, with the same apt entries of the release
# as this machine: main, updates, security), the checkout's HEAD cloned into it, and
# there, as root, with an empty environment but PATH:
#   scripts/demo.sh
#   scripts/test.sh
# Fails when either fails. Needs root (debootstrap, chroot, mounts).
#
#   scripts/check-bare-machine.sh [--demo-only]
#   scripts/check-bare-machine.sh --can-run   exit status 0 when this machine
#                                             can hold a bare root (root, mounts)
#
# Work folder: build/roots/ (the bootstrapped base is kept there and reused;
# each run works in a fresh copy, removed at the end). Each command's output
# goes to build/roots/<command>.log; its time is printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/debian-root.sh"
work="$root/build/roots"
base="$work/base"
bare="$work/bare"
# A machine that allows no mounts (an unprivileged container) cannot hold a
# Debian root at all.
can_hold_root() {
  [ "$(id -u)" -eq 0 ] || return 1
  mkdir -p "$work/probe"
  mount -t tmpfs tmpfs "$work/probe" 2>/dev/null || return 1
  umount "$work/probe"
}
if [ "${1:-}" = "--can-run" ]; then
  can_hold_root
  exit
fi
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap, chroot and mounts need it)" >&2; exit 1; }
commands=(scripts/demo.sh scripts/test.sh)
[ "${1:-}" = "--demo-only" ] && commands=(scripts/demo.sh)
mkdir -p "$work"
if ! can_hold_root; then
  echo "SKIPPED: this machine allows no mounts, so no bare Debian root can be made here"
  exit 0
fi
trap 'debian_root_leave "$bare"; rm -rf "$bare"' EXIT

started=$SECONDS
debian_root_base "$base"
debian_root_copy "$base" "$bare"
git clone -q --no-hardlinks "$root" "$bare/src/lapbundle"
git -C "$bare/src/lapbundle" checkout -q --detach "$(git -C "$root" rev-parse HEAD)"
debian_root_enter "$bare"
echo "bare root ready in $((SECONDS - started)) s: $(git -C "$root" log -1 --format='%h %s')"

status=0
for command in "${commands[@]}"; do
  log="$work/$(basename "$command" .sh).log"
  t0=$SECONDS
  code=0
  in_root "$bare" /bin/bash -c "cd /src/lapbundle && $command" >"$log" 2>&1 || code=$?
  if [ "$code" -eq 0 ]; then
    echo "ok: $command in the bare root ($((SECONDS - t0)) s; log $log)"
  else
    echo "FAIL: $command in the bare root, exit code $code ($((SECONDS - t0)) s); its last lines:"
    tail -n 40 "$log"
    status=1
  fi
done
exit "$status"
