#!/usr/bin/env bash
# Takes the help's pictures (help/images) again from the current builds:
# - control_panel.png, chooser.png, search_dialog.png: the control panel with its
#   Options menu open, the Overlays window, and the search dialog after a
#   mile-marker search for "TX,20,100", from kestrel9-host.exe under Wine on an
#   Xvfb display of their own, inside a Wine desktop window so that the windows
#   have Wine's own frames, each cut out of the plain desktop around it;
# - texas_mile_marker.png: Texas with the line through mile marker 100 of I-20, as
#   the Linux stand-in host draws it (400 x 300, Go To, one zoom in).
# Look at every picture before committing it.
# Build first: cmake --preset win64 && cmake --build --preset win64, and
# cmake --preset linux && cmake --build --preset linux --target k9_stage.
#   bash scripts/help-pictures.sh DISPLAY_NUMBER [OUT_DIR]   (default OUT_DIR: help/images)
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD
. tests/winhost/install_tree.sh
[ $# -ge 1 ] || { echo "usage: help-pictures.sh DISPLAY_NUMBER [OUT_DIR]"; exit 2; }
display=$1
out=$(realpath -m "${2:-help/images}")
win=$PWD/build/win64 stage=$PWD/build/linux/stage
for file in "$win/src/host/kestrel9-host.exe" "$win/src/com/Kestrel9.dll" \
  "$win/src/wincontrol/Kestrel9Engine.dll" "$stage/Harrier32/kestrel9-host"; do
  [ -f "$file" ] || { echo "missing $file: build the win64 preset and the linux stage first"; exit 1; }
done
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
mkdir -p "$out"

tree=$(mktemp -d "${TMPDIR:-/tmp}/k9-help-pictures.XXXXXX")
export WINEPREFIX="$tree/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
export DISPLAY=":$display"
unset KESTREL9_AUTOMATION
wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver
xvfb_pid=""
cleanup() {
  "$wineserver" -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tree"
}
trap cleanup EXIT

# The map, from the Linux stand-in host with a registry store of its own.
cp -r "$stage" "$tree/linux"
(
  cd "$tree/linux" || exit 1
  export KESTREL9_REGISTRY="$tree/linux/registry.reg"
  bin/kestrel9-regsvr /s Kestrel9/Kestrel9.so &&
    printf '%s\n' create 'answer folder "Program Files/Stratomap Wayfarer 9.0"' 'initialize K1ABC' \
      'size 400 300' 'draw -107 37 -93 25.5' 'search 5 TX,20,100' 'goto 1' zoomin \
      "png $out/texas_mile_marker.png" | Harrier32/kestrel9-host - >"$tree/linux.txt"
) || { echo "the Linux host failed:"; cat "$tree/linux.txt"; exit 1; }
grep -q 'SignalSpecialRedraw "TX, IS-20, Mile marker 100"' "$tree/linux.txt" ||
  { echo "the Linux host did not go to the mile marker:"; cat "$tree/linux.txt"; exit 1; }
echo "texas_mile_marker.png written"

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp 2>"$tree/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "Xvfb did not start on $DISPLAY"; exit 1; }

cd "$tree" || exit 1
timeout 180 "$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
# Wine draws the frames' buttons with Marlett and the dialogs in Tahoma; where it
# does not find its own fonts, they are put in the prefix.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
root="$tree/root"
engine_dir="$root/Program Files/Stratomap Wayfarer 9.0"
lay_out_install "$root" "$engine_dir" "$win/src/host/kestrel9-host.exe" "$win/src/com/Kestrel9.dll" \
  "$win/src/wincontrol/Kestrel9Engine.dll" "$src/data/engine"
cp "$src"/data/engine/overlays/* "$root/Kestrel9/Strato Overlays/"
write_map_ini "$engine_dir"
register_servers "$wine" "$root" || exit 1
# Set up already, with the first sample overlay in use and the mile-marker search
# chosen last, so the windows open as the pictures show them.
engine=$(winpath "$engine_dir")
printf '[PATHS]\r\nDATA1=%s\\us\r\nDATA2=%s\\world\r\nDATA3=%s\\us\r\nDATA4=""\r\nSTATES0=%s\\states\r\n[SETUP]\r\nOVERLAY=%s\r\nSEARCH_TYPE=5\r\n' \
  "$engine" "$engine" "$engine" "$engine" "$(winpath "$root/Kestrel9/Strato Overlays/interstate-corridor.OVR")" \
  >"$root/Kestrel9/Kestrel9.INI"
# No host window: each picture is the one window on the plain desktop.
printf '%s\n' create 'initialize K1ABC' 'draw -107 37 -93 25.5' panel 'option 0' 'wait 600000' \
  >"$root/Harrier32/pictures.k9"

cd "$root/Harrier32" || exit 1
"$wine" explorer /desktop=Kestrel9,800x600 kestrel9-host.exe --host-folder "$(winpath "$root/Harrier32")" \
  pictures.k9 >"$tree/out.txt" 2>&1 &

# picture NAME: waits until the desktop stops changing, then keeps what differs
# from the plain desktop as NAME.
picture() {
  local shot="$tree/shot.png" previous="$tree/previous.png"
  import -window root -crop 800x600+0+0 +repage "PNG24:$previous"
  for _ in $(seq 20); do
    sleep 0.5
    import -window root -crop 800x600+0+0 +repage "PNG24:$shot"
    [ "$(compare -metric AE "$shot" "$previous" null: 2>&1 | sed 's/ .*//')" -le 20 ] 2>/dev/null && break
    mv "$shot" "$previous"
  done
  [ -f "$shot" ] || mv "$previous" "$shot"
  convert "$shot" -trim +repage "PNG24:$out/$1"
  echo "$1 written ($(identify -format %wx%h "$out/$1"))"
}

# waitfor TEXT: waits for an output line of the host holding TEXT.
waitfor() {
  for _ in $(seq 600); do
    grep -qsF -- "$1" "$tree/out.txt" && return 0
    sleep 0.1
  done
  echo "the host did not print: $1"
  cat "$tree/out.txt"
  exit 1
}

waitfor "Result DrawMapFromCorners True"
sleep 3
xdotool mousemove 400 300
keys() { xdotool key --delay 100 "$@"; sleep 0.5; }
keys alt+o
picture control_panel.png
keys Escape Escape alt+v l
sleep 1
picture chooser.png
keys Escape
sleep 1
keys alt+x
waitfor "Result SpecialMenuOption"
sleep 2
xdotool type --delay 80 "TX,20,100"
keys Return
sleep 1
picture search_dialog.png
