#!/usr/bin/env bash
# Fetches and unpacks one Debian source package into a folder, trying every
# version apt knows for it, newest first, until one downloads and unpacks.
# A mirror may list a version (often a fresh security update) before or
# without serving its files; the build then falls back to the next one.
#
#   scripts/fetch-source.sh PACKAGE DIR
#
# On success DIR holds the unpacked tree PACKAGE-UPSTREAMVERSION/ and the
# file PACKAGE.version, whose first line is the version used and whose second
# line, present only after a fallback, is "newest NEWEST". The log (standard
# error) names the version used and every version that failed, and why.
# Fails, naming the package and every version tried, only when none can be
# fetched. Needs a deb-src entry for the package (apt-cache showsrc).
set -euo pipefail
pkg=$1 dir=$2
log() { echo "[windeps] $*" >&2; }

# Versions of source package $pkg known to apt, newest first.
known_versions() {
  local v sorted=() i
  while read -r v; do
    # Insertion by dpkg's own ordering of Debian versions.
    for ((i = 0; i < ${#sorted[@]}; i++)); do
      dpkg --compare-versions "$v" gt "${sorted[i]}" && break
    done
    sorted=("${sorted[@]:0:i}" "$v" "${sorted[@]:i}")
  done < <(apt-cache showsrc "$pkg" 2>/dev/null |
           awk -v p="$pkg" '/^Package: / { cur = $2 } /^Version: / && cur == p { print $2 }' | sort -u)
  printf '%s\n' "${sorted[@]}"
}

mapfile -t versions < <(known_versions)
if [ ${#versions[@]} -eq 0 ] || [ -z "${versions[0]}" ]; then
  echo "cannot fetch the $pkg source package: apt knows no version of it (is there a deb-src entry?)" >&2
  exit 1
fi

mkdir -p "$dir"
tried=()
for version in "${versions[@]}"; do
  # Each attempt works in a fresh folder, so nothing half-fetched mixes in.
  work=$(mktemp -d "$dir/.fetch-$pkg.XXXXXX")
  log "fetching the $pkg source package, version $version"
  if (cd "$work" && apt-get source -qq "$pkg=$version") >"$work.log" 2>&1; then
    tree=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name "$pkg-*" | head -n 1)
    if [ -n "$tree" ] && [ -n "$(ls -A "$tree")" ]; then
      rm -rf "$dir/$(basename "$tree")"
      mv "$tree" "$dir/"
      rm -rf "$work" "$work.log"
      {
        echo "$version"
        [ "$version" = "${versions[0]}" ] || echo "newest ${versions[0]}"
      } >"$dir/$pkg.version"
      if [ ${#tried[@]} -gt 0 ]; then
        log "WARNING: $pkg $version used, older than the newest version apt lists (${versions[0]})"
        printf '[windeps]   not fetched: %s\n' "${tried[@]}" >&2
      else
        log "$pkg $version used"
      fi
      exit 0
    fi
    reason="downloaded, but no unpacked $pkg-* folder"
  else
    # apt's own reason: its first error line (the one naming the file that
    # failed), or its last line.
    reason=$(grep -E '^E: ' "$work.log" | head -n 1 || true)
    [ -n "$reason" ] || reason=$(tail -n 1 "$work.log")
  fi
  tried+=("$version ($reason)")
  rm -rf "$work" "$work.log"
done

{
  echo "cannot fetch the $pkg source package: no version apt knows could be downloaded and unpacked."
  echo "Versions tried, newest first:"
  printf '  %s\n' "${tried[@]}"
} >&2
exit 1
