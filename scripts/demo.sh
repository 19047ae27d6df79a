#!/usr/bin/env bash
# The main job, end to end: installs what is needed (Debian 12, as root), builds
# the products, installs them into a fresh folder with its own registry store,
# registers the server, runs the initialiser, and has the stand-in host draw Texas
# with the interstate mile marker "TX,20,100" through the real server library and
# the reference engine. Prints the host's output and where the picture is.
#
#   bash scripts/demo.sh [INSTALL_FOLDER]      (default: build/demo)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
prefix=${1:-build/demo}
case $prefix in /*) ;; *) prefix=$root/$prefix ;; esac

bash scripts/install-deps.sh

echo "=== build"
cmake -S . -B build/demo-build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL9_TESTS=OFF >/dev/null
cmake --build build/demo-build -j "$(nproc)"

echo "=== install into $prefix"
rm -rf "$prefix"
cmake --install build/demo-build --prefix "$prefix" >/dev/null
# A registry store of its own, so the demo never touches the user's.
export KESTREL9_REGISTRY=$prefix/registry.reg
cd "$prefix"

echo "=== register the server (kestrel9-regsvr plays regsvr32)"
bin/kestrel9-regsvr Kestrel9/Kestrel9.so

echo "=== the host's first run on this machine: it records its program folder"
# Also records where programs live (ProgramFilesDir), which the server's data path
# setup starts from.
Harrier32/kestrel9-host --program-files "Program Files" </dev/null

echo "=== the initialiser (from the server's folder)"
(cd Kestrel9 && ./InitKestrel9)

echo "=== the demo script: Harrier32/Demo/texas.k9"
Harrier32/kestrel9-host Harrier32/Demo/texas.k9

echo "=== a second script, Harrier32/Demo/tour.k9"
Harrier32/kestrel9-host Harrier32/Demo/tour.k9

echo
echo "The map of Texas is $prefix/demo.png"
echo "The tour's last map is $prefix/tour.png"
