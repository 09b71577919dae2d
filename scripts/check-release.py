#!/usr/bin/python3
"""Checks the release folder's programs as they ship: stripped (no symbol
table, no debugging sections), linked for address-space layout randomisation
(with relocations to move by) and data execution prevention, on 64-bit with
high-entropy addresses; and the program carries its application manifest.

Usage: check-release.py RELEASE_FOLDER"""

import struct
import sys
from pathlib import Path

DYNAMIC_BASE, HIGH_ENTROPY_VA, NX_COMPAT = 0x40, 0x20, 0x100
PE32_PLUS = 0x20B
RT_MANIFEST = 24


def check(path):
    data = path.read_bytes()
    failures = []
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return [f"{path.name}: not a PE file"]
    _, sections, _, symbols_at, symbols, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    flags = struct.unpack_from("<H", data, optional + 70)[0]
    # The data directories follow the fixed part of the optional header.
    directories = optional + (112 if magic == PE32_PLUS else 96)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]

    table = optional + optional_size
    section_list = []
    for i in range(sections):
        name, virtual_size, rva, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
        section_list.append((name.rstrip(b"\0").decode(errors="replace"), rva, virtual_size, raw))

    if symbols_at or symbols:
        failures.append(f"{path.name}: not stripped ({symbols} symbols)")
    debug = [n for n, *_ in section_list if n.startswith(".debug") or n.startswith("/")]
    if debug:
        failures.append(f"{path.name}: debugging sections {debug}")
    wanted = DYNAMIC_BASE | NX_COMPAT | (HIGH_ENTROPY_VA if magic == PE32_PLUS else 0)
    if flags & wanted != wanted:
        failures.append(f"{path.name}: DLL characteristics {flags:#x}, want {wanted:#x} set")
    if not any(n == ".reloc" for n, *_ in section_list):
        failures.append(f"{path.name}: no relocations, so it cannot be moved")

    if path.suffix.lower() == ".exe":
        kinds = []
        for name, rva, size, raw in section_list:
            if rva <= resource_rva < rva + size:
                at = raw + resource_rva - rva
                named, numbered = struct.unpack_from("<HH", data, at + 12)
                kinds = [struct.unpack_from("<I", data, at + 16 + 8 * i)[0]
                         for i in range(named + numbered)]
        if RT_MANIFEST not in kinds:
            failures.append(f"{path.name}: no application manifest among its resources")
    return failures


def main():
    folder = Path(sys.argv[1])
    programs = sorted(p for p in folder.iterdir() if p.suffix.lower() in (".exe", ".dll"))
    failures = [] if programs else [f"nothing to check in {folder}"]
    for program in programs:
        failures += check(program)
        print(f"{program.name}: {program.stat().st_size} bytes")
    for message in failures:
        print("FAIL:", message)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
