#!/usr/bin/python3
"""Draws Lumitrax's bitmaps and icons.

Every picture is drawn from code, so the files are reproducible: the same
script and the same Pillow and FreeType give the same bytes.  Shapes are drawn
four times larger and box-filtered down for smooth edges; text is drawn at the
final size so that it stays crisp.  Outlines that decide transparency (the
panel backgrounds' rounded corners, the slider thumb) are drawn at the final
size with hard edges, so no edge pixel is a blend with the key colour.

Every bitmap is drawn in three sets, for 100, 150 and 200 % display scales
(96, 144 and 192 dots per inch): the 100 % set at the sizes the program's
resources list, the others at those sizes scaled by the program's rule (see
scaled()), with the same key colours and captions at scaled font sizes.  The
tray icons hold the small-icon sizes of 100 to 200 % (16, 20, 24 and 32).

Every bitmap has the depth the resources list, 16 or 24 bits: a 16-bit
picture holds only colours a 5-5-5 pixel shows (each 5-bit value expanded to
8 bits as the display does, its top bits repeated below it), and the colours
the 16- and 24-bit pictures share are drawn at such values, so that both
depths show them alike.  Each is stored as an 8-bit, run-length encoded
(BI_RLE8) bitmap whose palette is the picture's own colours, exact at its
depth: no picture has more than 256.

Usage: draw_artwork.py OUTPUT_DIR [--preview PNG_DIR]
       draw_artwork.py --list OUTPUT_DIR

Writes bitmap_<id>.bmp (the ids of the larger sets as res/resource.h derives
them), icon_<id>.ico and bitmap_sets.rc (the larger sets' entries for the
resource script) into OUTPUT_DIR, and with --preview a PNG of each for
viewing.  --list prints the paths of those files, one a line, and draws
nothing.
"""

import argparse
import functools
import io
import math
import re
import struct
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

SCALE = 4  # supersampling factor of the shape layer

DESIGN_DPI = 96
SET_DPIS = (96, 144, 192)  # the sets: 100, 150 and 200 %
TRAY_ICON_SIZES = (16, 20, 24, 32)  # the small icon at 100, 125, 150 and 200 %


def set_step():
    """The id step between sets, as res/resource.h defines it for the program."""
    header = (Path(__file__).resolve().parent.parent / "resource.h").read_text()
    return int(re.search(r"^#define IDB_SET_STEP (\d+)", header, re.M).group(1))


