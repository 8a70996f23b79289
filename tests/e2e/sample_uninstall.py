"""Uninstalls a sample product with the real QvUninst.exe under Wine and shows what happened:
every box with its answer, the exit code, and the files and registry keys the run removed or created.

    /usr/bin/python3 tests/e2e/sample_uninstall.py BUILD_DIR PRISTINE_PREFIX PICTURES_FOLDER

(tools/sample-uninstall.sh sets up, builds and calls this.) The product is described by the tables
below and the script in samples/Sample/Uninst.inf; add files, registry values or script lines there.
"""

from __future__ import annotations

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))

from harness import CP, UNINSTALL_LIST, Display, File, Harness, RegValue, pe_mode, wine_mode  # noqa: E402

FOLDER = "C:\\Program Files\\Sample"
DESKTOP = "C:\\users\\sample\\Desktop"
PROGRAMS = "C:\\users\\sample\\Start Menu\\Programs"
SHELL_FOLDERS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"

# The product's files: path -> content.
FILES = {
    f"{FOLDER}\\Sample.exe": b"MZ sample program",
    f"{FOLDER}\\Sample.dll": b"MZ sample library",
    f"{FOLDER}\\Readme.txt": "サンプルの説明書です。\r\n",
    f"{FOLDER}\\Help\\Sample.chm": b"ITSF sample help",
    "C:\\windows\\Sample.ini": "[Sample]\r\nFolder=C:\\Program Files\\Sample\r\n",
    # The shared library the product brought, and the older one it kept aside when it came.
    "C:\\windows\\system32\\SampleShared.dll": b"MZ shared library 2.0",
    "C:\\windows\\system32\\SampleShared.bak": b"MZ shared library 1.0",
    f"{DESKTOP}\\Sample.lnk": b"shortcut to Sample.exe",
    # The Start menu's folder of the product, beside the one of another product of the maker.
    f"{PROGRAMS}\\Sample\\Sample.lnk": b"shortcut to Sample.exe",
    f"{PROGRAMS}\\Other\\Other.lnk": b"shortcut to another product",
}

# The uninstall command's arguments as the product's installer registers them: the folder quoted,
# for its blank.
COMMAND = f'/u "{FOLDER}\\"'
QUIET_COMMAND = f'/s "{FOLDER}\\"'

# The product's registry values: (key, name, data).
REGISTRY = [
    ("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample", "DisplayName", "サンプル"),
    ("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample", "UninstallString",
     "C:\\windows\\QvUninst.exe " + COMMAND),
    # What deployment tools run to remove the product with no one at the screen.
    ("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample", "QuietUninstallString",
     "C:\\windows\\QvUninst.exe " + QUIET_COMMAND),
    ("HKCU\\Software\\Quorvel\\Sample", "Folder", FOLDER),
    ("HKCU\\Software\\Quorvel\\Sample\\Window", "Left", 100),
    (SHELL_FOLDERS, "Desktop", DESKTOP),
    (SHELL_FOLDERS, "Programs", PROGRAMS),
]

# The uninstall script, as the product ships it (Shift-JIS, CR LF).
SCRIPT = Path(__file__).resolve().parents[2] / "samples" / "Sample" / "Uninst.inf"

WATCH_FOLDERS = ["C:\\Program Files", "C:\\windows", "C:\\users\\sample"]
WATCH_KEYS = [UNINSTALL_LIST, "HKCU\\Software"]
# The user picks the product in the system's list of installed programs, which runs the product's
# uninstall command.
LIST_PROGRAM = "C:\\windows\\system32\\uninstaller.exe"
REMOVE = "uninstaller.exe --remove Sample"


def print_list(when: str, snapshot) -> None:
    print(f"installed programs {when}:")
    for key, name in sorted(snapshot.installed_programs().items()) or [(b"(none)", b"")]:
        print(f"    {key.decode(CP)}  {name.decode(CP)}")


def main(build: Path, pristine: Path, pictures: Path) -> int:
    setup = [File(path, data) for path, data in FILES.items()]
    setup.append(File(f"{FOLDER}\\Uninst.inf", SCRIPT.read_bytes()))
    setup += [RegValue(key, name, data) for key, name, data in REGISTRY]

    program = build / "QvUninst.exe"
    wine = wine_mode(pe_mode(program))
    display = Display()
    harness = Harness(program, build / "tests" / "e2e" / "qvdriver.exe", pristine, display.start(), wine)
    try:
        result = harness.run(line=REMOVE, exe=LIST_PROGRAM, setup=setup, rest_as_user=True,
                             watch_folders=WATCH_FOLDERS, watch_keys=WATCH_KEYS, pictures=pictures, check=False)
        # A second copy of the product, removed as a deployment tool does: its quiet command.
        quiet = harness.run(QUIET_COMMAND, setup=setup, watch_folders=WATCH_FOLDERS, watch_keys=WATCH_KEYS,
                            check=False)
    finally:
        harness.close()
        display.stop()

    print_list("before", result.before)
    print(f"\nremoval from the list: {result.line.decode(CP)}")
    _, command = result.before.value(UNINSTALL_LIST + "\\Sample", "UninstallString")
    print(f"which runs: {command.rstrip(bytes(1)).decode(CP)}")
    for i, box in enumerate(result.boxes, 1):
        flags = "?" if box.flags is None else f"{box.flags:#x}"
        print(f"\nbox {i}: [{box.caption.decode(CP)}] flags {flags}, buttons {'/'.join(box.buttons)}")
        for line in box.text.decode(CP).split("\r\n"):
            print(f"    {line}")
        print(f"  answer: {box.answer}")
        if box.picture:
            print(f"  picture: {box.picture}")
    print(f"\nexit code: {result.exit_code}\n")
    print_list("after", result.after)
    for trouble in result.trouble:
        print(f"trouble: {trouble}")
    changes = result.diff.lines()
    print("\nchanges (- removed, + created, ~ changed):")
    for line in changes or ["  (none)"]:
        print(f"  {line}")
    print(f"\n{result.seconds:.1f} s")
    print_quiet(quiet)
    return 0 if not result.trouble and not quiet.trouble and quiet.exit_code == 0 else 1


def print_quiet(result) -> None:
    """The silent removal of the second copy: its command, boxes (none), exit code, changes and log."""
    _, command = result.before.value(UNINSTALL_LIST + "\\Sample", "QuietUninstallString")
    print(f"\nsilent removal of a second copy: {command.rstrip(bytes(1)).decode(CP)}")
    print(f"boxes: {len(result.boxes)}, exit code: {result.exit_code}")
    for trouble in result.trouble:
        print(f"trouble: {trouble}")
    print("changes (- removed, + created, ~ changed):")
    for line in result.diff.lines() or ["  (none)"]:
        print(f"  {line}")
    for path, data in result.silent_logs.items():
        print(f"\nits log, {path} (UTF-8 with a byte-order mark, CR LF):")
        for line in data.decode("utf-8-sig").split("\r\n"):
            print(f"    {line}")


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve(), Path(sys.argv[3]).resolve()))
