# Sourced by the tests that run kestrel9-host.exe under Wine: the install they
# run it in, laid out as the Linux tests' staged tree.

# The Windows form of a path of this machine, as Wine's drive Z: shows it.
winpath() { echo "Z:$1" | tr '/' '\\'; }

# lay_out_install DIR ENGINE_DIR HOST.exe Kestrel9.dll Kestrel9Engine.dll DATA_DIR [Kestrel9.chm]
# DIR gets the server folder (the two DLLs, the gazetteer files, the help file
# when given, the overlay and underlay folders) and the host's program folder;
# ENGINE_DIR the engine's data.
lay_out_install() {
  local dir=$1 engine_dir=$2 host=$3 server=$4 engine=$5 data=$6 help=${7:-}
  mkdir -p "$dir/Kestrel9/Strato Overlays" "$dir/Kestrel9/Strato Underlays" "$dir/Harrier32" \
    "$engine_dir"
  cp "$server" "$engine" "$data"/../*.dat ${help:+"$help"} "$dir/Kestrel9/"
  cp "$host" "$dir/Harrier32/"
  cp -r "$data"/. "$engine_dir/"
}

# register_servers WINE DIR: regsvr32 of both DLLs in DIR/Kestrel9 through the
# command WINE (wine64 or a wrapper); fails naming what did not register.
register_servers() {
  local wine=$1 dir=$2 dll key
  for dll in Kestrel9.dll Kestrel9Engine.dll; do
    "$wine" regsvr32 /s "$(winpath "$dir/Kestrel9/$dll")" || { echo "regsvr32 $dll failed"; return 1; }
  done
  for key in 'HKCR\Kestrel9.clsMapServ' 'HKCR\Cartex71.Cartex'; do
    "$wine" reg query "$key" >/dev/null 2>&1 || { echo "not registered: $key"; return 1; }
  done
}

# write_map_ini ENGINE_DIR: the mapping product's "MAP.INI" there, naming its
# data folders, which the server's data path setup reads.
write_map_ini() {
  local folder
  folder=$(winpath "$1")
  printf '[Application Interface]\r\nData1Path=%s\\us\r\nData2Path=%s\\world\r\nData3Path=%s\\us\r\nStatesPath=%s\\states\r\n' \
    "$folder" "$folder" "$folder" "$folder" >"$1/MAP.INI"
}
