#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with (run as root).
#   install-deps.sh [--extras]
# --extras adds what only the data build (tools/engine-data) and the Mapnik
# comparison of engine_bench use; the build and the tests never need them.
set -euo pipefail
packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcairo2-dev fonts-dejavu-core libstb-dev
  libosmium2-dev libprotozero-dev zlib1g-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine64 python3
  xvfb xdotool imagemagick
  fp-utils libchm-bin wixl msitools
)
if [ "${1:-}" = "--extras" ]; then
  packages+=(libphonenumber-dev gmt gmt-dcw python3-mapnik)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
