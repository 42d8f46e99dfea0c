# Throwaway Debian roots for the checks that start from a bare machine
# (scripts/check-bare-machine.sh, scripts/package.sh). Sourced; needs root.
#
#   debian_root_base DIR    a minimal root (debootstrap minbase, plus git) of
#                           this machine's Debian release from this machine's
#                           own mirror, made once and reused
#   debian_root_copy BASE DIR   a fresh copy to work in, with the same apt
#                           entries of the release as this machine (main,
#                           updates, security: whatever this machine has)
#   debian_root_enter DIR   mounts /proc, /sys, /dev, /dev/pts and /dev/shm;
#                           debian_root_leave DIR unmounts them again
#   in_root DIR COMMAND...  runs COMMAND as root inside, with an empty
#                           environment but PATH

ROOT_PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
. "$(dirname "${BASH_SOURCE[0]}")/apt-sources.sh"

# The machine's release codename and the URI of its main archive: the first
# deb entry whose suite is the bare codename (scripts/apt-sources.sh).
debian_release() { (. /etc/os-release && echo "${VERSION_CODENAME:?}"); }
debian_mirror() {
  local codename=$1 uri
  uri=$(apt_release_stanzas deb "$codename" | awk -v rel="$codename" '
    function check() { if (!done && " " suites " " ~ " " rel " " && uri != "") { print uri; done = 1 } }
    /^$/ { check(); suites = uri = ""; next }
    /^URIs:/ { split(substr($0, 6), u, " "); uri = u[1] }
    /^Suites:/ { suites = substr($0, 8) }
    END { check() }')
  [ -n "$uri" ] || { echo "no deb entry for $codename in this machine's apt sources" >&2; return 1; }
  echo "$uri"
}

debian_root_base() {
  local dir=$1 codename mirror
  [ -f "$dir/.complete" ] && return 0
  command -v debootstrap >/dev/null ||
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap; }
  codename=$(debian_release)
  mirror=$(debian_mirror "$codename")
  echo "debootstrap $codename (minbase) from $mirror into $dir"
  rm -rf "$dir"
  mkdir -p "$dir"
  debootstrap --variant=minbase --include=git,ca-certificates "$codename" "$dir" "$mirror" \
    >"$dir.log" 2>&1 || { tail -n 30 "$dir.log" >&2; return 1; }
  touch "$dir/.complete"
}

debian_root_copy() {
  rm -rf "$2"
  cp -a "$1" "$2"
  rm -f "$2/.complete"
  # debootstrap leaves one entry (the release's main suite); a real machine
  # also has the updates and security suites, whose indexes may list
  # versions the mirror does not serve yet.
  local stanzas
  stanzas=$(apt_release_stanzas deb "$(debian_release)")
  [ -n "$stanzas" ] || { echo "no apt entry of this release to give the root" >&2; return 1; }
  rm -f "$2/etc/apt/sources.list" "$2"/etc/apt/sources.list.d/*
  echo "$stanzas" >"$2/etc/apt/sources.list.d/debian.sources"
  # Name resolution as on this machine.
  cp -L /etc/resolv.conf "$2/etc/resolv.conf" 2>/dev/null || true
}

debian_root_enter() {
  local dir=$1
  mount -t proc proc "$dir/proc"
  mount -t sysfs sysfs "$dir/sys"
  mount --bind /dev "$dir/dev"
  mount --bind /dev/pts "$dir/dev/pts"
  mount -t tmpfs tmpfs "$dir/dev/shm"
}

# Unmounts whatever is mounted below the root, deepest first; safe to call
# more than once.
debian_root_leave() {
  local dir m
  dir=$(cd "$1" 2>/dev/null && pwd -P) || return 0
  for m in $(awk -v d="$dir" '$2 == d || index($2, d "/") == 1 {print $2}' /proc/mounts | sort -r); do
    umount "$m" 2>/dev/null || umount -l "$m"
  done
}

in_root() {
  local dir=$1
  shift
  chroot "$dir" /usr/bin/env -i PATH="$ROOT_PATH" "$@"
}
