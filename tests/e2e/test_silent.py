"""The silent mode on the real program: no window ever, the exit codes deployment tools read, and
the log it appends to QvUninst.log in the user's %TEMP% (UTF-8 with a byte-order mark, CR LF)."""

import re

from harness import BOX_CALLS, File, HeldFile, HeldMutex, RegValue, script
from texts import SIGNATURE

FOLDER = "C:\\Program Files\\Example"
ARGS = '/s "' + FOLDER + '\\"'
UNINSTALL = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example"
SETTINGS = "HKCU\\Software\\Quorvel\\Example"
BOM = b"\xef\xbb\xbf"

PRODUCT = script(SIGNATURE, "[execution]", "MUTEX=ExampleMutex", "APPNAME=エグザンプル", "end;",
                 "[warning]", "エグザンプルを削除します。", "end;",
                 "[deletereg]", "UNINST=Example", "QUORVEL=Example", "end;",
                 "[createreg]", "KEY=HCU\\Software\\Quorvel\\Shared", "STRING=Last,Example", "end;",
                 "[deletefile]", "app.exe", "データ.dat", "Uninst.inf", "end;")
FILES = ["app.exe", "データ.dat"]


def setup(body: bytes = PRODUCT, *extra):
    return [File(FOLDER + "\\Uninst.inf", body), *[File(FOLDER + "\\" + name, "x") for name in FILES],
            RegValue(UNINSTALL, "DisplayName", "Example"), RegValue(SETTINGS + "\\Window", "Left", "1"), *extra]


def log_of(result) -> list[str]:
    """The run's log as lines; exactly one log file, starting with its byte-order mark, CR LF ends."""
    assert len(result.silent_logs) == 1, result.silent_logs.keys()
    path, data = next(iter(result.silent_logs.items()))
    assert re.fullmatch(r"(?i)C:\\users\\[^\\]+\\(AppData\\Local\\)?Temp\\QvUninst\.log", path), path
    assert data.startswith(BOM) and data.endswith(b"\r\n\r\n")
    assert b"\n" not in data.replace(b"\r\n", b""), "every line ends in CR LF"
    return data[len(BOM):].decode("utf-8").split("\r\n")


def no_box(result) -> None:
    assert result.boxes == [] and not any(result.calls_to(name) for name in BOX_CALLS)


def test_a_silent_removal_shows_no_window_removes_everything_and_logs_each_step(harness):
    result = harness.run(ARGS, setup=setup(), watch_folders=[FOLDER], watch_keys=[UNINSTALL, SETTINGS])
    no_box(result)
    assert result.exit_code == 0
    assert not result.after.has_file(FOLDER)
    assert not result.after.has_key(UNINSTALL) and not result.after.has_key(SETTINGS)
    lines = log_of(result)
    assert re.fullmatch(r'\d{4}-\d\d-\d\d \d\d:\d\d:\d\d "C:\\windows\\QvUninst\.exe" /s "C:\\Program Files\\Example\\"',
                        lines[0]), lines[0]
    assert re.fullmatch(r"account: [^:]+", lines[1]), lines[1]  # not SYSTEM: no more on its line
    steps = "\n".join(lines)
    assert "  mutex \"ExampleMutex\": free: no program holding it runs" in steps
    assert "(warning, OK): not shown, answered OK\n       エグザンプルを削除します。" in steps
    for key in ("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\EXAMPLE",
                "HKCU\\Software\\Quorvel\\EXAMPLE\\Window", "HKCU\\Software\\Quorvel\\EXAMPLE"):
        assert f'  delete key "{key}": done' in steps, key
    for name in ("APP.EXE", "データ.DAT", "UNINST.INF"):
        assert f'  delete file "{FOLDER}\\{name}": done' in steps, name
    assert f'  remove folder "{FOLDER}\\": done' in steps
    assert '  set value "Last" = "Example" in "HKCU\\Software\\Quorvel\\Shared": done' in steps
    assert lines[-3:] == ["exit code 0: done", "", ""]


def test_a_running_program_ends_the_run_with_2_and_changes_nothing(harness):
    result = harness.run(ARGS, setup=setup(PRODUCT, HeldMutex("ExampleMutex")), watch_folders=[FOLDER],
                         watch_keys=[UNINSTALL, SETTINGS])
    no_box(result)
    assert result.exit_code == 2
    assert result.diff.lines() == []
    steps = "\n".join(log_of(result))
    assert "エグザンプル が起動しています。" in steps
    assert "exit code 2: a program of the product is running" in steps


def test_a_missing_script_gives_3_a_foreign_one_4_and_s_works_in_upper_case(harness):
    result = harness.run("/S C:\\Nowhere\\", setup=setup())
    no_box(result)
    assert result.exit_code == 3
    assert '" Uninst.inf " が見つかりません。' in "\n".join(log_of(result))

    result = harness.run("/S " + FOLDER + "\\", setup=setup(script("no signature", "[deletefile]", "app.exe", "end;")),
                         watch_folders=[FOLDER])
    no_box(result)
    assert (result.exit_code, result.diff.lines()) == (4, [])
    assert "アンインストールに使うファイルが違います" in "\n".join(log_of(result))


def test_a_script_without_its_end_gives_1_and_the_log_holds_the_report(harness):
    body = script(SIGNATURE, "[deletefile]", "app.exe")
    result = harness.run(ARGS, setup=setup(body))
    no_box(result)
    assert result.exit_code == 1
    steps = "\n".join(log_of(result))
    assert "(error, OK, task-modal): not shown, answered OK" in steps
    assert re.search(r"EStringListErrorがﾓｼﾞｭｰﾙ QvUninst\.exe の [0-9A-F]{8} で発生しました。\n"
                     r"       ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています \(\d+\)\.", steps), steps
    assert "exit code 1: ended by the fatal error report" in steps


def test_a_file_in_use_is_left_to_the_restart_and_gives_3010(harness):
    held = FOLDER + "\\app.exe"
    result = harness.run(ARGS, setup=setup(PRODUCT, HeldFile(held)), watch_folders=[FOLDER])
    no_box(result)
    assert result.exit_code == 3010
    steps = "\n".join(log_of(result))
    assert f'  leave "{FOLDER}\\APP.EXE" to the next start of Windows: done' in steps
    assert "exit code 3010: done; files in use were left to the next start of Windows" in steps
