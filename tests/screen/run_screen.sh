#!/usr/bin/env bash
# The windows on a real screen: kestrel9-host.exe with no script, under Wine's X11
# driver on an Xvfb display of its own, with KESTREL9_AUTOMATION unset, in a fresh
# install whose data paths are not set up yet. It is worked with xdotool's real
# keyboard and mouse input, as a person would work it: the data path setup's
# message box and folder browser, the host window with its Map menu open (the
# arrow keys, a double click, a resize and the favourite views at work too), the
# control panel with a menu dropped down, its About box and overlay chooser, and
# the search dialog finding "Harris" as a county and going there. Each window is photographed and checked: the screen as a whole
# against the reference picture REFERENCES/NAME.png, and each listed area of the
# window (where a text or control belongs) painted, neither flat nor black, and
# like the reference. A failing check leaves the screenshot and its difference
# from the reference in FAILURES. With KESTREL9_SCREEN_UPDATE=1 the screenshots
# become the references, and README_IMAGES gets the README's pictures. The
# install is the Windows build in BUILD_DIR installed with its install layout
# (cmake --install) into the program-files folder "D:\Program Files".
#   run_screen.sh CMAKE BUILD_DIR REFERENCES FAILURES README_IMAGES
set -uo pipefail
# Nothing here may outlast its time, whatever hangs: the whole run is bounded,
# and its end kills the host, Wine and the display.
if [ -z "${K9_SCREEN_BOUNDED:-}" ]; then
  K9_SCREEN_BOUNDED=1 exec timeout -k 10 420 bash "$0" "$@"
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
read -r cmake build references failures readme_images < <(realpath -m "$@" | tr '\n' ' ')
. "$here/../winhost/install_tree.sh"
wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver
update=${KESTREL9_SCREEN_UPDATE:-}
for tool in Xvfb xdotool import compare convert "$wine"; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

tree=$(mktemp -d "${TMPDIR:-/tmp}/k9-screen.XXXXXX")
export WINEPREFIX="$tree/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
unset KESTREL9_AUTOMATION
xvfb_pid="" host_pid=""
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
  "$wineserver" -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tree"
}
trap cleanup EXIT
trap 'echo "screen tests: out of time"; exit 1' TERM

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tree/display" 2>"$tree/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$tree/display" ] && break; sleep 0.1; done
[ -s "$tree/display" ] || { echo "Xvfb did not start"; cat "$tree/xvfb.log"; exit 1; }
export DISPLAY=:$(head -n 1 "$tree/display")

# A prefix of its own, on Wine's X11 driver (the default where there is a display).
# Its only drives are C: and D:, the install, so that the folder browser shows
# the same tree on every machine.
cd "$tree" || exit 1
timeout 120 "$wine" wineboot -i >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$wineserver" -w
root="$tree/root"
mkdir -p "$root"
rm -f "$WINEPREFIX/dosdevices/z:"
ln -s "$root" "$WINEPREFIX/dosdevices/d:"
cd "$root" || exit 1
winpath() {
  local path=${1#"$root"}
  echo "D:${path:-/}" | tr '/' '\\'
}
programs="$root/Program Files"
KESTREL9_WINDOWS_PREFIX="$(winpath "$programs")" install_tree "$cmake" "$build" "$programs" || exit 1
register_servers "$wine" "$programs" || exit 1
# The host starts with its last view: Texas.
"$wine" reg add 'HKCU\Software\VB and VBA Program Settings\Corvid Works\Harrier32' \
  /v "Map View" /d "-107,37,-93,25" /f >/dev/null 2>&1

failed=0
fail() {
  echo "FAILED ($SECONDS s): $*"
  failed=1
}

# window TITLE: waits for the visible window of that title; sets WIN, WX, WY, WW, WH.
window() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
  if [ -z "$id" ]; then
    mkdir -p "$failures"
    import -window root "PNG24:$failures/no-window.png"
    fail "no window \"$1\" appeared (screenshot: $failures/no-window.png)"
    return 1
  fi
  WIN=$id
  eval "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^\([XY]\|WIDTH\|HEIGHT\)=/W&/p')"
  WW=$WWIDTH WH=$WHEIGHT
}

