"""The program's start: modes, the script path built from the command line, the missing and the
foreign script, and the fatal error report."""

import datetime as dt
import re

import pytest

from harness import File, Folder, HeldFile, cp932, script
from texts import (ASK_TO_BEGIN, FATAL_CAPTION, IDOK, MB_ERROR, MB_FATAL, MB_INFORMATION, MB_QUESTION, SIGNATURE,
                   TITLE, VERSION_CAPTION, VERSION_TEXT, WRONG_SCRIPT, not_found)

VALID = script(SIGNATURE)


def searched(result) -> list[bytes]:
    """The paths the program looked up, in order."""
    return [c.text(0) for c in result.calls_to("kernel32.FindFirstFileA")]


# ------------------------------------------------------------------------------------------------
# Modes


@pytest.mark.parametrize("args", ["", "/u", "/U", "-u C:\\Ex\\", "/x C:\\Ex\\", "C:\\Ex\\ /u", "/uC:\\Ex\\"],
                         ids=["no-parameter", "switch-alone", "upper-switch-alone", "dash-u", "other-switch",
                              "switch-second", "switch-glued"])
def test_without_the_uninstall_mode_only_the_version_box_is_shown(harness, args):
    result = harness.run(args, answers=["ok"], setup=[File("C:\\Ex\\Uninst.inf", VALID)])
    [box] = result.boxes
    assert (box.caption, box.flags) == (VERSION_CAPTION, MB_INFORMATION)
    assert result.exit_code == 0
    assert searched(result) == [cp932(harness.PROGRAM)], "only the program's own file is looked at"
    assert result.calls_to("kernel32.CreateFileA") == []


def test_version_box_shows_the_program_file_date(harness):
    result = harness.run(answers=["ok"], program_mtime=dt.datetime(1999, 4, 3, 12, 0, 0))
    [box] = result.boxes
    # The Japanese locale's short date picture under Wine is yyyy/M/d.
    assert VERSION_TEXT.match(box.text), box.text.decode("cp932")
    assert VERSION_TEXT.match(box.text).group(1) == b"1999/4/3"
    assert box.call.arg(0) == 0 and box.call.text(2) == VERSION_CAPTION


def test_upper_case_switch_starts_the_uninstall(harness):
    result = harness.run("/U C:\\Ex\\", answers=["no"], setup=[File("C:\\Ex\\Uninst.inf", VALID)])
    assert [b.text for b in result.boxes] == [ASK_TO_BEGIN]
    assert result.exit_code == 0


# ------------------------------------------------------------------------------------------------
# The script path


def test_missing_script_box_is_exact(harness):
    result = harness.run("/u C:\\Example\\", answers=["ok"])
    [box] = result.boxes
    assert box.caption == TITLE
    assert box.text == not_found("Uninst.inf")
    assert box.call.text(1) == box.text, "the bytes passed to MessageBoxA are the bytes shown"
    assert box.call.text(2) == TITLE
    assert box.call.arg(0) == 0, "no owner window"
    assert box.flags == MB_ERROR
    assert box.buttons == ("ok",)
    assert box.retval == IDOK
    assert result.exit_code == 0
    assert searched(result) == [b"C:\\Example\\Uninst.inf"]
    assert result.calls_to("kernel32.CreateFileA") == [], "a missing script is not opened"


