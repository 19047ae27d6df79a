#!/usr/bin/env bash
# regsvr32 of the engine's DLL where another mapping product owns its ProgID
# "Cartex71.Cartex" (it names another class, as programs of the DLL's width
# see it): registering writes the engine's class and leaves the ProgID to that
# product, unregistering takes the class and leaves the ProgID; with the ProgID
# free again, registering takes it. Leaves the engine registered, as it found it.
#   engine_progid_owner.sh ENGINE_DLL
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../scripts/wine-run.sh"
. "$here/../winhost/install_tree.sh"
dll=$(winpath "$1")
reg=$(reg_program "$(pe_bits "$1")")
progid='HKCR\Cartex71.Cartex' class='HKCR\CLSID\{6EB68C83-E256-4220-9B91-FA4884D79692}'
other='{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}'
names() { "$run" "$reg" query "$progid\\CLSID" /ve 2>/dev/null | grep -o '{[^}]*}' || true; }
has() { "$run" "$reg" query "$1" >/dev/null 2>&1; }
fail() { echo "FAILED: $*"; exit 1; }

"$run" regsvr32 /u /s "$dll"
"$run" "$reg" add "$progid\\CLSID" /ve /d "$other" /f >/dev/null
"$run" regsvr32 /s "$dll"
[ "$(names)" = "$other" ] || fail "registering took the ProgID of another product: it names $(names)"
has "$class\\InprocServer32" || fail "registering beside another product wrote no engine class"
"$run" regsvr32 /u /s "$dll"
[ "$(names)" = "$other" ] || fail "unregistering removed another product's ProgID"
! has "$class" || fail "unregistering left the engine class"
"$run" "$reg" delete "$progid" /f >/dev/null
"$run" regsvr32 /s "$dll"
[ "$(names)" = "{6EB68C83-E256-4220-9B91-FA4884D79692}" ] ||
  fail "with the ProgID free, registering did not take it: it names '$(names)'"
echo "regsvr32 leaves another product's engine ProgID alone and takes a free one"
