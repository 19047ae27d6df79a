# Sourced by the tests and scripts that run kestrel9-host.exe under Wine: the
# install they run it in is the Windows build's own install layout
# (src/module/install_layout.cmake), made by `cmake --install`.

# The Windows form of a path of this machine, as Wine's drive Z: shows it.
winpath() { echo "Z:$1" | tr '/' '\\'; }

# install_tree CMAKE BUILD DIR: installs the Windows build in BUILD into DIR, which
# plays the program-files folder: the server folder DIR/Kestrel9, the host's
# program folder DIR/Harrier32 and the engine's folder with its data and a MAP.INI
# naming them. Set KESTREL9_WINDOWS_PREFIX when Wine reaches DIR other than by
# drive Z: (see the layout).
install_tree() {
  "$1" --install "$2" --prefix "$3" >/dev/null || { echo "cmake --install $2 failed"; return 1; }
}

# installed DIR NAME: the path of the file NAME in the install in DIR.
installed() { find "$1" -name "$2" -print -quit; }

# register_servers WINE DIR [/u]: regsvr32 (or regsvr32 /u) of the server and
# engine DLLs installed in DIR through the command WINE (wine64 or a wrapper);
# fails naming what did not register (or unregister).
register_servers() {
  local wine=$1 dir=$2 undo=${3:-} dll key present=0
  for dll in Kestrel9.dll Kestrel9Engine.dll; do
    "$wine" regsvr32 $undo /s "$(winpath "$(installed "$dir" "$dll")")" ||
      { echo "regsvr32 $undo $dll failed"; return 1; }
  done
  [ -n "$undo" ] || present=1
  for key in 'HKCR\Kestrel9.clsMapServ' 'HKCR\Cartex71.Cartex'; do
    if "$wine" reg query "$key" >/dev/null 2>&1; then
      [ "$present" -eq 1 ] || { echo "left behind: $key"; return 1; }
    else
      [ "$present" -eq 0 ] || { echo "not registered: $key"; return 1; }
    fi
  done
}