@pytest.mark.parametrize("args, looked_up, named", [
    # Without the final "\" the default name is appended directly.
    ("/u C:\\Example", "C:\\ExampleUninst.inf", "ExampleUninst.inf"),
    # A dot in the last folder name reads as an extension: nothing is appended.
    ("/u C:\\Example 1.0", "C:\\Example 1.0", "Example 1.0"),
    ("/u \"C:\\Program Files\\Example\\\"", "C:\\Program Files\\Example\\Uninst.inf", "Uninst.inf"),
    ("/u C:\\Program Files\\Example\\setup.inf", "C:\\Program Files\\Example\\setup.inf", "setup.inf"),
    # A relative path stays relative.
    ("/u Example\\", "Example\\Uninst.inf", "Uninst.inf"),
    ("/u C:Example", "C:ExampleUninst.inf", "ExampleUninst.inf"),
    # 0x5C as the second byte of a double-byte character is no folder delimiter.
    ("/u C:\\ソフト", "C:\\ソフトUninst.inf", "ソフトUninst.inf"),
    ("/u C:\\表\\予定表", "C:\\表\\予定表Uninst.inf", "予定表Uninst.inf"),
], ids=["no-final-backslash", "dotted-folder", "quoted-blanks", "unquoted-blanks-with-file", "relative",
        "drive-relative", "dbcs-5c-trailing", "dbcs-5c-in-folders"])
def test_script_path_is_built_from_the_argument(harness, args, looked_up, named):
    result = harness.run(args, answers=["ok"], setup=[Folder("C:\\Example 1.0")])
    assert searched(result) == [cp932(looked_up)]
    assert [b.text for b in result.boxes] == [not_found(named)]


@pytest.mark.parametrize("args", [
    "/u C:\\Program Files\\Example\\",
    "/u \"C:\\Program Files\\Example\\\"",
    "/u C:\\Program  Files\\Example\\",      # a run of blanks in an unquoted path shrinks to one
    "/u \"C:\\Program Files\"\\Example\\",   # quoted and unquoted stretches in one parameter
    "/u\tC:\\Program Files\\Example",        # any control character separates; ".\\Example" has no dot
], ids=["unquoted", "quoted", "blank-run", "half-quoted", "tab-no-final-backslash"])
def test_product_folder_with_blanks_reaches_its_script(harness, args):
    name = "C:\\Program Files\\ExampleUninst.inf" if args.endswith("Example") else "C:\\Program Files\\Example\\Uninst.inf"
    result = harness.run(args, answers=["no"], setup=[File(name, VALID)])
    assert searched(result) == [cp932(name)]
    assert [b.text for b in result.boxes] == [ASK_TO_BEGIN]


def test_script_named_by_its_own_file_name(harness):
    result = harness.run("/u C:\\Example\\setup.inf", answers=["no"],
                         setup=[File("C:\\Example\\setup.inf", VALID), File("C:\\Example\\Uninst.inf", b"foreign\r\n")])
    assert searched(result) == [b"C:\\Example\\setup.inf"]
    assert {c.text(0) for c in result.calls_to("kernel32.CreateFileA")} == {b"C:\\Example\\setup.inf"}
    assert [b.text for b in result.boxes] == [ASK_TO_BEGIN]


def test_folder_named_like_the_script_is_not_a_script(harness):
    result = harness.run("/u C:\\Ex\\", answers=["ok"], setup=[Folder("C:\\Ex\\Uninst.inf")])
    assert [(b.text, b.flags) for b in result.boxes] == [(not_found("Uninst.inf"), MB_ERROR)]
    assert result.calls_to("kernel32.CreateFileA") == []


def test_exact_line_reaches_the_program_unchanged(harness):
    # A launcher that rebuilt the line from argv would double the final backslash inside the quotes.
    result = harness.run(line=b'QvUninst.exe /u "C:\\P F\\"', answers=["ok"])
    assert result.line == b'QvUninst.exe /u "C:\\P F\\"'
    assert searched(result) == [b"C:\\P F\\Uninst.inf"]


# ------------------------------------------------------------------------------------------------
# The signature


@pytest.mark.parametrize("line0", [
    "//QV-Uninstaller", "//qv-uninstaller", "//Qv-UnInStAlLeR", "; //qv-uninstaller for my product",
    "製品名 //QV-Uninstaller 2.0", "\t  //QV-Uninstaller//QV-Uninstaller",
])
def test_signature_in_any_case_anywhere_on_line_0_passes(harness, line0):
    result = harness.run("/u C:\\Ex\\", answers=["no"], setup=[File("C:\\Ex\\Uninst.inf", script(line0))])
    assert [(b.text, b.flags) for b in result.boxes] == [(ASK_TO_BEGIN, MB_QUESTION)]


