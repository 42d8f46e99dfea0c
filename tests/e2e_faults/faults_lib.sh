# Steps shared by the fault scripts, on top of tests/e2e/lib.sh (sourced
# first by each script).

# A fingerprint of every file below Saves, Screens and Tracks: path, size,
# modification time to the nanosecond, mode and checksum.
source_state() {
  (cd "$GAME" && find Saves Screens Tracks -type f -printf '%p %s %T@ %m\n' | sort &&
    find Saves Screens Tracks -type f -print0 | sort -z | xargs -0 -r md5sum)
}

# Remembers the sources now; expect_sources_unchanged compares with them.
remember_sources() {
  SOURCES_BEFORE=$(source_state)
}
expect_sources_unchanged() {
  [ "$(source_state)" = "$SOURCES_BEFORE" ] || fail "a file in Saves, Screens or Tracks changed"
}

# The names in the zip folder, one a line, sorted.
zip_contents() {
  ls -A "$GAME/zip" | sort
}
expect_zip_contents() {
  local expected
  expected=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
  [ "$(zip_contents)" = "$expected" ] || fail "zip holds '$(zip_contents | tr '\n' ' ')'"
}

# Mounts MOUNTS are undone on exit; a machine that forbids mounting skips.
MOUNTS=()
unmount_all() {
  local m
  for m in "${MOUNTS[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
}
trap 'unmount_all; cleanup' EXIT
mount_or_skip() {
  local target=${*: -1}
  mount "$@" 2>/dev/null || { echo "SKIP: mounting is not permitted here"; exit 77; }
  MOUNTS+=("$target")
}
