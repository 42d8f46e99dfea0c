# What the end-to-end scripts of the Linux and the Windows program share: the
# main window's title and controls, the sample game's archive name, the
# settings a first run writes, and polling. Sourced by tests/e2e/lib.sh and
# tests/wine/lib.sh.

TITLE=$(cat "$(dirname "${BASH_SOURCE[0]}")/../../resources/window_title.txt")
readonly TITLE
readonly NAME="oakfield_Ann Lee_973"
# Client coordinates of the controls the scripts use.
readonly BUTTON_X=490 BUTTON_Y=675
readonly FIELD_X=625 FIELD_Y=632

# wait_until SECONDS COMMAND...: runs COMMAND every POLL_MS milliseconds
# (50 unless set before sourcing) until it succeeds.
POLL_MS=${POLL_MS:-50}
wait_until() {
  local limit=$(($1 * 1000 / POLL_MS)) i=0
  shift
  until "$@"; do
    i=$((i + 1))
    [ "$i" -lt "$limit" ] || return 1
    sleep "$((POLL_MS / 1000)).$(printf '%03d' $((POLL_MS % 1000)))"
  done
}

default_settings() {
  printf 'Track = 1\r\nGame = 1\r\nScreen = 1\r\nbmp/jpg = 0\r\ntext = \r\nTextPos = 0\r\ntrackname = 1\r\ndrivername = 2\r\ntime/kmh = 3\r\n'
}
