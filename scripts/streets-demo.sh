#!/usr/bin/env bash
# A street map end to end: installs and registers everything as the main job does
# (scripts/demo-install.sh), imports an OpenStreetMap extract with the engine's
# k9-engine-import into a street store of the demo's own, and has the stand-in host
# find a street address with the Address search, go to it and save the map.
#
#   bash scripts/streets-demo.sh EXTRACT [ADDRESS] [INSTALL_FOLDER]
#   e.g. bash scripts/streets-demo.sh ../shared/osm/baltimore.osm.pbf "1407 Fleet Street, Baltimore, MD"
# (defaults: ADDRESS "1407 Fleet Street, Baltimore, MD", INSTALL_FOLDER build/streets-demo)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  sed -n '7,9p' "$0" | sed 's/^# //' >&2
  exit 2
fi
extract=$(realpath "$1")
address=${2:-1407 Fleet Street, Baltimore, MD}
prefix=${3:-build/streets-demo}
[ -f "$extract" ] || { echo "No such extract: $1" >&2; exit 2; }

source scripts/demo-install.sh "$prefix"

# The imported data sets go to the demo's own store, not the user's.
export KESTREL9_STREETS=$prefix/streets
echo "=== import $extract"
"Program Files/Stratomap Wayfarer 9.0/k9-engine-import" "$extract"

echo "=== find \"$address\" and show it"
cat >streets.k9 <<SCRIPT
size 1024 768
create
answer folder "Program Files/Stratomap Wayfarer 9.0"
initialize K1ABC
search 0 "${address//\"/\"\"}"
goto 1
png streets.png
release
SCRIPT
Harrier32/kestrel9-host streets.k9

echo
echo "The street map is $prefix/streets.png"
