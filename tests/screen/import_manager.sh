#!/usr/bin/env bash
# The engine's Import Manager on a real screen: kestrel9-host.exe under Wine's X11
# driver on an Xvfb display of its own, KESTREL9_AUTOMATION unset, worked with
# xdotool as a person would: the data path setup, the control panel, Import Mgr,
# Import... with an OpenStreetMap extract copied into the install tree, and what
# the window shows afterwards. Each window is photographed and checked as
# run_screen.sh checks its windows (the screen against REFERENCES/NAME.png, the
# listed areas painted and like the reference); KESTREL9_SCREEN_UPDATE=1 writes
# the references. The extract comes from OSM_DIR (or KESTREL9_OSM_DIR); without
# it the test is skipped (exit 77) with a message.
#
# The import must succeed: a refusal (a message box of the window's title) fails
# the test; afterwards the window lists the area with the outcome on its status
# line, and that is photographed.
#   import_manager.sh CMAKE BUILD_DIR REFERENCES FAILURES OSM_DIR
set -uo pipefail
if [ -z "${K9_SCREEN_BOUNDED:-}" ]; then
  K9_SCREEN_BOUNDED=1 exec timeout -k 10 300 bash "$0" "$@"
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
read -r cmake build references failures osm_dir < <(realpath -m "$@" | tr '\n' ' ')
osm_dir=${KESTREL9_OSM_DIR:-$osm_dir}
extract="$osm_dir/baltimore.osm.pbf"
if [ ! -f "$extract" ]; then
  echo "skipped: no extract $extract (set KESTREL9_OSM_DIR to the folder of the shared extracts)"
  exit 77
fi
. "$here/../winhost/install_tree.sh"
wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver
update=${KESTREL9_SCREEN_UPDATE:-}
for tool in Xvfb xdotool import compare convert "$wine"; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

tree=$(mktemp -d "${TMPDIR:-/tmp}/k9-impmgr.XXXXXX")
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
trap 'echo "import manager screen test: out of time"; exit 1' TERM

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tree/display" 2>"$tree/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$tree/display" ] && break; sleep 0.1; done
[ -s "$tree/display" ] || { echo "Xvfb did not start"; cat "$tree/xvfb.log"; exit 1; }
export DISPLAY=:$(head -n 1 "$tree/display")

# A prefix of its own whose only drives are C: and D:, the install.
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
# Inside the host's folder, so the folder browser's tree is the one run_screen.sh knows.
mkdir -p "$programs/Harrier32/osm" && cp "$extract" "$programs/Harrier32/osm/"
"$wine" reg add 'HKCU\Software\VB and VBA Program Settings\Corvid Works\Harrier32' \
  /v "Map View" /d "-77,39.5,-76.3,39" /f >/dev/null 2>&1

failed=0
fail() {
  echo "FAILED ($SECONDS s): $*"
  failed=1
}

# window TITLE [NOT_ID]: waits for a visible window of that title (other than
# NOT_ID); sets WIN, WX, WY, WW, WH.
window() {
  local id=""
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vx "${2:-none}" | head -n 1)
    [ -n "$id" ] && break
    sleep 0.2
  done
  if [ -z "$id" ]; then
    mkdir -p "$failures"
    import -window root "PNG24:$failures/impmgr-no-window.png"
    fail "no window \"$1\" appeared (screenshot: $failures/impmgr-no-window.png)"
    return 1
  fi
  WIN=$id
  eval "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^\([XY]\|WIDTH\|HEIGHT\)=/W&/p')"
  WW=$WWIDTH WH=$WHEIGHT
}

closed() {
  for _ in $(seq 100); do
    xdotool getwindowname "$WIN" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window $WIN did not close"
}

line() {
  for _ in $(seq 200); do
    grep -qF -- "$1" "$tree/out.txt" && return 0
    sleep 0.1
  done
  fail "the host did not print: $1"
  return 1
}

click() {
  xdotool mousemove $((WX + $1)) $((WY + $2)) click 1
  sleep 0.3
}

keys() {
  xdotool key --delay 80 "$@"
  sleep 0.3
}

differing() {
  compare -metric AE -fuzz 20% "$1" "$2" null: 2>&1 | sed 's/ .*//'
}

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