@pytest.mark.parametrize("data", [
    script("//QV-Uninstale"),
    script("", SIGNATURE),                 # on line 1, not line 0
    script("// QV-Uninstaller"),
    b"//QV-Uninst\0aller\r\n",             # a NUL ends the text
    b"\r//QV-Uninstaller\r\n",             # a lone CR is a line break
], ids=["misspelt", "on-line-1", "blank-inside", "nul-inside", "cr-first"])
def test_foreign_script_is_refused(harness, data):
    result = harness.run("/u C:\\Ex\\", answers=["ok"], setup=[File("C:\\Ex\\Uninst.inf", data)],
                         watch_folders=["C:\\Ex"])
    [box] = result.boxes
    assert (box.caption, box.text, box.flags, box.buttons) == (TITLE, WRONG_SCRIPT, MB_ERROR, ("ok",))
    assert result.exit_code == 0
    assert result.diff.empty()


# ------------------------------------------------------------------------------------------------
# The script file and the fatal error report


def fatal_text(error_class: str, message: str) -> re.Pattern:
    return re.compile(re.escape(cp932(error_class + "がﾓｼﾞｭｰﾙ QvUninst.exe の ")) + rb"[0-9A-F]{8}" +
                      re.escape(cp932(" で発生しました。\n" + message + ".")) + rb"\Z")


def assert_fatal(result, error_class: str, message: str) -> None:
    [box] = result.boxes
    assert box.caption == FATAL_CAPTION
    assert box.call.text(2) == FATAL_CAPTION
    assert fatal_text(error_class, message).match(box.text), box.text.decode("cp932")
    assert box.flags == MB_FATAL
    assert box.buttons == ("ok",)
    assert result.exit_code == 1


def test_empty_script_ends_in_the_fatal_error_report(harness):
    result = harness.run("/u C:\\Ex\\", answers=["ok"], setup=[File("C:\\Ex\\Uninst.inf", b"")])
    assert_fatal(result, "EStringListError", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)")
    # The code address lies inside the program's image, not at its start.
    address = int(re.search(rb"[0-9A-F]{8}", result.boxes[0].text).group(), 16)
    assert 0x1000 <= address < 0x100000


def test_script_is_read_without_sharing(harness):
    result = harness.run("/u C:\\Ex\\", answers=["no"], setup=[File("C:\\Ex\\Uninst.inf", VALID)])
    opens = result.calls_to("kernel32.CreateFileA")
    assert opens, "the script is read"
    for call in opens:
        assert call.text(0) == b"C:\\Ex\\Uninst.inf"
        assert [call.arg(i) for i in range(1, 7)] == [0x80000000, 0, 0, 3, 0x80, 0], \
            "GENERIC_READ, share mode 0, no security, OPEN_EXISTING, normal attributes, no template"
    assert result.call_names().index("kernel32.CreateFileA") < result.call_names().index("user32.MessageBoxA")


def test_script_held_open_by_another_program_ends_in_the_fatal_error_report(harness):
    path = "C:\\Ex\\Uninst.inf"
    result = harness.run("/u C:\\Ex\\", answers=["ok"], setup=[File(path, VALID), HeldFile(path)])
    assert_fatal(result, "EFOpenError", f"ﾌｧｲﾙ {path} は開けません")
    [open_call] = result.calls_to("kernel32.CreateFileA")
    assert open_call.retval == 0xFFFFFFFF


def test_unreadable_script_in_a_double_byte_folder_is_named_in_the_report(harness):
    path = "C:\\ソフト\\Uninst.inf"
    result = harness.run("/u C:\\ソフト\\", answers=["ok"], setup=[File(path, VALID), HeldFile(path)])
    assert_fatal(result, "EFOpenError", f"ﾌｧｲﾙ {path} は開けません")
