#!/usr/bin/env bash
# lapbundle-check against the overlapping-entry bomb: 65,532 directory
# records, all pointing at one local header whose deflate stream inflates
# to 256 MiB (about 4 MB on disk). Every record is refused by its structure
# (overlap, local header) and by the sum of the stored sizes before anything
# is inflated, so the check takes a moment, not hours.
#
#   bench/check_bomb.sh BUILD_DIR [RUNS]
#
# Prints the median wall time of RUNS runs (default 5) and the peak
# resident set size (GNU time).
set -euo pipefail
BUILD=$(cd "$1" && pwd)
RUNS=${2:-5}
CHECK="$BUILD/check/lapbundle-check"
WORK=$(mktemp -d -t lapbundle-bomb-XXXXXX)
trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK/bomb.zip" <<'PY'
import struct, sys, zlib
size = 256 << 20
z = zlib.compressobj(9, zlib.DEFLATED, -15)
packed = z.compress(bytes(size)) + z.flush()
crc = zlib.crc32(bytes(size))
first = b"b00000.bmp"
local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0, crc, len(packed), size,
                    len(first), 0) + first + packed
records = []
count = 65532
for i in range(count):
    name = b"b%05d.bmp" % i
    records.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0, 0, crc,
                               len(packed), size, len(name), 0, 0, 0, 0, 0, 0) + name)
directory = b"".join(records)
end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(directory), len(local), 0)
open(sys.argv[1], "wb").write(local + directory + end)
PY
ls -l "$WORK/bomb.zip" | awk '{printf "  %d bytes of archive\n", $5}'
for _ in $(seq 1 "$RUNS"); do
  start=$(date +%s.%N)
  "$CHECK" "$WORK/bomb.zip" >"$WORK/out" 2>&1 || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN {print b - a}'
done | sort -g | awk '{a[NR]=$1} END {printf "lapbundle-check on the bomb: %.3f s (median of %d)\n", a[int((NR+1)/2)], NR}'
grep -m1 -o "the entries add up to more than 768 MiB" "$WORK/out" >/dev/null ||
  { echo "unexpected verdict:"; head -c 2000 "$WORK/out"; exit 1; }
kb=$( { /usr/bin/time -f '%M' "$CHECK" "$WORK/bomb.zip" >/dev/null || true; } 2>&1 | tail -n 1)
awk -v k="$kb" 'BEGIN {printf "peak resident: %.1f MB\n", k / 1024}'