# eventually COMMAND...: true once the command is, trying for five seconds.
eventually() {
  for _ in $(seq 50); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# closed: waits until the last window found is gone.
closed() {
  for _ in $(seq 100); do
    xdotool getwindowname "$WIN" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window $WIN did not close"
}

# line TEXT: waits for an output line of the host holding TEXT.
line() {
  for _ in $(seq 200); do
    grep -qF -- "$1" "$tree/out.txt" && return 0
    sleep 0.1
  done
  fail "the host did not print: $1"
  return 1
}

# click X Y: a left click at that point of the last window found.
click() {
  xdotool mousemove $((WX + $1)) $((WY + $2)) click 1
  sleep 0.3
}

keys() {
  xdotool key --delay 80 "$@"
  sleep 0.3
}

# differing A B: pixels of A and B that differ by more than a fifth.
differing() {
  compare -metric AE -fuzz 20% "$1" "$2" null: 2>&1 | sed 's/ .*//'
}

# settle FILE: waits until the screen stops changing (a blinking caret aside),
# at most ten seconds, and leaves the last screenshot in FILE.
settle() {
  local previous="$tree/previous.png"
  import -window root "PNG24:$previous"
  for _ in $(seq 20); do
    sleep 0.5
    import -window root "PNG24:$1"
    [ "$(differing "$1" "$previous")" -le 50 ] 2>/dev/null && return 0
    mv "$1" "$previous"
  done
  mv "$previous" "$1"
}

# shot NAME AREA...: photographs the screen as NAME and checks it. Each AREA is
# "x,y,w,h" in the last window found.
shot() {
  local name=$1 file="$tree/$1.png" reference="$references/$1.png" problems=() area
  shift
  settle "$file"
  if [ -n "$update" ]; then
    cp "$file" "$reference"
    echo "$name: reference written"
    return 0
  fi
  [ -f "$reference" ] || problems+=("no reference $reference")
  if [ -f "$reference" ]; then
    local count
    count=$(differing "$file" "$reference")
    # Up to 1% of the screen: the text cursor, a clock-dependent pixel or two.
    [ "${count:-786432}" -le 7864 ] || problems+=("$count pixels differ from the reference")
  fi
  for area in "$@"; do
    IFS=, read -r x y w h <<<"$area"
    local crop="$tree/area.png" geometry="${w}x${h}+$((WX + x))+$((WY + y))"
    convert "$file" -crop "$geometry" +repage "$crop"
    # Painted: more than one colour, and not black beyond the ink of its texts
    # (painted areas here are 94% lit or more; the black inside of an unpainted
    # group box leaves 58%).
    local colours lit
    colours=$(identify -format %k "$crop")
    lit=$(convert "$crop" -colorspace Gray -threshold 10% -format '%[fx:mean]' info:)
    if [ "$colours" -lt 2 ] || awk -v lit="$lit" 'BEGIN { exit !(lit < 0.85) }'; then
      problems+=("area $area is not painted ($colours colours, $lit lit)")
    elif [ -f "$reference" ]; then
      convert "$reference" -crop "$geometry" +repage "$tree/expected.png"
      local count
      count=$(differing "$crop" "$tree/expected.png")
      [ "${count:-$((w * h))}" -le $((w * h / 50)) ] ||
        problems+=("area $area differs from the reference in $count pixels")
    fi
  done
  if [ ${#problems[@]} -gt 0 ]; then
    mkdir -p "$failures"
    cp "$file" "$failures/$name.png"
    [ -f "$reference" ] && compare -fuzz 20% "$file" "$reference" "$failures/$name-difference.png" 2>/dev/null
    fail "$name: ${problems[*]} (screenshot: $failures/$name.png)"
  else
    echo "$name: as the reference ($SECONDS s)"
  fi
}

cd "$programs/Harrier32" || exit 1
timeout -k 5 200 "$wine" kestrel9-host.exe --host-folder "$(winpath "$programs/Harrier32")" \
  --program-files "$(winpath "$programs")" --size 640x400 >"$tree/out.txt" 2>"$tree/err.txt" &
host_pid=$!

# First start: the data path setup tells what comes, then the folder browser opens
# on the engine's folder, and OK takes it.
if window "Strato9 server for Harrier32"; then
  shot setup-message 60,7,310,55 168,68,52,26 14,18,32,32  # text, OK, icon
  keys Return
  closed
fi
if window "Browse for Folder"; then
  # A person opens "Program Files" (the start folder may not be shown open yet)
  # and takes the engine's folder in it, after Harrier32 and Kestrel9.
  settle "$tree/tree.png"
  click 144 170
  keys KP_Add Down Down Down
  shot folder-browser 8,5,265,16 9,65,315,195 140,286,87,22 235,286,87,22  # prompt, tree, OK, Cancel
  click 183 297  # OK
  closed
fi
# The pointer is left where OK was, over the bare screen, and X gives the keys to
# the window under it: rest it on the message box first.
if window "Strato9 server for Harrier32"; then
  xdotool mousemove $((WX + 20)) $((WY + 20))
  keys Return
fi
line "Result DrawMapFromCorners True"
grep -q '^DATA1=D:' "$programs/Kestrel9/Kestrel9.INI" || fail "the data paths were not set up"

if window Harrier32; then
  click 200 200  # the map takes the keys
  keys Right
  line "Result ZoomPan True"
  xdotool mousemove $((WX + 320)) $((WY + 200)) click --repeat 2 --delay 100 1  # centres there
  line "Result DrawMapFromCentre True"
  # A resized window resizes the picture box and the map; back to the size the
  # pictures are taken at.
  xdotool windowsize "$WIN" 560 360
  line "Result ResizeMap True"
  xdotool windowsize "$WIN" "$WW" "$WH"
  sleep 1
  click 18 9
  shot host-map-menu 0,0,40,19 0,19,145,255 150,30,480,380 0,420,640,19  # Map, its menu, map, status
  keys Escape Escape
fi

# The control panel, from the Map menu.
window Harrier32 && click 18 9 && keys c
if window "Kestrel9 Control Panel"; then
  keys alt+o
  shot control-panel 0,0,300,19 0,20,178,192 180,40,118,160  # menu bar, Options, picture
  keys Escape Escape
  keys alt+a
  if window "About Kestrel9"; then
    shot about 40,10,200,40 12,62,87,25 108,62,160,25  # title and version, the two buttons
    keys Return
    closed
  fi
  window "Kestrel9 Control Panel" && keys alt+v l
  if window Overlays; then
    shot overlay-chooser 6,6,230,14 8,32,290,196 130,237,79,25 218,237,80,25  # prompt, files, buttons
    keys Escape
    closed
  fi
  window "Kestrel9 Control Panel" && keys alt+x && closed
fi

# The search dialog: County, "Harris", Enter, Down, Enter goes to Harris County.
window Harrier32 && click 18 9 && keys Down Down Down Down Down Down Return
if window "Kestrel Search"; then
  click 160 46
  xdotool type --delay 60 Harris
  keys Return
  keys Down
  shot search-dialog 8,22,395,60 8,88,380,28 8,120,396,24 8,154,396,117 8,278,396,28  # types, prompt, query, matches, buttons
  keys Return
  line 'SignalSpecialRedraw "Harris, TX"'
fi

# Favourite Views: Add Current View keeps Harris County; choosing it (the last
# entry) draws it.
drawn() { [ "$(grep -c "Result DrawMapFromCorners True" "$tree/out.txt")" -gt "$1" ]; }
kept() { grep -q '^Harris, TX,' "$programs/Kestrel9/Kestrel9.FAV" 2>/dev/null; }
window Harrier32 && click 18 9 && keys f a
eventually kept || fail "Add Current View kept no favourite"
before=$(grep -c "Result DrawMapFromCorners True" "$tree/out.txt")
click 18 9 && keys f End Return
eventually drawn "$before" || fail "choosing the favourite drew nothing"

# Map, Exit: the host releases the server and ends.
window Harrier32 && click 18 9 && keys x
for _ in $(seq 100); do kill -0 "$host_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$host_pid" 2>/dev/null; then
  fail "the host did not end after Map, Exit"
else
  wait "$host_pid" || fail "the host ended with status $?"
  host_pid=""
  grep -q "Menu 1 Unloaded" "$tree/out.txt" || fail "the server was not released"
fi

if [ -n "$update" ] && [ "$failed" -eq 0 ]; then
  for name in host-map-menu control-panel search-dialog; do
    convert "$references/$name.png" -trim +repage "$readme_images/windows-$name.png"
  done
  echo "README pictures written to $readme_images"
fi

if [ "$failed" -ne 0 ]; then
  echo "--- the host's output"
  cat "$tree/out.txt"
  grep -v fixme "$tree/err.txt"
  exit 1
fi
echo "screen tests: every window painted and as its reference"
