#!/usr/bin/env python3
"""Makes the Windows package (an MSI) of one release build.

  package.py CONFIG.json [--version X.Y.Z] [--output FILE.msi]

CONFIG.json is written by the build (src/installer/CMakeLists.txt). The package
holds exactly what the install layout (src/module/install_layout.cmake) puts in
its "product" component: the build's `cmake --install --component product` is
staged (release binaries are stripped when linked) and every file and folder of
that tree is packaged under the architecture's program-files folder, so a file
added to the layout ships without any change here. On top of the files the package has:

- the registry values that registering Kestrel9.dll and Kestrel9Engine.dll
  writes, printed by k9-registry-entries from the libraries' own lists, with
  the library paths turned into the installed files' paths; they belong to the
  libraries' components, so uninstalling removes exactly them. The engine's
  ProgID is the mapping product's own: its values are a component of their own,
  installed only when the ProgID names no class or the engine's, so a real
  mapping product keeps its engine and its keys;
- one component that both architectures' packages hold alike: the values that
  64-bit Windows keeps in one place for 32- and 64-bit programs (under
  HKEY_CLASSES_ROOT all but the CLSID and Interface keys, since Windows 7) and
  that both packages write alike. With the same component code in both, Windows
  Installer counts the two packages as its clients, so removing one leaves the
  keys the other still needs. The engine's ProgID component is shared the same
  way. The type library's HELPDIR names each package's own server folder, so it
  cannot be shared: it is the one such value each package writes alone.
  Each of those components is written for 32-bit programs (a 32-bit component,
  the same in both packages: on Windows 7 and later it writes the key both
  views share); the x64 package also writes them for 64-bit programs in a
  64-bit component of its own, only where the two views keep these keys apart
  (Windows before Windows 7, and Wine, whose Windows Installer writes a 32-bit
  component's ProgIDs into a node of their own). So the last package removed,
  in either order, takes every copy, and on Windows 7 and later one key is
  counted for both packages;
- the removal of the map-list entry file that InitKestrel9 copies into the
  host's Maps folder (the folder that the installing user's host settings name),
  when the last package that holds it is removed and not while an upgrade
  replaces it; it is in the shared component, so removing one of two installed
  packages leaves the host listing the server that remains;
- MAP.INI in the engine's folder, from the same template as the layout's, with
  the installed data folders (the IniFile table, added with msibuild since
  wixl does not write it);
- the custom action of Kestrel9Setup.dll that runs InitKestrel9 from the server
  folder once the files are in place and before the package writes its
  registry values (not while removing): InitKestrel9 finds an earlier
  installation, whose settings and favourites it carries over, by the
  registration it sees;
- a major upgrade: an older package of the same architecture is removed first,
  which leaves the files the user added or the server wrote.

--version and --output make another package from the same build (the Wine test
makes an older one to upgrade from).
"""
import argparse
import hashlib
import json
import os
import shutil
import subprocess
import sys
import uuid
from xml.sax.saxutils import quoteattr

