#!/usr/bin/env python3
"""Compares two PNG pictures (8-bit RGB or RGBA, not interlaced) as the visual
tests do: the pictures match when they have the same size and at most
MAX_SHARE of their pixels differ by more than LEVEL in some channel. Antialiased
edges and text drawn by another graphics library differ a little; a missing
layer or a shifted map differs a lot.
  png_compare.py ACTUAL EXPECTED [MAX_SHARE] [LEVEL]"""
import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    pos, idat, width = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError(f"{path}: only 8-bit RGB(A) pictures without interlace")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    if width is None:
        raise ValueError(f"{path}: no header")
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = row[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + a) & 255
            elif kind == 2:
                row[i] = (row[i] + b) & 255
            elif kind == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(row))
        previous = row
    pixels = [tuple(r[x * channels:x * channels + 3]) for r in rows for x in range(width)]
    return width, height, pixels


def main():
    actual, expected = sys.argv[1], sys.argv[2]
    max_share = float(sys.argv[3]) if len(sys.argv) > 3 else 0.03
    level = int(sys.argv[4]) if len(sys.argv) > 4 else 48
    aw, ah, a = read_png(actual)
    ew, eh, e = read_png(expected)
    if (aw, ah) != (ew, eh):
        print(f"size {aw}x{ah} differs from {ew}x{eh}")
        return 1
    differing = sum(1 for p, q in zip(a, e) if max(abs(x - y) for x, y in zip(p, q)) > level)
    share = differing / len(a)
    print(f"{differing} of {len(a)} pixels differ ({share:.2%}, at most {max_share:.2%} allowed)")
    return 0 if share <= max_share else 1


if __name__ == "__main__":
    sys.exit(main())
