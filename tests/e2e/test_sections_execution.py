"""Running programs and warnings on the real program: a product program that holds its mutex stops
the run before anything is asked or changed; warnings come in file order before the question."""

from harness import File, HeldMutex, cp932, script
from texts import (ASK_TO_BEGIN, IDOK, IDYES, MB_INFORMATION, MB_QUESTION, MB_WARNING, REPORT_SETTINGS_REMAIN,
                   SIGNATURE, TITLE, is_running)

FOLDER = "C:\\Program Files\\Example"
ARGS = "/u " + FOLDER + "\\"

LONG_WARNING = ["この製品をアンインストールすると、次のデータも削除されます。", "",
                "・表示設定（ウィンドウの位置と大きさ）", "・予定表のデータ", "・ﾃﾝﾌﾟﾚｰﾄ", "\t字下げした行",
                "  blanks kept  "] + [f"line {n}" for n in range(8, 16)] + ["最後の行です。"]

SCRIPT = script(
    SIGNATURE,
    "[warning]",
    "Please back up your data first.",
    "end;",
    "[execution]",
    "MUTEX=QvEditorMutex",
    "APPNAME=Example Editor",
    "mutex=QvViewerMutex",
    "appname=予定表ビューア",
    "MUTEX=QvFreeMutex",
    "APPNAME=Not Running",
    "MUTEX=QvHelperMutex",
    "",
    "APPNAME=Too Far Below",
    "end;",
    "[warning]",
    "end;",
    "[warning]",
    *LONG_WARNING,
    "end;",
    "[deletefile]",
    "app.exe",
    "Uninst.inf",
    "end;")
MUTEXES = [b"QvEditorMutex", b"QvViewerMutex", b"QvFreeMutex", b"QvHelperMutex"]


def product() -> list:
    return [File(FOLDER + "\\Uninst.inf", SCRIPT), File(FOLDER + "\\app.exe", b"MZ")]


def mutex_calls(result) -> list[tuple]:
    return [(c.arg(0), c.arg(1), c.text(2)) for c in result.calls_to("kernel32.CreateMutexA")]


def test_running_programs_stop_the_run_before_warnings_and_question(harness):
    held = [HeldMutex("QvEditorMutex"), HeldMutex("QvViewerMutex"), HeldMutex("QvHelperMutex")]
    result = harness.run(ARGS, answers=["ok", "ok"], setup=product() + held, watch_folders=[FOLDER],
                         watch_keys=["HKCU\\Software"])
    # One box per running program with its display name as written; the mutex without "APPNAME="
    # right below it shows nothing; no warning, no question.
    assert [(b.caption, b.text, b.flags, b.buttons, b.retval) for b in result.boxes] == [
        (TITLE, is_running("Example Editor"), MB_WARNING, ("ok",), IDOK),
        (TITLE, is_running("予定表ビューア"), MB_WARNING, ("ok",), IDOK),
    ]
    assert is_running("Example Editor") == cp932("Example Editor が起動しています。\r\n閉じてからアンインストールして下さい。")
    assert [c.arg(0) for c in result.calls_to("user32.MessageBoxA")] == [0, 0]
    assert result.exit_code == 0
    # Every mutex of the section is asked for, unowned and without security attributes, and the
    # walk goes on after a hit.
    assert mutex_calls(result) == [(0, 0, name) for name in MUTEXES]
    assert all(c.retval != 0 for c in result.calls_to("kernel32.CreateMutexA"))
    for name in ("kernel32.SetFileAttributesA", "kernel32.DeleteFileA", "kernel32.RemoveDirectoryA",
                 "advapi32.RegDeleteKeyA", "advapi32.RegSetValueExA", "shell32.SHChangeNotify"):
        assert result.calls_to(name) == [], name
    assert result.diff.empty(), result.diff.lines()


def test_without_running_programs_warnings_come_in_file_order_before_the_question(harness):
    result = harness.run(ARGS, answers=["ok", "ok", "yes", "ok"], setup=product(),
                         watch_folders=["C:\\Program Files"])
    # The empty warning shows nothing; the long one keeps its lines as written, joined by CR LF.
    assert [(b.caption, b.text, b.flags, b.buttons) for b in result.boxes] == [
        (TITLE, b"Please back up your data first.", MB_WARNING, ("ok",)),
        (TITLE, cp932("\r\n".join(LONG_WARNING)), MB_WARNING, ("ok",)),
        (TITLE, ASK_TO_BEGIN, MB_QUESTION, ("yes", "no")),
        (TITLE, REPORT_SETTINGS_REMAIN, MB_INFORMATION, ("ok",)),
    ]
    for box in result.boxes[:2]:
        passed = box.call.args[1]  # the trace shortens long texts
        assert passed.text == box.text or (passed.truncated and box.text.startswith(passed.text)), \
            "the bytes passed are the bytes shown"
    assert result.boxes[2].retval == IDYES
    assert result.exit_code == 0
    # The check runs before any warning, though its section stands below the first one.
    names = result.call_names()
    assert mutex_calls(result) == [(0, 0, name) for name in MUTEXES]
    assert max(i for i, n in enumerate(names) if n == "kernel32.CreateMutexA") < names.index("user32.MessageBoxA")
    assert result.diff.removed_files == sorted(cp932(p) for p in [FOLDER, FOLDER + "\\Uninst.inf", FOLDER + "\\app.exe"])


def test_a_mutex_named_again_is_ours_and_no_running_program(harness):
    # Asked for again, the mutex would exist because the uninstaller holds it: it is not asked for.
    again = script(SIGNATURE, "[execution]", "MUTEX=QvEditorMutex", "APPNAME=Example Editor", "end;",
                   "[execution]", "MUTEX=QvEditorMutex", "APPNAME=Example Editor", "MUTEX=Local\\QvEditorMutex",
                   "APPNAME=Example Editor", "end;")
    result = harness.run(ARGS, answers=["no"], setup=[File(FOLDER + "\\Uninst.inf", again)])
    assert [b.text for b in result.boxes] == [ASK_TO_BEGIN]
    assert mutex_calls(result) == [(0, 0, b"QvEditorMutex")]
