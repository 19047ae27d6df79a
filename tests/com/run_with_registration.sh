#!/usr/bin/env bash
# Registers Kestrel9.dll with regsvr32 in the test prefix, checks that every key
# exists, unregisters it and checks that every key is gone, registers it again,
# then (when a script is given) runs that VBScript client under cscript; the
# client's exit code is the result. A 32-bit DLL's keys are looked for as 32-bit
# programs see them, and its client runs under the 32-bit cscript, as on 64-bit
# Windows.
# The engine control's DLL is registered first, so the server finds its engine.
#   run_with_registration.sh DLL ENGINE_DLL [SCRIPT.vbs]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../scripts/wine-run.sh"
. "$here/../winhost/install_tree.sh"
dll=$(winpath "$1")
view=$(pe_bits "$1")
cscript=cscript
[ "$view" = 64 ] || cscript='C:\windows\syswow64\cscript.exe'
"$run" regsvr32 /s "$(winpath "$2")"
keys=('HKCR\Kestrel9.clsMapServ'
      'HKCR\CLSID\{D407ACA1-EE57-4AEF-97E4-4D28775F5340}'
      'HKCR\TypeLib\{8A00D9F5-5295-4DC2-9539-38693741DE79}'
      'HKCR\Interface\{F7615502-5998-44C1-B80C-EF2B95CD8A98}')
"$run" regsvr32 /s "$dll"
for key in "${keys[@]}"; do
  "$run" "$(reg_program "$view")" query "$key" >/dev/null 2>&1 || { echo "not registered: $key"; exit 1; }
done
"$run" regsvr32 /u /s "$dll"
for key in "${keys[@]}"; do
  if "$run" "$(reg_program "$view")" query "$key" >/dev/null 2>&1; then echo "left behind: $key"; exit 1; fi
done
"$run" regsvr32 /s "$dll"
echo "regsvr32: registered, unregistered without trace, registered again"
if [ $# -ge 3 ]; then
  "$run" "$cscript" //nologo "$(winpath "$3")"
fi
