#!/usr/bin/env bash
# Checks the resources a Windows program carries, read from its resource
# section (.rsrc) the way check-windows-imports.sh reads its import table:
#   scripts/check-windows-resources.sh PROGRAM.exe VERSION
# - the manifest declares no execution level (no requestedExecutionLevel):
#   a declaration switches Windows' file virtualization off, and the program
#   would no longer see the game's files as the game does below Program Files;
# - the manifest declares the program DPI-aware, per monitor where Windows
#   offers it (dpiAwareness PerMonitorV2, PerMonitor) and system-wide before
#   (dpiAware true/pm), so that Windows never stretches its window blurred;
# - the manifest asks for the common controls 6.0, and its assemblyIdentity
#   carries VERSION (four parts: 1.0 is 1.0.0.0);
# - the version resource names the product and company "lapbundle" and
#   VERSION as file and product version, and none of its texts names setup,
#   install, update or patch (Windows' installer detection reads them).
# Prints the manifest's identity and the version resource's texts.
set -euo pipefail
exe=$1 version=$2
work=$(mktemp -d -t lapbundle-resources-XXXXXX)
trap 'rm -rf "$work"' EXIT
name=$(basename "$exe")
four=$(echo "$version" | awk -F. '{ printf "%d.%d.%d.%d", $1, $2, $3, $4 }')
fail() { echo "$name: $*" >&2; exit 1; }

i686-w64-mingw32-objcopy -O binary --only-section=.rsrc "$exe" "$work/rsrc" ||
  fail "no resource section"
# The manifest is stored as its UTF-8 text.
tr '\000' '\n' <"$work/rsrc" | LC_ALL=C sed -n '/<?xml/,/<\/assembly>/p' >"$work/manifest"
[ -s "$work/manifest" ] || fail "no manifest"
if grep -q 'requestedExecutionLevel\|trustInfo' "$work/manifest"; then
  fail "the manifest declares an execution level, which switches file virtualization off"
fi
# Each DPI setting in the settings namespace of its Windows version (the
# namespace's year), which Windows requires for it to take effect.
grep -q '<dpiAware xmlns="[^"]*/SMI/2005/WindowsSettings">true/pm</dpiAware>' \
  "$work/manifest" || fail "the manifest does not declare DPI awareness (dpiAware true/pm)"
grep -q '<dpiAwareness xmlns="[^"]*/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>' \
  "$work/manifest" || fail "the manifest does not declare per-monitor DPI awareness (dpiAwareness PerMonitorV2, PerMonitor)"
grep -A1 'name="Microsoft.Windows.Common-Controls"' "$work/manifest" | grep -q 'version="6.0.0.0"' ||
  fail "the manifest does not ask for the common controls 6.0"
identity=$(grep -o '<assemblyIdentity type="win32" name="[^"]*" version="[^"]*"' "$work/manifest" | head -n 1)
echo "$identity" | grep -q "version=\"$four\"" ||
  fail "the manifest's identity is not of version $four: $identity"
echo "$name manifest: ${identity#<assemblyIdentity } (no execution level, DPI-aware per monitor, common controls 6.0)"

# The version resource's texts are UTF-16: name, value, name, value...
i686-w64-mingw32-strings -el -n 1 "$work/rsrc" >"$work/strings"
value_of() { awk -v k="$1" 'found { print; exit } $0 == k { found = 1 }' "$work/strings"; }
for key in CompanyName ProductName FileVersion ProductVersion FileDescription LegalCopyright; do
  value=$(value_of "$key")
  [ -n "$value" ] || fail "the version resource has no $key"
  printf '%s version resource: %-16s %s\n' "$name" "$key" "$value"
  case "$key" in
    CompanyName | ProductName) [ "$value" = lapbundle ] || fail "$key is $value, not lapbundle" ;;
    FileVersion | ProductVersion) [ "$value" = "$four" ] || fail "$key is $value, not $four" ;;
  esac
done
if awk '/^(StringFileInfo|VarFileInfo|040904B0|VS_VERSION_INFO)$/,0' "$work/strings" |
   grep -qi 'setup\|install\|update\|patch'; then
  fail "a version text names setup, install, update or patch (Windows would take it for an installer)"
fi
