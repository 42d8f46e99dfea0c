#!/usr/bin/env bash
# other_readers_test.sh WRITE-HOSTILE-ARCHIVES FUZZ-SEEDS LIST-ENTRIES: the
# checker against other readers (other_readers.py) over the hostile-archive
# table's archives, the fuzz seeds and the whole proof packed again by
# Info-ZIP zip, 7-Zip and Python's zipfile where installed, then over a few
# hundred structural mutations of them (seed 1 unless READERS_SEED is set;
# READERS_CASES sets how many).
set -euo pipefail
work=$(mktemp -d -t lapbundle-readers-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$1" "$work/table"
"$2" "$work/seeds"
mkdir -p "$work/packed/entries"
whole=$(find "$work/table/whole" -name '*.zip')
python3 - "$whole" "$work/packed" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    z.extractall(sys.argv[2] + "/entries")
    with zipfile.ZipFile(sys.argv[2] + "/zipfile.zip", "w", zipfile.ZIP_DEFLATED) as out:
        for name in z.namelist():
            out.writestr(name, z.read(name))
PY
(cd "$work/packed/entries" &&
  if command -v zip >/dev/null; then zip -qX ../info-zip.zip ./*; fi &&
  if command -v 7z >/dev/null; then 7z a -tzip -bd ../7-zip.zip ./* >/dev/null; fi)
mapfile -t archives < <(find "$work/table" "$work/seeds/check_fuzz" "$work/packed" -maxdepth 2 \
  -type f -name '*.zip' -o -path "$work/seeds/*" -type f | sort)
python3 "$(dirname "$0")/other_readers.py" "$3" --cases "${READERS_CASES:-400}" \
  --seed "${READERS_SEED:-1}" "${archives[@]}"
