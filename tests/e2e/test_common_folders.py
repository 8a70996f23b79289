"""The machine's shell folders (COMMON_DESKTOP\\, COMMON_PROGRAMS\\, COMMON_STARTUP\\, COMMON_APPDATA\\)
and the user's local application data (LOCALAPPDATA\\) on the real program: a silent run removes the
product's files and folders there, and the prefixes' folders themselves stay."""

from harness import SHELL_FOLDERS, File, RegValue, cp932, script
from texts import SIGNATURE

FOLDER = "C:\\Program Files\\Example"
MACHINE_FOLDERS = "HKLM" + SHELL_FOLDERS[len("HKCU"):]
PLACES = {"Common Desktop": "C:\\Shell\\AllDesktop", "Common Programs": "C:\\Shell\\AllPrograms",
          "Common Startup": "C:\\Shell\\AllStartup", "Common AppData": "C:\\Shell\\AllData"}
LOCAL = "C:\\Shell\\Local"
PRODUCT_FILES = [PLACES["Common Desktop"] + "\\Example.lnk", PLACES["Common Programs"] + "\\Example\\Example.lnk",
                 PLACES["Common Startup"] + "\\Example.lnk", PLACES["Common AppData"] + "\\Example\\shared.dat",
                 LOCAL + "\\Example\\cache.dat"]
PRODUCT = script(SIGNATURE, "[deletefile]", "COMMON_DESKTOP\\Example.lnk", "COMMON_PROGRAMS\\Example\\Example.lnk",
                 "Common_Programs\\Example\\", "COMMON_STARTUP\\Example.lnk", "COMMON_STARTUP\\",
                 "COMMON_APPDATA\\Example\\shared.dat", "COMMON_APPDATA\\Example\\", "LOCALAPPDATA\\Example\\cache.dat",
                 "LOCALAPPDATA\\Example\\", "LOCALAPPDATA\\", "Uninst.inf", "end;")


def test_the_products_files_in_the_common_folders_and_local_data_go_and_the_folders_stay(harness):
    setup = [File(FOLDER + "\\Uninst.inf", PRODUCT), *[File(path, "x") for path in PRODUCT_FILES],
             File(PLACES["Common Desktop"] + "\\Other.lnk", "other"),
             *[RegValue(MACHINE_FOLDERS, name, path) for name, path in PLACES.items()],
             RegValue(SHELL_FOLDERS, "Local AppData", LOCAL)]
    result = harness.run('/s "' + FOLDER + '\\"', setup=setup, watch_folders=[FOLDER, "C:\\Shell"])
    log = next(iter(result.silent_logs.values())).decode("utf-8-sig")
    assert result.exit_code == 0, log
    gone = [*PRODUCT_FILES, PLACES["Common Programs"] + "\\Example", PLACES["Common AppData"] + "\\Example",
            LOCAL + "\\Example", FOLDER + "\\Uninst.inf"]
    assert result.diff.removed_files == sorted(cp932(p) for p in gone), result.diff.lines()
    assert not result.after.has_file(FOLDER)
    for kept in [*PLACES.values(), LOCAL, PLACES["Common Desktop"] + "\\Other.lnk"]:
        assert result.after.has_file(kept), kept
    assert "the run never removes the folder of COMMON_STARTUP\\ itself" in log, log