def scaled(length, dpi):
    """A 100 % length at dpi: length x dpi / 96 rounded, halves up; the
    program's ScaleLength, so pictures are as large as the places it gives them."""
    return (length * dpi + DESIGN_DPI // 2) // DESIGN_DPI


def expand_555(value):
    """An 8-bit component as a 5-5-5 pixel shows it: its top five bits, with
    their top three repeated below them (0 to 0, 31 to 255)."""
    five = value >> 3
    return five << 3 | five >> 2


def alike(colour):
    """A colour that 16- and 24-bit pictures show alike: one a 5-5-5 pixel shows."""
    return tuple(expand_555(v) for v in colour)


KEY_TEAL = (0, 128, 128)  # cut out of the panel window
PANEL_TEAL = (0, 66, 74)  # panel interior, behind every picture: alike((0, 64, 72))
PANEL_EDGE = (72, 160, 168)
THUMB_KEY = (255, 0, 255)  # the thumb's transparent colour, read from its top-left pixel

# The colours of the pictures, most in 16- and 24-bit pictures alike.
CAPTION = alike((232, 240, 240))
OUTLINE = alike((16, 24, 32))
SUN = alike((255, 208, 40))
SUN_DARK = alike((80, 88, 96))
STEEL = alike((200, 206, 212))
RED = alike((220, 32, 32))
WHITE = alike((250, 250, 250))
GREEN = alike((48, 176, 72))
GROOVE = alike((0, 28, 34))
BUZZER_BODY = alike((40, 48, 56))

FONT_DIR = Path("/usr/share/fonts/truetype/dejavu")


@functools.lru_cache(maxsize=None)
def bold_font(pixels):
    return ImageFont.truetype(str(FONT_DIR / "DejaVuSansCondensed-Bold.ttf"), pixels)


def caption_font(dpi):
    return bold_font(scaled(8, dpi))


def label_font(dpi):
    return bold_font(scaled(9, dpi))


# ---------------------------------------------------------------- drawing helpers

class Sketch:
    """A picture whose shapes are drawn supersampled, in 100 % coordinates
    (width and height too) that are scaled by dpi, or by unit when given."""

    def __init__(self, width, height, dpi=DESIGN_DPI, background=PANEL_TEAL, mode="RGB",
                 unit=None):
        self.unit = (unit or dpi / DESIGN_DPI) * SCALE
        size = (width, height) if unit else (scaled(width, dpi), scaled(height, dpi))
        self.image = Image.new(mode, (size[0] * SCALE, size[1] * SCALE), background)
        self.draw = ImageDraw.Draw(self.image)

    def _xy(self, points):
        return [round(v * self.unit) for v in points]

    def _w(self, width):
        return round(width * self.unit)

    def ellipse(self, box, fill=None, outline=None, width=0):
        self.draw.ellipse(self._xy(box), fill=fill, outline=outline, width=self._w(width))

    def circle(self, cx, cy, r, **kw):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), **kw)

    def pieslice(self, box, start, end, fill):
        self.draw.pieslice(self._xy(box), start, end, fill=fill)

    def arc(self, box, start, end, fill, width):
        self.draw.arc(self._xy(box), start, end, fill=fill, width=self._w(width))

    def rect(self, box, fill=None, outline=None, width=0, radius=0):
        self.draw.rounded_rectangle(self._xy(box), radius=self._w(radius), fill=fill,
                                    outline=outline, width=self._w(width))

    def polygon(self, points, fill):
        flat = self._xy([v for p in points for v in p])
        self.draw.polygon(list(zip(flat[0::2], flat[1::2])), fill=fill)

    def line(self, points, fill, width):
        flat = self._xy([v for p in points for v in p])
        self.draw.line(list(zip(flat[0::2], flat[1::2])), fill=fill, width=self._w(width))
        for x, y in zip(flat[0::2], flat[1::2]):  # round caps
            r = width * self.unit / 2
            self.draw.ellipse((x - r, y - r, x + r, y + r), fill=fill)

    def finish(self):
        return self.image.reduce(SCALE)


def text(image, xy, label, font, fill, anchor):
    ImageDraw.Draw(image).text(xy, label, font=font, fill=fill, anchor=anchor)


def caption(image, label, baseline, dpi):
    """A caption centred on whole pixels: fractional origins upset the glyph hinting."""
    font = caption_font(dpi)
    left = (image.width - round(font.getlength(label))) // 2
    text(image, (left, scaled(baseline, dpi)), label, font, CAPTION, anchor="ls")


def label(image, centre, words, colour, dpi):
    """A label centred on a 100 % point of the picture."""
    text(image, (scaled(centre[0], dpi), scaled(centre[1], dpi)), words, label_font(dpi), colour,
         anchor="mm")


def sun(s, cx, cy, r, ray_len, ray_width, left=SUN, right=SUN):
    """A sun disc with eight rays; the halves may differ (a half-dark sun)."""
    for i in range(8):
        a = math.pi * (2 * i + 1) / 8
        dx, dy = math.cos(a), math.sin(a)
        colour = right if dx > 0 else left
        s.line([(cx + dx * (r + 1.5), cy + dy * (r + 1.5)),
                (cx + dx * (r + ray_len), cy + dy * (r + ray_len))], colour, ray_width)
    box = (cx - r, cy - r, cx + r, cy + r)
    s.pieslice(box, 90, 270, left)
    s.pieslice(box, 270, 90, right)