# One upgrade code per architecture: each replaces its own older packages, and
# the two may sit side by side on a 64-bit machine.
UPGRADE_CODES = {
    "x64": "2C33B91D-9756-4E99-B688-711B3388B2AD",
    "x86": "0493B8F6-94F1-4658-8AA1-50EA5BAD5E82",
}
# Names the stable GUIDs of components that have no file to derive one from.
COMPONENT_NAMESPACE = uuid.UUID("AEBFA0C3-8EBD-4A42-A0E1-92B7251B9528")
PRODUCT_NAME = "Kestrel9 map server"
MANUFACTURER = "Kestrel9"
SERVER_DIR_ID = "SERVERDIR"  # the custom action is handed this folder
ENGINE_DIR_ID = "ENGINEDIR"
# Keys under HKEY_CLASSES_ROOT that 64-bit Windows keeps apart for 32-bit programs;
# everything else there is one key for both (Windows 7 and later).
REDIRECTED_CLASSES = ("CLSID", "Interface", "DirectShow", "Media Type", "MediaFoundation")
SHARED_COMPONENT_NAME = "registration shared by both architectures"
HOST_FOLDER_PROPERTY = "HOSTPROGRAMFOLDER"  # the host's program folder, as its settings hold it
HOST_MAPS_PROPERTY = "HOSTMAPSFOLDER"  # set only when the entry file is to go
# True where 64-bit Windows keeps ProgIDs and type libraries apart for 32-bit
# programs: before Windows 7 (VersionNT 601), and under Wine, found by a value
# of its own key (Wine writes it into every prefix).
VIEWS_APART = "(VersionNT < 601 OR WINEPREFIXFOUND)"
WINE_PROPERTY = "WINEPREFIXFOUND"
WINE_KEY = ("Software\\Wine\\LicenseInformation", "Kernel-MUI-Language-Allowed")
# The widths of the outliving components: "32" in both packages, "64" in the x64 one.
VIEW_WIN64 = {"32": "no", "64": "yes"}


def fail(message):
    sys.exit(f"package.py: {message}")


def identifier(prefix, text):
    """An MSI identifier for `text`: readable, unique through a hash, at most 72 characters."""
    readable = "".join(c if c.isalnum() else "_" for c in text)[-40:]
    digest = hashlib.sha1(text.encode()).hexdigest()[:10]
    return f"{prefix}_{readable}_{digest}"


def formatted_literal(text):
    """`text` as an MSI formatted value that reads back unchanged."""
    return "".join({"[": "[\\[]", "]": "[\\]]"}.get(c, c) for c in text)


def stage(config):
    root = config["stage"]
    shutil.rmtree(root, ignore_errors=True)
    subprocess.run([config["cmake"], "--install", config["binary_dir"], "--prefix", root,
                    "--component", "product"], check=True, stdout=subprocess.DEVNULL)
    for folder in (config["server_folder"], config["engine_folder"]):
        if not os.path.isdir(os.path.join(root, folder)):
            fail(f"the install layout put no {folder!r} folder in {root}")
    return root


def run_registry_tool(config, pointer_size, server, engine):
    out = subprocess.run([config["registry_tool"], str(pointer_size), server, engine],
                         check=True, capture_output=True, text=True).stdout
    values, shared, host = [], [], None
    for line in out.splitlines():
        fields = line.split("\t")
        if fields[0] == "value" and len(fields) == 5:
            values.append(tuple(fields[1:]))
        elif fields[0] == "shared" and len(fields) == 4:
            shared.append({"library": fields[1], "key": fields[2], "class": fields[3]})
        elif fields[0] == "host" and len(fields) == 4:
            host = {"key": fields[1], "name": fields[2], "entry_file": fields[3]}
        elif fields[0] != "root" or len(fields) != 3:
            fail(f"unexpected line from k9-registry-entries: {line!r}")
    if host is None:
        fail("k9-registry-entries did not say where the host keeps its program folder")
    return values, shared, host


def registry_entries(config, root):
    """The registry values of this architecture, the ProgIDs another product may
    own, where the host keeps its folder, and the values the other architecture's
    package writes (for the same staged libraries)."""
    server = os.path.join(root, config["server_folder"], config["server_library"])
    engine = os.path.join(root, config["engine_folder"], config["engine_library"])
    for library in (server, engine):
        if not os.path.isfile(library):
            fail(f"{library} was not staged")
    values, shared, host = run_registry_tool(config, config["pointer_size"], server, engine)
    other_size = 4 if config["pointer_size"] == 8 else 8
    other, _, _ = run_registry_tool(config, other_size, server, engine)
    return values, shared, host, set(other)


