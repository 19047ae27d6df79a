#!/usr/bin/env bash
# Starts kestrel9-host.exe with its main window under Wine on this desktop's
# display, from the Windows build installed with its install layout into
# FOLDER/Program Files (default build/windows-host), with a Wine prefix of its own
# (FOLDER/prefix) where the server and engine DLLs are registered. The first start
# asks for the map data folders: in the folder browser, choose "Program Files",
# then "Stratomap Wayfarer 9.0", and OK.
# Build first: cmake --preset win64 && cmake --build --preset win64
#   bash scripts/windows-host.sh [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
. tests/winhost/install_tree.sh
build=$PWD/build/win64
dir=$(realpath -m "${1:-build/windows-host}")
[ -f "$build/src/host/kestrel9-host.exe" ] || {
  echo "no Windows build: cmake --preset win64 && cmake --build --preset win64"
  exit 1
}
[ -n "${DISPLAY:-}" ] || { echo "no display: start it on a desktop (or under xvfb-run -a)"; exit 1; }
export WINEPREFIX="$dir/prefix" WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset KESTREL9_AUTOMATION  # it would keep every window headless
wine=/usr/lib/wine/wine64
programs="$dir/Program Files"
install_tree cmake "$build" "$programs"
register_servers "$wine" "$programs"
cd "$programs/Harrier32"
exec "$wine" kestrel9-host.exe --program-files "$(winpath "$programs")"
