"""The road users take: the product is picked in the system's list of installed programs, which
runs its registered uninstall command (here Wine's `uninstaller --remove`). The boxes of the
QvUninst.exe it starts are answered like any other."""

from harness import UNINSTALL_LIST, File, RegValue, cp932, script
from texts import ASK_DELETE_SETTINGS, ASK_TO_BEGIN, REPORT_ALL_REMOVED, SIGNATURE

FOLDER = "C:\\Program Files\\Example Product"
ENTRY = UNINSTALL_LIST + "\\ExampleProduct"


def product() -> list:
    # As the product's installer registers it: the folder quoted, for its blank.
    command = f'C:\\windows\\QvUninst.exe /u "{FOLDER}\\"'
    return [File(FOLDER + "\\app.exe", b"MZ"),
            File(FOLDER + "\\Uninst.inf", script(SIGNATURE, "[deletereg]", "UNINST=ExampleProduct", "end;",
                                                  "[deletefile]", "app.exe", "Uninst.inf", "end;")),
            RegValue(ENTRY, "DisplayName", "Example Product"), RegValue(ENTRY, "UninstallString", command)]


def remove(harness, answers):
    return harness.run(line="uninstaller.exe --remove ExampleProduct", exe="C:\\windows\\system32\\uninstaller.exe",
                       answers=answers, setup=product(), watch_folders=["C:\\Program Files"],
                       watch_keys=[UNINSTALL_LIST])


def test_removal_through_the_list_takes_the_product_off_it(harness):
    result = remove(harness, ["yes", "yes", "ok"])
    assert [b.text for b in result.boxes] == [ASK_TO_BEGIN, ASK_DELETE_SETTINGS, REPORT_ALL_REMOVED]
    assert result.exit_code == 0
    # The folder with its blank arrived whole, from the command the list ran.
    assert result.calls_to("kernel32.FindFirstFileA")[0].text(0) == cp932(FOLDER + "\\Uninst.inf")
    assert result.before.installed_programs()[b"ExampleProduct"] == b"Example Product"
    assert b"ExampleProduct" not in result.after.installed_programs()
    assert not result.after.has_file(FOLDER)


def test_no_to_the_first_question_leaves_the_product_listed(harness):
    result = remove(harness, ["no"])
    assert [b.text for b in result.boxes] == [ASK_TO_BEGIN]
    assert result.after.installed_programs()[b"ExampleProduct"] == b"Example Product"
    assert result.diff.empty(), result.diff.lines()
