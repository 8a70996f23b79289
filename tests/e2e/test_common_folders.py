"""The machine's shell folders' prefixes and LOCALAPPDATA\\ on the real program: a silent run removes the
product's files and folders there; the prefixes' folders themselves stay."""

from harness import SHELL_FOLDERS, File, RegValue, script
from texts import SIGNATURE

FOLDER = "C:\\Program Files\\Example"
VALUES = {"COMMON_DESKTOP": "Common Desktop", "COMMON_PROGRAMS": "Common Programs", "COMMON_STARTUP": "Common Startup",
          "COMMON_APPDATA": "Common AppData", "LOCALAPPDATA": "Local AppData"}


def test_the_products_files_and_folders_go_and_the_prefixes_folders_stay(harness):
    entries = [p + name for p in VALUES for name in ("\\Example\\a.dat", "\\Example\\", "\\")]
    setup = [File(FOLDER + "\\Uninst.inf", script(SIGNATURE, "[deletefile]", *entries, "Uninst.inf", "end;"))]
    for prefix, value in VALUES.items():
        root = "HKCU" if prefix == "LOCALAPPDATA" else "HKLM"
        setup += [File(f"C:\\Shell\\{prefix}\\Example\\a.dat", "x"),
                  RegValue(root + SHELL_FOLDERS[4:], value, "C:\\Shell\\" + prefix)]
    after = harness.run('/s "' + FOLDER + '\\"', setup=setup, watch_folders=[FOLDER, "C:\\Shell"]).after
    assert [(after.has_file("C:\\Shell\\" + p), after.has_file(f"C:\\Shell\\{p}\\Example")) for p in VALUES] == \
        [(True, False)] * len(VALUES)
    assert not after.has_file(FOLDER)
