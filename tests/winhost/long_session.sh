#!/usr/bin/env bash
# A long session in kestrel9-host.exe: PAINTS paints (at least 5,000 in the test)
# of changing views (corners, centre, zoom, pan), with county searches gone to,
# control panel sessions that toggle the shading and the monochrome maps, and
# an overlay loaded and cleared, in rounds. Every SAMPLE paints the host prints
# its process's private bytes, working set and GDI and USER objects (the
# `resources` command). After a warm-up of the first quarter of the samples, the
# last third of the samples must not stand above the first third by more than
# the tolerances below: a leak of a few bytes or one object a paint shows as
# growth far beyond them. The figures are printed and kept in FIGURES.
#   long_session.sh CMAKE BUILD_DIR FIGURES [PAINTS]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../scripts/wine-run.sh"
cmake=$1 build=$2 figures=$3 paints=${4:-5000}
sample=250
. "$here/install_tree.sh"

tree=$(mktemp -d "${TMPDIR:-/tmp}/k9-long.XXXXXX")
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$tree"' EXIT
export WINEPREFIX="$tree/prefix"
root="$tree/root"
install_tree "$cmake" "$build" "$root"
engine_win=$(winpath "$(dirname "$(installed "$root" MAP.INI)")")
printf '[PATHS]\r\nDATA1=%s\\us\r\nDATA2=%s\\world\r\nDATA3=%s\\us\r\nDATA4=""\r\nSTATES0=%s\\states\r\n' \
  "$engine_win" "$engine_win" "$engine_win" "$engine_win" >"$root/Kestrel9/Kestrel9.INI"
register_servers "$run" "$root" || exit 1

# The session's script: each round is 10 paints and one search, control panel
# session or overlay change in turn.
script="$root/Harrier32/long.k9"
{
  echo "size 400 300"
  echo "create"
  echo "initialize K1ABC"
  echo "resources"
  pans=(1 2 3 6 9 8 7 4)  # the keypad's directions around its middle
  done_paints=0 round=0
  while [ "$done_paints" -lt "$paints" ]; do
    west=$((-110 + round % 12)) north=$((30 + round % 9))
    echo "draw $west $north $((west + 8)) $((north - 6))"
    echo "centre $((west + 4)).5 $((north - 3)).25"
    echo "zoomin"
    echo "zoomin"
    echo "pan ${pans[round % 8]}"
    echo "zoomout"
    echo "pan ${pans[(round + 4) % 8]}"
    echo "zoomout"
    echo "resize"
    echo "zoomall"
    case $((round % 3)) in
      0) echo "search 4 Harris" && echo "goto 1" ;;
      1) echo "panel mnuShadeStates mnuMonochromeMaps" ;;
      2) echo "answer chooser interstate-corridor.OVR" && echo "panel mnuLoadOverlay" &&
         echo "panel mnuClearOverlay" ;;
    esac
    done_paints=$((done_paints + 10)) round=$((round + 1))
    [ $((done_paints % sample)) -ne 0 ] || echo "resources"
  done
  echo "release"
  echo "resources"
} >"$script"

start=$SECONDS
(cd "$root/Harrier32" &&
  "$run" kestrel9-host.exe --host-folder "$(winpath "$root/Harrier32")" long.k9 \
    >"$tree/out.txt" 2>"$tree/err.txt") || { echo "kestrel9-host.exe failed"; cat "$tree/err.txt"; exit 1; }
seconds=$((SECONDS - start))
errors=$(grep -c '^Error ' "$tree/out.txt" || true)
if [ "$errors" -ne 0 ]; then
  echo "the session's calls failed $errors times:"; grep '^Error ' "$tree/out.txt" | sort | uniq -c | head
  exit 1
fi
grep '^Resources ' "$tree/out.txt" >"$tree/samples.txt"
python3 - "$tree/samples.txt" "$figures" "$paints" "$seconds" "$(pe_bits "$(installed "$root" kestrel9-host.exe)")" <<'PY'
import statistics, sys
samples_file, figures_file, paints, seconds, bits = sys.argv[1:]
rows = []
for line in open(samples_file):
    fields = dict(f.split("=", 1) for f in line.split()[1:])
    rows.append(fields)
# The first sample is before any paint and the last after the release: the
# trend is judged on the samples taken while the session ran.
during = rows[1:-1]
warm = during[len(during) // 4:]
third = max(1, len(warm) // 3)
tolerance = {"private": 4 << 20, "working": 8 << 20, "gdi": 8, "user": 4}
lines, failed = [], False
for name, allowed in tolerance.items():
    values = [int(r[name]) for r in warm]
    early, late = statistics.median(values[:third]), statistics.median(values[-third:])
    growth = late - early
    ok = growth <= allowed
    failed |= not ok
    unit = " bytes" if name in ("private", "working") else ""
    lines.append(f"{name}: start {rows[0][name]}, after warm-up {early:.0f}, at the end {late:.0f}, "
                 f"growth {growth:+.0f}{unit} (at most {allowed}{unit}) {'ok' if ok else 'GROWS'}")
header = (f"{bits}-bit kestrel9-host.exe, {paints} paints in {seconds} s, {len(rows)} samples, "
          f"GDI and USER objects counted by {rows[0]['counted']}")
text = "\n".join([header] + lines) + "\n"
print(text, end="")
with open(figures_file, "w") as out:
    out.write(text)
sys.exit(1 if failed else 0)
PY
