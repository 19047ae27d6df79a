#!/usr/bin/env python3
"""Tests the Windows packages that scripts/package.sh makes.

  test_packages.py X64_PACKAGE_JSON X86_PACKAGE_JSON

Each JSON is the package.json of a release build (build/win*-release/src/installer).

Both packages, from their tables (msiinfo) and contents (msiextract): every file
and folder of the staged install tree is there byte for byte under the
architecture's program-files folder, every registry value that registering the
two libraries writes is there with the installed paths, MAP.INI's entries name
the installed data folders, and the custom action runs InitKestrel9 once the
files are in place and before the registry values are written; and,
for both packages installed on one 64-bit machine, the values both write alike
into keys that 32- and 64-bit programs share (and the removal of the host's copy
of the map-list entry file) are in components with the same code in both, so
that removing one package leaves what the other needs.

The x64 package under Wine, in a fresh prefix: an older build of the package is
installed silently (InitKestrel9 says in the install log that the host never
ran); the host runs, draws Texas through the server's ProgID with the
installed engine and data, and the user adds files; the package upgrades it in
place (the user's files stay; InitKestrel9 places the map-list entry file); the
installed files and keys are checked, registering both libraries with regsvr32
changes no key, the host draws Texas again; the uninstall leaves no key of ours
and only the user's files, and takes the map-list entry file out of the host's
Maps folder (nothing else there). Last, a server registered by hand in another
folder, with its settings and favourites there: the install carries them over,
and leaves another product's engine ProgID alone; and the x64 package removed
as an upgrade removes it leaves that entry.

Then, where this machine runs 32-bit code, the x86 package in the same 64-bit
prefix (WoW64): alone, with its 32-bit custom action, a 32-bit host drawing
through the ProgID, an upgrade and an uninstall; side by side with the x64
package, removed in both orders; and beside another product's engine ProgID in
both registry views.

Prints one line per check and a last line "installer: N passed, M failed"; the
exit status is non-zero when a check failed.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(ROOT, "src", "installer"))
from package import shared_by_both_views  # noqa: E402  (the packages' own rule)
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
PNG_COMPARE = os.path.join(ROOT, "tests", "winhost", "png_compare.py")
PACKAGER = os.path.join(ROOT, "src", "installer", "package.py")
DEMO_SCRIPT = os.path.join(ROOT, "src", "host", "demo", "texas.k9")
DEMO_PICTURE = os.path.join(ROOT, "docs", "images", "demo.png")
RUNS_32BIT = subprocess.run(["bash", os.path.join(ROOT, "scripts", "runs-32bit.sh")],
                            capture_output=True, text=True)
TIMEOUT = 300  # a run that waits on a window nobody sees fails instead of hanging

results = {"passed": 0, "failed": 0}


def check(ok, what, detail=""):
    results["passed" if ok else "failed"] += 1
    print(f"{'ok' if ok else 'FAILED'}: {what}" + ("" if ok or not detail else f"\n  {detail}"))
    return ok


def read(path):
    with open(path, "rb") as f:
        return f.read()


def tree_files(root):
    """Relative path -> bytes of every file under root; and the set of empty folders."""
    files, empty = {}, set()
    for folder, folders, names in os.walk(root):
        relative = os.path.relpath(folder, root)
        if not folders and not names:
            empty.add(relative)
        for name in names:
            files[os.path.normpath(os.path.join(relative, name))] = read(os.path.join(folder, name))
    return files, empty


def table(package, name):
    """Rows of an MSI table as dictionaries (msiinfo export: names, types, keys, rows)."""
    with tempfile.TemporaryDirectory() as scratch:  # where it writes a table's streams
        out = subprocess.run(["msiinfo", "export", os.path.abspath(package), name], check=True,
                             capture_output=True, text=True, cwd=scratch).stdout.splitlines()
    columns = out[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in out[3:] if line]


def registry_list(config, server_library, engine_library):
    """(library, key, name, value) of every value registration writes, the owned
    keys, and the ProgIDs that another product may own."""
    out = subprocess.run([config["registry_tool"], str(config["pointer_size"]), server_library,
                          engine_library], check=True, capture_output=True, text=True).stdout
    lines = [line.split("\t") for line in out.splitlines()]
    values = [tuple(f[1:]) for f in lines if f[0] == "value"]
    roots = [f[2] for f in lines if f[0] == "root"]
    shared = [f[2] for f in lines if f[0] == "shared"]
    return values, roots, shared


def installed_paths(config, program_files):
    server = "\\".join([program_files, config["server_folder"], config["server_library"]])
    engine = "\\".join([program_files, config["engine_folder"], config["engine_library"]])
    return server, engine


def same_value(expected, actual):
    # A folder value that the package writes ends with a separator.
    return expected == actual or expected + "\\" == actual


def check_tables(config, package):
    arch = config["arch"]
    print(f"=== {os.path.basename(package)}: tables and contents")
    stage_files, stage_empty = tree_files(config["stage"])
    with tempfile.TemporaryDirectory() as extracted:
        subprocess.run(["msiextract", "-C", extracted, package], check=True,
                       stdout=subprocess.DEVNULL)
        # msiextract names ProgramFilesFolder "Program Files" and puts
        # ProgramFiles64Folder at the top.
        named = os.path.join(extracted, "Program Files")
        got, _ = tree_files(named if os.path.isdir(named) else extracted)
    missing = sorted(set(stage_files) - set(got))
    differ = sorted(p for p in stage_files if p in got and got[p] != stage_files[p])
    extra = sorted(set(got) - set(stage_files))
    check(not missing and not differ and not extra,
          f"{arch}: the package holds the {len(stage_files)} staged files byte for byte",
          f"missing {missing}, different {differ}, not staged {extra}")

    directories = {row["Directory"]: row for row in table(package, "Directory")}

    def folder_path(directory):
        names = []
        while directory in directories and directories[directory]["Directory_Parent"]:
            names.append(directories[directory]["DefaultDir"])
            directory = directories[directory]["Directory_Parent"]
        return "\\".join(reversed(names))  # relative to TARGETDIR, "." for program files

    program_files = "ProgramFiles64Folder" if arch == "x64" else "ProgramFilesFolder"
    wrong_root = [d for d, row in directories.items()
                  if row["Directory_Parent"] == "TARGETDIR" and d != program_files]
    components = table(package, "Component")
    bits_64 = {c["Component"] for c in components if int(c["Attributes"]) & 256}
    # The x64 package writes the values that outlive it (in no folder) for 32-bit
    # programs too.
    wrong_bits = bits_64 if arch == "x86" else {
        c["Component"] for c in components if c["Directory_"] != "TARGETDIR"} - bits_64
    check(program_files in directories and not wrong_root and not wrong_bits,
          f"{arch}: everything installs under {program_files}, with {arch} components",
          f"other roots {wrong_root}, components of the other width {sorted(wrong_bits)}")
    created = {folder_path(row["Directory_"]).removeprefix(".\\").replace("\\", os.sep)
               for row in table(package, "CreateFolder")}
    check(stage_empty <= created, f"{arch}: the empty staged folders are made",
          f"not made: {sorted(stage_empty - created)}")

    # Registry values and MAP.INI entries, with formatted paths turned into
    # installed ones under a stand-in program-files folder "PF".
    files = {row["File"]: row for row in table(package, "File")}
    component_dir = {c["Component"]: c["Directory_"] for c in components}

    def installed(text):
        for file_id, row in files.items():
            text = text.replace(f"[#{file_id}]", "PF\\" + folder_path(component_dir[
                row["Component_"]]).removeprefix(".\\") + "\\" + row["FileName"])
        for directory in directories:
            text = text.replace(f"[{directory}]", "PF\\" + folder_path(directory).removeprefix(
                ".\\") + "\\")
        return text

    server, engine = installed_paths(config, "PF")
    values, _, _ = registry_list(config, server, engine)
    rows = {(row["Key"], row["Name"]): installed(row["Value"])
            for row in table(package, "Registry") if row["Root"] == "0"}
    wrong = [(k, n, v, rows.get((k, n))) for _, k, n, v in values
             if not same_value(v, rows.get((k, n)))]
    check(not wrong and len(rows) == len(values),
          f"{arch}: the {len(values)} registry values of both libraries, with installed paths",
          f"missing or different (key, name, registered, packaged): {wrong}; "
          f"{len(rows)} packaged")

    engine_dir = "PF\\" + config["engine_folder"] + "\\"
    ini = {row["Key"]: installed(row["Value"]) for row in table(package, "IniFile")
           if row["FileName"] == "MAP.INI" and row["Section"] == "Application Interface"}
    with open(config["map_ini_template"], encoding="ascii") as template:
        wanted = {key: value.replace("@K9_ENGINE_DATA@/", engine_dir).replace("/", "\\")
                  for key, _, value in (line.strip().partition("=") for line in template)
                  if value and not key.startswith((";", "["))}
    check(ini == wanted, f"{arch}: MAP.INI names the installed data folders",
          f"packaged {ini}, wanted {wanted}")

    action = {row["Action"]: row for row in table(package, "CustomAction")}.get(
        "RunInitKestrel9", {"Source": "", "Target": "", "Type": "0"})
    sequence = {row["Action"]: row for row in table(package, "InstallExecuteSequence")}

    def at(name):
        return int(sequence.get(name, {}).get("Sequence", 0))

    # Deferred (in the script): it then runs with the files installed and the
    # registration the machine had before, through which it finds an earlier
    # installation to carry over.
    check(int(action["Type"]) & 0x400 and at("InstallFiles") < at("RunInitKestrel9")
          < at("WriteRegistryValues") and "REMOVE" in sequence["RunInitKestrel9"]["Condition"],
          f"{arch}: InitKestrel9 runs once the files are in place, before the registry values "
          "are written, never on removal")
    # The entry point must be exported by the plain name the table gives: a
    # decorated __stdcall name would leave the action unfound on 32-bit Windows.
    with tempfile.TemporaryDirectory() as scratch:
        library = os.path.join(scratch, "action.dll")
        with open(library, "wb") as out:
            subprocess.run(["msiinfo", "extract", package, "Binary." + action["Source"]],
                           stdout=out, stderr=subprocess.DEVNULL)
        exports = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", library],
                                 capture_output=True, text=True).stdout
    check(action["Target"] and f"] {action['Target']}\n" in exports,
          f"{arch}: the action library exports {action['Target'] or 'its entry point'}")


def check_both_packages(x64, x86):
    """Both installed on one 64-bit machine: where they write the same value into a
    key both views share, removing one must leave it to the other."""
    print("=== both packages on one machine")
    found = {}
    for config in (x64, x86):
        package = config["output"]
        components = table(package, "Component")
        codes = {c["Component"]: c["ComponentId"] for c in components}
        folders = {c["ComponentId"]: c["Directory_"] for c in components}
        values = {}  # (key, name) -> (value, codes of the components writing it)
        held = {}  # component code -> what it writes and removes
        for r in table(package, "Registry"):
            if r["Root"] != "0" or not shared_by_both_views(r["Key"]):
                continue
            code = codes[r["Component_"]]
            value, written_by = values.get((r["Key"], r["Name"]), (r["Value"], set()))
            values[(r["Key"], r["Name"])] = (value if value == r["Value"] else None,
                                             written_by | {code})
            held.setdefault(code, set()).add((r["Key"], r["Name"], r["Value"]))
        for row in table(package, "RemoveFile"):
            held.setdefault(codes[row["Component_"]], set()).add(
                (row["FileName"], row["DirProperty"], row["InstallMode"]))
        found[config["arch"]] = values, held, folders
    (values64, held64, folders64), (values86, held86, folders86) = found["x64"], found["x86"]
    both = sorted(set(values64) & set(values86))
    # A value naming an installed file or folder ("[...]") differs between them.
    alike = [k for k in both if values64[k][0] == values86[k][0] and values64[k][0] is not None
             and "[" not in values64[k][0]]
    unlike = [k for k in both if k not in alike]
    # The x86 package's component is one of the x64 package's (its 32-bit copy).
    apart = [k for k in alike if not values86[k][1] <= values64[k][1]]
    common = set(held64) & set(held86)
    differ = sorted(c for c in common if held64[c] != held86[c])
    entry = [c for c in common if any(len(item) == 3 and item[0] == "!!Kestrel9.INF"
                                      for item in held64[c])]
    # A component that stays installed must not hold a folder of the package removed.
    in_folders = sorted(c for c in common if {folders64[c], folders86[c]} != {"TARGETDIR"})
    check(alike and not apart and not differ and entry and not in_folders,
          f"the {len(alike)} values both write alike into shared keys, and the removal of the "
          "host's map-list entry, are in components both packages hold alike, in no folder of "
          "theirs",
          f"in components of different codes: {apart}; components held differently: {differ}; "
          f"entry removal shared: {bool(entry)}; in a package's folder: {in_folders}")
    # The one such value each writes alone; the README states what that means.
    check([name for _, name in unlike] == [""] and unlike[0][0].endswith("\\HELPDIR"),
          "the type library's HELPDIR is the only shared value the packages write differently",
          f"written differently: {unlike}")


class Wine:
    """A fresh Wine prefix of the test's own, with the host's program folder in it."""

    def __init__(self, folder):
        self.prefix = os.path.join(folder, "prefix")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all")
        self.drive = os.path.join(self.prefix, "drive_c")

    def start(self):
        """Makes the prefix and keeps its Wine server up until stop(): started again
        for each of the many short programs here, it would take seconds each time.
        Nothing started meanwhile may hold this process's pipes: the server and
        the system programs it starts with the first program outlive the calls."""
        quiet = {"env": self.env, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL,
                 "timeout": TIMEOUT}
        subprocess.run([WINE_RUN, "cmd", "/c", "rem"], **quiet)  # made headless by wine-run.sh
        # A server that is running ignores "-p": the persistent one starts after it.
        subprocess.run([WINESERVER, "-w"], **quiet)
        subprocess.run([WINESERVER, "-p"], **quiet)
        subprocess.run([WINE_RUN, "cmd", "/c", "rem"], **quiet)

    def stop(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, capture_output=True, timeout=TIMEOUT)

    def run(self, *args, cwd=None, automation=True):
        """Runs a program; automation (headless dialogs) as scripts/wine-run.sh sets it."""
        env = dict(self.env)
        command = [WINE_RUN, *args]
        if not automation:
            # The installer decides for itself how InitKestrel9 shows its message.
            env.pop("KESTREL9_AUTOMATION", None)
            command = [WINE, *args]
        try:
            return subprocess.run(command, env=env, cwd=cwd, capture_output=True, text=True,
                                  errors="replace", timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            return subprocess.CompletedProcess(command, -1, "", f"timed out after {TIMEOUT} s")

    def keys(self, key, view=64):
        """{(key, name): value} of a registry key and everything below it in the
        registry view of 32- or 64-bit programs, {} when it is absent."""
        result = self.run("reg", "query", key, "/s", f"/reg:{view}")
        values, current = {}, None
        if result.returncode != 0:
            return values
        for line in result.stdout.splitlines():
            if line.startswith("HKEY_"):
                current = line.split("\\", 1)[1] if "\\" in line else ""
            elif line.startswith("    ") and current is not None:
                name, _, rest = line.strip().partition("    ")
                kind, _, value = rest.strip().partition("    ")
                values[(current, "" if name == "(Default)" else name)] = value if kind else ""
        return values

    def win(self, path):
        return "Z:" + path.replace("/", "\\")


def products(wine, name):
    """DisplayVersion of every installed product called `name`, in either view (a
    32-bit package's entry is in the 32-bit view)."""
    found = {}
    for view in (64, 32):
        entries = wine.keys(r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", view)
        for (key, value_name), value in entries.items():
            if value_name == "DisplayName" and value == name:
                found[key] = entries.get((key, "DisplayVersion"), "")
    return sorted(found.values())


def server_folder_files(wine, config):
    files, _ = tree_files(os.path.join(wine.drive, "Program Files", config["server_folder"]))
    return files


def draw_texas(wine, host, first_start, program_files="Program Files", what=""):
    """Runs the demo's Texas script from C:\\ (it answers the first start's folder
    dialog with the engine's folder in `program_files`) and checks its lines and
    picture. first_start None: whichever it is."""
    picture = os.path.join(wine.drive, "demo.png")
    if os.path.exists(picture):
        os.remove(picture)
    with open(DEMO_SCRIPT, encoding="utf-8") as f:
        script = f.read().replace('"Program Files/', f'"{program_files}/')
    with open(os.path.join(wine.drive, "texas.k9"), "w", encoding="utf-8") as f:
        f.write(script)
    result = wine.run(host, "texas.k9", cwd=wine.drive)
    lines = result.stdout.splitlines()
    wanted = [
        'SignalInformation -108.967786 -91.032214 37.000000 25.500000 "Stratomap V9 Server"',
        "Result DrawMapFromCorners True",
        'Match 1 "TX, IS-20, Mile marker 100"',
        'SignalSpecialRedraw "TX, IS-20, Mile marker 100"',
    ]
    if first_start:
        wanted.append('MessageBox "Strato9 server for Harrier32" "The map data paths have been '
                      "successfully configured. If you need to change the map data paths in the "
                      "future, please use the Map, 'Control Panel' menu option. Also, please note "
                      "that Kestrel9 has a help file, which can be accessed both from the Control "
                      "and from the Map, 'Kestrel6 Help' menu option.\"")
    missing = [line for line in wanted if line not in lines]
    errors = [line for line in lines if line.startswith("Error ")]
    when = what or ("at the first start" if first_start else "with the kept settings")
    check(result.returncode == 0 and not missing and not errors,
          f"the {'32' if host.endswith('32.exe') else '64'}-bit host draws Texas through the "
          f"ProgID {when}",
          f"status {result.returncode}, missing {missing}, errors {errors}\n{result.stderr}")
    compared = subprocess.run([sys.executable, PNG_COMPARE, picture, DEMO_PICTURE, "0.13", "48"],
                              capture_output=True, text=True) if os.path.exists(picture) else None
    check(compared is not None and compared.returncode == 0,
          f"its picture is the Linux drawing of Texas {when}",
          compared.stdout + compared.stderr if compared else "no picture written")


def registered_keys(wine, roots, view=64):
    found = {}
    for root in roots:
        found.update(wine.keys("HKCR\\" + root, view))
    return found


def our_keys(wine, roots):
    """Our keys found in each registry view: {view: [roots]}, views with none left out."""
    found = {view: [r for r in roots if wine.keys("HKCR\\" + r, view)] for view in (32, 64)}
    return {view: left for view, left in found.items() if left}


def install(wine, config, *extra, package=None):
    return wine.run("msiexec", "/i", wine.win(package or config["output"]), "/qn", *extra,
                    automation=False).returncode == 0


def remove(wine, config):
    return wine.run("msiexec", "/x", wine.win(config["output"]), "/qn",
                    automation=False).returncode == 0


def test_x86_under_wine(x64, x86, wine, folder):
    """The x86 package in a 64-bit prefix, as on 64-bit Windows: alone (its 32-bit
    custom action, a 32-bit host drawing through the ProgID, an upgrade, an
    uninstall), then beside the x64 package, removed in both orders, and last
    beside another mapping product's engine ProgID in both views."""
    print("=== the x86 package under Wine's WoW64, alone and beside the x64 package")
    roots = sorted(set(registry_list(x64, *installed_paths(x64, "C:\\Program Files"))[1])
                   | set(registry_list(x86, *installed_paths(x86, "C:\\Program Files (x86)"))[1]))
    _, _, shared = registry_list(x86, *installed_paths(x86, "C:\\Program Files (x86)"))
    for progid in shared:  # left to another product by the x64 package's test
        for view in (32, 64):
            wine.run("reg", "delete", f"HKCR\\{progid}", "/f", f"/reg:{view}")
    # The settings carried over above draw on white: the x64 server starts afresh.
    carried = os.path.join(wine.drive, "Program Files", x64["server_folder"], "Kestrel9.INI")
    if os.path.exists(carried):
        os.remove(carried)
    host_dir = os.path.join(wine.drive, "Harrier32")
    shutil.copy(x86["host"], os.path.join(host_dir, "kestrel9-host32.exe"))
    host32 = "C:\\Harrier32\\kestrel9-host32.exe"
    host64 = "C:\\Harrier32\\" + os.path.basename(x64["host"])
    server_dir = os.path.join(wine.drive, "Program Files (x86)", x86["server_folder"])
    product = {row["Property"]: row["Value"] for row in table(x86["output"], "Property")}

    older = os.path.join(folder, "older-x86.msi")
    subprocess.run([sys.executable, PACKAGER, x86["json"], "--version", "0.9.0", "--output",
                    older], check=True, stdout=subprocess.DEVNULL)
    log_path = os.path.join(folder, "x86.log")
    ok = install(wine, x86, "/l*v", wine.win(log_path), package=older)
    log = read(log_path).decode("latin-1") if os.path.exists(log_path) else ""
    entry = os.path.join(host_dir, "Maps", "!!Kestrel9.INF")
    check(ok and "InitKestrel9: done" in log and os.path.exists(entry)
          and os.path.isdir(server_dir),
          "x86: a silent install into Program Files (x86); its 32-bit custom action ran "
          "InitKestrel9, which placed the map-list entry file",
          f"installed: {ok}; InitKestrel9 lines: "
          f"{[line for line in log.splitlines() if 'InitKestrel9:' in line][:3]}")
    draw_texas(wine, host32, True, "Program Files (x86)", "at the first start (x86 package)")
    user_file = os.path.join(server_dir, "Kestrel9.FAV")
    with open(user_file, "wb") as f:
        f.write(b'"Texas",-107,37,-93,25.5\r\n')
    ok = install(wine, x86)
    check(ok and products(wine, product["ProductName"]) == [product["ProductVersion"]]
          and os.path.exists(user_file) and read(user_file).startswith(b'"Texas"'),
          "x86: a silent upgrade replaces the older package and keeps the user's favourites",
          f"installed: {ok}; versions {products(wine, product['ProductName'])}; favourites: "
          f"{read(user_file)[:40] if os.path.exists(user_file) else 'gone'}")
    draw_texas(wine, host32, False, "Program Files (x86)", "after the upgrade (x86 package)")
    ok = remove(wine, x86)
    left = our_keys(wine, roots)
    check(ok and not left and not os.path.exists(entry),
          "x86: the uninstall leaves no key of ours in either registry view, nor the entry file",
          f"left: {left}")

    # Side by side, removed in both orders.
    for first, second in ((x86, x64), (x64, x86)):
        ok = install(wine, x64) and install(wine, x86)
        check(ok, f"both packages install side by side (then {first['arch']} is removed first)")
        draw_texas(wine, host64, None, "Program Files", "beside the x86 package")
        draw_texas(wine, host32, None, "Program Files (x86)", "beside the x64 package")
        ok = remove(wine, first)
        remaining_host = host64 if first is x86 else host32
        draw_texas(wine, remaining_host, None,
                   "Program Files" if first is x86 else "Program Files (x86)",
                   f"after the {first['arch']} package is removed")
        ok = remove(wine, second) and ok
        left = our_keys(wine, roots)
        check(ok and not left,
              f"removing {first['arch']} then {second['arch']} leaves no key of ours in either view",
              f"left: {left}")

    # Another mapping product's engine under the engine's ProgID, in both views.
    other = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}"
    for progid in shared:
        for view in (32, 64):
            wine.run("reg", "add", f"HKCR\\{progid}\\CLSID", "/ve", "/d", other, "/f",
                     f"/reg:{view}")

    def owners():
        return [wine.keys(f"HKCR\\{progid}\\CLSID", view).get((f"{progid}\\CLSID", ""))
                for progid in shared for view in (32, 64)]

    for config in (x86, x64):
        installed_ok = install(wine, config)
        while_installed = owners()
        removed_ok = remove(wine, config)
        check(installed_ok and removed_ok and while_installed == owners() == [other] * (
                  2 * len(shared)),
              f"{config['arch']}: another product's engine ProgID, in both views, is kept by "
              "install and uninstall",
              f"installed {installed_ok}, removed {removed_ok}; names {while_installed}, then "
              f"{owners()}")


def test_under_wine(config, wine, folder):
    print(f"=== {os.path.basename(config['output'])}: install, upgrade and remove under Wine")
    older = os.path.join(folder, "older.msi")
    subprocess.run([sys.executable, PACKAGER,
                    config["json"], "--version", "0.9.0", "--output", older], check=True,
                   stdout=subprocess.DEVNULL)
    product = {row["Property"]: row["Value"] for row in table(config["output"], "Property")}
    program_files = os.path.join(wine.drive, "Program Files")
    server_dir = os.path.join(program_files, config["server_folder"])
    host_dir = os.path.join(wine.drive, "Harrier32")
    host = "C:\\Harrier32\\" + os.path.basename(config["host"])
    old_log, new_log, remove_log = (os.path.join(folder, n) for n in ("old.log", "new.log",
                                                                      "remove.log"))

    result = wine.run("msiexec", "/i", wine.win(older), "/qn", "/l*v", wine.win(old_log),
                      automation=False)
    log = read(old_log).decode("latin-1") if os.path.exists(old_log) else ""
    check(result.returncode == 0 and "0.9.0" in products(wine, product["ProductName"]),
          "a silent install of the older package", result.stderr)
    check("Harrier32 has never been run" in log and "InitKestrel9: not done" in log,
          "the install log says why InitKestrel9 could not place the map-list entry file")

    # The host's first run records its program folder; the server then draws and
    # writes its own files; the user adds favourites and an overlay and underlay.
    os.makedirs(os.path.join(host_dir, "Maps"), exist_ok=True)
    shutil.copy(config["host"], host_dir)
    wine.run(host, "-", cwd=host_dir)
    draw_texas(wine, host, first_start=True)
    user_files = {"Kestrel9.FAV": b'"Texas",-107,37,-93,25.5\r\n',
                  os.path.join("Strato Overlays", "Mine.OVR"): b"user overlay\r\n",
                  os.path.join("Strato Underlays", "Mine.bmp"): b"BM user underlay"}
    for name, data in user_files.items():
        with open(os.path.join(server_dir, name), "wb") as f:
            f.write(data)
    stage_files, _ = tree_files(config["stage"])
    kept = {name: data for name, data in server_folder_files(wine, config).items()
            if os.path.join(config["server_folder"], name) not in stage_files}

    result = wine.run("msiexec", "/i", wine.win(config["output"]), "/qn", "/l*v",
                      wine.win(new_log), automation=False)
    log = read(new_log).decode("latin-1") if os.path.exists(new_log) else ""
    check(result.returncode == 0
          and products(wine, product["ProductName"]) == [product["ProductVersion"]],
          "a silent upgrade replaces the older package", result.stderr)
    now = server_folder_files(wine, config)
    check(all(now.get(name) == data for name, data in kept.items()),
          f"the upgrade keeps the {len(kept)} files the user and the server wrote",
          f"changed or gone: {sorted(n for n in kept if now.get(n) != kept[n])}")
    entry = os.path.join(host_dir, "Maps", "!!Kestrel9.INF")
    shipped = os.path.join(config["stage"], config["server_folder"], "!!Kestrel9.INF")
    check("InitKestrel9: done" in log and os.path.exists(entry) and read(entry) == read(shipped),
          "InitKestrel9 placed the map-list entry file in the host's Maps folder")

    installed, _ = tree_files(program_files)
    wrong = sorted(p for p, data in stage_files.items() if installed.get(p) != data)
    check(not wrong, f"the {len(stage_files)} staged files are installed byte for byte",
          f"missing or different: {wrong}")
    map_ini = os.path.join(program_files, config["engine_folder"], "MAP.INI")
    engine_win = "C:\\Program Files\\" + config["engine_folder"]
    check(os.path.exists(map_ini) and f"Data1Path={engine_win}\\us" in read(map_ini).decode(),
          "MAP.INI names the installed data folders")

    server_library, engine_library = installed_paths(config, "C:\\Program Files")
    values, roots, shared = registry_list(config, server_library, engine_library)
    registered = registered_keys(wine, roots)
    wrong = [(k, n, v, registered.get((k, n))) for _, k, n, v in values
             if not same_value(v, registered.get((k, n)))]
    check(not wrong, f"the {len(values)} registry values are installed", f"wrong: {wrong}")
    for library in (server_library, engine_library):
        wine.run("regsvr32", "/s", library)
    again = registered_keys(wine, roots)
    differ = sorted(k for k in set(registered) | set(again)
                    if not same_value(again.get(k, ""), registered.get(k, "")))
    check(again and not differ, "registering both libraries with regsvr32 changes no key",
          f"keys regsvr32 wrote differently or added: {differ}")
    draw_texas(wine, host, first_start=False)

    other_entry = os.path.join(host_dir, "Maps", "!!Other.INF")
    with open(other_entry, "wb") as f:
        f.write(b"another map server's entry\r\n")
    result = wine.run("msiexec", "/x", wine.win(config["output"]), "/qn", "/l*v",
                      wine.win(remove_log), automation=False)
    left = [root for root in roots if wine.run("reg", "query", "HKCR\\" + root).returncode == 0]
    check(result.returncode == 0 and not left and not products(wine, product["ProductName"]),
          "the uninstall leaves no key of ours", f"left: {left} {result.stderr}")
    remaining = server_folder_files(wine, config)
    check(remaining == kept and not os.path.exists(
              os.path.join(program_files, config["engine_folder"])),
          "the uninstall leaves only the user's and the server's own files",
          f"left {sorted(remaining)}, wanted {sorted(kept)}")
    check(not os.path.exists(entry) and os.path.exists(other_entry),
          "the uninstall takes the map-list entry file, and only it, out of the host's Maps folder",
          f"entry file left: {os.path.exists(entry)}; other entry kept: "
          f"{os.path.exists(other_entry)}")

    # An earlier server registered by hand in another folder, with its settings
    # and favourites there, on a machine where the new folder has none yet.
    shutil.rmtree(server_dir)
    earlier = os.path.join(wine.drive, "Earlier", "Kestrel9")
    os.makedirs(earlier)
    shutil.copy(os.path.join(config["stage"], config["server_folder"], config["server_library"]),
                earlier)
    favourites = b'"Austin",-98,30.5,-97,30\r\n'
    with open(os.path.join(earlier, "kestrel9.ini"), "wb") as f:
        f.write(b"[SETUP]\r\nSHADE_MCD=FALSE\r\nWHITE_BACKGROUND=True\r\n")
    with open(os.path.join(earlier, "Kestrel6.FAV"), "wb") as f:
        f.write(favourites)
    wine.run("regsvr32", "/s", "C:\\Earlier\\Kestrel9\\" + config["server_library"])
    # A mapping product of its own holds the engine's ProgID: the package installs
    # the engine's class but leaves the ProgID, and its removal, to that product.
    other = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}"
    engine_class = next(k for _, k, n, v in values if v == engine_library).rsplit("\\", 1)[0]
    for progid in shared:
        wine.run("reg", "add", f"HKCR\\{progid}\\CLSID", "/ve", "/d", other, "/f")
    carry_log = os.path.join(folder, "carry.log")
    installed_ok = wine.run("msiexec", "/i", wine.win(config["output"]), "/qn", "/l*v",
                            wine.win(carry_log), automation=False).returncode == 0
    settings = {}
    if os.path.exists(os.path.join(server_dir, "Kestrel9.INI")):
        section = None
        for line in read(os.path.join(server_dir, "Kestrel9.INI")).decode("latin-1").splitlines():
            if line.startswith("["):
                section = line.strip("[]")
            elif "=" in line:
                settings[(section, line.split("=", 1)[0])] = line.split("=", 1)[1]
    carried = {("SETUP", k): v for k, v in (("SHADE_MCD", "FALSE"), ("SHADE_PLACE", "True"),
                                            ("SHADE_COUNTY", "True"), ("SHADE_STATE", "True"),
                                            ("WHITE_BACKGROUND", "True"))}
    new_favourites = os.path.join(server_dir, "Kestrel9.FAV")
    log = read(carry_log).decode("latin-1") if os.path.exists(carry_log) else ""
    check(settings == carried and os.path.exists(new_favourites)
          and read(new_favourites) == favourites and "A copy of Kestrel for Stratomap V5" in log,
          "the install carries the settings and favourites of a server registered by hand "
          "in another folder over",
          f"Kestrel9.INI {settings}, Kestrel9.FAV there: {os.path.exists(new_favourites)}")
    owners = [wine.keys(f"HKCR\\{progid}\\CLSID").get((f"{progid}\\CLSID", "")) for progid in shared]
    has_class = bool(wine.keys("HKCR\\" + engine_class))
    # Removed as an upgrade removes the older package (Windows Installer then sets
    # UPGRADINGPRODUCTCODE; Wine's upgrade does not, so it is given here): the
    # host keeps its map-list entry, which the new package's InitKestrel9 would
    # otherwise have to put back.
    removed_ok = wine.run("msiexec", "/x", wine.win(config["output"]), "/qn",
                          f"UPGRADINGPRODUCTCODE={product['ProductCode']}",
                          automation=False).returncode == 0
    check(removed_ok and os.path.exists(entry),
          "removed as an upgrade removes it, the package leaves the map-list entry file",
          f"entry file there: {os.path.exists(entry)}")
    owners_after = [wine.keys(f"HKCR\\{progid}\\CLSID").get((f"{progid}\\CLSID", ""))
                    for progid in shared]
    check(installed_ok and removed_ok and has_class and owners == owners_after == [other] * len(
              shared) and not wine.keys("HKCR\\" + engine_class),
          "another product's engine ProgID is left to it by install and uninstall",
          f"ProgID names {owners} installed, {owners_after} removed; engine class while "
          f"installed: {has_class}")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    configs = []
    for path in sys.argv[1:]:
        with open(path, encoding="utf-8") as f:
            configs.append(dict(json.load(f), json=path))
    built = {}
    for config in configs:
        if check(os.path.exists(config["output"]), f"{config['arch']}: the package was built"):
            check_tables(config, config["output"])
            built[config["arch"]] = config
    if len(built) == 2:
        check_both_packages(built["x64"], built["x86"])
    x64 = next((c for c in configs if c["arch"] == "x64"), None)
    if x64 and os.path.exists(x64["output"]):
        folder = tempfile.mkdtemp(prefix="k9-package.")
        wine = Wine(folder)
        try:
            wine.start()
            test_under_wine(x64, wine, folder)
            if "x86" in built:
                if RUNS_32BIT.returncode == 0:
                    test_x86_under_wine(x64, built["x86"], wine, folder)
                else:
                    print(f"skipped: the x86 package under Wine: {RUNS_32BIT.stdout.strip()}")
        finally:
            wine.stop()
            shutil.rmtree(folder, ignore_errors=True)
    print(f"installer: {results['passed']} passed, {results['failed']} failed")
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
