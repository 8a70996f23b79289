#!/usr/bin/python3
"""Checks that the sources' includes run downward through the layers, each top folder of src/ one
layer. From the top: win32 (the Windows side: WinMain, the checker's console main) and posix (the
checker's Linux side) -> check (the script checker) and plan (the uninstall planned without
changes) -> entry (the program's modes) -> run (the passes in order) -> sections (one handler a
section kind) -> platforms (the platforms that wrap another: the wide calls, the silent run's
recording) -> guard (what the run refuses to touch) and steps (a run's changes in words, the
silent log) -> script (the script's lines, sections and locations) and boxes (the message boxes)
-> system (helpers over the seam: files, the registry accessor, start-up facts) and memory (an
in-memory Windows: the tests' system and the one qvcheck --plan seeds) -> text (the
rules of characters, paths and case) -> common and seam. A file may include its own layer and any
layer below it, never one above.

Usage: check_layers.py SRC_FOLDER
"""
import pathlib
import re
import sys

# Lower rank is lower in the stack; common and seam include nothing of the project but themselves.
RANKS = {
    "seam": 0, "common": 0, "text": 1, "system": 2, "memory": 2, "script": 3, "boxes": 3, "guard": 4, "steps": 4, "platforms": 5,
    "sections": 6, "run": 7, "entry": 8, "check": 9, "plan": 9, "win32": 10, "posix": 10,
}


def violations(src):
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        layer = path.relative_to(src).parts[0]
        if layer not in RANKS:
            found.append(f"{path}: not in a layer folder ({', '.join(RANKS)})")
            continue
        for included in re.findall(r'^#include "([^"]+)"', path.read_text(encoding="utf-8"), re.M):
            target = included.split("/")[0]
            if target not in RANKS:
                found.append(f"{path}: includes {included}, which is in no layer")
            elif RANKS[target] > RANKS[layer] or (RANKS[layer] == 0 and target != layer):
                found.append(f"{path}: includes {included}, a layer above or beside its own ({layer})")
    return found


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    problems = violations(pathlib.Path(sys.argv[1]))
    print("\n".join(problems) or "includes run downward")
    sys.exit(1 if problems else 0)
