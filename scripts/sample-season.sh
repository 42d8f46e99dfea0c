#!/usr/bin/env bash
# Makes a sample season in a folder, for the README's picture of the season
# page: two rounds of proofs packed as the tool packs them, a third not yet
# driven, a roster with classes, teams and an alias, and a time penalty.
#   scripts/sample-season.sh BUILD_DIR FOLDER      (writes FOLDER/season.toml)
set -euo pipefail
build=$1 work=$2
seed=0
# round FOLDER DRIVER:TIME...: a round folder of proofs.
round() {
  local folder=$1 entry driver time
  shift
  mkdir -p "$work/$folder"
  for entry in "$@"; do
    IFS=: read -r driver time <<<"$entry"
    seed=$((seed + 1))
    rm -rf "$work/game"
    "$build/tools/make-sample-game" "$work/game" --driver "$driver" --time "$time" \
      --screen 320x240 --screen-seed "$seed" >/dev/null
    "$build/bench/lapbundle-bench" makezip "$work/game" >/dev/null
    mv "$work/game/zip/"*.zip "$work/$folder/"
  done
}
round oakfield "Ann Lee:1850000" "Bo Marsh:1843210" "Cy Dale:1861234" "Di Park:1870000" \
  "Ed Vance:1902000"
round night "A. Lee:1839000" "Bo Marsh:1852000" "Di Park:1849000" "Ed Vance:1890000"
rm -rf "$work/game"
cat >"$work/season.toml" <<'EOF'
name = "Winter Cup 2026"
points = [25, 18, 15, 12, 10]
count_best = 2

[[round]]
name = "Oakfield"
folder = "oakfield"
track = '\Hills\Oakfield'
final = true

[[round]]
name = "Oakfield by night"
folder = "night"
track = '\Hills\Oakfield'

[[round]]
name = "Elm Valley"
folder = "elm"
track = '\Hills\Elm Valley'

[[driver]]
name = "Ann Lee"
class = "Pro"
team = "Red Arrows"
aliases = ["A. Lee"]

[[driver]]
name = "Bo Marsh"
class = "Pro"
team = "Blue Hawks"

[[driver]]
name = "Cy Dale"
class = "Pro"
team = "Red Arrows"

[[driver]]
name = "Di Park"
class = "Am"
team = "Blue Hawks"

[[driver]]
name = "Ed Vance"
class = "Am"

[[penalty]]
round = "Oakfield"
driver = "Bo Marsh"
time = 10.0
reason = "cut the chicane, video 3"
EOF
