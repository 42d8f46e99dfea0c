#!/usr/bin/env bash
# A proof packed by the real tool checks ok; tampered copies of it each give
# their problem and exit status 1; the HTML page parses and lists them all.
. "$(dirname "$0")/../e2e/lib.sh"

make_game
start_app
expect_field "$NAME"
make_zip_and_end "..\\zip\\$NAME.zip ok"
proof="$GAME/zip/$NAME.zip"
[ -f "$proof" ] || fail "no archive"

# check FILE... [-- OPTIONS]: runs the checker, keeps its output in $out.
check() {
  code=0
  out=$("$LAPBUNDLE_CHECK" "$@" 2>&1) || code=$?
}
expect_problem() {
  local file=$1 problem=$2
  shift 2
  check "$@" "$file"
  [ "$code" -eq 1 ] || fail "$(basename "$file"): exit $code, expected 1: $out"
  grep -qF -- "$problem" <<<"$out" || fail "$(basename "$file"): no '$problem' in: $out"
}

check "$proof"
[ "$code" -eq 0 ] || fail "the packed proof: exit $code: $out"
grep -q "  ok$" <<<"$out" || fail "the packed proof is not ok: $out"
grep -qx "1 proofs: 1 ok, 0 with problems" <<<"$out" || fail "no summary line: $out"
check --tracks "$GAME/Tracks" "$proof"
[ "$code" -eq 0 ] || fail "the packed proof against its own track: exit $code: $out"
# Other readers list the same entries with the same bytes.
python3 "$(dirname "$0")/other_readers.py" "$LIST_ENTRIES" "$proof" || fail "other readers disagree"

check "$proof" "$WORK/missing.zip"
[ "$code" -eq 2 ] || fail "a missing path: exit $code, expected 2"
# A name holding a backslash is never taken for a path to another file.
mkdir -p "$WORK/b"
cp "$proof" "$WORK/b/$NAME.zip"
cp "$proof" "$WORK/b\\$NAME.zip"
check "$WORK/b\\$NAME.zip"
[ "$code" -eq 2 ] || fail "a name with a backslash: exit $code, expected 2: $out"
grep -qF "cannot be opened by its name" <<<"$out" || fail "a name with a backslash: $out"

T="$WORK/tampered"
mkdir -p "$T"
cp "$proof" "$T/Cup_$NAME.zip"
expect_problem "$T/Cup_$NAME.zip" "packed as $NAME"
cp "$proof" "$T/oakfield_Ann Lee_985.zip"
expect_problem "$T/oakfield_Ann Lee_985.zip" "number in the name 985, computed from the saved game 973"

# Rewrites the archive with one entry's bytes changed (names and order kept).
python3 - "$proof" "$T/time.zip" "$T/damaged.zip" "$NAME" <<'PY'
import struct, sys, zipfile
src, timed, damaged, name = sys.argv[1:5]
with zipfile.ZipFile(src) as z, zipfile.ZipFile(timed, "w", zipfile.ZIP_DEFLATED) as out:
    for info in z.infolist():
        data = z.read(info)
        if info.filename.endswith(".gam"):
            old = struct.pack("<i", 1850000)
            assert data.count(old) == 1
            data = data.replace(old, struct.pack("<i", 1900000))
        out.writestr(info.filename, data)
raw = bytearray(open(src, "rb").read())
with zipfile.ZipFile(src) as z:
    info = z.getinfo(name + ".bmp")
start = info.header_offset + 30 + len(info.orig_filename.encode("cp437")) + len(info.extra)
raw[start + info.compress_size // 2] ^= 0x5A
open(damaged, "wb").write(bytes(raw))
PY
mv "$T/time.zip" "$T/$NAME.zip"
expect_problem "$T/$NAME.zip" "number in the name 973, computed from the saved game 947"
mkdir -p "$T/damaged"
mv "$T/damaged.zip" "$T/damaged/$NAME.zip"
check "$T/damaged/$NAME.zip"
[ "$code" -eq 1 ] || fail "damaged: exit $code"
grep -qE "entry \"$NAME.bmp\" (is damaged|fails its CRC-32 check|inflates past its stored size)" <<<"$out" || fail "damaged: $out"

# An official track file whose length differs (5200, at the record block's
# position 64 minus 4).
mkdir -p "$WORK/official"
cp -r "$GAME/Tracks/." "$WORK/official/"
printf '\x50\x14\x00\x00' | dd of="$WORK/official/Hills/Oakfield.trk" bs=1 seek=60 conv=notrunc status=none
expect_problem "$proof" "track file differs from the official one: track length 5000, official 5200" \
  --tracks "$WORK/official"

# The page: every archive in one standings table, all marked: the tampered
# ones, and the untouched copy whose screenshot the others share.
mkdir -p "$T/ok"
cp "$proof" "$T/ok/$NAME.zip"
check --html "$WORK/report.html" --csv "$WORK/report.csv" "$T"
[ "$code" -eq 1 ] || fail "folder: exit $code"
head -n 1 "$WORK/report.csv" | grep -q "^file,verdict,problems,driver,track,race_time_ms,number" ||
  fail "CSV header: $(head -n 1 "$WORK/report.csv")"
python3 - "$WORK/report.html" <<'PY' || fail "the HTML page"
import base64, html.parser, sys

class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.row, self.cell, self.tags = [], None, None, []
    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag in ("script", "link", "iframe"):
            raise SystemExit("external or active content: " + tag)
        if tag == "tr" and self.tags and "tbody" in self.tags:
            self.row = {"class": attrs.get("class", ""), "text": [], "img": None}
        if tag == "img" and self.row is not None:
            self.row["img"] = attrs["src"]
        if tag not in ("img", "meta", "br"):
            self.tags.append(tag)
    def handle_endtag(self, tag):
        if tag == "tr" and self.row is not None:
            self.rows.append(self.row)
            self.row = None
        if self.tags and self.tags[-1] == tag:
            self.tags.pop()
    def handle_data(self, data):
        if self.row is not None and data.strip():
            self.row["text"].append(data.strip())

page = Page()
page.feed(open(sys.argv[1], encoding="utf-8").read())
page.close()
rows = page.rows
assert len(rows) == 5, rows
assert all(r["class"] == "problem" for r in rows), rows
# A row's first file is its own; the files after it are named by problems.
def own_file(row):
    return next(t for t in row["text"] if t.endswith(".zip"))
copy = [r for r in rows if own_file(r).endswith("/ok/oakfield_Ann Lee_973.zip")]
assert len(copy) == 1 and "same screenshot as" in copy[0]["text"], copy
# Every row but the damaged screenshot's carries a JPEG thumbnail.
for r in rows:
    if "/damaged/" in own_file(r):
        assert r["img"] is None, r
        continue
    prefix = "data:image/jpeg;base64,"
    assert r["img"] and r["img"].startswith(prefix), r
    assert base64.b64decode(r["img"][len(prefix):])[:2] == b"\xff\xd8", "thumbnail is no JPEG"
problems = [t for r in rows if r["class"] == "problem" for t in r["text"]]
assert "packed as oakfield_Ann Lee_973" in problems, problems
# No proof takes a rank; they follow each other by race time (the time
# edit's 1900000 after 1850000).
assert all(r["text"][0] == "Ann Lee" for r in rows), rows
assert rows[-1]["text"][0:2] == ["Ann Lee", "31:40.000"], rows[-1]
PY
echo "ok"
