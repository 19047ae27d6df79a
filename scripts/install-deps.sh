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

# The 32-bit Windows programs run under Wine's 32-bit loader (wine32, an i386
# package) in the same 64-bit prefix, as on 64-bit Windows. Whether this machine
# runs 32-bit code is found by running a tiny 32-bit program, since a 64-bit
# kernel may be built without it; where it cannot, the i386 architecture is
# taken out again and scripts/test.sh skips the 32-bit run, saying why.
if ! bash "$(dirname "$0")/runs-32bit.sh" >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  added=no
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added=yes
  fi
  apt-get update -qq
  probe=$(mktemp -d)
  runs=no
  if (cd "$probe" && apt-get download -qq busybox-static:i386 >/dev/null 2>&1) &&
    dpkg-deb -x "$probe"/busybox-static_*_i386.deb "$probe/root" &&
    "$probe/root/bin/busybox" true 2>/dev/null; then
    runs=yes
  fi
  rm -rf "$probe"
  if [ "$runs" = yes ]; then
    echo "Installing: wine32 (this machine runs 32-bit programs)"
    apt-get install -y -qq --no-install-recommends wine32 >/dev/null
  else
    echo "Not installing wine32: this machine does not run 32-bit (i386) programs"
    [ "$added" = no ] || dpkg --remove-architecture i386
  fi
fi
