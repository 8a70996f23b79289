"""File sections on the real program: deletion in the product, Windows, system, desktop and Startup
folders, renaming, the folder's removal and the final report, the order of the file sections, and
entries that name no file or a folder that cannot be found."""

import pytest

from harness import HIDDEN, READONLY, SHELL_FOLDERS, SYSTEM, File, RegDelete, RegValue, cp932, script
from texts import (ASK_DELETE_SETTINGS, ASK_TO_BEGIN, IDOK, IDYES, MB_INFORMATION, MB_QUESTION, REPORT_FILES_REMAIN,
                   REPORT_SETTINGS_REMAIN, SIGNATURE, TITLE)

FOLDER = "C:\\Program Files\\Example"
BASE = FOLDER + "\\"
ARGS = "/u " + BASE
WINDOWS = "C:\\windows\\"
SYSTEM_FOLDER = "C:\\windows\\system32\\"
DESKTOP = "C:\\Shell\\Desktop"
STARTUP = "C:\\Shell\\Startup"
FILE_CALLS = ("kernel32.SetFileAttributesA", "kernel32.DeleteFileA", "kernel32.MoveFileA", "kernel32.RemoveDirectoryA")


def file_calls(result) -> list[tuple]:
    """The program's calls on files, in order, with their arguments and results."""
    out = []
    for call in result.calls:
        if call.name == "kernel32.SetFileAttributesA":
            out.append(("attr", call.text(0), call.arg(1), call.retval))
        elif call.name == "kernel32.DeleteFileA":
            out.append(("delete", call.text(0), call.retval))
        elif call.name == "kernel32.MoveFileA":
            out.append(("move", call.text(0), call.text(1), call.retval))
        elif call.name == "kernel32.RemoveDirectoryA":
            out.append(("rmdir", call.text(0), call.retval))
    return out


def deleted(path: str) -> list[tuple]:
    """Attributes cleared, then the file deleted, both succeeding."""
    return [("attr", cp932(path), 0, 1), ("delete", cp932(path), 1)]


def b(*paths: str) -> list[bytes]:
    return sorted(cp932(p) for p in paths)


def assert_report(result, text: bytes, notified: bool) -> None:
    report = result.boxes[-1]
    assert (report.caption, report.text, report.flags, report.buttons, report.retval) == \
        (TITLE, text, MB_INFORMATION, ("ok",), IDOK)
    assert result.exit_code == 0
    notifications = result.calls_to("shell32.SHChangeNotify")
    assert len(notifications) == (1 if notified else 0)
    if notified:
        assert [notifications[0].arg(i) for i in range(4)] == [0x80, 0x2000, 0, 0]
        assert result.calls[-1] is notifications[0], "the shell is told after the report"


