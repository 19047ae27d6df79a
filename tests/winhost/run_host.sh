#!/usr/bin/env bash
# Installs the server and engine DLLs with kestrel9-host.exe in a scratch tree,
# registers both with regsvr32 in a fresh Wine prefix, configures the server's
# data folders, runs SCRIPT and compares the output with EXPECTED (the lines the
# POSIX host prints for the same script; the help file's folder is left out).
# Then compares the picture the script saved with PICTURE (the POSIX host's
# rendering of the same view) and checks that regsvr32 /u removes the keys.
#   run_host.sh HOST.exe Kestrel9.dll Kestrel9Engine.dll DATA_DIR SCRIPT EXPECTED [PICTURE [SHARE]]
# SHARE is the largest share of differing pixels allowed (default 0.05).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../scripts/wine-run.sh"
host=$1 server=$2 engine=$3 data=$4 script=$5 expected=$6 picture=${7:-} share=${8:-0.05}
winpath() { echo "Z:$1" | tr '/' '\\'; }

tree=$(mktemp -d "${TMPDIR:-/tmp}/k9-winhost.XXXXXX")
trap '/usr/lib/wine/wineserver -w 2>/dev/null || true; rm -rf "$tree"' EXIT
export WINEPREFIX="$tree/prefix"
mkdir -p "$tree/Kestrel9" "$tree/Harrier32"
cp "$server" "$engine" "$tree/Kestrel9/"
# The server's own lookup files (mile markers, county and state outlines) sit
# beside it, as an install puts them.
cp "$data"/../*.dat "$tree/Kestrel9/"
cp "$host" "$tree/Harrier32/"
cp "$script" "$tree/Harrier32/job.k9"
data_win=$(winpath "$data")
printf '[PATHS]\r\nDATA1=%s\\us\r\nDATA2=%s\\world\r\nDATA3=%s\\us\r\nDATA4=""\r\nSTATES0=%s\\states\r\n' \
  "$data_win" "$data_win" "$data_win" "$data_win" >"$tree/Kestrel9/Kestrel9.INI"

for dll in Kestrel9.dll Kestrel9Engine.dll; do
  "$run" regsvr32 /s "$(winpath "$tree/Kestrel9/$dll")" || { echo "regsvr32 $dll failed"; exit 1; }
done
for key in 'HKCR\Kestrel9.clsMapServ' 'HKCR\Cartex71.Cartex'; do
  "$run" reg query "$key" >/dev/null 2>&1 || { echo "not registered: $key"; exit 1; }
done

cd "$tree/Harrier32"
"$run" kestrel9-host.exe --host-folder "$(winpath "$tree/Harrier32")" job.k9 >out.txt 2>err.txt || {
  echo "kestrel9-host.exe failed"; cat err.txt; exit 1; }
sed 's#"[^"]*Kestrel6\.HLP"#"Kestrel6.HLP"#' out.txt >actual.txt
if ! diff -u "$expected" actual.txt; then
  echo "output differs from the POSIX host's"; cat err.txt; exit 1
fi
png=$(sed -n 's/^png //p' job.k9)
if [ -n "$png" ] && [ ! -s "$png" ]; then echo "no picture written: $png"; exit 1; fi
if [ -n "$picture" ]; then
  # GDI and the POSIX drawing library antialias edges and text differently.
  python3 "$here/png_compare.py" "$png" "$picture" "$share" 48 || {
    echo "the picture differs from the POSIX host's"; exit 1; }
fi

for dll in Kestrel9.dll Kestrel9Engine.dll; do
  "$run" regsvr32 /u /s "$(winpath "$tree/Kestrel9/$dll")"
done
for key in 'HKCR\Kestrel9.clsMapServ' 'HKCR\Cartex71.Cartex'; do
  if "$run" reg query "$key" >/dev/null 2>&1; then echo "left behind: $key"; exit 1; fi
done
echo "kestrel9-host.exe: same output as the POSIX host; registration removed"
