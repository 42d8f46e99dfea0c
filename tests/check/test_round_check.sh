#!/usr/bin/env bash
# A round of three proofs: two packed by the real tool from two games, and
# a copy of the first whose driver was edited in its saved game and names.
# The copy and its original name each other in the terminal, CSV, JSON and
# HTML reports; the other proof stays ok and takes first place.
. "$(dirname "$0")/../e2e/lib.sh"

ROUND="$WORK/round"
mkdir -p "$ROUND"
# pack NAME [make-sample-game options]: packs a proof of a new game with the tool.
pack() {
  local name=$1
  shift
  rm -rf "$GAME"
  make_game "$@"
  start_app
  expect_field "$name"
  make_zip_and_end "..\\zip\\$name.zip ok"
  mv "$GAME/zip/$name.zip" "$ROUND/" || fail "no archive $name.zip"
}
pack "$NAME"
pack "oakfield_Bo Berg_978" --driver "Bo Berg" --time 1840000 --screen 800x600

# The copy: the driver's name field of the saved game (layout A, 12 bytes
# at 129) and the entries' names changed, times and order kept.
python3 - "$ROUND/$NAME.zip" "$ROUND/oakfield_Cy Dahl_973.zip" "$NAME" "oakfield_Cy Dahl_973" <<'PY'
import sys, zipfile
src, dst, old, new = sys.argv[1:5]
with zipfile.ZipFile(src) as z, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as out:
    for info in z.infolist():
        data = z.read(info)
        if info.filename.endswith(".gam"):
            data = data[:129] + b"Cy Dahl".ljust(12, b"\0") + data[141:]
        info.filename = info.filename.replace(old, new)
        out.writestr(info, data, zipfile.ZIP_DEFLATED)
PY

# The round's window around today, in the local time the archive holds.
from=$(date +%F -d yesterday) to=$(date +%F -d tomorrow)
code=0
out=$("$LAPBUNDLE_CHECK" --from "$from" --to "$to" --max-gap 1h --csv "$WORK/r.csv" \
  --json "$WORK/r.json" --html "$WORK/r.html" "$ROUND" 2>&1) || code=$?
[ "$code" -eq 1 ] || fail "exit $code, expected 1: $out"
original="$ROUND/$NAME.zip" copy="$ROUND/oakfield_Cy Dahl_973.zip"
for text in "same race as $copy (only the driver differs)" "same screenshot as $copy" \
  "same race as $original (only the driver differs)" "same screenshot as $original"; do
  grep -qF -- "$text" <<<"$out" || fail "terminal: no '$text' in: $out"
  grep -qF -- "$text" "$WORK/r.csv" || fail "CSV: no '$text'"
done
grep -q "^$ROUND/oakfield_Bo Berg_978.zip .*  ok$" <<<"$out" || fail "Bo Berg's proof is not ok: $out"

# A round that closed two days ago: each race was saved after it.
closed=$(date +%F -d '2 days ago')
out=$("$LAPBUNDLE_CHECK" --to "$closed" "$ROUND/oakfield_Bo Berg_978.zip" 2>&1) || true
grep -qE "race saved [0-9-]+ [0-9:]+, after the round closed" <<<"$out" ||
  fail "a closed round: $out"

python3 - "$WORK/r.json" "$WORK/r.html" "$original" "$copy" <<'PY' || fail "JSON or HTML"
import html.parser, json, sys
report, page, original, copy = sys.argv[1:5]
results = json.load(open(report, encoding="utf-8"))
assert results["options"]["max_gap_seconds"] == 3600, results["options"]
assert results["options"]["from"].endswith("T00:00:00"), results["options"]
assert results["options"]["to"].endswith("T23:59:59"), results["options"]
proofs = {p["file"]: p for p in results["proofs"]}
assert len(proofs) == 3, proofs
for me, other in ((original, copy), (copy, original)):
    problems = proofs[me]["problems"]
    assert "same race as %s (only the driver differs)" % other in problems, problems
    assert "same screenshot as %s" % other in problems, problems
    assert proofs[me]["rank"] is None and proofs[me]["verdict"] == "problem", proofs[me]
bo = [p for f, p in proofs.items() if "Bo Berg" in f][0]
assert bo["verdict"] == "ok" and bo["rank"] == 1 and bo["problems"] == [], bo
assert bo["race_time_ms"] == 1840000 and bo["driver"] == "Bo Berg", bo

# Each duplicate's problems link to the other's row.
class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.row, self.links = {}, None, []
    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "tr" and "id" in attrs:
            self.row = attrs["id"]
            self.rows[self.row] = []
        if tag == "a" and self.row:
            self.links.append((self.row, attrs["href"]))
    def handle_data(self, data):
        if self.row:
            self.rows[self.row].append(data.strip())
p = Page()
p.feed(open(page, encoding="utf-8").read())
# A row's first file is its own; the files after it are named by problems.
row_of = {next(t for t in texts if t.endswith(".zip")): r for r, texts in p.rows.items()}
pairs = set(p.links)
for me, other in ((original, copy), (copy, original)):
    assert (row_of[me], "#" + row_of[other]) in pairs, (me, pairs)
PY
echo "ok"
