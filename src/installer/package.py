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
- MAP.INI in the engine's folder, from the same template as the layout's, with
  the installed data folders (the IniFile table, added with msibuild since
  wixl does not write it);
- the custom action of Kestrel9Setup.dll that runs InitKestrel9 from the server
  folder after the files and keys are in place (not while removing);
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
SERVER_DIR_ID = "SERVERDIR"  # the custom action asks for this folder
ENGINE_DIR_ID = "ENGINEDIR"


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


def registry_entries(config, root):
    server = os.path.join(root, config["server_folder"], config["server_library"])
    engine = os.path.join(root, config["engine_folder"], config["engine_library"])
    for library in (server, engine):
        if not os.path.isfile(library):
            fail(f"{library} was not staged")
    out = subprocess.run([config["registry_tool"], str(config["pointer_size"]), server, engine],
                         check=True, capture_output=True, text=True).stdout
    values, shared = [], []
    for line in out.splitlines():
        fields = line.split("\t")
        if fields[0] == "value" and len(fields) == 5:
            values.append(fields[1:])
        elif fields[0] == "shared" and len(fields) == 4:
            shared.append({"library": fields[1], "key": fields[2], "class": fields[3]})
        elif fields[0] != "root" or len(fields) != 3:
            fail(f"unexpected line from k9-registry-entries: {line!r}")
    return values, shared


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
        the lines inside its component and the components that follow it."""
        folder = os.path.join(self.root, relative)
        entries = sorted(os.listdir(folder))
        lines = []
        pad = " " * indent
        files = [e for e in entries if os.path.isfile(os.path.join(folder, e))]
        folders = [e for e in entries if os.path.isdir(os.path.join(folder, e))]
        for name in files:
            path = os.path.join(folder, name)
            component = self.component_of[path]
            inside, after = registry.get(path, ([], []))
            self.components.append(component)
            lines.append(f'{pad}<Component Id="{component}" Guid="*" Win64="{self.win64}">')
            lines.append(f'{pad}  <File Id="{self.file_ids[path]}" Name={quoteattr(name)} '
                         f'Source={quoteattr(self.source(path))} KeyPath="yes"/>')
            lines.extend(f"{pad}  {line}" for line in inside)
            lines.append(f"{pad}</Component>")
            for component, component_lines in after:
                self.components.append(component)
                lines.extend(f"{pad}{line}" for line in component_lines)
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


def registry_parts(tree, values, shared, config):
    """For each staged library: the RegistryValue elements inside its component,
    and after it one component per ProgID that another product may own."""
    libraries = {
        "server": os.path.join(tree.root, config["server_folder"], config["server_library"]),
        "engine": os.path.join(tree.root, config["engine_folder"], config["engine_library"]),
    }
    parts = {path: ([], []) for path in libraries.values()}
    owned = {id(progid): [] for progid in shared}
    for library, key, name, value in values:
        name_attr = f" Name={quoteattr(name)}" if name else ""
        element = (f'<RegistryValue Root="HKCR" Key={quoteattr(key)}{name_attr} Type="string" '
                   f'Value={quoteattr(tree.installed_text(value))}')
        progid = next((p for p in shared if p["library"] == library
                       and (key == p["key"] or key.startswith(p["key"] + "\\"))), None)
        if progid is None:
            parts[libraries[library]][0].append(element + "/>")
        else:
            owned[id(progid)].append(element)
    for number, progid in enumerate(shared, 1):
        progid["component"] = identifier("cmp", "ProgID " + progid["key"])
        progid["property"] = f"PROGIDCLASS{number}"
        guid = uuid.uuid5(COMPONENT_NAMESPACE, f"{tree.arch}/ProgID/{progid['key']}")
        elements = owned[id(progid)]
        if not elements:
            fail(f"no value belongs to the ProgID {progid['key']}")
        lines = [f'<Component Id="{progid["component"]}" Guid="{str(guid).upper()}" '
                 f'Win64="{tree.win64}">']
        lines += ["  " + e + (' KeyPath="yes"/>' if i == 0 else "/>")
                  for i, e in enumerate(elements)]
        lines.append("</Component>")
        parts[libraries[progid["library"]]][1].append((progid["component"], lines))
    return parts


def progid_searches(tree, shared):
    """Properties holding the class each shared ProgID names before the install."""
    return "\n".join(
        f'    <Property Id="{p["property"]}"><RegistrySearch Id="{p["property"]}Search" Root="HKCR" '
        f'Key={quoteattr(p["key"] + chr(92) + "CLSID")} Name="" Type="raw" Win64="{tree.win64}"/>'
        f'</Property>' for p in shared)


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


def build(config, version, output):
    arch = config["arch"]
    root = stage(config)
    values, shared = registry_entries(config, root)
    tree = Tree(root, config, arch)
    lines = tree.folder_xml("", 8, registry_parts(tree, values, shared, config))
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
    <Binary Id="InitAction" SourceFile={quoteattr(tree.source(config["action_library"]))}/>
    <CustomAction Id="RunInitKestrel9" BinaryKey="InitAction" DllEntry="RunInitKestrel9"
                  Execute="immediate" Impersonate="yes" Return="ignore"/>
    <InstallExecuteSequence>
      <Custom Action="RunInitKestrel9" After="InstallFinalize">NOT REMOVE~="ALL"</Custom>
    </InstallExecuteSequence>
    <Directory Id="TARGETDIR" Name="SourceDir">
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
    ]
    for progid in shared:
        condition = f'NOT {progid["property"]} OR {progid["property"]} ~= "{progid["class"]}"'
        queries.append(f"UPDATE `Component` SET `Condition` = {sql_text(condition)} "
                       f"WHERE `Component` = '{progid['component']}'")
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
    build(config, args.version or config["version"], args.output or config["output"])


if __name__ == "__main__":
    main()