def test_uninstall_deletes_the_named_files_in_every_folder_and_removes_the_product_folder(harness):
    data = script(SIGNATURE,
                  "[deletefile]",
                  "app.exe", "ReadMe.txt", "core.dll",
                  "WINDIR\\example.ini",
                  "sysdir\\exshared.dll",
                  "DESKTOP\\Example.lnk",
                  "Startup\\Example.lnk",
                  "Uninst.inf",
                  "end;",
                  # Entries that name no file: each is passed over, and so are the folder entries that
                  # name a prefix's folder itself; a folder entry below one is tried, and a folder
                  # that holds files stays. The section's own removal attempt fails (the folder is
                  # gone), yet the folder counts as removed.
                  "[deletefile]",
                  "", "WINDIR\\", "SYSDIR\\", "DESKTOP\\", "STARTUP\\", " ", ".", "..", "WINDIR\\system32\\",
                  "WINDIR\\..", "sysdir\\ .",
                  "end;",
                  # Renames without one of their names.
                  "[renamefile]",
                  "WINDIR\\other.ini,", ",other.ini", "WINDIR\\other.ini,..", "WINDIR\\system32\\,sys.old", "",
                  "end;")
    setup = [
        File(f"{FOLDER}\\Uninst.inf", data),
        File(f"{FOLDER}\\app.exe", b"MZ"),
        File(f"{FOLDER}\\ReadMe.txt", "read me", attributes=READONLY),
        File(f"{FOLDER}\\core.dll", b"core", attributes=READONLY | HIDDEN | SYSTEM),
        File(WINDOWS + "example.ini", "[Example]"),
        File(SYSTEM_FOLDER + "exshared.dll", b"MZ shared", attributes=READONLY),
        File(f"{DESKTOP}\\Example.lnk", b"L desktop"),
        File(f"{STARTUP}\\Example.lnk", b"L startup"),
        RegValue(SHELL_FOLDERS, "Desktop", DESKTOP),
        RegValue(SHELL_FOLDERS, "Startup", STARTUP),
        # Everything around the product's files stays.
        File("C:\\Program Files\\Other\\other.exe", b"MZ other"),
        File("C:\\Program Files\\Example2\\app.exe", b"MZ two"),
        File("C:\\Program Files\\Uninst.inf", script(SIGNATURE)),
        File(WINDOWS + "other.ini", "[Other]"),
        File(f"{DESKTOP}\\Other.lnk", b"L other"),
        File(f"{STARTUP}\\Other.lnk", b"L other"),
    ]
    result = harness.run(ARGS, answers=["yes", "ok"], setup=setup,
                         watch_folders=["C:\\Program Files", "C:\\windows", "C:\\Shell"])

    assert [(b.caption, b.text, b.flags) for b in result.boxes[:1]] == [(TITLE, ASK_TO_BEGIN, MB_QUESTION)]
    # The second section's failed attempt leaves the first one's result standing.
    assert_report(result, REPORT_SETTINGS_REMAIN, notified=True)

    # Names come upper-cased; each file's attributes are cleared just before it is deleted, so the
    # read-only, hidden and system files go too. The shell folders are the values the user's key holds.
    expected = []
    for path in [BASE + "APP.EXE", BASE + "README.TXT", BASE + "CORE.DLL", WINDOWS + "EXAMPLE.INI",
                 SYSTEM_FOLDER + "EXSHARED.DLL", DESKTOP + "\\EXAMPLE.LNK", STARTUP + "\\EXAMPLE.LNK",
                 BASE + "UNINST.INF"]:
        expected += deleted(path)
    expected += [("rmdir", cp932(BASE), 1), ("attr", cp932(WINDOWS + "SYSTEM32\\"), 0, 1),
                 ("rmdir", cp932(WINDOWS + "SYSTEM32\\"), 0), ("rmdir", cp932(BASE), 0)]
    assert file_calls(result) == expected

    d = result.diff
    assert d.removed_files == b(FOLDER, f"{FOLDER}\\Uninst.inf", f"{FOLDER}\\app.exe", f"{FOLDER}\\ReadMe.txt",
                                f"{FOLDER}\\core.dll", "C:\\windows\\example.ini", "C:\\windows\\system32\\exshared.dll",
                                f"{DESKTOP}\\Example.lnk", f"{STARTUP}\\Example.lnk"), d.lines()
    assert (d.created_files, d.changed_files) == ([], []), d.lines()


