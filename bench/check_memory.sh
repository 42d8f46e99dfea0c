#!/usr/bin/env bash
# Peak memory of lapbundle-check on the inputs that cost it the most.
#
#   bench/check_memory.sh BUILD_DIR
#
# - tall: a 4 x 16,777,216 run-length coded bitmap (an archive of under a
#   kilobyte) whose pixels fill one full-size block of 256 MiB;
# - square: the same pixel count as 8192 x 8192;
# - big: the sample game's saved game and track file, each padded with
#   zeros to 256 MiB, with a 4096 x 4096 bitmap; checked without and with
#   --tracks (an official track file, the same 256 MiB).
# Each is checked with --jobs 1; the peak resident set size comes from GNU time.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
CHECK="$BUILD/check/lapbundle-check"
SAMPLE="$BUILD/tools/make-sample-game"
WORK=$(mktemp -d -t lapbundle-memory-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/tracks/Hills"
"$SAMPLE" "$WORK/game" >/dev/null

python3 - "$WORK" <<'PY'
import struct, sys, zipfile
work = sys.argv[1]

def padded(path):
    data = open(path, "rb").read()
    return data + bytes((256 << 20) - len(data))

def rle8_bmp(width, height):
    palette = struct.pack("<II", 0x102030, 0xFFFFFF)
    pixels = b"\x00\x01"  # end of picture: every pixel is index 0
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(pixels), 0, 0, 2, 0)
    return header + info + palette + pixels

def archive(name, entries):
    with zipfile.ZipFile(f"{work}/{name}.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for entry, data in entries:
            z.writestr(entry, data)

archive("tall", [("tall.bmp", rle8_bmp(4, 16777216))])
archive("square", [("square.bmp", rle8_bmp(8192, 8192))])
track = padded(f"{work}/game/Tracks/Hills/Oakfield.trk")
archive("big", [("big.bmp", rle8_bmp(4096, 4096)),
                ("big.gam", padded(f"{work}/game/Saves/Race1.gam")), ("Oakfield.trk", track)])
open(f"{work}/tracks/Hills/Oakfield.trk", "wb").write(track)
PY

peak() {
  local label=$1 kb
  shift
  kb=$( { /usr/bin/time -f '%M' "$CHECK" --jobs 1 "$@" >/dev/null || true; } 2>&1 | tail -n 1)
  printf '%-44s %8.1f MB peak resident\n' "$label" "$(awk -v k="$kb" 'BEGIN {print k / 1024}')"
}
ls -l "$WORK"/*.zip | awk '{printf "  %-10s %10d bytes\n", $9, $5}' | sed "s|$WORK/||"
peak "tall 4 x 16777216 RLE8" "$WORK/tall.zip"
peak "square 8192 x 8192 RLE8" "$WORK/square.zip"
peak "256 MiB saved game and track" "$WORK/big.zip"
peak "the same, --tracks (256 MiB official)" --tracks "$WORK/tracks" "$WORK/big.zip"
