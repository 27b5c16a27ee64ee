#!/usr/bin/env python3
"""Packs square RGBA PNG pictures (one per size) into a Windows .ico file: sizes up to 128 as
32-bit bitmaps (every Windows and Wine reads them), larger ones as PNG.
Usage: make_icon.py OUT.ico IN1.png [IN2.png ...]"""
import struct
import sys
import zlib


def read_png(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace != 0:
        raise SystemExit("expected 8-bit RGBA without interlacing")
    raw, stride, rows, prev = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = prev[x]
            c = prev[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def bitmap_entry(width, height, rows):
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b""
    for line in reversed(rows):  # bottom-up, BGRA
        for x in range(0, len(line), 4):
            r, g, b, a = line[x:x + 4]
            pixels += bytes((b, g, r, a))
    mask_stride = ((width + 31) // 32) * 4
    return header + pixels + b"\0" * (mask_stride * height)


def main():
    out, inputs = sys.argv[1], sys.argv[2:]
    images = []
    for path in inputs:
        with open(path, "rb") as f:
            data = f.read()
        width, height, rows = read_png(data)
        images.append((width, height, data if width > 128 else bitmap_entry(width, height, rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    bodies = b""
    for width, height, body in images:
        # 256 is written as 0 in the directory.
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(body), offset)
        bodies += body
        offset += len(body)
    with open(out, "wb") as f:
        f.write(directory + bodies)


main()
