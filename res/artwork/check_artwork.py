#!/usr/bin/python3
"""Checks the drawn artwork, every set (100, 150 and 200 %): file formats,
ids, sizes, depths and the key colours the program relies on.
Usage: check_artwork.py ARTWORK_DIR"""

import struct
import sys
from pathlib import Path

from draw_artwork import SET_DPIS, scaled, set_step

# id of the 100 % set: (width, height, bits per pixel of its colours) at 100 %
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
TRAY = [(s, 8) for s in (16, 20, 24, 32)]
ICONS = {
    128: sorted((s, b) for s in (48, 32, 16) for b in (4, 8, 24)),
    135: TRAY, 136: TRAY, 137: TRAY, 138: TRAY,
}
KEY = (0, 128, 128)

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)
    return condition


class Dib:
    """An 8-bit BI_RLE8 Windows bitmap file with its palette, decoded."""

    def __init__(self, data):
        magic, self.file_size, _, _, self.offset = struct.unpack_from("<2sIHHI", data)
        (self.header_size, self.width, self.height, self.planes, self.bits,
         self.compression, self.image_size, _, _, self.colours) = struct.unpack_from(
            "<IiiHHIIiiI", data, 14)
        self.magic, self.data = magic, data
        self.palette = [struct.unpack_from("<BBB", data, 14 + self.header_size + 4 * i)[::-1]
                        for i in range(self.colours)]
        self.rows = self.decode() if (self.bits, self.compression) == (8, 1) else None

    def decode(self):
        """Rows of palette indices, top row first; None when the data is broken."""
        rows = [[] for _ in range(self.height)]
        data, at, y = self.data, self.offset, self.height - 1
        while at + 1 < len(data):
            count, value = data[at], data[at + 1]
            at += 2
            if count:
                rows[y].extend([value] * count)
            elif value == 0:
                y -= 1
            elif value == 1:
                break
            elif value >= 3:
                rows[y].extend(data[at:at + value])
                at += value + value % 2
            else:
                return None  # deltas are never written
            if y < 0:
                return None
        if any(len(row) != self.width for row in rows) or at != len(data):
            return None
        return rows[::-1]

    def pixel(self, x, y):
        """(r, g, b) of pixel (x, y), y counted from the top."""
        return self.palette[self.rows[y][x]]


def check_bitmap(path, size, bits):
    data = path.read_bytes()
    dib = Dib(data)
    name = path.name
    width, height = size
    ok = expect(dib.magic == b"BM", f"{name}: not a bitmap file")
    ok &= expect((dib.width, dib.height, dib.bits, dib.compression) == (width, height, 8, 1),
                 f"{name}: {dib.width}x{dib.height}x{dib.bits} compression {dib.compression}, "
                 f"expected {width}x{height}, 8 bits, run-length encoded")
    ok &= expect((dib.header_size, dib.planes) == (40, 1) and 0 < dib.colours <= 256,
                 f"{name}: not a BITMAPINFOHEADER, 1 plane, with up to 256 colours")
    ok &= expect(dib.offset == 54 + 4 * dib.colours and dib.file_size == len(data)
                 and dib.image_size == len(data) - dib.offset,
                 f"{name}: sizes in the headers do not match the file")
    ok = ok and expect(dib.rows is not None, f"{name}: the run-length data does not decode")
    # A 16-bit picture holds only colours a 5-5-5 pixel shows: each 5-bit
    # value expanded to 8 bits with its top three bits repeated below it.
    beyond = [c for c in dib.palette if any(v != (v >> 3 << 3 | v >> 5) for v in c)]
    ok &= expect(bits == 24 or not beyond,
                 f"{name}: colours no 5-5-5 pixel shows in a 16-bit picture, first {beyond[:1]}")
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


def check_set(folder, dpi, offset):
    dibs = {}
    for rid, (width, height, bits) in BITMAPS.items():
        path = folder / f"bitmap_{rid + offset}.bmp"
        if expect(path.is_file(), f"{path.name}: missing"):
            dibs[rid] = check_bitmap(path, (scaled(width, dpi), scaled(height, dpi)), bits)
    for rid in BACKGROUNDS:
        if dibs.get(rid):
            check_background(f"bitmap_{rid + offset}.bmp", dibs[rid])
    thumb = dibs.get(THUMB)
    if thumb:
        key = thumb.pixel(0, 0)
        expect(key == thumb.pixel(thumb.width - 1, thumb.height - 1),
               f"bitmap_{THUMB + offset}.bmp: the thumb's corners differ")
        expect(key != thumb.pixel(thumb.width // 2, thumb.height // 2),
               f"bitmap_{THUMB + offset}.bmp: the thumb's centre is transparent")
    # Button pictures sit on the panel's interior colour.
    background = dibs.get(161)
    interior = background.pixel(background.width // 2, background.height // 2) if background else None
    for rid, dib in dibs.items():
        if dib and rid not in BACKGROUNDS and rid != THUMB:
            expect(dib.pixel(0, 0) == interior,
                   f"bitmap_{rid + offset}.bmp: top-left {dib.pixel(0, 0)} is not the panel "
                   f"colour {interior}")


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
    for index, dpi in enumerate(SET_DPIS):
        check_set(folder, dpi, index * set_step())
    for rid, expected in ICONS.items():
        path = folder / f"icon_{rid}.ico"
        if expect(path.is_file(), f"{path.name}: missing"):
            check_icon(path, expected)
    for message in failures:
        print("FAIL:", message)
    print(f"{len(SET_DPIS)} sets of {len(BITMAPS)} bitmaps and {len(ICONS)} icons checked, "
          f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