def test_file_sections_run_in_file_order_after_the_registry_and_on_one_copy_of_the_script(harness):
    data = script(SIGNATURE,
                  # Deletes the script itself first; the sections below still run.
                  "[deletefile]",
                  "savefolder",
                  "Uninst.inf",
                  "old.dat",
                  "end;",
                  # old.dat is gone by now, so new.dat can take its name.
                  "[renamefile]",
                  "new.dat,old.dat",
                  "SYSDIR\\shared.bak,shared.dll",
                  "data\\old.txt,data\\new.txt",
                  "WINDIR\\a.ini,b,c.ini",
                  "end;",
                  "[deletereg]",
                  "QUORVEL=Example",
                  "end;",
                  "[deletefile]",
                  "app.exe",
                  "end;")
    setup = [
        File(f"{FOLDER}\\Uninst.inf", data),
        File(f"{FOLDER}\\app.exe", b"MZ"),
        File(f"{FOLDER}\\old.dat", b"old settings"),
        File(f"{FOLDER}\\new.dat", b"new"),
        File(f"{FOLDER}\\data\\old.txt", b"text"),
        File(f"{FOLDER}\\notes.txt", "the user's own notes"),
        File(SYSTEM_FOLDER + "shared.bak", b"MZ shared v2"),
        File(WINDOWS + "a.ini", "[A]"),
        File(WINDOWS + "b.ini", "[B]"),
        RegValue("HKCU\\Software\\Quorvel\\Example\\Window", "Left", 10),
    ]
    result = harness.run(ARGS, answers=["yes", "yes", "ok"], setup=setup,
                         watch_folders=["C:\\Program Files", "C:\\windows"], watch_keys=["HKCU\\Software"])

    assert [(b.text, b.flags, b.retval) for b in result.boxes[:2]] == \
        [(ASK_TO_BEGIN, MB_QUESTION, IDYES), (ASK_DELETE_SETTINGS, MB_QUESTION, IDYES)]
    # A user's file keeps the folder: the one attempt to remove it fails.
    assert_report(result, REPORT_FILES_REMAIN, notified=False)

    assert file_calls(result) == [
        *deleted(BASE + "UNINST.INF"),
        *deleted(BASE + "OLD.DAT"),
        ("move", cp932(BASE + "NEW.DAT"), cp932(BASE + "OLD.DAT"), 1),
        ("move", cp932(SYSTEM_FOLDER + "SHARED.BAK"), cp932(SYSTEM_FOLDER + "SHARED.DLL"), 1),
        ("move", cp932(BASE + "DATA\\OLD.TXT"), cp932(BASE + "DATA\\NEW.TXT"), 1),
        ("move", cp932(WINDOWS + "A.INI"), cp932(WINDOWS + "B,C.INI"), 1),
        *deleted(BASE + "APP.EXE"),
        ("rmdir", cp932(BASE), 0),
    ]
    names = result.call_names()
    first_file_call = min(names.index(n) for n in FILE_CALLS if n in names)
    assert max(i for i, n in enumerate(names) if n == "advapi32.RegDeleteKeyA") < first_file_call, \
        "the registry section runs before the file sections that stand above it"
    question = names.index("user32.MessageBoxA")
    assert [i for i, n in enumerate(names) if n == "kernel32.CreateFileA"] and \
        all(i < question for i, n in enumerate(names) if n == "kernel32.CreateFileA"), \
        "the script is read before the question and never again"

    d = result.diff
    assert d.removed_files == b(f"{FOLDER}\\Uninst.inf", f"{FOLDER}\\app.exe", f"{FOLDER}\\old.dat",
                                f"{FOLDER}\\new.dat", f"{FOLDER}\\data\\old.txt", "C:\\windows\\a.ini",
                                "C:\\windows\\system32\\shared.bak"), d.lines()
    # The new names are upper case; further commas belong to the new name.
    assert d.created_files == b(f"{FOLDER}\\OLD.DAT", f"{FOLDER}\\data\\NEW.TXT", "C:\\windows\\B,C.INI",
                                "C:\\windows\\system32\\SHARED.DLL"), d.lines()
    assert d.changed_files == [], d.lines()
    after = result.after.files
    assert after[cp932(f"{FOLDER}\\OLD.DAT")].size == len(b"new"), "the renamed file, not the deleted one"
    assert after[cp932("C:\\windows\\system32\\SHARED.DLL")].size == len(b"MZ shared v2")
    assert after[cp932(f"{FOLDER}\\notes.txt")].size == len("the user's own notes")
    assert d.removed_keys == [b"HKCU\\Software\\Quorvel\\Example", b"HKCU\\Software\\Quorvel\\Example\\Window"]
    assert d.created_keys == [] and not d.removed_values and not d.created_values and not d.changed_values


# ------------------------------------------------------------------------------------------------
# A shell folder that cannot be found names no file: a same-named file in the program's current
# folder (C:\Work here) or at the root of its drive is never hit. Without cwd= the program would
# inherit the host folder that the tests were started in.


@pytest.mark.parametrize("shell_folders", [
    [RegDelete(SHELL_FOLDERS)],
    [RegDelete(SHELL_FOLDERS), RegValue(SHELL_FOLDERS, "Desktop", ""),
     RegValue(SHELL_FOLDERS, "Personal", "C:\\users\\root\\Documents")],
], ids=["no-shell-folders-key", "empty-desktop-no-startup-value"])
def test_entries_in_a_shell_folder_that_cannot_be_found_are_passed_over(harness, shell_folders):
    data = script(SIGNATURE, "[deletefile]", "DESKTOP\\App.lnk", "STARTUP\\App.lnk", "app.exe", "Uninst.inf", "end;")
    setup = shell_folders + [
        File("C:\\Work\\Example\\Uninst.inf", data),
        File("C:\\Work\\Example\\app.exe", b"MZ"),
        File("C:\\Work\\App.lnk", b"L in the current folder"),
        File("C:\\App.lnk", b"L at the root", attributes=READONLY),
    ]
    # The relative product folder is found from the current folder.
    result = harness.run("/u Example\\", answers=["yes", "ok"], setup=setup, cwd="C:\\Work",
                         watch_folders=["C:\\"])
    assert [b.text for b in result.boxes[:1]] == [ASK_TO_BEGIN]
    assert_report(result, REPORT_SETTINGS_REMAIN, notified=True)
    assert file_calls(result) == [*deleted("Example\\APP.EXE"), *deleted("Example\\UNINST.INF"),
                                  ("rmdir", b"Example\\", 1)]
    d = result.diff
    assert d.removed_files == b("C:\\Work\\Example", "C:\\Work\\Example\\Uninst.inf", "C:\\Work\\Example\\app.exe"), \
        d.lines()
    assert (d.created_files, d.changed_files) == ([], []), d.lines()
    assert result.after.files[b"C:\\App.lnk"].attributes & READONLY
