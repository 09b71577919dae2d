#!/usr/bin/python3
"""Checks the compiled resources as the program will carry them: reads the
resource object and compares dialogs, menu, string and version record with
what the program expects.

Usage: check_resources.py RESOURCE_OBJECT"""

import struct
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent / "artwork"))
from draw_artwork import set_step  # noqa: E402  (the tool beside this file)

RT_BITMAP, RT_MENU, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION = 2, 4, 5, 6, 14, 16
RT_MANIFEST = 24
LANGUAGE = 1028  # every resource but the manifest, which is language neutral
WS_VISIBLE = 0x10000000

STATIC, BUTTON = "static", "button"
CLASS_ORDINALS = {0x80: BUTTON, 0x82: STATIC}
SS_BITMAP, SS_ICON, SS_NOTIFY, SS_REALSIZEIMAGE = 0xE, 0x3, 0x100, 0x800
SS_NOPREFIX, BS_OWNERDRAW, BS_DEFPUSHBUTTON, WS_TABSTOP = 0x80, 0xB, 0x1, 0x10000
WS_EX_TRANSPARENT = 0x20

# Each control: id, class, title (an int is a resource ordinal), style bits that
# must be set, visible, extended style, rectangle in dialog units.
PANEL_CONTROLS = [
    (1002, STATIC, 167, SS_BITMAP | SS_NOTIFY | WS_TABSTOP, True, WS_EX_TRANSPARENT, (81, 2, 121, 38)),
    (1014, STATIC, 160, SS_BITMAP | SS_REALSIZEIMAGE, False, WS_EX_TRANSPARENT, (131, 35, 4, 38)),
    (1010, STATIC, 160, SS_BITMAP | SS_REALSIZEIMAGE, True, WS_EX_TRANSPARENT, (37, 2, 4, 38)),
    (-1, STATIC, 164, SS_BITMAP, True, 0, (0, 0, 353, 43)),
    (1003, BUTTON, "dimming", BS_OWNERDRAW | WS_TABSTOP, False, 0, (90, 39, 26, 17)),
    (1009, BUTTON, "functionBtn", BS_OWNERDRAW | WS_TABSTOP, True, 0, (43, 2, 27, 13)),
    (1011, BUTTON, "switch", BS_OWNERDRAW | WS_TABSTOP, True, 0, (0, 2, 27, 13)),
    (1012, STATIC, 160, SS_BITMAP | SS_REALSIZEIMAGE, False, WS_EX_TRANSPARENT, (67, 38, 4, 38)),
    (1013, STATIC, 160, SS_BITMAP | SS_REALSIZEIMAGE, False, WS_EX_TRANSPARENT, (81, 38, 4, 38)),
    (1005, BUTTON, "Buzzer", BS_OWNERDRAW | WS_TABSTOP, False, 0, (35, 25, 26, 17)),
    (1006, BUTTON, "Lock", BS_OWNERDRAW | WS_TABSTOP, False, 0, (4, 25, 26, 17)),
]
ABOUT_CONTROLS = [
    (-1, STATIC, 138, SS_ICON, True, 0, (10, 15, 20, 20)),
    (-1, STATIC, "Lumitrax Version 2.1", SS_NOPREFIX, True, 0, (43, 5, 77, 8)),
    (-1, STATIC, None, 0, True, 0, (47, 38, 68, 8)),  # the year line, any text
    (1, BUTTON, "OK", BS_DEFPUSHBUTTON, True, 0, (137, 15, 50, 20)),
    (1015, STATIC, "Lumitrax Version 2.0", 0, True, 0, (43, 16, 78, 8)),
    (1016, STATIC, "Lumitrax Version 2.0", 0, True, 0, (43, 27, 77, 8)),
]
# (style, extended style, caption, width, height)
DIALOGS = {
    100: (0x80C80080, 0, "About Lumitrax", 194, 51, ABOUT_CONTROLS),  # popup, caption, sysmenu, modal frame
    102: (0x90080200, 0x88, "", 345, 76, PANEL_CONTROLS),  # popup, visible, sysmenu, set-foreground
}
MENU = [(" ", [("About Lumitrax", 32772),
               ("Environment", [("Office", 32774), ("Normal", 32775),
                                ("Factory", 32776), ("Outdoor", 32777)])])]
VERSION_STRINGS = {"FileDescription": "Lumitrax", "ProductName": "Lumitrax",
                   "InternalName": "Lumitrax.exe", "OriginalFilename": "Lumitrax.exe"}

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)
    return condition


