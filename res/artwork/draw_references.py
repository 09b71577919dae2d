#!/usr/bin/python3
"""Draws the reference pictures of the panel for the Windows tests: the
panel's background with each control's picture placed where the layout puts
it, both arrangements, for the cases and display scales the tests show, from
the artwork the program carries (drawn by draw_artwork.py).

The places are the layout's numbers at 100 % written out here, scaled by the
program's rule; the pictures are the set drawn for the scale, or the next
larger set scaled with the program's smooth filter (the same integer
arithmetic, so the result is the same to the bit).

Usage: draw_references.py ARTWORK_DIR OUTPUT_DIR

Writes panel_<case>_<arrangement>_<dpi>.bmp (24-bit, uncompressed).
"""

import argparse
import struct
from pathlib import Path

from PIL import Image

from draw_artwork import SET_DPIS, dib_rows, scaled, set_step

TEST_DPIS = (96, 120, 144, 192)
BRIGHTNESS, VOLUME = 13, 6  # the levels the tests set
THUMB_TOP = 22

SEPARATOR, THUMB = 160, 168
BACKGROUND_KEY = (0, 128, 128)

# Each case: the background, the optional buttons' places and pictures (the
# row the layout gives for the functions present) with their separators, the
# row's width, and the pictures of the switch and function buttons.
CASES = {
    "lock": {
        "background": 162,
        "row": [((8, 3), 176), ((71, 3), SEPARATOR)],
        "width": 74,
        "brightness": {"switch": 171, "function": 159},
        "volume": {"switch": 170, "function": 173},
    },
    "three": {
        "background": 164,
        "row": [((4, 3), 176), ((63, 3), SEPARATOR), ((70, 3), 175), ((129, 3), SEPARATOR),
                ((134, 4), 165), ((213, 3), SEPARATOR)],
        "width": 216,
        "brightness": {"switch": 171, "function": 159},
        "volume": {"switch": 170, "function": 173},
    },
    "three_muted": {  # muted, locked, automatic dimming, backlight off
        "background": 164,
        "row": [((4, 3), 177), ((63, 3), SEPARATOR), ((70, 3), 175), ((129, 3), SEPARATOR),
                ((134, 4), 166), ((213, 3), SEPARATOR)],
        "width": 216,
        "brightness": {"switch": 171, "function": 158},
        "volume": {"switch": 170, "function": 172},
    },
}
# The level controls' places at 100 %, right of the row: the brightness
# arrangement (the template's places) and the volume one computed from it.
LEVEL_PLACES = {
    "brightness": {"switch": (0, 3), "marker": (56, 3), "function": (65, 3), "slider": (122, 3)},
    "volume": {"function": (0, 3), "slider": (60, 5), "marker": (245, 3), "switch": (251, 3)},
}
CHANNELS = {"brightness": (167, BRIGHTNESS), "volume": (169, VOLUME)}


def resample(image, size, key):
    """The program's smooth filter (controls/Resample.cpp), pixel for pixel."""
    fw, fh = image.size
    tw, th = size

    def spans(frm, to):
        out = []
        for j in range(to):
            start, end = j * frm, (j + 1) * frm
            first = start // to
            weights = []
            i = first
            while i * to < end:
                weights.append(min((i + 1) * to, end) - max(i * to, start))
                i += 1
            out.append((first, weights))
        return out

    px = image.load()
    columns, rows = spans(fw, tw), spans(fh, th)
    whole = fw * fh
    out = Image.new("RGB", size)
    opx = out.load()
    for y, (row_first, row_weights) in enumerate(rows):
        for x, (col_first, col_weights) in enumerate(columns):
            sums, opaque = [0, 0, 0], 0
            for r, wy in enumerate(row_weights):
                for c, wx in enumerate(col_weights):
                    pixel = px[col_first + c, row_first + r]
                    if key is not None and pixel == key:
                        continue
                    w = wy * wx
                    opaque += w
                    for k in range(3):
                        sums[k] += w * pixel[k]
            if key is not None and (whole - opaque) * 2 >= whole:
                opx[x, y] = key
                continue
            colour = tuple((s + opaque // 2) // opaque for s in sums)
            if key is not None and colour == key:
                colour = colour[:2] + (colour[2] ^ 1,)
            opx[x, y] = colour
    return out


class Artwork:
    """The program's pictures at one scale."""

    def __init__(self, folder, dpi):
        self.folder, self.dpi = folder, dpi
        self.set_dpi = next((d for d in SET_DPIS if d >= dpi), SET_DPIS[-1])
        self.offset = SET_DPIS.index(self.set_dpi) * set_step()
        self.cache = {}

    def picture(self, rid):
        if rid not in self.cache:
            image = Image.open(self.folder / f"bitmap_{rid + self.offset}.bmp").convert("RGB")
            if self.set_dpi != self.dpi:
                design = Image.open(self.folder / f"bitmap_{rid}.bmp").size
                key = (BACKGROUND_KEY if 161 <= rid <= 164 else
                       image.getpixel((0, 0)) if rid == THUMB else None)
                image = resample(image, (scaled(design[0], self.dpi), scaled(design[1], self.dpi)),
                                 key)
            self.cache[rid] = image
        return self.cache[rid]

    def at(self, point):
        return scaled(point[0], self.dpi), scaled(point[1], self.dpi)


def slider(art, channel, value):
    """The channel with the thumb's opaque pixels where the value puts them."""
    picture = art.picture(channel).copy()
    thumb = art.picture(THUMB)
    span = picture.width - thumb.width
    left = int(span * (value / 20))
    key = thumb.getpixel((0, 0))
    mask = Image.new("1", thumb.size)
    mask.putdata([pixel != key for pixel in thumb.getdata()])
    picture.paste(thumb, (left, scaled(THUMB_TOP, art.dpi)), mask)
    return picture


def panel(art, case, arrangement):
    """The separators come last: they are transparent controls, painted over
    a neighbour that a scaled place rounds one pixel into them."""
    image = art.picture(case["background"]).copy()
    width = case["width"]
    places = {name: (width + x, y) for name, (x, y) in LEVEL_PLACES[arrangement].items()}
    pictures = case["row"] + [
        (places["switch"], case[arrangement]["switch"]),
        (places["function"], case[arrangement]["function"]),
        (places["marker"], SEPARATOR)]
    image.paste(slider(art, *CHANNELS[arrangement]), art.at(places["slider"]))
    for place, rid in sorted(pictures, key=lambda p: p[1] == SEPARATOR):
        image.paste(art.picture(rid), art.at(place))
    return image


def bmp24(image):
    """A 24-bit uncompressed DIB file."""
    w, h = image.size
    px = image.load()
    pixels = dib_rows(w, h, 24, lambda y: b"".join(
        bytes((px[x, y][2], px[x, y][1], px[x, y][0])) for x in range(w)))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54) + info + pixels


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("artwork", type=Path)
    parser.add_argument("output", type=Path)
    args = parser.parse_args()
    args.output.mkdir(parents=True, exist_ok=True)
    for dpi in TEST_DPIS:
        art = Artwork(args.artwork, dpi)
        for name, case in CASES.items():
            for arrangement in ("brightness", "volume"):
                path = args.output / f"panel_{name}_{arrangement}_{dpi}.bmp"
                path.write_bytes(bmp24(panel(art, case, arrangement)))


if __name__ == "__main__":
    main()
