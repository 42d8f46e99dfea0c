#!/usr/bin/env bash
# A season of two rounds packed by the real tool: Ann Lee packs round 2
# under her alias "A. Lee", Bo Berg gets a time penalty in round 1, and
# Ann's proof of round 1 is sent again in round 2. Only the later copy is a
# problem; Ann and Bo end equal on points and countback, and round 2
# decides. The terminal, CSV, JSON and HTML say so, and every round cell of
# the page links to the row of the proof that earned it.
. "$(dirname "$0")/../e2e/lib.sh"

SEASON="$WORK/season"
mkdir -p "$SEASON/one" "$SEASON/two"
# pack ROUND NAME [make-sample-game options]: a proof of a new game, by the tool.
pack() {
  local round=$1 name=$2
  shift 2
  rm -rf "$GAME"
  make_game "$@"
  start_app
  expect_field "$name"
  make_zip_and_end "..\\zip\\$name.zip ok"
  mv "$GAME/zip/$name.zip" "$SEASON/$round/" || fail "no archive $name.zip"
}
pack one "$NAME" --screen-seed 1
pack one "oakfield_Bo Berg_978" --driver "Bo Berg" --time 1840000 --screen-seed 2
pack two "oakfield_A. Lee_977" --driver "A. Lee" --time 1842000 --screen-seed 3
pack two "oakfield_Bo Berg_981" --driver "Bo Berg" --time 1835000 --screen-seed 4
cp "$SEASON/one/$NAME.zip" "$SEASON/two/"

cat >"$SEASON/season.toml" <<'EOF'
name = "Winter Cup"
points = [25, 18, 15]

[[round]]
name = "First"
folder = "one"
track = '\Hills\Oakfield'
final = true

[[round]]
name = "Second"
folder = "two"
track = '\Hills\Oakfield'

[[driver]]
name = "Ann Lee"
aliases = ["A. Lee"]

[[driver]]
name = "Bo Berg"

[[penalty]]
round = "First"
driver = "Bo Berg"
time = 20
reason = "cut the chicane"
EOF

code=0
out=$("$LAPBUNDLE_CHECK" --season "$SEASON/season.toml" --csv "$WORK/s.csv" --json "$WORK/s.json" \
  --html "$WORK/s.html" 2>&1) || code=$?
[ "$code" -eq 1 ] || fail "exit $code, expected 1 (the copy): $out"
grep -qE '^1 +Bo Berg +18\* +25 +43$' <<<"$out" || fail "terminal: Bo Berg's row: $out"
grep -qE '^2 +Ann Lee +25 +18 +43$' <<<"$out" || fail "terminal: Ann Lee's row: $out"
grep -qF 'Second: provisional, 3 proofs: 2 ok, 1 with problems, 0 accepted' <<<"$out" ||
  fail "terminal: round line: $out"
[ "$(cat "$WORK/s.csv")" = "$(printf 'place,driver,class,team,points,First,Second\r\n1,Bo Berg,,,43,18,25\r\n2,Ann Lee,,,43,25,18\r')" ] ||
  fail "CSV: $(cat "$WORK/s.csv")"

first="$SEASON/one/$NAME.zip" copy="$SEASON/two/$NAME.zip"
python3 - "$WORK/s.json" "$WORK/s.html" "$first" "$copy" <<'PY' || fail "JSON or HTML"
import html.parser, json, sys
report, page, first, copy = sys.argv[1:5]
results = json.load(open(report, encoding="utf-8"))
rows = results["standings"][0]["rows"]
assert [r["driver"] for r in rows] == ["Bo Berg", "Ann Lee"], rows
bo, ann = rows
assert bo["tie_break"].startswith("ahead of Ann Lee in the latest round"), bo
assert bo["rounds"][0]["penalties"] == [
    {"kind": "time", "time_ms": 20000, "points": None, "reason": "cut the chicane"}], bo
assert ann["rounds"][1]["file"].endswith("oakfield_A. Lee_977.zip"), ann
proofs = {p["file"]: p for p in results["proofs"]}
assert proofs[first]["notes"] == ["copied in round Second by %s" % copy], proofs[first]
assert proofs[first]["counted"] and proofs[first]["place"] == 1, proofs[first]
assert "same race as %s" % first in proofs[copy]["problems"], proofs[copy]
assert not proofs[copy]["counted"] and proofs[copy]["place"] is None, proofs[copy]
alias = [p for f, p in proofs.items() if "A. Lee" in f][0]
assert alias["driver_id"] == "Ann Lee" and alias["round"] == "Second", alias

# Each round cell links to the row of its counted proof.
class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.row, self.rows, self.cells = None, {}, []
    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "tr":
            self.row = attrs.get("id")
        if tag == "a" and self.row is None and attrs.get("href", "").startswith("#proof-"):
            self.cells.append(attrs["href"][1:])
    def handle_data(self, data):
        if self.row and data.endswith(".zip"):
            self.rows.setdefault(self.row, data)
p = Page()
p.feed(open(page, encoding="utf-8").read())
counted = [r["file"] for row in rows for r in row["rounds"]]
assert [p.rows[c] for c in p.cells] == counted, (p.cells, p.rows, counted)
PY

# The season file holds the rounds and their options; a report never
# replaces it; a bad file is refused at its position.
for args in "--tracks $SEASON" "$SEASON/one" "--html $SEASON/season.toml"; do
  code=0
  "$LAPBUNDLE_CHECK" --season "$SEASON/season.toml" $args >/dev/null 2>&1 || code=$?
  [ "$code" -eq 2 ] || fail "--season with $args: exit $code, expected 2"
done
printf 'name = "Cup"\npoint = [1]\n' >"$WORK/bad.toml"
code=0
out=$("$LAPBUNDLE_CHECK" --season "$WORK/bad.toml" 2>&1) || code=$?
[ "$code" -eq 2 ] && grep -qF "bad.toml:2:1: unknown key point" <<<"$out" || fail "bad file: $code $out"
echo "ok"
