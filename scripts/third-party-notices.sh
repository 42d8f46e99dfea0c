#!/usr/bin/env bash
# Writes the notices of the third-party code linked into the Windows
# programs, for the Windows zip:
#   scripts/third-party-notices.sh OUT.txt PROGRAM.map...
#   scripts/third-party-notices.sh --libs PROGRAM.map...   (lists them only)
# The static libraries come from the programs' link maps (the archive
# members the linker took); import libraries (only DLL stubs) and the
# project's own libraries are left out. Every notice text is copied from the
# Debian sources the build used: the source packages the Windows libraries
# were built from (build-windeps/src) and the copyright file of the installed
# MinGW-w64 package. Fails when a static library of the link has no notice
# here. Lines end in CR LF.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$1
shift
src="$root/build-windeps/src"

# Static libraries in the maps: absolute paths (the project's own libraries
# are linked from the build folder by relative paths) with at least one
# member that is not a DLL import stub (dlltool names those libXs00042.o,
# libXh.o and libXt.o).
static_libs() {
  awk '/^Archive member included/ { f = 1; next }
       /^(Discarded input sections|Memory Configuration|Allocating common)/ { f = 0 }
       f && /^\// { print $1 }' "$@" |
    sed -E 's|^(.*/)?([^/(]+)\(([^)]*)\).*|\2 \3|' |
    awk '{ lib = $1; member = $2; stub = "^" substr(lib, 1, length(lib) - 2) "(s[0-9]+|h|t)\\.o$"
           if (member !~ stub) print lib }' | sort -u
}

# The section covering each static library.
section_of() {
  case "$1" in
    libz.a | libminizip.a) echo zlib ;;
    libjpeg.a) echo libjpeg-turbo ;;
    libmingw32.a | libmingwex.a | libmsvcrt.a | libmoldname.a | libpthread.a | libwinpthread.a) echo mingw-w64 ;;
    libgcc.a | libgcc_eh.a | libstdc++.a | libssp.a | libatomic.a | libquadmath.a) echo gcc ;;
    *) echo "" ;;
  esac
}

version_of() { sed -n 1p "$src/$1.version"; }
source_tree() { find "$src" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | sort | tail -n 1; }

if [ "$out" = --libs ]; then
  static_libs "$@"
  exit 0
fi
mapfile -t libs < <(static_libs "$@")
[ ${#libs[@]} -gt 0 ] || { echo "no static library in the link maps: $*" >&2; exit 1; }
declare -A covers=()
for lib in "${libs[@]}"; do
  s=$(section_of "$lib")
  [ -n "$s" ] || { echo "no notice for the static library $lib of the Windows link" >&2; exit 1; }
  covers[$s]="${covers[$s]:-}${covers[$s]:+, }$lib"
done

rule() { printf '%s\n' "------------------------------------------------------------------------"; }
{
  echo "Third-party software in the lapbundle programs for Windows"
  echo "=========================================================="
  echo
  echo "The Windows programs are statically linked with the libraries below."
  echo "Each section names the library files of the link it covers, and gives"
  echo "their licence texts and notices as their Debian sources carry them."
  echo
  if [ -n "${covers[libjpeg-turbo]:-}" ]; then
    echo "This software is based in part on the work of the Independent JPEG Group."
    echo
  fi
  if [ -n "${covers[gcc]:-}" ]; then
    echo "The GCC runtime libraries (${covers[gcc]}) are used under the GCC Runtime Library Exception."
    echo
  fi
  if [ -n "${covers[zlib]:-}" ]; then
    rule
    echo "zlib and minizip ($(echo "${covers[zlib]}"))"
    echo "Debian source package zlib $(version_of zlib), file debian/copyright:"
    echo
    cat "$(source_tree zlib)/debian/copyright"
    echo
  fi
  if [ -n "${covers[libjpeg-turbo]:-}" ]; then
    jpeg=$(source_tree libjpeg-turbo)
    rule
    echo "libjpeg-turbo (${covers[libjpeg-turbo]})"
    echo "Debian source package libjpeg-turbo $(version_of libjpeg-turbo), file LICENSE.md:"
    echo
    cat "$jpeg/LICENSE.md"
    echo
    echo "The same source package, file README.ijg, its legal section:"
    echo
    awk '/^LEGAL ISSUES$/ { f = 1 } /^REFERENCES$/ { f = 0 } f' "$jpeg/README.ijg"
  fi
  # A header-only library is compiled into lapbundle-check.exe and never
  # shows in a link map: its notice is always given.
  toml=/usr/share/doc/libtomlplusplus-dev/copyright
  [ -f "$toml" ] || { echo "missing $toml" >&2; exit 1; }
  rule
  echo "toml++ (header-only, compiled into lapbundle-check.exe: it reads season files)"
  echo "Debian package libtomlplusplus-dev $(dpkg-query -W -f='${Version}' libtomlplusplus-dev), file $toml:"
  echo
  cat "$toml"
  echo
  if [ -n "${covers[mingw-w64]:-}" ]; then
    doc=/usr/share/doc/mingw-w64-i686-dev/copyright
    [ -f "$doc" ] || { echo "missing $doc" >&2; exit 1; }
    rule
    echo "The MinGW-w64 runtime and its thread library winpthreads (${covers[mingw-w64]})"
    echo "Debian package mingw-w64-i686-dev $(dpkg-query -W -f='${Version}' mingw-w64-i686-dev), file $doc:"
    echo
    cat "$doc"
  fi
} | sed 's/\r$//; s/$/\r/' >"$out"
