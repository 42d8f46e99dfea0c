#!/usr/bin/env bash
# Builds the packages to hand out, into build/dist/:
#   lapbundle_VERSION_ARCH.deb    a Debian package (CPack; its dependencies
#                                 are read off the program by dpkg-shlibdeps),
#                                 which lintian must pass without an error or
#                                 warning
#   lapbundle-VERSION-win32.zip   the stripped 32-bit lapbundle.exe and
#                                 lapbundle-check.exe (console), a short
#                                 text on how to use it (README.txt), the
#                                 licence (LICENSE.txt) and the notices of
#                                 every static library linked in
#                                 (THIRD-PARTY.txt)
# then checks the Debian package as a new user would meet it: on a fresh
# Debian root (scripts/debian-root.sh) it installs it with apt-get, starts
# the desktop entry's command in a virtual display, chooses a sample game
# folder in the folder chooser, presses "Make Zip" and "End", and keeps a
# screenshot of the window (build/dist/deb-check.png).
#
#   scripts/package.sh [--no-check]
# The check needs root; other users are asked for sudo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${LAPBUNDLE_JOBS:-2}
dist="$root/build/dist"
build="$root/build/package"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# --- The check in a throwaway root (runs as root) ------------------------------
if [ "${1:-}" = "--check-deb" ]; then
  deb=$2 sample=$3
  . "$root/scripts/debian-root.sh"
  work="$root/build/roots"
  target="$work/deb-check"
  trap 'debian_root_leave "$target"; rm -rf "$target"' EXIT
  debian_root_base "$work/base"
  debian_root_copy "$work/base" "$target"
  debian_root_enter "$target"
  cp "$deb" "$target/tmp/"
  in_root "$target" apt-get update -qq
  in_root "$target" /usr/bin/env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "/tmp/$(basename "$deb")" xvfb xauth xdotool x11-apps >"$work/deb-install.log" 2>&1 ||
    { tail -n 30 "$work/deb-install.log"; exit 1; }
  command=$(sed -n 's/^Exec=//p' "$target/usr/share/applications/lapbundle.desktop")
  echo "desktop entry runs: $command"
  mkdir -p "$target/home/player"
  "$sample" "$target/home/player/game" >/dev/null
  cat >"$target/tmp/drive.sh" <<DRIVE
