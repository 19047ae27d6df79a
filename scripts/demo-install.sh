#!/usr/bin/env bash
# What the demos share: installs what is needed (Debian 12, as root), builds the
# products, installs them into a fresh folder with a registry store of its own,
# registers the server, has the host record its program folder and runs the
# initialiser, as an installation does.
#
#   source scripts/demo-install.sh INSTALL_FOLDER
# Leaves the working folder at the install folder, with KESTREL9_REGISTRY set.
prefix=$1
root=$(pwd)
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