# shot NAME AREA...: as run_screen.sh's, but only the Import Manager's window
# (MX, MY, MW, MH) against the reference (at most 1% of it may differ), and each
# area "x,y,w,h" of the last window found painted and like the reference.
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
    # Only the Import Manager's window: the map behind it is the renderer's.
    local count frame="${MW}x${MH}+${MX}+${MY}"
    convert "$file" -crop "$frame" +repage "$tree/frame.png"
    convert "$reference" -crop "$frame" +repage "$tree/frame-expected.png"
    count=$(differing "$tree/frame.png" "$tree/frame-expected.png")
    [ "${count:-$((MW * MH))}" -le $((MW * MH / 100)) ] ||
      problems+=("$count pixels of the window differ from the reference")
  fi
  for area in "$@"; do
    IFS=, read -r x y w h <<<"$area"
    local crop="$tree/area.png" geometry="${w}x${h}+$((WX + x))+$((WY + y))"
    convert "$file" -crop "$geometry" +repage "$crop"
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

# The first start's data path setup, answered as run_screen.sh answers it.
if window "Strato9 server for Harrier32"; then
  settle "$tree/setup.png"
  keys Return
  closed
fi
if window "Browse for Folder"; then
  settle "$tree/tree.png"
  click 144 170
  keys KP_Add Down Down Down
  settle "$tree/chosen.png"
  click 183 297  # OK
  closed
fi
if window "Strato9 server for Harrier32"; then
  xdotool mousemove $((WX + 20)) $((WY + 20))
  keys Return
fi
line "Result DrawMapFromCorners True"
if ! grep -q '^DATA1=D:' "$programs/Kestrel9/Kestrel9.INI"; then
  mkdir -p "$failures"
  cp "$tree/chosen.png" "$failures/impmgr-folder-chosen.png" 2>/dev/null
  fail "the data paths were not set up (the folder browser: $failures/impmgr-folder-chosen.png)"
fi

window Harrier32 && click 18 9 && keys c
if window "Kestrel9 Control Panel"; then
  keys alt+i
  if window "Import Manager"; then
    manager=$WIN MX=$WX MY=$WY MW=$WW MH=$WH
    xdotool mousemove $((WX + 20)) $((WY + 40))
    # list with its column titles, the three buttons, the hint beneath the list
    shot import-manager 8,8,484,234 500,8,92,86 8,246,584,30
    keys alt+i
    if window "Import an OpenStreetMap extract or an overlay file"; then
      xdotool type --delay 40 "$(winpath "$programs/Harrier32/osm/baltimore.osm.pbf")"
      keys Return
      closed
    fi
    # The import runs on its worker with the progress bar; once the screen settles
    # the window lists the area and says what was imported on its status line. A
    # refusal would come as a message box of the same title instead.
    sleep 3
    refusal=$(xdotool search --onlyvisible --name '^Import Manager$' 2>/dev/null | grep -vx "$manager" | head -n 1)
    if [ -n "$refusal" ]; then
      mkdir -p "$failures"
      import -window root "PNG24:$failures/import-manager-refused.png"
      fail "the import was refused (screenshot: $failures/import-manager-refused.png)"
      WIN=$refusal
      keys Return
      closed
    fi
    WIN=$manager
    eval "$(xdotool getwindowgeometry --shell "$WIN" | sed -n 's/^\([XY]\|WIDTH\|HEIGHT\)=/W&/p')"
    xdotool mousemove $((WX + 20)) $((WY + 40))
    # the list with the imported area, and the outcome on the status line
    shot import-manager-imported 8,8,492,230 8,246,584,30
    keys Escape
    closed
  fi
  window "Kestrel9 Control Panel" && keys alt+x && closed
fi

window Harrier32 && click 18 9 && keys x
for _ in $(seq 100); do kill -0 "$host_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$host_pid" 2>/dev/null; then
  fail "the host did not end after Map, Exit"
else
  wait "$host_pid" || fail "the host ended with status $?"
  host_pid=""
fi

if [ "$failed" -ne 0 ]; then
  echo "--- the host's output"
  cat "$tree/out.txt"
  grep -v fixme "$tree/err.txt"
  exit 1
fi
echo "import manager screen test: every window painted and as its reference"
