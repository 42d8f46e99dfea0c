#!/usr/bin/env bash
# Cross-builds the libraries lapbundle links on Windows, as static libraries
# from Debian's own source packages:
#   zlib, minizip (the copy in zlib's contrib/minizip; it does not refuse
#   names over 65,535 bytes, so the zip writer refuses them itself) and
#   libjpeg-turbo (the libjpeg 6b interface).
#
#   scripts/build-windows-deps.sh [i686|x86_64 ...]    (default: both)
#
# Results go to build-windeps/<arch>/{include,lib}; pass that folder to CMake
# as -DLAPBUNDLE_WINDEPS=<folder>. Run it again at will: whatever is already
# built is skipped. Needs the MinGW-w64 compilers, cmake, make and dpkg-dev
# (scripts/build-windows.sh installs them).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build-windeps"
src="$deps/src"
jobs=${LAPBUNDLE_JOBS:-2}
archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=(i686 x86_64)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

log() { echo "[windeps] $*" >&2; }
. "$root/scripts/apt-sources.sh"

# --- Sources -----------------------------------------------------------------

# apt-get source needs a deb-src entry; Debian's images ship binaries only.
# The entry is derived from the machine's own deb entries of this Debian
# release (same URIs, suites, components and options; scripts/apt-sources.sh).
ensure_deb_src() {
  local list=/etc/apt/sources.list.d/lapbundle-src.sources codename derived
  if grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ ||
     grep -qs '^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
    return
  fi
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || { echo "cannot tell this machine's Debian release" >&2; exit 1; }
  derived=$(apt_release_stanzas deb-src "$codename")
  [ -n "$derived" ] || { echo "no deb entry for $codename to derive a deb-src entry from" >&2; exit 1; }
  log "adding $list (source entries beside the machine's own deb entries)"
  echo "$derived" | $sudo tee "$list" >/dev/null
  $sudo apt-get update -qq
}

# Prints the unpacked source folder of a package, fetching it when missing
# (scripts/fetch-source.sh: every version apt knows, newest first). The
# version used is kept beside it in $src/PACKAGE.version.
source_dir() {
  local pkg=$1 dir=""
  [ -f "$src/$pkg.version" ] &&
    dir=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name "$pkg-*" | sort | tail -n 1)
  if [ -z "$dir" ]; then
    ensure_deb_src
    "$root/scripts/fetch-source.sh" "$pkg" "$src" || exit 1
    dir=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name "$pkg-*" | sort | tail -n 1)
  fi
  [ -n "$dir" ] || { echo "no source folder for $pkg" >&2; exit 1; }
  echo "$dir"
}

# --- Builds ------------------------------------------------------------------

# zlib, from a copy of its source: its CMake renames zconf.h in the source
# folder when building out of tree.
build_zlib() {
  local triple=$1 prefix=$2 zsrc=$3 arch=$4 work
  [ -f "$prefix/lib/libz.a" ] && return
  log "zlib for $triple"
  work="$deps/tree/$triple/zlib"
  rm -rf "$work" && mkdir -p "$work" && cp -a "$zsrc/." "$work/src"
  cmake -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release >"$work.log" 2>&1 || { cat "$work.log" >&2; exit 1; }
  cmake --build "$work/build" --target zlibstatic -j"$jobs" >>"$work.log" 2>&1 ||
    { cat "$work.log" >&2; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$work/build/libzlibstatic.a" "$prefix/lib/libz.a"
  cp "$work/src/zlib.h" "$work/build/zconf.h" "$prefix/include/"
}

# minizip: the zip writer and reader over stdio.
build_minizip() {
  local triple=$1 prefix=$2 mz=$3 work f
  [ -f "$prefix/lib/libminizip.a" ] && return
  log "minizip for $triple"
  work="$deps/tree/$triple/minizip"
  rm -rf "$work" && mkdir -p "$work"
  for f in zip ioapi unzip; do
    "$triple-gcc-posix" -O2 -I"$prefix/include" -c "$mz/$f.c" -o "$work/$f.o"
  done
  "$triple-ar" rcs "$work/libminizip.a" "$work"/*.o
  mkdir -p "$prefix/include/minizip"
  cp "$mz/zip.h" "$mz/unzip.h" "$mz/ioapi.h" "$mz/crypt.h" "$prefix/include/minizip/"
  cp "$work/libminizip.a" "$prefix/lib/"
}

# libjpeg-turbo: the plain C codec (no SIMD, no TurboJPEG API), static only.
build_libjpeg() {
  local triple=$1 prefix=$2 jsrc=$3 arch=$4 work
  [ -f "$prefix/lib/libjpeg.a" ] && return
  log "libjpeg-turbo for $triple"
  work="$deps/tree/$triple/libjpeg"
  rm -rf "$work"
  # The install prefix must be absolute, or the project's CMake refuses it.
  cmake -S "$jsrc" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    >"$work.log" 2>&1 || { cat "$work.log" >&2; exit 1; }
  cmake --build "$work" --target jpeg-static -j"$jobs" >>"$work.log" 2>&1 ||
    { cat "$work.log" >&2; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$work/libjpeg.a" "$prefix/lib/"
  cp "$jsrc/jpeglib.h" "$jsrc/jmorecfg.h" "$jsrc/jerror.h" "$work/jconfig.h" \
    "$prefix/include/"
}

# GoogleTest, for the tests that run under wine64 (64-bit builds only).
build_gtest() {
  local triple=$1 prefix=$2 arch=$3 work
  [ -f "$prefix/lib/libgtest.a" ] && return
  [ -d /usr/src/googletest ] || { log "no /usr/src/googletest: Windows tests skipped"; return; }
  log "googletest for $triple"
  work="$deps/tree/$triple/googletest"
  rm -rf "$work"
  cmake -S /usr/src/googletest -B "$work" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF \
    -Dgtest_disable_pthreads=ON >"$work.log" 2>&1 || { cat "$work.log" >&2; exit 1; }
  cmake --build "$work" -j"$jobs" >>"$work.log" 2>&1 && cmake --install "$work" >>"$work.log" 2>&1 ||
    { cat "$work.log" >&2; exit 1; }
}

zlib_src=$(source_dir zlib)
minizip_src="$zlib_src/contrib/minizip"
jpeg_src=$(source_dir libjpeg-turbo)
for arch in "${archs[@]}"; do
  case "$arch" in
    i686) triple=i686-w64-mingw32 ;;
    x86_64) triple=x86_64-w64-mingw32 ;;
    *) echo "unknown architecture: $arch (i686 or x86_64)" >&2; exit 2 ;;
  esac
  prefix="$deps/$arch"
  build_zlib "$triple" "$prefix" "$zlib_src" "$arch"
  build_minizip "$triple" "$prefix" "$minizip_src"
  build_libjpeg "$triple" "$prefix" "$jpeg_src" "$arch"
  [ "$arch" = x86_64 ] && build_gtest "$triple" "$prefix" "$arch"
  log "$arch ready in $prefix"
done
