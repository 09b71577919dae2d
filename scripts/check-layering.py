#!/usr/bin/env python3
"""Checks that every source file includes only folders its folder may use.

    check-layering.py [ROOT]

Folders depend downwards only: framework/, shared/ (with the two driver
libraries' interfaces) and res/ at the bottom, then controller/ and
controls/, then the subsystems (audio/, display/, commands/), then app/.
drivers/ (our driver libraries and the simulator) and tools/ stand beside
the program and use only the bottom. Tests and the benchmark may use anything.
Prints every include that breaks the rule and fails; also fails when the
table itself has a circle.
"""
import pathlib
import re
import sys

# Which folders a folder's files may include, besides its own.
ALLOWED = {
    "framework": set(),
    "shared": set(),
    "res": set(),
    "controller": {"framework", "shared", "res"},
    "controls": {"framework", "shared", "res"},
    "audio": {"framework", "shared", "res", "controller"},
    "display": {"framework", "shared", "res", "controller", "controls"},
    "commands": {"framework", "shared", "res", "controller", "controls", "audio", "display"},
    "app": {"framework", "shared", "res", "controller", "controls", "audio", "display",
            "commands"},
    "drivers": {"framework", "shared"},
    "tools": {"framework", "shared", "res", "drivers"},
}
UNCHECKED = {"tests", "bench"}
# Both forms: the source root is on the include path of every build.
INCLUDE = re.compile(r'^\s*#\s*include\s+["<]([^">/]+)/[^">]+[">]', re.M)


def circle(table):
    """A folder that reaches itself through the table, or None."""
    def reaches(start, node, seen):
        for nxt in table.get(node, ()):
            if nxt == start:
                return True
            if nxt not in seen:
                seen.add(nxt)
                if reaches(start, nxt, seen):
                    return True
        return False
    for folder in table:
        if reaches(folder, folder, set()):
            return folder
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                        pathlib.Path(__file__).resolve().parent.parent)
    problems = []
    looped = circle(ALLOWED)
    if looped:
        problems.append(f"the allowed table has a circle through {looped}/")
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".rc") or "build" in path.relative_to(root).parts:
            continue
        folder = path.relative_to(root).parts[0]
        if folder in UNCHECKED or len(path.relative_to(root).parts) < 2:
            continue
        if folder not in ALLOWED:
            problems.append(f"{path.relative_to(root)}: folder {folder}/ is not in the table")
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            used = match.group(1)
            ours = used in ALLOWED or used in UNCHECKED  # not a system header's folder
            if ours and used != folder and used not in ALLOWED[folder]:
                line = text.count("\n", 0, match.start()) + 1
                problems.append(f"{path.relative_to(root)}:{line}: {folder}/ may not include "
                                f"{used}/ ({match.group(0).strip()})")
    for problem in problems:
        print(problem)
    if problems:
        print(f"check-layering: {len(problems)} problem(s)")
        return 1
    print("check-layering: every include runs downwards")
    return 0


if __name__ == "__main__":
    sys.exit(main())