def speaker(s, x, cy, size=1.0):
    """A loudspeaker facing right; x is the back of its box."""
    bw, bh, cw, ch = 7 * size, 12 * size, 10 * size, 30 * size
    s.polygon([(x, cy - bh / 2), (x + bw, cy - bh / 2), (x + bw + cw, cy - ch / 2),
               (x + bw + cw, cy + ch / 2), (x + bw, cy + bh / 2), (x, cy + bh / 2)],
              fill=OUTLINE)
    inset = 1.2
    s.polygon([(x + inset, cy - bh / 2 + inset), (x + bw, cy - bh / 2 + inset),
               (x + bw + cw - inset, cy - ch / 2 + inset * 2),
               (x + bw + cw - inset, cy + ch / 2 - inset * 2),
               (x + bw, cy + bh / 2 - inset), (x + inset, cy + bh / 2 - inset)], fill=STEEL)
    s.line([(x + bw, cy - bh / 2 + inset), (x + bw, cy + bh / 2 - inset)], OUTLINE, 0.8)


def waves(s, cx, cy, radii, colour=WHITE, width=2):
    for r in radii:
        s.arc((cx - r, cy - r, cx + r, cy + r), -45, 45, colour, width)


def red_cross(s, x0, y0, x1, y1, width):
    for a, b in (((x0, y0), (x1, y1)), ((x0, y1), (x1, y0))):
        s.line([a, b], WHITE, width + 2)
    for a, b in (((x0, y0), (x1, y1)), ((x0, y1), (x1, y0))):
        s.line([a, b], RED, width)


# ---------------------------------------------------------------- panel pictures

BUTTON_W, BUTTON_H = 55, 62
CAPTION_BASELINE = 57


def background(width, dpi):
    """Panel background: dark teal rounded rectangle, key colour outside it."""
    w, h, rim = scaled(width, dpi), scaled(70, dpi), scaled(1, dpi)
    image = Image.new("RGB", (w, h), KEY_TEAL)
    draw = ImageDraw.Draw(image)
    for step, colour in enumerate((PANEL_EDGE, (0, 40, 48), PANEL_TEAL)):
        inset = step * rim
        draw.rounded_rectangle((inset, inset, w - 1 - inset, h - 1 - inset),
                               radius=scaled(12 - step, dpi), fill=colour)
    return image