class Tree:
    """The staged tree as MSI directories, components and files."""

    def __init__(self, root, config, arch):
        self.root = root
        self.work = config["work"]
        self.arch = arch
        self.win64 = "yes" if arch == "x64" else "no"
        self.dir_ids = {"": "ProgramFiles64Folder" if arch == "x64" else "ProgramFilesFolder"}
        self.file_ids = {}  # staged path -> File Id
        self.component_of = {}  # staged path -> Component Id
        self.components = []  # in the order written
        special = {config["server_folder"]: SERVER_DIR_ID, config["engine_folder"]: ENGINE_DIR_ID}
        for folder, _, names in os.walk(root):
            relative = os.path.relpath(folder, root)
            if relative != ".":
                self.dir_ids[relative] = special.get(relative) or identifier("dir", relative)
            for name in names:
                rel = os.path.normpath(os.path.join(relative, name))
                self.file_ids[os.path.join(folder, name)] = identifier("file", rel)
                self.component_of[os.path.join(folder, name)] = identifier("cmp", rel)

    def source(self, path):
        # wixl takes source files relative to the folder it runs in (work).
        return os.path.relpath(path, self.work)

    def folder_xml(self, relative, indent, registry):
        """The folder's components and subfolders. `registry` maps a staged file to
        the lines inside its component."""
        folder = os.path.join(self.root, relative)
        entries = sorted(os.listdir(folder))
        lines = []
        pad = " " * indent
        files = [e for e in entries if os.path.isfile(os.path.join(folder, e))]
        folders = [e for e in entries if os.path.isdir(os.path.join(folder, e))]
        for name in files:
            path = os.path.join(folder, name)
            component = self.component_of[path]
            self.components.append(component)
            lines.append(f'{pad}<Component Id="{component}" Guid="*" Win64="{self.win64}">')
            lines.append(f'{pad}  <File Id="{self.file_ids[path]}" Name={quoteattr(name)} '
                         f'Source={quoteattr(self.source(path))} KeyPath="yes"/>')
            lines.extend(f"{pad}  {line}" for line in registry.get(path, []))
            lines.append(f"{pad}</Component>")
        if not files and not folders and relative:
            # An empty folder of the layout ("Strato Underlays") is made, and removed
            # again on uninstall when nothing was added to it.
            component = identifier("cmp", relative + "/")
            guid = uuid.uuid5(COMPONENT_NAMESPACE, f"{self.arch}/{relative}")
            self.components.append(component)
            lines.append(f'{pad}<Component Id="{component}" Guid="{str(guid).upper()}" '
                         f'Win64="{self.win64}"><CreateFolder/></Component>')
        for name in folders:
            rel = os.path.join(relative, name) if relative else name
            lines.append(f'{pad}<Directory Id="{self.dir_ids[rel]}" Name={quoteattr(name)}>')
            lines.extend(self.folder_xml(rel, indent + 2, registry))
            lines.append(f"{pad}</Directory>")
        return lines

    def installed_text(self, value):
        """A registry value with staged paths turned into the installed ones."""
        path = os.path.normpath(value.replace("\\", "/")) if value.startswith(self.root) else None
        if path is None:
            return formatted_literal(value)
        if path in self.file_ids:
            return f"[#{self.file_ids[path]}]"
        relative = os.path.relpath(path, self.root)
        if relative in self.dir_ids:
            # A folder's formatted value ends with a separator.
            return f"[{self.dir_ids[relative]}]"
        fail(f"registry value {value!r} names nothing that the package installs")


def shared_by_both_views(key):
    """True when 64-bit Windows keeps HKEY_CLASSES_ROOT\\key in one place for 32- and
    64-bit programs."""
    return key.split("\\", 1)[0].lower() not in {k.lower() for k in REDIRECTED_CLASSES}


def registry_component(tree, component, guid, elements, win64=None):
    """A component of registry values only; the first value is its key path."""
    win64 = win64 or tree.win64
    lines = [f'<Component Id="{component}" Guid="{str(guid).upper()}" Win64="{win64}">']
    lines += ["  " + e + (' KeyPath="yes"/>' if i == 0 else "/>") for i, e in enumerate(elements)]
    lines.append("</Component>")
    return lines


