#!/usr/bin/env bash
# Writes a Debian changelog (debian/changelog format) made from CHANGES.md,
# gzip-compressed without name or time stamp into OUT.gz:
#   scripts/debian-changelog.sh CHANGES.md "NAME <ADDRESS>" OUT.gz
# Each "## VERSION (YYYY-MM-DD)" heading becomes an entry, its "- " items
# become "  * " items (continuation lines indented by two spaces go on with
# four); the entry is signed by NAME <ADDRESS> on that day, at midnight UTC.
set -euo pipefail
changes=$1 maintainer=$2 out=$3

sign() { [ -z "$1" ] || printf '\n -- %s  %s\n' "$maintainer" "$(LC_ALL=C date -R -u -d "$1")"; }
version="" day="" first=1
entries() {
while IFS= read -r line; do
  if [[ $line =~ ^##\ ([^ ]+)\ \(([0-9]{4}-[0-9]{2}-[0-9]{2})\)$ ]]; then
    sign "$day"
    [ "$first" -eq 1 ] || echo
    first=0
    version=${BASH_REMATCH[1]} day=${BASH_REMATCH[2]}
    printf 'lapbundle (%s) unstable; urgency=medium\n\n' "$version"
  elif [ -n "$version" ] && [[ $line == "- "* ]]; then
    printf '  * %s\n' "${line#- }"
  elif [ -n "$version" ] && [[ $line == "  "* ]]; then
    printf '    %s\n' "${line#  }"
  fi
done <"$changes"
[ -n "$version" ] || { echo "no '## VERSION (YYYY-MM-DD)' heading in $changes" >&2; exit 1; }
sign "$day"
}
entries >"$out.txt"
gzip -n -9 -c "$out.txt" >"$out"
rm -f "$out.txt"
