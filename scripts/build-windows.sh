#!/usr/bin/env bash
# Builds the Windows program from this Linux machine:
#   scripts/build-windows.sh [--tests]
# Installs the MinGW-w64 cross compilers when missing, cross-builds the
# third-party libraries (scripts/build-windows-deps.sh), then builds
#   build-win32/core/lapbundle.exe         the 32-bit programs to hand out,
#   build-win32/check/lapbundle-check.exe  and
#   build-win64/                     the same sources for 64-bit Windows,
#                                    whose programs run under wine64 here,
# and checks that both programs need nothing but DLLs every Windows has and
# carry the right manifest and version resource.
# With --tests, the 64-bit build also builds the Windows tests and runs them
# under wine64.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${LAPBUNDLE_JOBS:-2}
tests=0
[ "${1:-}" = "--tests" ] && tests=1

# --- Packages ----------------------------------------------------------------
packages=(cmake make dpkg-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64)
# The tests: GoogleTest's sources (cross-built by build-windows-deps.sh) and
# Wine to run them.
[ "$tests" -eq 1 ] && packages+=(googletest wine64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# --- Libraries and program ---------------------------------------------------
LAPBUNDLE_JOBS=$jobs scripts/build-windows-deps.sh i686 x86_64

build() {
  local arch=$1 dir=$2
  shift 2
  echo "== Windows $arch build ($dir)"
  # The toolchain file only counts when a build folder is first configured;
  # CMake warns about it on every later run, so it is passed only then.
  local toolchain=()
  [ -f "$dir/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake")
  cmake -S . -B "$dir" "${toolchain[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DLAPBUNDLE_WINDEPS="$root/build-windeps/$arch" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}
build i686 build-win32
if [ "$tests" -eq 1 ]; then
  build x86_64 build-win64 -DLAPBUNDLE_WINDOWS_TESTS=ON
else
  build x86_64 build-win64
fi

# --- The programs must start on a bare Windows --------------------------------
# Only DLLs that come with Windows itself; no C++ or GCC runtime DLLs.
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|ole32|oleaut32|shell32|shlwapi|advapi32|msvcrt|uxtheme|winmm|version|ws2_32)\.dll$'
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-win32/CMakeCache.txt)
for exe in build-win32/core/lapbundle.exe build-win32/check/lapbundle-check.exe; do
  name=$(basename "$exe")
  [ -f "$exe" ] || { echo "missing $exe" >&2; exit 1; }
  i686-w64-mingw32-objdump -f "$exe" | grep -q 'pei-i386' ||
    { echo "$exe is not a 32-bit program" >&2; exit 1; }
  imports=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
  bad=$(echo "$imports" | grep -Ev "$system_dlls" || true)
  echo "$name imports: $(echo $imports)"
  if [ -n "$bad" ]; then
    echo "$name needs DLLs Windows does not have: $(echo $bad)" >&2
    exit 1
  fi
  scripts/check-windows-imports.sh "$exe"
  # The manifest (no execution level: Windows' file virtualization stays on)
  # and the version resource, of the project's version.
  scripts/check-windows-resources.sh "$exe" "$version"
  echo "Windows build done: $root/$exe"
done

if [ "$tests" -eq 1 ]; then
  echo "== Windows tests under wine64"
  ctest --test-dir build-win64 --output-on-failure
fi