def registry_parts(tree, values, shared, other, config):
    """For each staged library, the RegistryValue elements inside its component;
    and the components of the values that outlive one package: one per ProgID
    that another product may own, and the component of the values both
    architectures' packages write alike into keys both views share.

    Each is written once per view (views()): the 32-bit component has the same
    code in both packages, so Windows Installer reference-counts it across the
    two; where these keys are one (Windows 7 and later) it writes the key both
    widths read. The x64 package's 64-bit copy is installed only where the views
    keep these keys apart. They belong to no folder of either package but to the
    root (TARGETDIR), so that no folder of a package being removed belongs to a
    component that stays installed."""
    libraries = {
        "server": os.path.join(tree.root, config["server_folder"], config["server_library"]),
        "engine": os.path.join(tree.root, config["engine_folder"], config["engine_library"]),
    }
    parts = {path: [] for path in libraries.values()}
    outliving = []  # (component, lines)
    owned = {id(progid): [] for progid in shared}
    alike = []
    for entry in values:
        library, key, name, value = entry
        name_attr = f" Name={quoteattr(name)}" if name else ""
        element = (f'<RegistryValue Root="HKCR" Key={quoteattr(key)}{name_attr} Type="string" '
                   f'Value={quoteattr(tree.installed_text(value))}')
        # A value naming an installed file or folder differs between the packages,
        # which install into different program-files folders.
        written_alike = (shared_by_both_views(key) and entry in other
                         and not value.startswith(tree.root))
        progid = next((p for p in shared if p["library"] == library
                       and (key == p["key"] or key.startswith(p["key"] + "\\"))), None)
        if progid is not None:
            if not written_alike:
                fail(f"the ProgID value {key}\\{name} differs between the architectures")
            owned[id(progid)].append(element)
        elif written_alike:
            alike.append(element)
        else:
            parts[libraries[library]].append(element + "/>")
    def outlive(name, elements):
        """The components of `name`, one per view: {view: component}."""
        made = {}
        for view in views(tree):
            component = identifier("cmp", f"{name} {view}")
            guid = uuid.uuid5(COMPONENT_NAMESPACE, f"{name}/{view}")
            outliving.append((component, registry_component(tree, component, guid, elements,
                                                            VIEW_WIN64[view])))
            made[view] = component
        return made

    for number, progid in enumerate(shared, 1):
        progid["property"] = f"PROGIDCLASS{number}"
        elements = owned[id(progid)]
        if not elements:
            fail(f"no value belongs to the ProgID {progid['key']}")
        progid["components"] = outlive("ProgID " + progid["key"], elements)
    if not alike:
        fail("no registry value is written alike by both architectures")
    shared_components = outlive(SHARED_COMPONENT_NAME, alike)
    return parts, outliving, shared_components


def views(tree):
    """The registry views this package writes the outliving values for."""
    return ("32", "64") if tree.arch == "x64" else ("32",)


def progid_searches(tree, shared):
    """Properties holding the class each shared ProgID names before the install, as
    programs of each view see it (PROGIDCLASSn_32, PROGIDCLASSn_64); and whether
    this is Wine."""
    lines = [
        f'    <Property Id="{p["property"]}_{view}"><RegistrySearch '
        f'Id="{p["property"]}_{view}Search" Root="HKCR" '
        f'Key={quoteattr(p["key"] + chr(92) + "CLSID")} Name="" Type="raw" '
        f'Win64="{VIEW_WIN64[view]}"/></Property>' for p in shared for view in views(tree)]
    lines.append(f'    <Property Id="{WINE_PROPERTY}"><RegistrySearch Id="WineSearch" Root="HKLM" '
                 f'Key={quoteattr(WINE_KEY[0])} Name={quoteattr(WINE_KEY[1])} Type="raw" '
                 f'Win64="{tree.win64}"/></Property>')
    return "\n".join(lines)


