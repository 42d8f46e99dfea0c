#!/usr/bin/env bash
# Checks that a Windows program runs on the Windows version its header
# declares: every function it imports from the system DLLs must exist there.
#   scripts/check-windows-imports.sh PROGRAM.exe
# The Windows headers declare each function only for the versions that have
# it (_WIN32_WINNT). A program referring to every imported function is
# compiled twice, for the declared version and for the newest; a name that
# only the newest knows came with a later Windows. Names the headers do not
# declare at all (compiler intrinsics, undocumented exports) are listed, not
# judged. The C runtime (msvcrt.dll) is not checked: its header declarations
# carry no versions.
set -euo pipefail
exe=$1
objdump=i686-w64-mingw32-objdump
cc=i686-w64-mingw32-gcc
work=$(mktemp -d -t lapbundle-imports-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The subsystem version of the header, as 0xMMNN for _WIN32_WINNT.
major=$($objdump -p "$exe" | awk '/^MajorSubsystemVersion/ {print $2}')
minor=$($objdump -p "$exe" | awk '/^MinorSubsystemVersion/ {print $2}')
winnt=$(printf '0x%02x%02x' "$major" "$minor")

# Imported names per DLL: "DLL Name: X" starts a block, its entries follow.
$objdump -p "$exe" | awk '
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && dll != "msvcrt.dll" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }
  /^$/ { if (seen) dll = ""; seen = 0 }
  dll != "" { seen = 1 }
' | sort -u >"$work/names"

# Names a compile for version $1 does not know.
unknown_at() {
  {
    printf '#define WIN32_LEAN_AND_MEAN\n#include <windows.h>\n#include <commctrl.h>\n'
    printf '#include <shlobj.h>\n#include <objbase.h>\n'
    printf 'void *used[] = {\n'
    sed 's/.*/  (void *)\&&,/' "$work/names"
    printf '};\n'
  } >"$work/use.c"
  { "$cc" -c -o /dev/null -D_WIN32_WINNT="$1" -DWINVER="$1" -D_WIN32_IE=0x0600 \
      -fmax-errors=0 "$work/use.c" 2>&1 || true; } | sed -n "s/.*error: .\\([A-Za-z0-9_]*\\). undeclared.*/\\1/p" | sort -u
}
unknown_at 0x0A00 >"$work/unknown"
unknown_at "$winnt" >"$work/unknown-min"
newer=$(comm -13 "$work/unknown" "$work/unknown-min")
echo "Windows $major.$minor declared; $(wc -l <"$work/names") system functions imported"
if [ -s "$work/unknown" ]; then
  echo "not declared by the headers, not judged: $(echo $(cat "$work/unknown"))"
fi
if [ -n "$newer" ]; then
  echo "$(basename "$exe") imports functions newer than Windows $major.$minor: $(echo $newer)" >&2
  exit 1
fi
