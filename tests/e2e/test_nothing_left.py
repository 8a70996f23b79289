"""Nothing left behind on the real program: subfolders named by folder entries, a file in use left
to the restart (and gone after it), the uninstall entry after No to the settings, one value of a
shared key."""

from harness import REG_SZ, File, HeldFile, RegValue, cp932, script
from texts import (REPORT_BOTH_REMAIN, REPORT_FILES_REMAIN, REPORT_SETTINGS_REMAIN, RESTART_LINE,
                   SIGNATURE)

FOLDER = "C:\\Program Files\\Example"
ARGS = "/u " + FOLDER + "\\"
UNINSTALL = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
RUN = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"


def removed_folders(result) -> list[bytes]:
    return [c.text(0) for c in result.calls_to("kernel32.RemoveDirectoryA") if c.retval]


def test_nested_subfolders_go_deepest_first_and_a_users_file_keeps_its_subfolder(harness):
    body = script(SIGNATURE, "[deletefile]", "data\\", "DATA\\Sub\\", "HELP\\", "logs\\",
                  "DATA\\a.dat", "DATA\\SUB\\b.dat", "HELP\\c.chm", "LOGS\\today.log", "Uninst.inf", "end;")
    files = [File(FOLDER + "\\" + name, "x") for name in ("data\\a.dat", "data\\sub\\b.dat", "help\\c.chm",
                                                           "logs\\today.log")]
    # First without a file of the user's: everything goes, the deepest folder first.
    result = harness.run(ARGS, answers=["yes", "ok"], setup=[File(FOLDER + "\\Uninst.inf", body), *files],
                         watch_folders=[FOLDER])
    assert (result.boxes[-1].text, result.exit_code) == (REPORT_SETTINGS_REMAIN, 0)
    assert removed_folders(result) == [cp932(FOLDER + "\\" + f) for f in ("DATA\\SUB\\", "DATA\\", "HELP\\", "LOGS\\")] \
        + [cp932(FOLDER + "\\")]
    assert not result.after.has_file(FOLDER)

    # Then with the user's own file in logs: that folder and the product's stay, with it.
    mine = FOLDER + "\\logs\\mine.txt"
    result = harness.run(ARGS, answers=["yes", "ok"],
                         setup=[File(FOLDER + "\\Uninst.inf", body), *files, File(mine, "mine")], watch_folders=[FOLDER])
    assert result.boxes[-1].text == REPORT_BOTH_REMAIN
    assert sorted(p.lower() for p in result.after.files) == sorted(cp932(p).lower() for p in (FOLDER + "\\logs", mine))
    assert result.after.has_file(mine)


def test_a_file_in_use_is_left_to_the_restart_and_goes_with_its_folder_after_it(harness):
    body = script(SIGNATURE, "[deletefile]", "shell.dll", "bin\\", "BIN\\helper.exe", "app.exe", "Uninst.inf", "end;")
    held = FOLDER + "\\bin\\helper.exe"
    setup = [File(FOLDER + "\\Uninst.inf", body), File(FOLDER + "\\app.exe", "x"), File(FOLDER + "\\shell.dll", "x"),
             File(held, "x"), HeldFile(held)]
    result = harness.run(ARGS, answers=["yes", "ok"], setup=setup, watch_folders=[FOLDER], restart=True)
    assert (result.boxes[-1].text, result.exit_code) == (REPORT_SETTINGS_REMAIN + RESTART_LINE, 0)
    # The file first, then its folder, then the product's: each once nothing else is left in it.
    assert [(c.text(0), c.arg(1), c.arg(2), c.retval) for c in result.calls_to("kernel32.MoveFileExA")] == \
        [(cp932(FOLDER + "\\BIN\\HELPER.EXE"), 0, 4, 1), (cp932(FOLDER + "\\BIN"), 0, 4, 1), (cp932(FOLDER), 0, 4, 1)]
    assert result.after.has_file(held) and not result.after.has_file(FOLDER + "\\app.exe")
    assert result.calls_to("shell32.SHChangeNotify"), "the folder counts as removed"
    assert result.restarted == set(), sorted(result.restarted)