def map_ini_rows(config):
    """IniFile rows for MAP.INI: the template's keys with the installed engine folder."""
    rows, section = [], None
    with open(config["map_ini_template"], encoding="ascii") as template:
        for line in template:
            line = line.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
                continue
            key, _, value = line.partition("=")
            if section is None or not value:
                continue  # an empty value reads the same as a missing key
            value = value.replace("@K9_ENGINE_DATA@/", f"[{ENGINE_DIR_ID}]").replace("/", "\\")
            if "@" in value:
                fail(f"MAP.INI template value {value!r} has a placeholder the package cannot fill")
            rows.append((section, key, value))
    return rows


def sql_text(text):
    return "'" + text.replace("'", "''") + "'"


def host_search(host):
    """The host's program folder, from the installing user's host settings, when
    that folder exists."""
    return (f'    <Property Id="{HOST_FOLDER_PROPERTY}"><RegistrySearch Id="HostFolderSearch" '
            f'Root="HKCU" Key={quoteattr(host["key"])} Name={quoteattr(host["name"])} '
            f'Type="directory"/></Property>')


def build(config, version, output):
    arch = config["arch"]
    root = stage(config)
    values, shared, host, other = registry_entries(config, root)
    tree = Tree(root, config, arch)
    registry, outliving, shared_components = registry_parts(tree, values, shared, other, config)
    shared_component = shared_components["32"]  # in both packages
    lines = tree.folder_xml("", 8, registry)
    root_lines = []
    for component, component_lines in outliving:
        tree.components.append(component)
        root_lines.extend("      " + line for line in component_lines)
    engine_library = os.path.join(root, config["engine_folder"], config["engine_library"])
    engine_component = tree.component_of[engine_library]
    component_refs = "\n".join(f'      <ComponentRef Id="{c}"/>' for c in tree.components)
    wxs = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="{PRODUCT_NAME}" Manufacturer="{MANUFACTURER}" Version="{version}"
           UpgradeCode="{UPGRADE_CODES[arch]}" Language="1033" Codepage="1252">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description="{PRODUCT_NAME} ({arch})"/>
    <Media Id="1" Cabinet="Kestrel9.cab" EmbedCab="yes"/>
    <MajorUpgrade DowngradeErrorMessage="A newer version of {PRODUCT_NAME} is already installed."/>
    <Property Id="ARPNOMODIFY" Value="1"/>
{progid_searches(tree, shared)}
{host_search(host)}
    <Binary Id="InitAction" SourceFile={quoteattr(tree.source(config["action_library"]))}/>
    <CustomAction Id="SetRunInitKestrel9" Property="RunInitKestrel9"
                  Value="[UILevel]|[{SERVER_DIR_ID}]"/>
    <CustomAction Id="RunInitKestrel9" BinaryKey="InitAction" DllEntry="RunInitKestrel9"
                  Execute="deferred" Impersonate="yes" Return="ignore"/>
    <CustomAction Id="SetHostMapsFolder" Property="{HOST_MAPS_PROPERTY}"
                  Value="[{HOST_FOLDER_PROPERTY}]Maps\\"/>
    <!-- Numbered: wixl places an action given "Before" right after
         RemoveExistingProducts. CostFinalize is 1000, InstallFiles 4000,
         WriteRegistryValues 5000. -->
    <InstallExecuteSequence>
      <Custom Action="SetHostMapsFolder" Sequence="1001">{HOST_FOLDER_PROPERTY} AND REMOVE~="ALL" AND NOT UPGRADINGPRODUCTCODE</Custom>
      <Custom Action="SetRunInitKestrel9" Sequence="4990">NOT REMOVE~="ALL"</Custom>
      <Custom Action="RunInitKestrel9" Sequence="4991">NOT REMOVE~="ALL"</Custom>
    </InstallExecuteSequence>
    <Directory Id="TARGETDIR" Name="SourceDir">
{chr(10).join(root_lines)}
      <Directory Id="{tree.dir_ids[""]}">
{chr(10).join(lines)}
      </Directory>
    </Directory>
    <Feature Id="Kestrel9" Title="{PRODUCT_NAME}" Level="1">
{component_refs}
    </Feature>
  </Product>
