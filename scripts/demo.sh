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
prefix=${1:-build/demo}

source scripts/demo-install.sh "$prefix"

echo "=== the demo script: Harrier32/Demo/texas.k9"
Harrier32/kestrel9-host Harrier32/Demo/texas.k9

echo "=== a second script, Harrier32/Demo/tour.k9"
Harrier32/kestrel9-host Harrier32/Demo/tour.k9

echo
echo "The map of Texas is $prefix/demo.png"
echo "The tour's last map is $prefix/tour.png"
