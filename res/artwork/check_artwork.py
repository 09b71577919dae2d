#!/usr/bin/python3
"""Checks the drawn artwork: file formats, sizes, depths and the key colours
the program relies on.  Usage: check_artwork.py ARTWORK_DIR"""

import struct
import sys
from pathlib import Path

# id: (width, height, bits per pixel)
BITMAPS = {
    157: (62, 57, 16), 158: (55, 62, 16), 159: (55, 62, 16), 160: (3, 62, 16),
    161: (330, 70, 24), 162: (390, 70, 24), 163: (455, 70, 24), 164: (530, 70, 24),
    165: (77, 62, 16), 166: (77, 62, 16), 167: (182, 62, 16), 168: (23, 11, 16),
    169: (182, 62, 16), 170: (55, 62, 16), 171: (55, 62, 24), 172: (55, 62, 24),
    173: (55, 62, 24), 174: (55, 62, 16), 175: (55, 62, 24), 176: (55, 62, 24),
    177: (55, 62, 24),
}
BACKGROUNDS = (161, 162, 163, 164)
THUMB = 168
# id: the (size, bits per pixel) of each image, in any order
ICONS = {
    128: sorted((s, b) for s in (48, 32, 16) for b in (4, 8, 24)),
    135: [(32, 8)], 136: [(32, 8)], 137: [(32, 8)], 138: [(32, 8)],
}
KEY = (0, 128, 128)

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)
    return condition


class Dib:
    """An uncompressed 16 (5-5-5) or 24 bpp Windows bitmap file."""

    def __init__(self, data):
        magic, self.file_size, _, _, self.offset = struct.unpack_from("<2sIHHI", data)
        (self.header_size, self.width, self.height, self.planes, self.bits,
         self.compression, self.image_size) = struct.unpack_from("<IiiHHII", data, 14)
        self.magic, self.data = magic, data
        self.stride = (self.width * self.bits + 31) // 32 * 4

    def pixel(self, x, y):
        """(r, g, b) of pixel (x, y), y counted from the top, as the system expands it."""
        at = self.offset + (self.height - 1 - y) * self.stride + x * self.bits // 8
        if self.bits == 24:
            b, g, r = self.data[at:at + 3]
            return r, g, b
        v, = struct.unpack_from("<H", self.data, at)
        return (v >> 10 & 31) << 3, (v >> 5 & 31) << 3, (v & 31) << 3


def check_bitmap(path, size):
    data = path.read_bytes()
    dib = Dib(data)
    name = path.name
    width, height, bits = size
    ok = expect(dib.magic == b"BM", f"{name}: not a bitmap file")
    ok &= expect((dib.width, dib.height, dib.bits) == size,
                 f"{name}: {dib.width}x{dib.height}x{dib.bits}, expected {width}x{height}x{bits}")
    ok &= expect((dib.header_size, dib.planes, dib.compression) == (40, 1, 0),
                 f"{name}: not a BITMAPINFOHEADER, 1 plane, BI_RGB")
    ok &= expect(dib.offset == 54 and dib.file_size == len(data)
                 and dib.image_size == dib.stride * height == len(data) - 54,
                 f"{name}: sizes in the headers do not match the file")
    return dib if ok else None


def check_background(name, dib):
    w, h = dib.width, dib.height
    corners = [dib.pixel(x, y) for x in (0, w - 1) for y in (0, h - 1)]
    expect(all(c == KEY for c in corners), f"{name}: corners {corners} are not the key colour")
    expect(dib.pixel(w // 2, h // 2) != KEY, f"{name}: centre is the key colour")
    # The window region is the non-key pixels: they must form one run per row
    # (no holes), and the middle row must span the full width.
    for y in range(h):
        inside = "".join("k" if dib.pixel(x, y) == KEY else "o" for x in range(w)).strip("k")
        if not expect(inside and "k" not in inside,
                      f"{name}: row {y} is empty or has a hole of key colour"):
            break
    expect(all(dib.pixel(x, h // 2) != KEY for x in range(w)),
           f"{name}: the middle row does not span the full width")


def check_bitmaps(folder):
    dibs = {}
    for rid, size in BITMAPS.items():
        path = folder / f"bitmap_{rid}.bmp"
        if expect(path.is_file(), f"{path.name}: missing"):
            dibs[rid] = check_bitmap(path, size)
    for rid in BACKGROUNDS:
        if dibs.get(rid):
            check_background(f"bitmap_{rid}.bmp", dibs[rid])
    thumb = dibs.get(THUMB)
    if thumb:
        key = thumb.pixel(0, 0)
        expect(key == thumb.pixel(thumb.width - 1, thumb.height - 1),
               "bitmap_168.bmp: the thumb's corners differ")
        expect(key != thumb.pixel(thumb.width // 2, thumb.height // 2),
               "bitmap_168.bmp: the thumb's centre is transparent")
    # Button pictures sit on the panel's interior colour.
    interior = dibs[161].pixel(165, 35) if dibs.get(161) else None
    for rid, dib in dibs.items():
        if dib and rid not in BACKGROUNDS and rid != THUMB:
            expect(dib.pixel(0, 0) == interior,
                   f"bitmap_{rid}.bmp: top-left {dib.pixel(0, 0)} is not the panel colour {interior}")


def check_icon(path, expected):
    data = path.read_bytes()
    name = path.name
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if not expect((reserved, kind) == (0, 1), f"{name}: not an icon file"):
        return
    found = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        hsize, bw, bh, bplanes, bbits = struct.unpack_from("<IiiHH", data, offset)
        palette = 4 << bits if bits <= 8 else 0
        xor = (w * bits + 31) // 32 * 4 * h
        mask = (w + 31) // 32 * 4 * h
        expect(w == h and (bw, bh, bbits, bplanes) == (w, 2 * h, bits, 1) and planes == 1,
               f"{name}: image {i} header {bw}x{bh}x{bbits} does not match its entry {w}x{h}x{bits}")
        expect(colours == (16 if bits == 4 else 0), f"{name}: image {i} colour count {colours}")
        expect(hsize == 40 and size == 40 + palette + xor + mask and offset + size <= len(data),
               f"{name}: image {i} has size {size}, expected {40 + palette + xor + mask}")
        found.append((w, bits))
    expect(sorted(found) == expected, f"{name}: images {sorted(found)}, expected {expected}")


def main():
    folder = Path(sys.argv[1])
    check_bitmaps(folder)
    for rid, expected in ICONS.items():
        path = folder / f"icon_{rid}.ico"
        if expect(path.is_file(), f"{path.name}: missing"):
            check_icon(path, expected)
    for message in failures:
        print("FAIL:", message)
    print(f"{len(BITMAPS)} bitmaps and {len(ICONS)} icons checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
