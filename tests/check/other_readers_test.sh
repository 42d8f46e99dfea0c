#!/usr/bin/env bash
# other_readers_test.sh WRITE-HOSTILE-ARCHIVES FUZZ-SEEDS LIST-ENTRIES: the
# hostile-archive table's archives and the fuzz seeds, each "ok" one read
# again by other readers (other_readers.py).
set -euo pipefail
work=$(mktemp -d -t lapbundle-readers-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$1" "$work/table"
"$2" "$work/seeds"
mapfile -t archives < <(find "$work/table" "$work/seeds/check_fuzz" -type f | sort)
python3 "$(dirname "$0")/other_readers.py" "$3" "${archives[@]}"
