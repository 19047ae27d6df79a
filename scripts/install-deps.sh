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
  libexpat1-dev nlohmann-json3-dev zlib1g-dev libz-mingw-w64-dev dpkg-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine64 python3
  xvfb xdotool imagemagick
  fp-utils libchm-bin wixl msitools
  libosmium2-dev libprotozero-dev libbz2-dev osmium-tool
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

# Debian has no mingw-w64 expat: the Windows builds compile the Debian source of
# expat (the version of libexpat1-dev where the archive still has it, else
# bookworm's), unpacked into /usr/src/expat as googletest's is into /usr/src.
expat_src=/usr/src/expat
if [ ! -f "$expat_src/expat/lib/expat.h" ]; then
  echo "Unpacking expat's Debian source into $expat_src"
  if ! grep -qs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources &&
     ! grep -qs '^deb-src' /etc/apt/sources.list; then
    cat >/etc/apt/sources.list.d/debian-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  apt-get update -qq
  version=$(dpkg-query -W -f='${source:Version}' libexpat1-dev)
  work=$(mktemp -d)
  (cd "$work" && { apt-get source -qq "expat=$version" >/dev/null 2>&1 ||
                   apt-get source -qq expat/bookworm >/dev/null; })
  rm -rf "$expat_src"
  mv "$work"/expat-*/ "$expat_src"
  rm -rf "$work"
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