set -eu
export HOME=/home/player
cd /home/player
$command &
pid=\$!
chooser=\$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantor-Verzeichnis' | head -n 1)
xdotool windowfocus --sync "\$chooser"
xdotool type --delay 50 game; sleep 0.3; xdotool key Return; sleep 0.3; xdotool key Return
wid=\$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantor Lapbundle by Orlik\$' | head -n 1)
sleep 1
xwd -root -silent >/tmp/window.xwd
xdotool mousemove --window "\$wid" 490 675 click 1
for _ in \$(seq 1 100); do ls /home/player/game/zip/*.zip >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
xdotool mousemove --window "\$wid" 490 675 click 1
wait "\$pid"
DRIVE
  in_root "$target" xvfb-run -a -s "-screen 0 1024x768x24" /bin/bash /tmp/drive.sh ||
    { echo "FAIL: the installed program did not run through" >&2; exit 1; }
  convert "xwd:$target/tmp/window.xwd" "$dist/deb-check.png"
  archive=$(ls "$target"/home/player/game/zip/*.zip 2>/dev/null | head -n 1)
  [ -n "$archive" ] || { echo "FAIL: no archive made" >&2; exit 1; }
  unzip -l "$archive"
  echo "ok: the package installs on a fresh root and its menu command works (screenshot $dist/deb-check.png)"
  exit 0
fi

# --- Debian package ---------------------------------------------------------------
scripts/install-deps.sh --runtime
missing=()
for p in dpkg-dev zip imagemagick lintian; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLAPBUNDLE_TESTS=OFF >/dev/null
cmake --build "$build" --target lapbundle lapbundle-check make-sample-game man-pages debian-changelog -j"$jobs"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
mkdir -p "$dist"
(cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
deb=$(ls "$build"/cpack/lapbundle_"$version"_*.deb)
cp "$deb" "$dist/"
deb="$dist/$(basename "$deb")"
echo "== $deb"
dpkg-deb --field "$deb" Package Version Depends
# Debian's own package checker: any error or warning that the package's
# override file does not cover fails the build.
echo "== lintian"
lintian --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2) ||
  { echo "FAIL: lintian finds errors or warnings in $deb" >&2; exit 1; }

# --- Windows archive ----------------------------------------------------------------
scripts/build-windows.sh
zipdir="$build/win32/lapbundle-$version-win32"
rm -rf "$build/win32" && mkdir -p "$zipdir"
i686-w64-mingw32-strip -o "$zipdir/lapbundle.exe" build-win32/core/lapbundle.exe
i686-w64-mingw32-strip -o "$zipdir/lapbundle-check.exe" build-win32/check/lapbundle-check.exe
# The libraries built in, with the Debian source version each came from
# (build-windeps/src/PACKAGE.version); a version older than the newest the
# mirror lists means the newest could not be fetched: say so.
libraries=""
for pkg in zlib libjpeg-turbo; do
  used=$(sed -n 1p "build-windeps/src/$pkg.version")
  newest=$(sed -n 's/^newest //p' "build-windeps/src/$pkg.version")
  upstream=${used#*:}; upstream=${upstream%-*}; upstream=${upstream%.dfsg}
  line="  $pkg $upstream (Debian source version $used)"
  [ "$pkg" = zlib ] && line="$line"$'\n'"  minizip, from zlib $upstream's contrib/minizip"
  libraries="$libraries$line"$'\n'
  [ -z "$newest" ] ||
    echo "WARNING: the Windows build uses $pkg $used; the newest version the mirror lists, $newest, could not be fetched" >&2
done
awk -v v="$version" -v libs="${libraries%$'\n'}" \
  '{ gsub(/@VERSION@/, v); if ($0 == "@LIBRARIES@") $0 = libs; print }' resources/windows-readme.txt |
  sed 's/$/\r/' >"$zipdir/README.txt"
# The project's licence, and the notices of every static library linked in.
sed 's/$/\r/' LICENSE >"$zipdir/LICENSE.txt"
maps=(build-win32/core/lapbundle.map build-win32/check/lapbundle-check.map)
scripts/third-party-notices.sh "$zipdir/THIRD-PARTY.txt" "${maps[@]}"
winzip="$dist/lapbundle-$version-win32.zip"
rm -f "$winzip"
(cd "$build/win32" && zip -q -r "$winzip" "lapbundle-$version-win32")
echo "== $winzip"
unzip -l "$winzip"
# The zip holds both notice files, and the notices name every static
# library of the link.
for f in lapbundle.exe lapbundle-check.exe LICENSE.txt THIRD-PARTY.txt; do
  unzip -l "$winzip" "lapbundle-$version-win32/$f" >/dev/null ||
    { echo "FAIL: $winzip holds no $f" >&2; exit 1; }
done
for lib in $(scripts/third-party-notices.sh --libs "${maps[@]}"); do
  unzip -p "$winzip" "lapbundle-$version-win32/THIRD-PARTY.txt" | grep -qF "$lib" ||
    { echo "FAIL: THIRD-PARTY.txt does not name $lib, linked into the Windows program" >&2; exit 1; }
done
echo "ok: the Windows zip carries LICENSE.txt and the notices of $(scripts/third-party-notices.sh --libs "${maps[@]}" | tr '\n' ' ')"

# --- Install check --------------------------------------------------------------------
[ "${1:-}" = "--no-check" ] && exit 0
$sudo "$0" --check-deb "$deb" "$build/tools/make-sample-game"
