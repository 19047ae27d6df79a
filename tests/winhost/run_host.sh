#!/usr/bin/env bash
# Runs the end-to-end scripts through kestrel9-host.exe: installs the Windows
# build with its install layout into a scratch folder (the program-files folder:
# server, engine and host), registers the server and engine with regsvr32 in a
# fresh Wine prefix, and runs each GROUP on a configured install of its own (the
# server and host folders are put back between groups; the registration stays).
# Every script's output, with the install folder as "@ROOT@" (and the engine's
# folder where the Linux tree has it, "@ROOT@/Program Files/...") and backslashes
# as slashes, must equal its expected lines (NAME.expected; where NAME.stderr exists,
# that error output and exit status 2). At the end, regsvr32 /u must remove the keys.
#   run_host.sh CMAKE BUILD_DIR SCRIPTS_DIR PICTURES_DIR GROUP...
# GROUP is one or more scripts joined by "+", run in that order on the same
# install. A script is a NAME (SCRIPTS_DIR/NAME.k9) or the path of a .k9 file
# (its expected files are still SCRIPTS_DIR/NAME.*); ":SHARE" after it compares
# the picture the script saves last with PICTURES_DIR/NAME.png, allowing at most
# SHARE of the pixels to differ. NAME.files lists files to make first: a path,
# then optionally "|" and the file's text, "\n" standing for a line end.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../scripts/wine-run.sh"
cmake=$1 build=$2 scripts=$3 pictures=$4
shift 4
. "$here/install_tree.sh"

tree=$(mktemp -d "${TMPDIR:-/tmp}/k9-winhost.XXXXXX")
trap '/usr/lib/wine/wineserver -w 2>/dev/null || true; rm -rf "$tree"' EXIT
export WINEPREFIX="$tree/prefix"
root="$tree/root" pristine="$tree/pristine"
install_tree "$cmake" "$build" "$root"
# Configured as the first start's data path setup leaves it: the engine's data
# folders, beside its MAP.INI.
engine_win=$(winpath "$(dirname "$(installed "$root" MAP.INI)")")
printf '[PATHS]\r\nDATA1=%s\\us\r\nDATA2=%s\\world\r\nDATA3=%s\\us\r\nDATA4=""\r\nSTATES0=%s\\states\r\n' \
  "$engine_win" "$engine_win" "$engine_win" "$engine_win" >"$root/Kestrel9/Kestrel9.INI"
mkdir -p "$pristine"
cp -r "$root/Kestrel9" "$root/Harrier32" "$pristine/"
fresh_install() {
  rm -rf "$root/Kestrel9" "$root/Harrier32"
  cp -r "$pristine/Kestrel9" "$pristine/Harrier32" "$root/"
}
register_servers "$run" "$root" || exit 1

root_win=$(winpath "$root")
# The expected lines are the Linux tree's, whose engine folder lies in the root's
# "Program Files"; the Windows layout puts it beside the server folder.
engine_neutral="@ROOT@\\Program Files\\${engine_win##*\\}"
neutral() {
  local line
  while IFS= read -r line || [ -n "$line" ]; do
    line=${line%$'\r'}
    line=${line//"$engine_win"/"$engine_neutral"}
    line=${line//"$root_win"/@ROOT@}
    printf '%s\n' "${line//\\//}"
  done
}

# Runs one script from the host's folder; prints what differs and returns 1.
run_script() {
  local item=$1 script share="" name status=0
  case $item in *:*) share=${item##*:} item=${item%:*} ;; esac
  case $item in */*) script=$item ;; *) script="$scripts/$item.k9" ;; esac
  name=$(basename "$script" .k9)
  if [ -f "$scripts/$name.files" ]; then
    while IFS= read -r line; do
      local file=${line%%|*} text=""
      [ "$file" != "$line" ] && text=${line#*|}
      mkdir -p "$(dirname "$root/$file")" && printf '%s' "${text//\\n/$'\r\n'}" >"$root/$file"
    done <"$scripts/$name.files"
  fi
  cp "$script" "$root/Harrier32/$name.k9"
  (cd "$root/Harrier32" &&
    "$run" kestrel9-host.exe --host-folder "$(winpath "$root/Harrier32")" "$name.k9" \
      >"$tree/out.txt" 2>"$tree/err.txt") || status=$?
  neutral <"$tree/out.txt" >"$tree/actual.txt"
  neutral <"$tree/err.txt" >"$tree/error.txt"
  if [ -f "$scripts/$name.stderr" ]; then
    [ "$status" -eq 2 ] || { echo "$name: exit status $status, not 2"; return 1; }
    diff -u "$scripts/$name.stderr" "$tree/error.txt" || { echo "$name: error output differs"; return 1; }
  elif [ "$status" -ne 0 ]; then
    echo "$name: kestrel9-host.exe failed with status $status"; cat "$tree/err.txt"; return 1
  fi
  if ! diff -u "$scripts/$name.expected" "$tree/actual.txt"; then
    echo "$name: output differs from the expected lines"; cat "$tree/err.txt"; return 1
  fi
  if [ -n "$share" ]; then
    local png
    png=$(sed -n 's/^png //p' "$script" | tail -n 1)
    [ -s "$root/Harrier32/$png" ] || { echo "$name: no picture written: $png"; return 1; }
    # GDI and the POSIX drawing library antialias edges and text differently.
    python3 "$here/png_compare.py" "$root/Harrier32/$png" "$pictures/$name.png" "$share" 48 || {
      echo "$name: the picture differs from the Linux rendering"; return 1; }
  fi
  echo "$name: same lines as expected"
}

failed=0
for group in "$@"; do
  fresh_install
  IFS=+ read -r -a items <<<"$group"
  for item in "${items[@]}"; do
    run_script "$item" || { failed=1; break; }
  done
done

register_servers "$run" "$root" /u || failed=1
[ "$failed" -eq 0 ] || exit 1
echo "kestrel9-host.exe: every script gave its expected lines; registration removed"
