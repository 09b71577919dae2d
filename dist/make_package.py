#!/usr/bin/env python3
"""Builds Lumitrax's installer package and a zip of its release folder.

    make_package.py --arch win32|win64 --build-dir DIR --out DIR [--version X.Y.Z.W]

From a cross build (DIR, e.g. build/win32) it takes the release folder, the
program's icon and the custom action CloseLumitrax.dll, and writes into the
output folder Lumitrax-VERSION.msi and Lumitrax-VERSION.zip; the 64-bit
build, which exists for testing, gets "-win64" before the extension. The
version is that of res/Lumitrax.rc (FILEVERSION, PRODUCTVERSION,
"FileVersion" and "ProductVersion" must agree) unless --version gives
another one (the tests build an older package that way). Prints each file
written with its size.
"""
import argparse
import pathlib
import re
import subprocess
import sys
import uuid
import zipfile

SOURCE = pathlib.Path(__file__).resolve().parent.parent
RESOURCE_SCRIPT = SOURCE / "res" / "Lumitrax.rc"
PACKAGE_SOURCE = SOURCE / "dist" / "Lumitrax.wxs"
# The installer's architecture, and the words the release folder's
# architecture.txt names its own with.
ARCHES = {"win32": ("x86", "(i686)"), "win64": ("x64", "(x86_64)")}


def fail(message):
    sys.exit(f"make_package: {message}")


def resource_version():
    """The version of the version resource, which names it in four places:
    they must agree, or the package and the program would tell different
    versions."""
    text = RESOURCE_SCRIPT.read_text(encoding="utf-8")
    places = {
        "FILEVERSION": r"^\s*FILEVERSION\s+([0-9, ]+?)\s*$",
        "PRODUCTVERSION": r"^\s*PRODUCTVERSION\s+([0-9, ]+?)\s*$",
        '"FileVersion"': r'VALUE\s+"FileVersion",\s*"([^"]*)"',
        '"ProductVersion"': r'VALUE\s+"ProductVersion",\s*"([^"]*)"',
    }
    versions = {}
    for place, pattern in places.items():
        match = re.search(pattern, text, re.MULTILINE)
        if not match:
            fail(f"{RESOURCE_SCRIPT} has no {place}")
        versions[place] = ".".join(part.strip() for part in re.split(r"[,.]", match.group(1)))
    if len(set(versions.values())) != 1:
        fail(f"the version differs between the places of {RESOURCE_SCRIPT}: " +
             ", ".join(f"{place} {version}" for place, version in versions.items()))
    return versions['"ProductVersion"']


def checked_version(version):
    """The version, if Windows Installer can compare it: four numbers, of
    which it compares the first three (major and minor up to 255, build up
    to 65535)."""
    parts = version.split(".")
    if len(parts) != 4 or not all(p.isdigit() for p in parts):
        fail(f"version '{version}' is not four numbers X.Y.Z.W")
    major, minor, build, _ = (int(p) for p in parts)
    if major > 255 or minor > 255 or build > 65535:
        fail(f"version '{version}' is beyond 255.255.65535")
    return version


def product_code(arch, version):
    """One product code per architecture and version, the same in every
    build of them. Only the compared fields count: two versions that differ
    in the fourth alone are one product to Windows Installer, which an
    upgrade could not tell apart."""
    compared = ".".join(version.split(".")[:3])
    return str(uuid.uuid5(uuid.NAMESPACE_URL, f"urn:lumitrax:package:{arch}:{compared}")).upper()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--arch", required=True, choices=sorted(ARCHES))
    parser.add_argument("--build-dir", required=True, type=pathlib.Path)
    parser.add_argument("--out", required=True, type=pathlib.Path)
    parser.add_argument("--version", help="instead of the version resource's")
    args = parser.parse_args()

    version = checked_version(args.version or resource_version())
    build = args.build_dir.resolve()
    release = build / "release"
    inputs = {
        "ReleaseDir": release,
        "Icon": build / "res" / "artwork" / "icon_128.ico",
        "CloseAction": build / "bin" / "CloseLumitrax.dll",
    }
    for path in [release / "Lumitrax.exe", release / "SystemHook.dll", *inputs.values()]:
        if not path.exists():
            fail(f"{path} is missing: build {build} first")
    installer_arch, arch_words = ARCHES[args.arch]
    described = (release / "architecture.txt").read_text(encoding="utf-8")
    if arch_words not in described:
        fail(f"{release} does not hold the {args.arch} build: {described.strip()}")

    args.out.mkdir(parents=True, exist_ok=True)
    suffix = "" if args.arch == "win32" else f"-{args.arch}"
    package = args.out / f"Lumitrax-{version}{suffix}.msi"
    archive = args.out / f"Lumitrax-{version}{suffix}.zip"

    # wixl takes the package's files by paths relative to where it runs.
    defines = {
        "Version": version,
        "ProductCode": product_code(args.arch, version),
        "Win64": "yes" if args.arch == "win64" else "no",
        **{name: str(path.relative_to(build)) for name, path in inputs.items()},
    }
    command = ["wixl", "-a", installer_arch, "-o", str(package.resolve())]
    for name, value in defines.items():
        command += ["-D", f"{name}={value}"]
    result = subprocess.run(command + [str(PACKAGE_SOURCE)], cwd=build, capture_output=True,
                            text=True)
    if result.returncode != 0:
        fail(f"wixl failed (status {result.returncode}):\n{result.stderr}")

    # The release folder as it is, under a folder named like the package.
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as out:
        for path in sorted(release.iterdir()):
            out.write(path, f"{archive.stem}/{path.name}")

    for path in (package, archive):
        print(f"{path} ({path.stat().st_size} bytes)")


if __name__ == "__main__":
    main()