def test_no_to_the_settings_still_removes_the_uninstall_entry(harness):
    body = script(SIGNATURE, "[deletereg]", "QUORVEL=Example", "UNINST=Example", "UNINST=", "end;")
    setup = [File(FOLDER + "\\Uninst.inf", body), RegValue(UNINSTALL + "\\Example", "DisplayName", "Example"),
             RegValue(UNINSTALL + "\\Other", "DisplayName", "Other"),
             RegValue("HKCU\\Software\\Quorvel\\Example", "Window", "1")]
    result = harness.run(ARGS, answers=["yes", "no", "ok"], setup=setup,
                         watch_keys=[UNINSTALL, "HKCU\\Software\\Quorvel"])
    assert result.boxes[-1].text == REPORT_BOTH_REMAIN
    assert result.diff.removed_keys == [cp932(UNINSTALL + "\\Example")], result.diff.lines()
    assert result.after.has_key(UNINSTALL + "\\Other") and result.after.has_key("HKCU\\Software\\Quorvel\\Example")


def test_a_value_entry_deletes_the_value_and_keeps_its_neighbour_and_the_key(harness):
    body = script(SIGNATURE, "[deletereg]", "VALUE=HCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run,Example",
                  "VALUE=HCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "end;")
    setup = [File(FOLDER + "\\Uninst.inf", body), RegValue(RUN, "Example", "C:\\Program Files\\Example\\tray.exe"),
             RegValue(RUN, "Other", "C:\\other.exe")]
    result = harness.run(ARGS, answers=["yes", "yes", "ok"], setup=setup, watch_keys=[RUN])
    assert result.boxes[-1].text == REPORT_FILES_REMAIN
    assert [(c.text(1), c.retval) for c in result.calls_to("advapi32.RegDeleteValueA")] == [(b"EXAMPLE", 0)]
    assert result.calls_to("advapi32.RegDeleteKeyA") == []
    assert result.after.value(RUN, "Other") == (REG_SZ, b"C:\\other.exe\0")
    assert result.after.value(RUN, "Example") is None


def test_the_start_menu_and_application_data_folders_go_and_the_makers_other_product_stays(harness):
    shell = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
    programs, appdata = "C:\\users\\qv\\Start Menu\\Programs", "C:\\users\\qv\\AppData"
    body = script(SIGNATURE, "[deletefile]", "PROGRAMS\\Quorvel\\Example\\Example.lnk", "PROGRAMS\\Quorvel\\Example\\",
                  "PROGRAMS\\Quorvel\\", "APPDATA\\Quorvel\\Example\\settings.ini", "APPDATA\\Quorvel\\Example\\",
                  "APPDATA\\Quorvel\\", "APPDATA\\", "Uninst.inf", "end;")
    setup = [File(FOLDER + "\\Uninst.inf", body), RegValue(shell, "Programs", programs), RegValue(shell, "AppData", appdata),
             File(programs + "\\Quorvel\\Example\\Example.lnk", "x"), File(programs + "\\Quorvel\\Other\\Other.lnk", "x"),
             File(appdata + "\\Quorvel\\Example\\settings.ini", "x")]
    result = harness.run(ARGS, answers=["yes", "ok"], setup=setup, watch_folders=["C:\\users\\qv"])
    assert result.boxes[-1].text == REPORT_SETTINGS_REMAIN
    # The maker's folder in the Start menu holds another product and stays; in application data it goes.
    assert sorted(p.lower() for p in result.after.files) == sorted(cp932(p).lower() for p in (
        "C:\\users\\qv\\AppData", "C:\\users\\qv\\Start Menu", programs, programs + "\\Quorvel",
        programs + "\\Quorvel\\Other", programs + "\\Quorvel\\Other\\Other.lnk"))
