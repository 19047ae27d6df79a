#!/usr/bin/env python3
"""Checks Kestrel9.chm against the help pages it is made from, reading the CHM's own
tables with libchm's enum_chmLib and extract_chmLib:

- the CHM holds every page and picture of the help folder, and the project lists them;
- its context map (#IVB, naming pages in #STRINGS) opens the intended page for each
  window's help context number, by the page's name inside the file;
- no page, table of contents or index entry links to a missing page, anchor or picture;
- the install tree has the CHM beside the server and, where given, the HTML pages in help/.

    check_help.py HELP_DIR CHM STAGED_SERVER_DIR
"""
import html.parser
import os
import struct
import subprocess
import sys
import tempfile
import unittest

# What each window's F1 or Help entry must open.
EXPECTED_CONTEXTS = {
    10: "map_window.htm",     # the map form
    30: "control_panel.htm",  # the control panel
    40: "search.htm",         # the search dialog
    70: "overlays.htm",       # the overlay and underlay chooser
    80: "import-manager.htm",  # the engine's Import Manager
}

HELP_DIR, CHM, SERVER_DIR = sys.argv[1:4] if len(sys.argv) == 4 else (None, None, None)


class Links(html.parser.HTMLParser):
    """The ids, links and pictures of one page, and the Local entries of a sitemap."""

    def __init__(self):
        super().__init__()
        self.ids, self.links, self.pictures, self.locals = set(), [], [], []
        self.title = ""
        self._in_title = False

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.add(a["id"])
        if tag == "a" and "href" in a:
            self.links.append(a["href"])
        if tag == "img":
            self.pictures.append((a.get("src", ""), a.get("width"), a.get("height")))
        if tag == "link" and "href" in a:
            self.links.append(a["href"])
        if tag == "param" and a.get("name", "").lower() == "local":
            self.locals.append(a.get("value", ""))
        self._in_title = tag == "title"

    def handle_endtag(self, tag):
        self._in_title = False

    def handle_data(self, data):
        if self._in_title:
            self.title += data


def parse(path):
    links = Links()
    with open(path, encoding="ascii") as f:
        links.feed(f.read())
    return links


def help_files():
    """Every page, style sheet and picture of the help folder, as paths inside it."""
    out = []
    for folder, _, names in os.walk(HELP_DIR):
        for name in names:
            if name.lower().endswith((".htm", ".css", ".png")):
                out.append(os.path.relpath(os.path.join(folder, name), HELP_DIR).replace(os.sep, "/"))
    return sorted(out)


def project_section(name):
    lines, section = [], None
    with open(os.path.join(HELP_DIR, "Kestrel9.hhp")) as f:
        for line in f:
            line = line.strip()
            if line.startswith("["):
                section = line[1:-1]
            elif line and section == name:
                lines.append(line)
    return lines


class HelpFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        listing = subprocess.run(["enum_chmLib", CHM], check=True, capture_output=True,
                                 text=True).stdout
        cls.in_chm = {line.split()[-1].lstrip("/") for line in listing.splitlines()
                      if line.strip().startswith(("0 ", "1 "))}
        cls.extracted = tempfile.TemporaryDirectory()
        subprocess.run(["extract_chmLib", CHM, cls.extracted.name], check=True,
                       stdout=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        cls.extracted.cleanup()

    def read_extracted(self, name):
        with open(os.path.join(self.extracted.name, name), "rb") as f:
            return f.read()

    def test_every_page_and_picture_is_listed_and_compiled(self):
        files = help_files()
        self.assertIn("index.htm", files)
        self.assertEqual(sorted(project_section("FILES")), files)
        for name in files:
            self.assertIn(name, self.in_chm, name + " is not in the CHM")
            with open(os.path.join(HELP_DIR, name), "rb") as f:
                self.assertEqual(self.read_extracted(name), f.read(), name)

    def test_context_numbers_open_the_intended_pages_by_their_names_in_the_file(self):
        ivb, strings = self.read_extracted("#IVB"), self.read_extracted("#STRINGS")
        (size,) = struct.unpack_from("<I", ivb)
        pairs = [struct.unpack_from("<II", ivb, 4 + i) for i in range(0, size, 8)]
        contexts = {number: strings[offset:strings.index(b"\0", offset)].decode()
                    for number, offset in pairs}
        self.assertEqual(contexts, EXPECTED_CONTEXTS)
        for page in contexts.values():
            self.assertIn(page, self.in_chm)

    def test_no_link_or_picture_points_at_nothing(self):
        pages = {name: parse(os.path.join(HELP_DIR, name))
                 for name in help_files() if name.endswith(".htm")}
        sitemaps = [parse(os.path.join(HELP_DIR, name)) for name in ("Kestrel9.hhc", "Kestrel9.hhk")]

        def check(source, target):
            self.assertNotRegex(target, r"^[a-z]+:", source + ": a link leaves the help: " + target)
            page, _, anchor = target.partition("#")
            page = os.path.normpath(os.path.join(os.path.dirname(source), page)).replace(os.sep, "/")
            if not target.startswith("#"):
                self.assertTrue(os.path.isfile(os.path.join(HELP_DIR, page)),
                                "%s: %s does not exist" % (source, target))
            else:
                page = source
            if anchor:
                self.assertIn(anchor, pages[page].ids, "%s: no anchor %s" % (source, target))

        for name, links in pages.items():
            self.assertTrue(links.title.strip(), name + " has no title")
            for target in links.links:
                check(name, target)
            for source, width, height in links.pictures:
                check(name, source)
                # A picture is shown at its own size, never stretched.
                with open(os.path.join(HELP_DIR, source), "rb") as f:
                    header = f.read(24)
                self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n", source)
                self.assertEqual((width, height),
                                 tuple(str(n) for n in struct.unpack(">II", header[16:24])),
                                 "%s: %s" % (name, source))
        for sitemap in sitemaps:
            for target in sitemap.locals:
                check("Kestrel9.hhc", target)
        in_toc = {local.partition("#")[0] for local in sitemaps[0].locals}
        self.assertEqual(in_toc, set(pages), "every page has one entry in the contents")

    def test_installed_beside_the_server(self):
        with open(CHM, "rb") as built, open(os.path.join(SERVER_DIR, "Kestrel9.chm"), "rb") as staged:
            self.assertEqual(built.read(), staged.read())
        if os.name == "posix":
            for name in help_files():
                self.assertTrue(os.path.isfile(os.path.join(SERVER_DIR, "help", name)), name)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
