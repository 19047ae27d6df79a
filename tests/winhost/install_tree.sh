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

# pe_bits FILE: 32 or 64, the width of the Windows program or DLL FILE (the
# machine field of its PE header: 0x14c is i386).
pe_bits() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')
  if [ "$machine" = 014c ]; then echo 32; else echo 64; fi
}

# reg_program BITS: the reg.exe that sees the registry as a program of that
# width does. Under Wine, "reg /reg:32" opens the 32-bit node even for keys that
# 32-bit programs share with 64-bit ones (ProgIDs, type libraries), where Windows
# and Wine's own 32-bit programs see the shared key; the 32-bit reg.exe sees
# what they see.
reg_program() {
  if [ "$1" = 32 ]; then echo 'C:\windows\syswow64\reg.exe'; else echo reg; fi
}

# installed DIR NAME: the path of the file NAME in the install in DIR.
installed() { find "$1" -name "$2" -print -quit; }

# register_servers WINE DIR [/u]: regsvr32 (or regsvr32 /u) of the server and
# engine DLLs installed in DIR through the command WINE (wine64 or a wrapper);
# fails naming what did not register (or unregister). The keys are looked for in
# the registry view of the DLLs' width: a 32-bit build registers into the 32-bit
# view of a 64-bit prefix, as on 64-bit Windows.
register_servers() {
  local wine=$1 dir=$2 undo=${3:-} dll key present=0 view
  view=$(pe_bits "$(installed "$dir" Kestrel9.dll)")
  for dll in Kestrel9.dll Kestrel9Engine.dll; do
    "$wine" regsvr32 $undo /s "$(winpath "$(installed "$dir" "$dll")")" ||
      { echo "regsvr32 $undo $dll failed"; return 1; }
  done
  [ -n "$undo" ] || present=1
  for key in 'HKCR\Kestrel9.clsMapServ' 'HKCR\Cartex71.Cartex'; do
    if "$wine" "$(reg_program "$view")" query "$key" >/dev/null 2>&1; then
      [ "$present" -eq 1 ] || { echo "left behind: $key"; return 1; }
    else
      [ "$present" -eq 0 ] || { echo "not registered: $key"; return 1; }
    fi
  done
}