</Wix>
"""
    work = config["work"]
    os.makedirs(work, exist_ok=True)
    wxs_path = os.path.join(work, f"Kestrel9-{arch}.wxs")
    with open(wxs_path, "w", encoding="utf-8") as out:
        out.write(wxs)
    if os.path.exists(output):
        os.remove(output)
    subprocess.run(["wixl", "-a", arch, "-o", output, wxs_path], check=True, cwd=work)

    queries = [
        "CREATE TABLE `IniFile` (`IniFile` CHAR(72) NOT NULL, `FileName` CHAR(255) NOT NULL, "
        "`DirProperty` CHAR(72), `Section` CHAR(96) NOT NULL, `Key` CHAR(128) NOT NULL, "
        "`Value` CHAR(255) NOT NULL, `Action` SHORT NOT NULL, `Component_` CHAR(72) NOT NULL "
        "PRIMARY KEY `IniFile`)",
        # A package of the same version replaces the installed one too, so a rebuilt
        # package never lands beside it (wixl writes the upper bound as exclusive).
        # (Attributes 513: migrate features, upper bound included.)
        "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'",
        "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) "
        f"VALUES ('{{{UPGRADE_CODES[arch]}}}', {sql_text(version)}, 513, 'WIX_UPGRADE_DETECTED')",
        "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteIniValues', 5100)",
        "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveIniValues', 3100)",
        # The entries go with the engine; the emptied file goes too.
        "INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, "
        f"`InstallMode`) VALUES ('MapIniFile', '{engine_component}', 'MAP.INI', "
        f"'{ENGINE_DIR_ID}', 2)",
        # The host's copy of the map-list entry file goes with the last package
        # that holds the shared component; its folder is set only when it is to go.
        "INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, "
        f"`InstallMode`) VALUES ('HostMapEntry', '{shared_component}', "
        f"{sql_text(host['entry_file'])}, '{HOST_MAPS_PROPERTY}', 2)",
    ]
    # A ProgID's copy for a view is written only where that view's programs find
    # it naming no class or the engine's; the 64-bit copies only where the views
    # are apart.
    apart = {"32": "", "64": f"{VIEWS_APART} AND "}
    for progid in shared:
        for view, component in progid["components"].items():
            found = f'{progid["property"]}_{view}'
            condition = f'{apart[view]}(NOT {found} OR {found} ~= "{progid["class"]}")'
            queries.append(f"UPDATE `Component` SET `Condition` = {sql_text(condition)} "
                           f"WHERE `Component` = '{component}'")
    if "64" in shared_components:
        queries.append(f"UPDATE `Component` SET `Condition` = {sql_text(VIEWS_APART)} "
                       f"WHERE `Component` = '{shared_components['64']}'")
    for number, (section, key, value) in enumerate(map_ini_rows(config), 1):
        queries.append(
            "INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, "
            f"`Value`, `Action`, `Component_`) VALUES ('MapIni{number}', 'MAP.INI', "
            f"'{ENGINE_DIR_ID}', {sql_text(section)}, {sql_text(key)}, {sql_text(value)}, 0, "
            f"'{engine_component}')")
    command = ["msibuild", output]
    for query in queries:
        command += ["-q", query]
    subprocess.run(command, check=True)
    print(f"Wrote {output}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("config")
    parser.add_argument("--version")
    parser.add_argument("--output")
    args = parser.parse_args()
    with open(args.config, encoding="utf-8") as f:
        config = json.load(f)
    # wixl runs in the work folder: a relative output is made absolute first.
    build(config, args.version or config["version"], os.path.abspath(args.output or config["output"]))


if __name__ == "__main__":
    main()