class Reader:
    def __init__(self, data, at=0):
        self.data, self.at = data, at

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def name(self):
        """A string or, after 0xFFFF, a 16-bit ordinal."""
        if struct.unpack_from("<H", self.data, self.at)[0] == 0xFFFF:
            self.at += 2
            return self.take("H")
        return self.text()

    def skip(self, n):
        self.at += n

    def align(self, n=4):
        self.at = (self.at + n - 1) // n * n


def read_object_resources(data):
    """{(type, name): (language, data)} from the resource section of a COFF object.

    The section holds the resource directory tree (type, name, language); data
    offsets in it are relative to the section until the linker relocates them."""
    sections = struct.unpack_from("<H", data, 2)[0]
    optional = struct.unpack_from("<H", data, 16)[0]
    for i in range(sections):
        name, _, _, size, raw = struct.unpack_from("<8sIIII", data, 20 + optional + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            rsrc = data[raw:raw + size]
            break
    else:
        return {}

    def entries(at):
        named, numbered = struct.unpack_from("<HH", rsrc, at + 12)
        for i in range(named + numbered):
            key, target = struct.unpack_from("<II", rsrc, at + 16 + 8 * i)
            if key & 0x80000000:
                length = struct.unpack_from("<H", rsrc, key & 0x7FFFFFFF)[0]
                start = (key & 0x7FFFFFFF) + 2
                key = rsrc[start:start + 2 * length].decode("utf-16-le")
            yield key, target & 0x7FFFFFFF

    resources = {}
    for kind, names in entries(0):
        for name, languages in entries(names):
            for language, leaf in entries(languages):
                offset, size = struct.unpack_from("<II", rsrc, leaf)
                resources[(kind, name)] = (language, rsrc[offset:offset + size])
    return resources


def check_dialog(rid, body, expected):
    style, ex_style, caption, cx, cy, controls = expected
    r = Reader(body)
    version, signature, _, d_ex, d_style, count, _, _, d_cx, d_cy = r.take("HHIIIHhhhh")
    if not expect((version, signature) == (1, 0xFFFF), f"dialog {rid}: not an extended template"):
        return
    menu, klass, title = r.name(), r.name(), r.text()
    points, _, _, _ = r.take("HHBB")
    font = r.text()
    expect(d_style & ~0x40 == style and d_ex == ex_style,  # 0x40: DS_SETFONT
           f"dialog {rid}: style {d_style:#x}/{d_ex:#x}, expected {style:#x}/{ex_style:#x}")
    expect((menu, klass, title, d_cx, d_cy) == ("", "", caption, cx, cy),
           f"dialog {rid}: menu {menu!r} class {klass!r} caption {title!r} size {d_cx}x{d_cy}")
    expect((points, font) == (8, "MS Shell Dlg"), f"dialog {rid}: font {font} {points}")
    expect(count == len(controls), f"dialog {rid}: {count} controls, expected {len(controls)}")
    for i, (cid, cclass, ctitle, bits, visible, cex, rect) in enumerate(controls[:count]):
        r.align()
        _, c_ex, c_style, x, y, w, h, c_id = r.take("IIIhhhhi")
        c_class, c_title = r.name(), r.name()
        c_class = CLASS_ORDINALS.get(c_class, str(c_class).lower())
        r.skip(r.take("H"))  # creation data
        where = f"dialog {rid} control {i} (id {c_id})"
        expect(c_id == cid, f"{where}: expected id {cid}")
        expect(c_class == cclass, f"{where}: class {c_class}, expected {cclass}")
        expect(ctitle is None or c_title == ctitle,
               f"{where}: title {c_title!r}, expected {ctitle!r}")
        expect(c_style & bits == bits and bool(c_style & WS_VISIBLE) == visible,
               f"{where}: style {c_style:#x}, expected bits {bits:#x}, visible {visible}")
        expect(c_ex == cex and (x, y, w, h) == rect,
               f"{where}: extended style {c_ex:#x} rect {(x, y, w, h)}, expected {cex:#x} {rect}")


def read_menu(r):
    items = []
    while True:
        flags = r.take("H")
        if flags & 0x10:  # MF_POPUP
            items.append((r.text(), read_menu(r)))
        else:
            command = r.take("H")
            items.append((r.text(), command))
        if flags & 0x80:  # MF_END
            return items


def read_version(body):
    """A version record's nodes: {key: value}, the fixed file info as a tuple,
    text values as strings, other values as bytes, blocks as None."""
    nodes = {}

    def node(at):
        length, value_length, kind = struct.unpack_from("<HHH", body, at)
        r = Reader(body, at + 6)
        key = r.text()
        r.align()
        if key == "VS_VERSION_INFO":
            nodes[key] = struct.unpack_from("<13I", body, r.at)
        elif kind == 1 and value_length:
            nodes[key] = Reader(body, r.at).text()
        else:
            nodes[key] = body[r.at:r.at + value_length] if value_length else None
        r.at += value_length * (2 if kind == 1 else 1)
        r.align()
        while r.at < at + length:
            r.at = node(r.at)
            r.align()
        return at + length

    node(0)
    return nodes


def check_manifest(body):
    """The application manifest: run as the user, no virtualisation; common
    controls 6; every system from Vista to 11 named as supported; aware of
    each monitor's scale, with the forms older systems read."""
    ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v2": "urn:schemas-microsoft-com:asm.v2",
          "v3": "urn:schemas-microsoft-com:asm.v3",
          "c": "urn:schemas-microsoft-com:compatibility.v1",
          "s5": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
          "s16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
    try:
        root = ElementTree.fromstring(body)
    except ElementTree.ParseError as error:
        expect(False, f"manifest: not well-formed XML ({error})")
        return
    level = root.find("v2:trustInfo/v2:security/v2:requestedPrivileges/v2:requestedExecutionLevel", ns)
    expect(level is not None and level.get("level") == "asInvoker" and level.get("uiAccess") == "false",
           "manifest: no asInvoker execution level in the asm.v2 trust information")
    controls = [a.get("name") + " " + a.get("version") for a in
                root.findall("v1:dependency/v1:dependentAssembly/v1:assemblyIdentity", ns)]
    expect(controls == ["Microsoft.Windows.Common-Controls 6.0.0.0"],
           f"manifest: dependencies {controls}")
    systems = {s.get("Id") for s in root.findall("c:compatibility/c:application/c:supportedOS", ns)}
    expect(systems == {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                       "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                       "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
           f"manifest: supported systems {sorted(systems)}")
    settings = "v3:application/v3:windowsSettings/"
    aware = root.findtext(settings + "s5:dpiAware", None, ns)
    awareness = root.findtext(settings + "s16:dpiAwareness", None, ns)
    expect(aware == "true/pm" and awareness == "PerMonitorV2, PerMonitor",
           f"manifest: dpiAware {aware!r}, dpiAwareness {awareness!r}")


def main():
    resources = read_object_resources(Path(sys.argv[1]).read_bytes())

    # The bitmaps in three sets (100, 150 and 200 %).
    expected_names = ({(RT_BITMAP, i + s * set_step()) for i in range(157, 178) for s in range(3)}
                      | {(RT_GROUP_ICON, i) for i in (128, 135, 136, 137, 138)}
                      | {(RT_DIALOG, 100), (RT_DIALOG, 102), (RT_MENU, 129),
                         (RT_STRING, 101 // 16 + 1), (RT_VERSION, 1), (RT_MANIFEST, 1)})
    present = set(resources)
    expect(expected_names <= present, f"missing resources {sorted(expected_names - present)}")
    wrong = sorted(k for k, (lang, _) in resources.items()
                   if lang != (0 if k[0] == RT_MANIFEST else LANGUAGE))
    expect(not wrong, f"{len(wrong)} resources not in their language, first {wrong[:3]}")

    if (RT_MANIFEST, 1) in resources:
        check_manifest(resources[(RT_MANIFEST, 1)][1])

    for rid, expected in DIALOGS.items():
        if (RT_DIALOG, rid) in resources:
            check_dialog(rid, resources[(RT_DIALOG, rid)][1], expected)

    if (RT_MENU, 129) in resources:
        menu = read_menu(Reader(resources[(RT_MENU, 129)][1], 4))
        expect(menu == MENU, f"menu 129 is {menu}")

    if (RT_STRING, 7) in resources:
        r = Reader(resources[(RT_STRING, 7)][1])
        for _ in range(101 % 16):
            r.skip(2 * r.take("H"))
        length = r.take("H")
        text = r.data[r.at:r.at + 2 * length].decode("utf-16-le")
        expect(text == "&About Lumitrax...", f"string 101 is {text!r}")

    if (RT_VERSION, 1) in resources:
        nodes = read_version(resources[(RT_VERSION, 1)][1])
        fixed = nodes.get("VS_VERSION_INFO")
        expect(fixed and fixed[0] == 0xFEEF04BD and fixed[2:6] == (0x20000, 0, 0x20000, 0),
               "version record: file and product version are not 2.0.0.0")
        got = {k: nodes.get(k) for k in VERSION_STRINGS}
        expect(got == VERSION_STRINGS, f"version strings {got}")
        expect("040403b6" in nodes and nodes.get("Translation") == struct.pack("<HH", 0x404, 950),
               "version record: no string block and translation for 0x0404, code page 950")

    for message in failures:
        print("FAIL:", message)
    print(f"{len(resources)} resources checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
