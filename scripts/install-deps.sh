#!/usr/bin/env bash
# Installs the Debian packages lapbundle needs to build, run and test.
# Uses sudo when not run as root; does nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  zlib1g-dev libminizip-dev libjpeg62-turbo-dev libfltk1.3-dev
  libgtest-dev libx11-dev
  xvfb xauth xdotool xclip x11-utils x11-apps imagemagick
  unzip zip libjpeg-turbo-progs python3 p7zip-full
  clang libclang-rt-14-dev libtomlplusplus-dev
)
if [ "${1:-}" = "--runtime" ]; then
  # What the demo needs: a build and a display.
  packages=(build-essential cmake pkg-config zlib1g-dev libminizip-dev libjpeg62-turbo-dev
            libfltk1.3-dev libtomlplusplus-dev xvfb xauth xdotool x11-utils unzip)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
