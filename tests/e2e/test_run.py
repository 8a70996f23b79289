"""The uninstall run: the question to begin and the final report with its shell notification."""

from dataclasses import dataclass, field
from pathlib import Path

import pytest

from harness import File, RegValue, script
from texts import (ASK_DELETE_SETTINGS, ASK_TO_BEGIN, IDNO, IDYES, MB_INFORMATION, MB_QUESTION, REPORT_ALL_REMOVED,
                   REPORT_BOTH_REMAIN, REPORT_FILES_REMAIN, REPORT_SETTINGS_REMAIN, SIGNATURE, TITLE)

REPO = Path(__file__).resolve().parents[2]
FOLDER = "C:\\Program Files\\Example"
ARGS = "/u C:\\Program Files\\Example\\"
SETTINGS = "HKCU\\Software\\Quorvel\\Example"


def product(script_data: bytes, *extra: str) -> list:
    """The product's folder: its script, app.exe, and any extra (user's) files; its settings key."""
    files = [File(f"{FOLDER}\\Uninst.inf", script_data), File(f"{FOLDER}\\app.exe", b"MZ")]
    files += [File(f"{FOLDER}\\{name}", b"user data") for name in extra]
    return files + [RegValue(SETTINGS + "\\Window", "Left", 10)]


def test_no_at_the_question_ends_the_run_and_changes_nothing(harness):
    data = script(SIGNATURE, "[deletereg]", "QUORVEL=Example", "end;", "[createreg]", "KEY=HCU\\Software\\Made",
                  "STRING=a,b", "end;", "[deletefile]", "app.exe", "Uninst.inf", "end;")
    result = harness.run(ARGS, answers=["no"], setup=product(data), watch_folders=["C:\\Program Files"],
                         watch_keys=["HKCU\\Software"])
    [box] = result.boxes
    assert (box.caption, box.text, box.flags, box.buttons, box.retval) == (TITLE, ASK_TO_BEGIN, MB_QUESTION, ("yes", "no"), IDNO)
    assert result.exit_code == 0
    assert result.diff.empty(), result.diff.lines()
    assert [c.name for c in result.calls if c.name != "kernel32.FindFirstFileA"] == \
        ["kernel32.CreateFileA", "user32.MessageBoxA"], \
        "only the script is read before the question, once"


def test_question_comes_after_the_script_is_read(harness):
    result = harness.run(ARGS, answers=["yes", "ok"], setup=product(script(SIGNATURE)))
    names = result.call_names()
    assert names[0] == "kernel32.FindFirstFileA"
    question = names.index("user32.MessageBoxA")
    assert "kernel32.CreateFileA" in names[:question]
    assert result.boxes[0].retval == IDYES


# ------------------------------------------------------------------------------------------------
# The final report: one row per combination of the two results.


@dataclass
class ReportRow:
    id: str
    body: list[str]          # script lines after the signature
    answers: list[str]
    report: bytes
    notified: bool
    folder_removed: bool
    settings_removed: bool
    extra_files: list[str] = field(default_factory=list)
    needs: dict[str, str] = field(default_factory=dict)  # section header -> source of its handler

    def param(self):
        missing = [f"{header} handler ({source}) is not built yet" for header, source in self.needs.items()
                   if not (REPO / source).exists()]
        marks = [pytest.mark.skip(reason="; ".join(missing))] if missing else []
        return pytest.param(self, id=self.id, marks=marks)


DELETEREG = {"[deletereg]": "src/sections/delete_registry.cpp"}
DELETEFILE = {"[deletefile]": "src/sections/delete_files.cpp"}
REMOVE_SETTINGS = ["[deletereg]", "QUORVEL=Example", "end;"]
REMOVE_FILES = ["[deletefile]", "app.exe", "Uninst.inf", "end;"]

REPORT_ROWS = [
    ReportRow("no-sections", [], ["yes", "ok"], REPORT_BOTH_REMAIN, notified=False,
              folder_removed=False, settings_removed=False),
    ReportRow("settings-removed-files-remain", REMOVE_SETTINGS + REMOVE_FILES, ["yes", "yes", "ok"],
              REPORT_FILES_REMAIN, notified=False, folder_removed=False, settings_removed=True,
              extra_files=["notes.txt"], needs={**DELETEREG, **DELETEFILE}),
    ReportRow("folder-removed-settings-remain", REMOVE_FILES, ["yes", "ok"], REPORT_SETTINGS_REMAIN,
              notified=True, folder_removed=True, settings_removed=False, needs=DELETEFILE),
    ReportRow("all-removed", REMOVE_FILES + REMOVE_SETTINGS, ["yes", "yes", "ok"], REPORT_ALL_REMOVED,
              notified=True, folder_removed=True, settings_removed=True, needs={**DELETEREG, **DELETEFILE}),
    # A declined cleanup does not count as settings removed.
    ReportRow("settings-declined", REMOVE_SETTINGS + REMOVE_FILES, ["yes", "no", "ok"], REPORT_SETTINGS_REMAIN,
              notified=True, folder_removed=True, settings_removed=False, needs={**DELETEREG, **DELETEFILE}),
    # An empty cleanup section, confirmed, still counts.
    ReportRow("empty-cleanup-confirmed", ["[deletereg]", "end;"], ["yes", "yes", "ok"], REPORT_FILES_REMAIN,
              notified=False, folder_removed=False, settings_removed=False, needs=DELETEREG),
]


@pytest.mark.parametrize("row", [r.param() for r in REPORT_ROWS])
def test_final_report(harness, row):
    result = harness.run(ARGS, answers=row.answers, setup=product(script(SIGNATURE, *row.body), *row.extra_files),
                         watch_folders=["C:\\Program Files"], watch_keys=["HKCU\\Software\\Quorvel"])
    questions = [(b.text, b.flags, b.buttons) for b in result.boxes[:-1]]
    assert questions == [(ASK_TO_BEGIN, MB_QUESTION, ("yes", "no"))] + \
        [(ASK_DELETE_SETTINGS, MB_QUESTION, ("yes", "no"))] * (len(row.answers) - 2)
    report = result.boxes[-1]
    assert (report.caption, report.text, report.flags, report.buttons) == (TITLE, row.report, MB_INFORMATION, ("ok",))
    assert result.exit_code == 0

    notifications = result.calls_to("shell32.SHChangeNotify")
    if row.notified:
        [call] = notifications
        assert [call.arg(i) for i in range(4)] == [0x80, 0x2000, 0, 0]
        assert result.calls[-1] is call, "the shell is told after the report box"
    else:
        assert notifications == []

    assert result.after.has_file(FOLDER) is not row.folder_removed
    assert result.after.has_key(SETTINGS) is not row.settings_removed
    for name in row.extra_files:
        assert result.after.has_file(f"{FOLDER}\\{name}"), "the user's own files stay"