def separator(dpi):
    w, h = scaled(3, dpi), scaled(BUTTON_H, dpi)
    image = Image.new("RGB", (w, h), PANEL_TEAL)
    columns = (GROOVE, (24, 104, 112), (0, 48, 56))
    for y in range(scaled(4, dpi), h - scaled(4, dpi)):
        for x in range(w):
            image.putpixel((x, y), columns[x * 3 // w])
    return image


def bulb(state, dpi):
    """Light bulb: state 'off' (dark, OFF), 'on' (lit, rays, ON) or 'plain'."""
    s = Sketch(BUTTON_W, BUTTON_H, dpi)
    cx, cy, r = 27.5, 20, 11
    glass = {"off": (84, 92, 100), "on": (255, 222, 64), "plain": (244, 236, 190)}[state]
    if state == "on":
        for i in range(7):
            a = math.pi + i * math.pi / 6
            s.line([(cx + math.cos(a) * (r + 3), cy + math.sin(a) * (r + 3)),
                    (cx + math.cos(a) * (r + 7.5), cy + math.sin(a) * (r + 7.5))], SUN, 1.6)
    s.circle(cx, cy, r + 1, fill=OUTLINE)
    s.circle(cx, cy, r, fill=glass)
    s.polygon([(cx - 6, cy + 7), (cx + 6, cy + 7), (cx + 5, cy + 14), (cx - 5, cy + 14)], fill=glass)
    if state != "off":
        s.circle(cx - 5.5, cy - 5.5, 2.5, fill=(255, 255, 240))
    s.rect((cx - 6, cy + 13, cx + 6, cy + 22), fill=(176, 180, 188), outline=OUTLINE, width=1)
    for y in (cy + 16, cy + 19):
        s.line([(cx - 5, y), (cx + 5, y)], (96, 100, 108), 1)
    s.rect((cx - 3, cy + 22, cx + 3, cy + 25), fill=OUTLINE, radius=1)
    image = s.finish()
    if state == "on":
        label(image, (28, 21), "ON", (120, 72, 0), dpi)
    elif state == "off":
        label(image, (28, 21), "OFF", (220, 226, 232), dpi)
    caption(image, "Backlight", CAPTION_BASELINE, dpi)
    return image


def speaker_button(extra, dpi):
    """Speaker: extra is None, 'muted' (red no-entry sign) or 'waves'."""
    s = Sketch(BUTTON_W, BUTTON_H, dpi)
    cy = 23
    if extra is None:
        speaker(s, 18, cy)
    else:
        speaker(s, 9, cy)
    if extra == "waves":
        waves(s, 27, cy, (7, 12.5, 18), width=2.2)
    elif extra == "muted":
        s.circle(37, 31, 11, fill=WHITE)
        s.circle(37, 31, 10, fill=RED)
        s.rect((30, 29, 44, 33), fill=WHITE, radius=1)
    image = s.finish()
    caption(image, "Volume", CAPTION_BASELINE, dpi)
    return image


def note(s, x, y, colour):
    """Two beamed quavers; (x, y) is the centre of the left note head."""
    for hx, hy in ((x, y), (x + 12, y - 3)):
        s.ellipse((hx - 4, hy - 3, hx + 4, hy + 3), fill=colour)
        s.line([(hx + 3.3, hy - 1), (hx + 3.3, hy - 19)], colour, 1.6)
    s.polygon([(x + 2.5, y - 20.5), (x + 16, y - 23.5), (x + 16, y - 19.5), (x + 2.5, y - 16.5)],
              fill=colour)


def buzzer(on, dpi):
    s = Sketch(BUTTON_W, BUTTON_H, dpi)
    s.rect((5, 30, 29, 43), fill=OUTLINE, radius=2)
    s.rect((6.5, 31.5, 27.5, 41.5), fill=BUZZER_BODY, radius=1)
    s.rect((29, 33.5, 32, 39.5), fill=OUTLINE)
    for i in range(3):
        s.rect((8 + i * 6.5, 33, 12.5 + i * 6.5, 40), fill=GREEN)
    note(s, 30, 26, WHITE if on else (176, 184, 190))
    if not on:
        s.line([(24, 6), (52, 32)], WHITE, 4.2)
        s.line([(24, 6), (52, 32)], RED, 2.6)
    image = s.finish()
    caption(image, "Buzzer", CAPTION_BASELINE, dpi)
    return image


def padlock(locked, dpi):
    s = Sketch(BUTTON_W, BUTTON_H, dpi)
    # keypad with three by four keys
    s.rect((3, 5, 30, 44), fill=OUTLINE, radius=3)
    s.rect((4.5, 6.5, 28.5, 42.5), fill=(64, 72, 82), radius=2)
    for row in range(4):
        for col in range(3):
            x, y = 7.5 + col * 7, 9.5 + row * 8
            s.rect((x, y, x + 5, y + 5.5), fill=(200, 206, 214), radius=1)
    # padlock in front of it
    gold, cx = (232, 180, 48), 38
    lift = 0 if locked else 7
    shackle_box = (cx - 7.5, 13 - lift, cx + 7.5, 31 - lift)
    s.arc(shackle_box, 180, 360, OUTLINE, 4.6)
    s.arc(shackle_box, 180, 360, STEEL, 2.6)
    legs = [cx + 6.2] if not locked else [cx - 6.2, cx + 6.2]
    for lx in legs:
        s.line([(lx, 22 - lift), (lx, 28)], OUTLINE, 4.6)
        s.line([(lx, 22 - lift), (lx, 28)], STEEL, 2.6)
    if not locked:
        s.line([(cx - 6.2, 22 - lift), (cx - 6.2, 24 - lift)], OUTLINE, 4.6)
        s.line([(cx - 6.2, 22 - lift), (cx - 6.2, 24 - lift)], STEEL, 2.6)
    s.rect((cx - 10, 26, cx + 10, 44), fill=OUTLINE, radius=2)
    s.rect((cx - 8.8, 27.2, cx + 8.8, 42.8), fill=gold, radius=1.5)
    s.circle(cx, 33, 2.2, fill=OUTLINE)
    s.polygon([(cx - 1.2, 33), (cx + 1.2, 33), (cx + 1.6, 39), (cx - 1.6, 39)], fill=OUTLINE)
    if not locked:
        # a key lying beside the open lock
        s.circle(48.5, 6.5, 3.6, fill=gold, outline=OUTLINE, width=1)
        s.circle(48.5, 6.5, 1.2, fill=PANEL_TEAL)
        s.line([(46.5, 9.5), (40, 19)], OUTLINE, 2.8)
        s.line([(46.5, 9.5), (40, 19)], gold, 1.4)
        s.line([(41.5, 16.5), (44, 18.5)], gold, 1.4)
    image = s.finish()
    caption(image, "PadLock", CAPTION_BASELINE, dpi)
    return image


def round_button(width, height, cx, cy, r, face, words, label_colour, baseline, dpi):
    s = Sketch(width, height, dpi)
    s.circle(cx, cy, r + 2, fill=OUTLINE)
    s.circle(cx, cy, r + 1, fill=(150, 160, 168))
    dark = tuple(c * 3 // 5 for c in face)
    s.circle(cx, cy, r - 0.5, fill=dark)
    s.circle(cx - 0.8, cy - 0.8, r - 2, fill=face)
    light = tuple(min(255, c + (255 - c) // 2) for c in face)
    s.ellipse((cx - r * 0.55, cy - r * 0.8, cx + r * 0.35, cy - r * 0.35), fill=light)
    image = s.finish()
    if words:
        label(image, (round(cx), round(cy) + 1), words, label_colour, dpi)
    caption(image, "Auto-dimming", baseline, dpi)
    return image


def dimming_button(on, dpi):
    if on:
        return round_button(77, 62, 38.5, 23, 17, (40, 184, 72), "ON", WHITE, CAPTION_BASELINE,
                            dpi)
    return round_button(77, 62, 38.5, 23, 17, (104, 112, 120), "OFF", (236, 240, 244),
                        CAPTION_BASELINE, dpi)


def dimming_none(dpi):
    return round_button(62, 57, 31, 21, 15, (40, 184, 72), None, None, 52, dpi)


# ---------------------------------------------------------------- slider

CHANNEL_W, CHANNEL_H = 182, 62
THUMB_W, THUMB_H = 23, 11
THUMB_TOP = 22  # the panel places the thumb's top edge 22 pixels down (at 100 %)


def channel(kind, dpi):
    """Slider channel: level symbols above the groove, ticks below, caption."""
    s = Sketch(CHANNEL_W, CHANNEL_H, dpi)
    mid = THUMB_TOP + THUMB_H / 2
    left, right = THUMB_W // 2, CHANNEL_W - 1 - THUMB_W // 2
    # a wedge that grows towards the high end
    ramp = (40, 124, 132)
    s.polygon([(left + 14, 17), (right - 19, 17), (right - 19, 8)], fill=ramp)
    if kind == "brightness":
        sun(s, left, 11, 2.6, 3.2, 1.0)
        sun(s, right - 2, 10, 4.2, 4.6, 1.3)
    else:
        speaker(s, left - 6, 11, size=0.5)
        speaker(s, right - 15, 11, size=0.65)
        waves(s, right - 15 + 11, 11, (3.5, 6.5), width=1.2)
    s.rect((left - 4, mid - 3, right + 4, mid + 3), fill=(0, 96, 104), radius=3)
    s.rect((left - 4, mid - 3, right + 4, mid + 2), fill=GROOVE, radius=3)
    image = s.finish()
    draw = ImageDraw.Draw(image)
    # One tick per level, where the thumb's centre stands at this scale.
    thumb_w = scaled(THUMB_W, dpi)
    span = image.width - thumb_w
    tick = scaled(1, dpi)
    for v in range(21):
        x = int(span * (v / 20)) + thumb_w // 2 - (tick - 1) // 2
        bottom = scaled(38 if v % 5 else 40, dpi)
        draw.rectangle((x, scaled(36, dpi), x + tick - 1, bottom), fill=(120, 180, 188))
    caption(image, "Brightness" if kind == "brightness" else "Volume", CAPTION_BASELINE, dpi)
    return image


def thumb(dpi):
    w, h, edge = scaled(THUMB_W, dpi), scaled(THUMB_H, dpi), scaled(1, dpi)
    image = Image.new("RGB", (w, h), THUMB_KEY)
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle((0, 0, w - 1, h - 1), radius=scaled(3, dpi), fill=OUTLINE)
    # Light at the top, darker below, inside the outline.
    face = Image.new("RGB", (w, h))
    for y in range(h):
        shade = 236 - round(y * DESIGN_DPI / dpi) * 9
        ImageDraw.Draw(face).line((0, y, w - 1, y), fill=(shade, shade + 4, shade + 8))
    inside = Image.new("1", (w, h), 0)
    ImageDraw.Draw(inside).rounded_rectangle((edge, edge, w - 1 - edge, h - 1 - edge),
                                             radius=scaled(2, dpi), fill=1)
    image.paste(face, mask=inside)
    for x in (8, 11, 14):
        left = scaled(x, dpi)
        draw.rectangle((left, scaled(3, dpi), left + edge - 1, h - 1 - scaled(3, dpi)),
                       fill=(80, 88, 96))
    return image


# ---------------------------------------------------------------- icons

def indicator_icon(half_dark, crossed, size):
    """Tray icons: a sun over a level bar (or a half-dark sun), maybe crossed
    out; drawn on a 32-unit grid scaled to size."""
    s = Sketch(size, size, background=(0, 0, 0, 0), mode="RGBA", unit=size / 32)
    if half_dark:
        sun(s, 16, 16, 7, 7, 2.2, right=SUN_DARK)
        s.circle(16, 16, 7.6, outline=OUTLINE + (255,), width=1)
    else:
        sun(s, 16, 11, 5.5, 5, 2)
        s.rect((2, 24, 30, 30), fill=OUTLINE + (255,), radius=2)
        s.rect((3.2, 25.2, 28.8, 28.8), fill=(60, 66, 72, 255), radius=1)
        s.rect((3.2, 25.2, 19, 28.8), fill=SUN + (255,), radius=1)
    if crossed:
        red_cross(s, 18, 18, 29.5, 29.5, 3.4)
    return s.finish()


def application_icon(size):
    """The generic application icon: a window with a title bar and a slider in it."""
    u = size / 16
    s = Sketch(size, size, background=(0, 0, 0, 0), mode="RGBA")
    s.rect((0.5 * u, 1.5 * u, 15.5 * u, 14.5 * u), fill=OUTLINE + (255,), radius=u)
    s.rect((1.3 * u, 2.3 * u, 14.7 * u, 13.7 * u), fill=(240, 240, 240, 255), radius=0.5 * u)
    # colours of the 16-colour palette, so that all depths look alike
    s.rect((1.3 * u, 2.3 * u, 14.7 * u, 5 * u), fill=(0, 0, 128, 255))
    s.rect((3 * u, 7 * u, 13 * u, 12 * u), fill=(0, 128, 128, 255), radius=u)
    s.rect((4 * u, 9 * u, 12 * u, 10 * u), fill=(0, 0, 0, 255))
    s.rect((7 * u, 8 * u, 9 * u, 11 * u), fill=(192, 192, 192, 255))
    return s.finish()


# ---------------------------------------------------------------- file writers

def dib_rows(width, height, bits, pixel_bytes):
    """Rows of a bottom-up DIB, each padded to a multiple of four bytes."""
    stride = (width * bits + 31) // 32 * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = pixel_bytes(y)
        out += row + bytes(stride - len(row))
    return bytes(out)


def quantise_555(image):
    """The picture as a 5-5-5 bitmap shows it (see expand_555)."""
    return image.point(expand_555)


def rle8_row(indices):
    """One row in BI_RLE8: runs of one index as (count, index), stretches of
    differing indices in absolute mode (0, count, indices, padded to a word)."""
    out = bytearray()
    literal = []

    def flush():
        if len(literal) >= 3:
            out.extend((0, len(literal), *literal))
            if len(literal) % 2:
                out.append(0)
        else:
            for index in literal:
                out.extend((1, index))
        literal.clear()

    x = 0
    while x < len(indices):
        run = 1
        while x + run < len(indices) and run < 255 and indices[x + run] == indices[x]:
            run += 1
        if run >= 3:
            flush()
            out.extend((run, indices[x]))
        else:
            literal.extend(indices[x:x + run])
            if len(literal) >= 252:
                flush()
        x += run
    flush()
    return bytes(out)


def bmp_bytes(image, bits):
    """The picture as an 8-bit, BI_RLE8 compressed DIB whose palette is the
    picture's own colours at its depth (16: as 5-5-5 pixels show them): as
    exact as a 16- or 24-bit DIB, at a fraction of the size."""
    shown = quantise_555(image) if bits == 16 else image
    w, h = shown.size
    colours = sorted(c for _, c in shown.getcolors(256 * 256))
    if len(colours) > 256:
        raise ValueError(f"{len(colours)} colours do not fit a 256-colour palette")
    index = {c: i for i, c in enumerate(colours)}
    px = shown.load()
    pixels = b"".join(rle8_row([index[px[x, y]] for x in range(w)]) + b"\0\0"
                      for y in range(h - 1, -1, -1))[:-2] + b"\0\1"
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(pixels), 0, 0, len(colours),
                       len(colours))
    offset = 14 + len(info) + len(palette)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + palette
            + pixels)


def icon_palette(bits):
    """Fixed palettes: the 16 standard colours, or a 6x6x6 cube with a grey ramp."""
    if bits == 4:
        colours = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
                   (128, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128),
                   (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
                   (0, 255, 255), (255, 255, 255)]
    else:
        levels = (0, 51, 102, 153, 204, 255)
        colours = [(r, g, b) for r in levels for g in levels for b in levels]
        colours += [(v, v, v) for v in range(8, 256, 6)][:256 - len(colours)]
        colours += [(0, 0, 0)] * (256 - len(colours))
    return colours


def icon_image_bytes(image, bits):
    """One icon image: BITMAPINFOHEADER, palette, colour rows and AND mask rows."""
    w, h = image.size
    alpha = image.getchannel("A").point(lambda a: 255 if a >= 128 else 0)
    rgb = Image.new("RGB", (w, h), (0, 0, 0))
    rgb.paste(image.convert("RGB"), mask=alpha)  # transparent pixels stay black
    palette = []
    if bits == 24:
        px = rgb.load()
        colour = dib_rows(w, h, 24, lambda y: b"".join(
            bytes((px[x, y][2], px[x, y][1], px[x, y][0])) for x in range(w)))
    else:
        palette = icon_palette(bits)
        pal_image = Image.new("P", (1, 1))
        pal_image.putpalette([v for c in palette for v in c])
        indexed = rgb.quantize(palette=pal_image, dither=Image.Dither.NONE)
        ix = indexed.load()
        if bits == 8:
            colour = dib_rows(w, h, 8, lambda y: bytes(ix[x, y] for x in range(w)))
        else:
            colour = dib_rows(w, h, 4, lambda y: bytes(
                ix[x, y] << 4 | ix[x + 1, y] for x in range(0, w, 2)))
    ax = alpha.load()
    mask = dib_rows(w, h, 1, lambda y: bytes(
        sum((0 if x + b < w and ax[x + b, y] else 1) << (7 - b) for b in range(8))
        for x in range(0, w, 8)))
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, len(colour) + len(mask),
                       0, 0, 0, 0)
    return info + b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + colour + mask


def ico_bytes(images):
    """An .ico file from (RGBA image, bits per pixel) pairs."""
    blobs = [(img, bits, icon_image_bytes(img, bits)) for img, bits in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for img, bits, blob in blobs:
        out += struct.pack("<BBBBHHII", img.width % 256, img.height % 256,
                           16 if bits == 4 else 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blob for _, _, blob in blobs)


def icon_preview(images):
    """All images of an icon side by side on a checkerboard, as they would show."""
    width = sum(img.width + 4 for img, _ in images) + 4
    height = max(img.height for img, _ in images) + 8
    sheet = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            sheet.putpixel((x, y), (200, 200, 200) if (x // 4 + y // 4) % 2 else (150, 150, 150))
    x = 4
    for img, bits in images:
        rgba = Image.open(io.BytesIO(ico_bytes([(img, bits)]))).convert("RGBA")
        sheet.paste(rgba, (x, 4), rgba)
        x += img.width + 4
    return sheet


# ---------------------------------------------------------------- the resources

BITMAPS = {
    157: (dimming_none, 16),
    158: (functools.partial(bulb, "off"), 16),
    159: (functools.partial(bulb, "on"), 16),
    160: (separator, 16),
    161: (functools.partial(background, 330), 24),
    162: (functools.partial(background, 390), 24),
    163: (functools.partial(background, 455), 24),
    164: (functools.partial(background, 530), 24),
    165: (functools.partial(dimming_button, False), 16),
    166: (functools.partial(dimming_button, True), 16),
    167: (functools.partial(channel, "brightness"), 16),
    168: (thumb, 16),
    169: (functools.partial(channel, "volume"), 16),
    170: (functools.partial(bulb, "plain"), 16),
    171: (functools.partial(speaker_button, None), 24),
    172: (functools.partial(speaker_button, "muted"), 24),
    173: (functools.partial(speaker_button, "waves"), 24),
    174: (functools.partial(buzzer, False), 16),
    175: (functools.partial(buzzer, True), 24),
    176: (functools.partial(padlock, False), 24),
    177: (functools.partial(padlock, True), 24),
}


def tray_icon(half_dark, crossed):
    return lambda: [(indicator_icon(half_dark, crossed, size), 8) for size in TRAY_ICON_SIZES]


ICONS = {
    128: lambda: [(application_icon(size), bits) for bits in (4, 8, 24) for size in (48, 32, 16)],
    135: tray_icon(half_dark=False, crossed=True),
    136: tray_icon(half_dark=False, crossed=False),
    137: tray_icon(half_dark=True, crossed=True),
    138: tray_icon(half_dark=True, crossed=False),
}


def set_ids():
    """(dpi, id offset) of each set."""
    return [(dpi, index * set_step()) for index, dpi in enumerate(SET_DPIS)]


def output_names():
    """The files the tool writes into its output folder."""
    bitmaps = [f"bitmap_{rid + offset}.bmp" for _, offset in set_ids() for rid in BITMAPS]
    return bitmaps + ["bitmap_sets.rc"] + [f"icon_{rid}.ico" for rid in ICONS]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", type=Path)
    parser.add_argument("--preview", type=Path, help="also write PNG previews here")
    parser.add_argument("--list", action="store_true", help="only print the files' paths")
    args = parser.parse_args()
    if args.list:
        print("\n".join(str(args.output / name) for name in output_names()))
        return
    args.output.mkdir(parents=True, exist_ok=True)
    if args.preview:
        args.preview.mkdir(parents=True, exist_ok=True)
    entries = []
    for dpi, offset in set_ids():
        for rid, (draw, bits) in BITMAPS.items():
            image = draw(dpi)
            name = f"bitmap_{rid + offset}.bmp"
            (args.output / name).write_bytes(bmp_bytes(image, bits))
            if offset:
                entries.append(f'{rid + offset} BITMAP "{name}"')
            if args.preview:
                shown = quantise_555(image) if bits == 16 else image
                shown.save(args.preview / f"bitmap_{rid + offset}.png")
    (args.output / "bitmap_sets.rc").write_text(
        "// The 150 % and 200 % sets, drawn by draw_artwork.py.\n" + "\n".join(entries) + "\n")
    for rid, draw in ICONS.items():
        images = draw()
        (args.output / f"icon_{rid}.ico").write_bytes(ico_bytes(images))
        if args.preview:
            icon_preview(images).save(args.preview / f"icon_{rid}.png")


if __name__ == "__main__":
    main()
