#!/usr/bin/env python3
"""Makes the context map of a CHM that chmcmd compiled name its pages as they lie in the file.

chmcmd (Free Pascal 3.2) writes the target of every [ALIAS] entry into #STRINGS as
the absolute path of the source page on the build machine ("/home/.../help/cpanel.htm"),
so HTML Help's HH_HELP_CONTEXT looks for a page the file does not hold. This rewrites
each such string to the page's name inside the file ("cpanel.htm"), padding with NULs so
that no other offset into #STRINGS moves, and stores the new #STRINGS uncompressed in
content section 0 at the end of the file: the compressed section stays as chmcmd wrote
it, and only the directory entry of #STRINGS and the file length change.

    chm_context_pages.py EXTRACT_CHMLIB CHM PROJECT_DIR

PROJECT_DIR is the folder of the .hhp file as chmcmd was given it. EXTRACT_CHMLIB is
libchm's extract_chmLib, which unpacks #IVB and #STRINGS (compressed in the CHM). A
context string that names no page of PROJECT_DIR, or a file whose layout is not the one
described here, stops the build with a message. A CHM whose context strings already name
in-file pages is left as it is.
"""
import os
import struct
import subprocess
import sys
import tempfile

CHUNK_HEADER = 0x14  # "PMGL", free space, 0, previous chunk, next chunk
QUICKREF_EVERY = 5   # 1 + (1 << density 2): one quickref entry per five directory entries


def fail(message):
    sys.exit("chm_context_pages: " + message)


def read_encint(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def encint(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def parse_listing_chunk(chunk):
    count = struct.unpack_from("<H", chunk, len(chunk) - 2)[0]
    entries, pos = [], CHUNK_HEADER
    for _ in range(count):
        size, pos = read_encint(chunk, pos)
        name = bytes(chunk[pos:pos + size])
        pos += size
        section, pos = read_encint(chunk, pos)
        offset, pos = read_encint(chunk, pos)
        length, pos = read_encint(chunk, pos)
        entries.append([name, section, offset, length])
    return entries


def build_listing_chunk(header, entries, size):
    """The chunk as chmcmd lays it out: entries, then a quickref area growing from the end."""
    body, quickref = bytearray(), []
    for number, (name, section, offset, length) in enumerate(entries, start=1):
        start = len(body)
        body += encint(len(name)) + name + encint(section) + encint(offset) + encint(length)
        if number % QUICKREF_EVERY == 0:
            quickref.append(start)
    end = CHUNK_HEADER + len(body)
    if end > size - 2 * (len(quickref) + 1):
        fail("the rewritten directory chunk does not fit")
    chunk = bytearray(size)
    chunk[:CHUNK_HEADER] = header
    struct.pack_into("<I", chunk, 4, size - end)
    chunk[CHUNK_HEADER:end] = body
    for i, where in enumerate(quickref, start=1):
        struct.pack_into("<H", chunk, size - 2 - 2 * i, where)
    struct.pack_into("<H", chunk, size - 2, len(entries))
    return chunk


def context_strings(ivb):
    (length,) = struct.unpack_from("<I", ivb, 0)
    if length != len(ivb) - 4 or length % 8:
        fail("#IVB is not a list of (context, string) pairs")
    return [struct.unpack_from("<II", ivb, 4 + i)[1] for i in range(0, length, 8)]


def string_at(strings, offset):
    end = strings.index(b"\0", offset)
    return strings[offset:end]


def relative_strings(strings, offsets, project_dir):
    prefix = (os.path.abspath(project_dir).rstrip("/") + "/").encode()
    out = bytearray(strings)
    changed = False
    for offset in offsets:
        text = string_at(strings, offset)
        page = text[len(prefix):] if text.startswith(prefix) else text
        if not os.path.isfile(os.path.join(project_dir, page.decode())):
            fail("context string %r names no page of %s" % (text.decode(), project_dir))
        if page != text:
            out[offset:offset + len(text)] = page + b"\0" * (len(text) - len(page))
            changed = True
    return bytes(out), changed


def main(extract_chmlib, chm_path, project_dir):
    with open(chm_path, "rb") as f:
        chm = bytearray(f.read())
    if chm[:4] != b"ITSF" or struct.unpack_from("<I", chm, 4)[0] != 3:
        fail(chm_path + " is not a version 3 CHM file")
    header0, _, directory, _, content0 = struct.unpack_from("<QQQQQ", chm, 0x38)
    if chm[directory:directory + 4] != b"ITSP":
        fail("no ITSP directory header")
    header_size, _, chunk_size = struct.unpack_from("<III", chm, directory + 8)
    (chunks,) = struct.unpack_from("<I", chm, directory + 0x2C)

    with tempfile.TemporaryDirectory() as extracted:
        subprocess.run([extract_chmlib, chm_path, extracted], check=True, stdout=subprocess.DEVNULL)
        try:
            with open(os.path.join(extracted, "#IVB"), "rb") as f:
                ivb = f.read()
            with open(os.path.join(extracted, "#STRINGS"), "rb") as f:
                strings = f.read()
        except FileNotFoundError:
            return  # no context map: nothing to correct
    fixed, changed = relative_strings(strings, context_strings(ivb), project_dir)
    if not changed:
        return

    for number in range(chunks):
        at = directory + header_size + number * chunk_size
        chunk = chm[at:at + chunk_size]
        if chunk[:4] != b"PMGL":
            continue
        entries = parse_listing_chunk(chunk)
        for entry in entries:
            if entry[0] != b"/#STRINGS":
                continue
            if entry[3] != len(strings):
                fail("#STRINGS is not as long as its directory entry says")
            entry[1:] = [0, len(chm) - content0, len(fixed)]
            chm[at:at + chunk_size] = build_listing_chunk(chunk[:CHUNK_HEADER], entries, chunk_size)
            chm += fixed
            struct.pack_into("<Q", chm, header0 + 8, len(chm))
            temporary = chm_path + ".tmp"
            with open(temporary, "wb") as f:
                f.write(chm)
            os.replace(temporary, chm_path)
            return
    fail("no directory entry for #STRINGS")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
