#!/usr/bin/env bash
# scripts/fetch-source.sh against stubs of apt-cache and apt-get that list two
# versions of zlib, the newer one unfetchable as on a mirror that lists a
# version it does not serve. Cases: the newest is refused (the older one is
# used, with a warning); every version is refused (one message naming all);
# the newest is served (used, no fallback).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
newest='1:1.2.13.dfsg-1+deb12u1'
older='1:1.2.13.dfsg-1'

mkdir "$work/bin"
# The older version first: the script must order them itself.
cat >"$work/bin/apt-cache" <<STUB
#!/bin/sh
[ "\$1" = showsrc ] && [ "\$2" = zlib ] || exit 100
printf 'Package: zlib\nBinary: zlib1g\nVersion: $older\n\nPackage: zlib\nBinary: zlib1g\nVersion: $newest\n\n'
printf 'Package: zlib-other\nBinary: zlib1g\nVersion: 9:9.9-9\n\n'
STUB
# Serves the versions named in \$SERVED; a plain "zlib" means apt's
# candidate, the newest.
cat >"$work/bin/apt-get" <<'STUB'
#!/bin/sh
for arg; do last=$arg; done
case "$last" in zlib) version=$NEWEST ;; zlib=*) version=${last#zlib=} ;; *) exit 100 ;; esac
case " $SERVED " in
  *" $version "*)
    upstream=${version#*:}; upstream=${upstream%-*}
    mkdir "zlib-$upstream" && echo "$version" >"zlib-$upstream/zlib.h" ;;
  *)
    echo "E: Failed to fetch .../pool/main/z/zlib/zlib_$version.dsc  404  Not Found" >&2
    echo "E: Failed to fetch some archives." >&2
    exit 100 ;;
esac
STUB
chmod +x "$work/bin/"*
export PATH="$work/bin:$PATH" NEWEST="$newest"

fail() { echo "FAIL: $*" >&2; exit 1; }
run() { # SERVED-VERSIONS -> status in $code, log in $work/log, results in $work/src
  rm -rf "$work/src"
  code=0
  SERVED="$1" "$root/scripts/fetch-source.sh" zlib "$work/src" 2>"$work/log" || code=$?
}

run "$older"
[ "$code" -eq 0 ] || { cat "$work/log"; fail "newest refused: exit $code, expected 0"; }
[ "$(cat "$work/src/zlib-1.2.13.dfsg/zlib.h")" = "$older" ] || fail "newest refused: tree is not $older"
[ "$(cat "$work/src/zlib.version")" = "$older"$'\n'"newest $newest" ] ||
  fail "newest refused: zlib.version is $(cat "$work/src/zlib.version")"
grep -q "WARNING: zlib $older used" "$work/log" || fail "newest refused: no warning naming $older"
grep -q "not fetched: $newest (E: Failed to fetch .*404  Not Found)" "$work/log" ||
  { cat "$work/log"; fail "newest refused: the log does not say why $newest failed"; }
[ -z "$(find "$work/src" -name '.fetch-*')" ] || fail "newest refused: attempt folders left behind"

run ""
[ "$code" -eq 1 ] || fail "nothing served: exit $code, expected 1"
grep -q "cannot fetch the zlib source package" "$work/log" || fail "nothing served: no message"
grep -q "^  $newest (E: " "$work/log" && grep -q "^  $older (E: " "$work/log" ||
  fail "nothing served: the message does not name both versions"

run "$newest $older"
[ "$code" -eq 0 ] && [ "$(cat "$work/src/zlib.version")" = "$newest" ] ||
  fail "newest served: not used as it is"
grep -q "WARNING" "$work/log" && fail "newest served: warns of a fallback"
echo "ok: fetch-source falls back past versions the mirror does not serve"
