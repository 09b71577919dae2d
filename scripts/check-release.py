#!/usr/bin/python3
"""Checks the release folder's programs as they ship: stripped (no symbol
table, no debugging sections), linked for address-space layout randomisation
(with relocations to move by) and data execution prevention, on 64-bit with
high-entropy addresses; importing none of the system functions that Windows
XP lacks (this check's own list of those the code could reach for; they are
looked up at run time instead); and the program carries its application
manifest.

Usage: check-release.py RELEASE_FOLDER"""

import struct
import sys
from pathlib import Path

DYNAMIC_BASE, HIGH_ENTROPY_VA, NX_COMPAT = 0x40, 0x20, 0x100
PE32_PLUS = 0x20B
RT_MANIFEST = 24

# Functions that a program importing them could not be started with on
# Windows XP (they came with Vista or later, or with a service pack of XP),
# by library (named in lower case). Not every such function: those the code base
# could reach for.
NOT_ON_XP = {
    "kernel32.dll": {
        "GetTickCount64", "IsWow64Process", "SetDefaultDllDirectories", "AddDllDirectory",
        "RemoveDllDirectory", "SetDllDirectoryA", "SetDllDirectoryW", "GetThreadId",
        "GetProcessId", "QueryFullProcessImageNameA", "QueryFullProcessImageNameW",
        "InitializeSRWLock", "AcquireSRWLockExclusive", "AcquireSRWLockShared",
        "InitializeConditionVariable", "SleepConditionVariableCS", "SleepConditionVariableSRW",
        "WakeConditionVariable", "WakeAllConditionVariable", "InitOnceExecuteOnce",
        "CreateEventExA", "CreateEventExW", "CreateMutexExA", "CreateMutexExW",
        "GetFinalPathNameByHandleA", "GetFinalPathNameByHandleW", "CancelIoEx", "GetErrorMode",
        "FlsAlloc", "FlsGetValue", "FlsSetValue", "FlsFree", "GetCurrentProcessorNumber",
        "GetLocaleInfoEx", "LocaleNameToLCID", "LCIDToLocaleName",
    },
    "user32.dll": {
        "GetDpiForWindow", "GetDpiForSystem", "SetProcessDPIAware", "IsProcessDPIAware",
        "SetProcessDpiAwarenessContext", "SetThreadDpiAwarenessContext",
        "GetThreadDpiAwarenessContext", "AdjustWindowRectExForDpi", "GetSystemMetricsForDpi",
        "SystemParametersInfoForDpi", "EnableNonClientDpiScaling", "LogicalToPhysicalPoint",
        "PhysicalToLogicalPoint", "ChangeWindowMessageFilter", "ChangeWindowMessageFilterEx",
        "ShutdownBlockReasonCreate", "ShutdownBlockReasonDestroy",
        "RegisterPowerSettingNotification", "AddClipboardFormatListener",
    },
    "shell32.dll": {
        "Shell_NotifyIconGetRect", "SHGetKnownFolderPath", "SHCreateItemFromParsingName",
        "SetCurrentProcessExplicitAppUserModelID",
    },
    "advapi32.dll": {"RegGetValueA", "RegGetValueW", "RegDeleteKeyExA", "RegDeleteKeyExW"},
}
# Libraries that Windows XP does not have at all.
NOT_ON_XP_LIBRARIES = ("shcore.dll", "dwmapi.dll", "api-ms-win-")


def imports(data, directories, thunk_size, section_list):
    """The imported functions by name, as (library in lower case, function)."""
    def offset(rva):
        for _, start, size, raw in section_list:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"address {rva:#x} in no section")

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii", errors="replace")

    table_rva = struct.unpack_from("<I", data, directories + 1 * 8)[0]
    found = []
    at = offset(table_rva) if table_rva else None
    while at is not None:
        lookup, _, _, name, first = struct.unpack_from("<IIIII", data, at)
        if not name:
            break
        library = text(name).lower()
        thunk = offset(lookup or first)
        while True:
            entry = int.from_bytes(data[thunk:thunk + thunk_size], "little")
            if not entry:
                break
            if not entry >> (thunk_size * 8 - 1):  # by name, not by ordinal
                found.append((library, text((entry & 0x7FFFFFFF) + 2)))
            thunk += thunk_size
        at += 20
    return found


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

    for library, function in imports(data, directories, 8 if magic == PE32_PLUS else 4,
                                     section_list):
        if function in NOT_ON_XP.get(library, ()) or library.startswith(NOT_ON_XP_LIBRARIES):
            failures.append(f"{path.name}: imports {function} of {library}, which Windows XP "
                            "lacks (look it up at run time)")

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
