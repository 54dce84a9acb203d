#!/usr/bin/env python3
"""Draws the program icon: a glossy blue round face with two small dark eyes and a curl on
top, on a transparent background, 16 x 16 pixels in 256 colours; and the About picture, the
same face at 32 x 32 and 16 x 16 pixels in 24 bits per pixel (res/About.ico).

Writes res/Pellucor.ico, and the same image as the two raw resources the resource script
takes: the icon image (res/icon30001.bin, icon 30001) and the icon group (res/icongroup1.bin,
group 1, whose one entry names icon 30001). The resource compiler would number the image
itself; the raw form keeps the number fixed.

Run it again after changing the drawing; the outputs are committed."""
import math
import struct
import sys
from pathlib import Path


def face_pixel(x, y, size):
    """RGB of the face at pixel (x, y), or None where the background shows."""
    s = size / 16.0
    cx, cy, r = 7.5 * s, 8.7 * s, 6.6 * s
    px, py = x + 0.5, y + 0.5
    # The curl: a small hook of dark blue above the head.
    curl = [(7, 0), (8, 0), (9, 1), (8, 2), (7, 1)]
    for (ux, uy) in curl:
        if int(ux * s) <= x < int((ux + 1) * s) and int(uy * s) <= y < int((uy + 1) * s):
            return (24, 70, 150)
    d = math.hypot(px - cx, py - cy)
    if d > r:
        return None
    # Eyes: two small dark ovals a little above the centre.
    for ex in (5.0, 10.0):
        if abs(px - ex * s) <= 0.8 * s and abs(py - 8.0 * s) <= 1.2 * s:
            return (16, 24, 48)
    if d > r - 1.0 * s:
        return (20, 72, 160)  # rim
    # Body: light at the upper left, deep blue at the lower right.
    t = ((px - cx) + (py - cy)) / (2 * r) + 0.5
    t = min(max(t, 0.0), 1.0)
    top, bottom = (120, 190, 250), (30, 100, 210)
    c = tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
    # Gloss: a soft white spot at the upper left.
    g = math.hypot(px - (cx - 2.4 * s), py - (cy - 2.6 * s))
    if g < 1.8 * s:
        w = 1.0 - g / (1.8 * s)
        c = tuple(int(v + (255 - v) * w * 0.85) for v in c)
    return c


def mask_rows(pixels, size):
    """The 1-bit transparency mask, bottom-up, each row padded to 32 bits."""
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, p in enumerate(row):
            if p is None:
                line[x // 8] |= 0x80 >> (x % 8)
        out += bytes(line)
    return out


def image_8bpp(size):
    pixels = [[face_pixel(x, y, size) for x in range(size)] for y in range(size)]
    palette = sorted({p for row in pixels for p in row if p is not None})
    palette = [(0, 0, 0)] + palette
    assert len(palette) <= 256
    index = {c: i for i, c in enumerate(palette)}
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in palette)
    pal += b"\0\0\0\0" * (256 - len(palette))
    xor = b"".join(bytes(index[p] if p is not None else 0 for p in row)
                   for row in reversed(pixels))  # bottom-up
    return header + pal + xor + mask_rows(pixels, size)


def image_24bpp(size):
    pixels = [[face_pixel(x, y, size) for x in range(size)] for y in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    stride = ((size * 3 + 3) // 4) * 4
    xor = b""
    for row in reversed(pixels):  # bottom-up
        line = b"".join(struct.pack("BBB", b, g, r) for (r, g, b) in
                        (p if p is not None else (0, 0, 0) for p in row))
        xor += line + b"\0" * (stride - len(line))
    return header + xor + mask_rows(pixels, size)


def write_ico(path, images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, colours, bpp, blob in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours % 256, 0, 1, bpp,
                           len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    Path(path).write_bytes(out + b"".join(blobs))


def write_group(path, images):
    """A GRPICONDIR: like the .ico directory, with resource ids in place of file offsets."""
    out = struct.pack("<HHH", 0, 1, len(images))
    for size, colours, bpp, blob, icon_id in images:
        out += struct.pack("<BBBBHHIH", size % 256, size % 256, colours % 256, 0, 1, bpp,
                           len(blob), icon_id)
    Path(path).write_bytes(out)


ICON_ID = 30001

if __name__ == "__main__":
    here = Path(__file__).resolve().parent
    blob = image_8bpp(16)
    write_ico(here / "Pellucor.ico", [(16, 0, 8, blob)])
    (here / "icon30001.bin").write_bytes(blob)
    write_group(here / "icongroup1.bin", [(16, 0, 8, blob, ICON_ID)])
    write_ico(here / "About.ico", [(n, 0, 24, image_24bpp(n)) for n in (32, 16)])
    print("wrote Pellucor.ico, icon30001.bin, icongroup1.bin and About.ico", file=sys.stderr)
