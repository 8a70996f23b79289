"""QvCheck.exe /plan against reality: the plan of the sample product changes nothing, and the real
uninstall made right after it in the same prefix makes exactly the calls the plan listed, in its
order and with its results, and leaves exactly the files and keys the plan's changes leave."""

from __future__ import annotations

import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

from harness import CP, Arg, File, HeldFile, RegValue, Snapshot, _lower, cp932
from sample_uninstall import COMMAND, FILES, FOLDER, REGISTRY, SCRIPT, WATCH_FOLDERS, WATCH_KEYS
from texts import REPORT_ALL_REMOVED, REPORT_FILES_REMAIN, RESTART_LINE

PLAN = "/plan " + COMMAND.split(" ", 1)[1]
ROOTS = {0x80000000: b"HKCR", 0x80000001: b"HKCU", 0x80000002: b"HKLM", 0x80000003: b"HKU"}
CHANGES = ("kernel32.SetFileAttributesA", "kernel32.DeleteFileA", "kernel32.MoveFileA", "kernel32.MoveFileExA",
           "kernel32.RemoveDirectoryA", "advapi32.RegDeleteKeyA", "advapi32.RegCreateKeyExA", "advapi32.RegSetValueExA",
           "advapi32.RegDeleteValueA", "shell32.SHChangeNotify")
SEEN = CHANGES + ("user32.MessageBoxA", "kernel32.CreateMutexA")
ANSWERS = {b"Yes": 6, b"No": 7, b"OK": 1}


def sample(*extra) -> list:
    setup = [File(path, data) for path, data in FILES.items()]
    setup.append(File(f"{FOLDER}\\Uninst.inf", SCRIPT.read_bytes()))
    return setup + [RegValue(key, name, data) for key, name, data in REGISTRY] + list(extra)


# ------------------------------------------------------------------------------------------------
# The plan as printed


STEP = re.compile(rb"^ {0,2}(\d+)\. (.*)$")  # box texts stand further in
CHANGE = re.compile(rb'^(clear attributes|set attributes 0x[0-9a-f]+|delete file|remove folder|delete key|create key) '
                    rb'"(.*)" \[.*\]: (done|fails)$')


def plan_steps(output: bytes) -> list[tuple]:
    """Each step as (kind, arguments..., result), a box with the lines of its text."""
    steps: list[tuple] = []
    for line in output.split(b"\n"):
        m = STEP.match(line)
        if m is None:
            if steps and steps[-1][0] == "box" and line.startswith(b" " * 7) and not line.strip().startswith(b"the entry"):
                steps[-1][4].append(line[7:])
            elif steps and not line.startswith(b" " * 7):
                break  # the end of the list
            continue
        text = m.group(2)
        if box := re.match(rb'^box "(.*)", flags 0x([0-9a-f]+) \(.*\): answered (\w+)$', text):
            steps.append(("box", box.group(1), int(box.group(2), 16), ANSWERS[box.group(3)], []))
        elif mutex := re.match(rb'^mutex "(.*)": ', text):
            steps.append(("mutex", mutex.group(1)))
        elif change := CHANGE.match(text):
            kind = change.group(1).split(b" 0x")[0].decode()
            steps.append((kind.replace("clear", "set"), change.group(2), change.group(3) == b"done"))
        elif rename := re.match(rb'^rename "(.*)" to "(.*)" \[.*\]: (done|fails)$', text):
            steps.append(("rename", rename.group(1), rename.group(2), rename.group(3) == b"done"))
        elif value := re.match(rb'^set value "(.*)" = "(.*)" in "(.*)" \[.*\]: (done|fails)$', text):
            steps.append(("set value", value.group(1), value.group(2), value.group(3), value.group(4) == b"done"))
        elif left := re.match(rb'^leave "(.*)" to the next start of Windows \[.*\]: (done|fails)$', text):
            steps.append(("leave", left.group(1), left.group(2) == b"done"))
        elif value := re.match(rb'^delete value "(.*)" in "(.*)" \[.*\]: (done|fails)$', text):
            steps.append(("delete value", value.group(1), value.group(3) == b"done"))
        elif shell := re.match(rb"^notify the shell \(event 0x([0-9a-f]+), flags 0x([0-9a-f]+)\)$", text):
            steps.append(("notify", int(shell.group(1), 16), int(shell.group(2), 16)))
        else:
            raise AssertionError(f"a step the test does not know: {line!r}")
    return steps


def run_steps(calls, boxes) -> list[tuple]:
    """The real run's calls in the plan's terms: texts as the relay shows them (long ones cut
    short), a box's text as the box showed it, a key as its root's name (None below an open key)
    and the subkey."""
    steps: list[tuple] = []
    shown = iter(boxes)
    for c in calls:
        name = c.name.split(".")[1]
        if name == "MessageBoxA":
            steps.append(("box", c.args[2], c.arg(3), c.retval, next(shown).text))
        elif name == "CreateMutexA":
            steps.append(("mutex", c.args[2]))
        elif name == "SetFileAttributesA":
            steps.append(("set attributes", c.args[0], c.retval != 0))
        elif name == "DeleteFileA":
            steps.append(("delete file", c.args[0], c.retval != 0))
        elif name == "RemoveDirectoryA":
            steps.append(("remove folder", c.args[0], c.retval != 0))
        elif name == "MoveFileA":
            steps.append(("rename", c.args[0], c.args[1], c.retval != 0))
        elif name in ("RegDeleteKeyA", "RegCreateKeyExA"):
            kind = "delete key" if name == "RegDeleteKeyA" else "create key"
            steps.append((kind, ROOTS.get(c.arg(0)), c.args[1], c.retval == 0))
        elif name == "RegSetValueExA":
            steps.append(("set value", c.args[1], c.arg(3), c.retval == 0))
        elif name == "MoveFileExA":
            steps.append(("leave", c.args[0], c.retval != 0))
        elif name == "RegDeleteValueA":
            steps.append(("delete value", c.args[1], c.retval == 0))
        elif name == "SHChangeNotify":
            steps.append(("notify", c.arg(0), c.arg(1)))
    return steps


def same(planned: bytes, arg: Arg) -> bool:
    """The relay cuts long texts short."""
    return planned.startswith(arg.text) if arg.truncated else planned == arg.text


def lines_of(text: bytes) -> list[bytes]:
    return re.split(rb"\r\n|\r|\n", text)


def expect_same(planned: tuple, done: tuple) -> None:
    kind = planned[0]
    assert kind == done[0], (planned, done)
    if kind == "box":
        assert same(planned[1], done[1]) and planned[2:4] == done[2:4], (planned, done)
        assert planned[4] == lines_of(done[4]), (planned, done)
    elif kind in ("delete key", "create key"):
        _, path, ok = planned
        _, root, subkey, done_ok = done
        # From a root the whole path is passed; below an open key, the subkey's name.
        whole = _lower(path)
        assert whole.startswith(_lower(root + b"\\")) and same(whole[len(root) + 1:], Arg(0, _lower(subkey.text), subkey.truncated)) \
            if root else whole.endswith(b"\\" + _lower(subkey.text)), (planned, done)
        assert ok == done_ok, (planned, done)
    elif kind == "set value":
        _, name, _data, _key, ok = planned
        assert same(name, done[1]) and ok == done[3], (planned, done)
    else:
        assert len(planned) == len(done), (planned, done)
        for p, d in zip(planned[1:], done[1:]):
            assert same(p, d) if isinstance(d, Arg) else p == d, (planned, done)


# ------------------------------------------------------------------------------------------------
# The plan's changes applied to the state before


def apply(before: Snapshot, steps: list[tuple]) -> tuple[set[bytes], dict[bytes, dict[bytes, bytes]]]:
    """Files (lower-cased paths) and keys (lower-cased, with their values' data) after the plan's changes."""
    files = {_lower(p): e for p, e in before.files.items()}
    keys = {_lower(k): {_lower(n): d for n, (_t, d) in v.items()} for k, v in before.keys.items()}
    for step in steps:
        if step[-1] is not True:
            continue
        kind = step[0]
        if kind in ("delete file", "remove folder"):
            files.pop(_lower(step[1]).rstrip(b"\\"), None)
        elif kind == "rename":
            files[_lower(step[2])] = files.pop(_lower(step[1]), None)
        elif kind == "delete key":
            keys.pop(_lower(step[1]), None)
        elif kind == "create key":
            path = _lower(step[1])
            while path not in keys:
                keys[path] = {}
                path = path.rsplit(b"\\", 1)[0]
        elif kind == "set value":
            keys[_lower(step[3])][_lower(step[1])] = step[2] + b"\0"
    return set(files), keys


def expect_plan_is_the_run(result) -> list[tuple]:
    checker = result.checker
    assert checker is not None and checker.exit_code is not None, result.describe()
    planned = plan_steps(checker.output)
    assert planned, checker.output.decode(CP, "replace")

    # The plan changed nothing, and asked nothing of the user.
    assert [c.name for c in checker.calls if c.name in CHANGES + ("user32.MessageBoxA",)] == []
    assert (result.before.files, result.before.keys) == (result.middle.files, result.middle.keys)

    # The run made the plan's calls, in its order, with its results.
    done = run_steps([c for c in result.calls if c.name in SEEN], result.boxes)
    assert len(planned) == len(done), (planned, done)
    for p, d in zip(planned, done):
        expect_same(p, d)

    # And left what the plan's changes leave. Folders' own entries do not count: removing a folder
    # removes the entry the snapshot had for it, and the plan says so.
    files, keys = apply(result.middle, planned)
    assert files == {_lower(p) for p in result.after.files}
    assert keys == {_lower(k): {_lower(n): d for n, (_t, d) in v.items()} for k, v in result.after.keys.items()}
    return planned


def test_the_plan_of_the_sample_product_is_what_its_uninstall_does(harness):
    result = harness.run(COMMAND, setup=sample(), rest_as_user=True, watch_folders=WATCH_FOLDERS,
                         watch_keys=WATCH_KEYS, checker=PLAN)
    planned = expect_plan_is_the_run(result)
    assert result.checker.exit_code == 0 and result.exit_code == 0
    assert result.boxes[-1].text == REPORT_ALL_REMOVED
    assert cp932(f'The folder "{FOLDER}\\" is gone afterwards.') in result.checker.output
    assert ("remove folder", cp932(FOLDER + "\\"), True) in planned
    assert not result.after.has_file(FOLDER)


def test_a_file_in_use_keeps_the_folder_and_the_plan_says_what_stays(harness):
    held, mine = f"{FOLDER}\\Sample.dll", f"{FOLDER}\\Notes.txt"
    result = harness.run(COMMAND, setup=sample(File(mine, "my notes"), HeldFile(held)), rest_as_user=True,
                         watch_folders=WATCH_FOLDERS, watch_keys=WATCH_KEYS, checker=PLAN)
    planned = expect_plan_is_the_run(result)
    # The file in use is left to the next start of Windows; the user's notes keep the folder.
    assert result.boxes[-1].text == REPORT_FILES_REMAIN + RESTART_LINE
    assert [s for s in planned if s[0] == "box"][-1][4] == lines_of(REPORT_FILES_REMAIN + RESTART_LINE)
    stays = result.checker.output.split(cp932(f'The folder "{FOLDER}\\" stays, holding:\n'))[1].split(b"\nExit code")[0]
    assert stays.split(b"\n") == [
        b"       Notes.txt  (no entry deletes it)",
        b"       Sample.dll  (left to the next start of Windows)",
    ]
    left = sorted(p for p in result.after.files if _lower(p).startswith(_lower(cp932(FOLDER + "\\"))))
    assert left == [cp932(mine), cp932(held)]


def test_the_plan_on_linux_of_the_installed_folder_and_its_export_is_the_plan_on_windows(harness, tmp_path):
    """qvcheck --plan --tree over the product's folder as installed and its keys as a registry export
    prints, byte for byte, what QvCheck.exe /plan prints on a Windows that holds the same."""
    qvcheck = Path(os.environ.get("QV_QVCHECK", Path(__file__).resolve().parents[2] / "build" / "native" / "qvcheck"))
    if not qvcheck.is_file():
        pytest.skip(f"{qvcheck} is missing: build it with cmake --preset native, or name it with QV_QVCHECK")
    sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "check"))
    from tree_plan import write_export, write_tree
    installed = [File(path, data) for path, data in FILES.items() if path.startswith(FOLDER + "\\")]
    installed.append(File(f"{FOLDER}\\Uninst.inf", SCRIPT.read_bytes()))
    result = harness.run(COMMAND, setup=installed + [RegValue(*row) for row in REGISTRY], rest_as_user=True,
                         watch_folders=WATCH_FOLDERS, watch_keys=WATCH_KEYS, checker=PLAN)
    assert result.checker is not None and result.checker.exit_code == 0, result.describe()

    write_tree(tmp_path / "Sample")
    # Wine's Windows folder, as an export of its CurrentVersion key names it.
    write_export(tmp_path / "sample.reg",
                 REGISTRY + [("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "C:\\windows")])
    linux = subprocess.run([qvcheck, "--plan", "--tree", tmp_path / "Sample", "--reg", tmp_path / "sample.reg",
                            FOLDER + "\\"], capture_output=True, timeout=60)
    assert (linux.returncode, linux.stderr) == (0, b"")
    assert linux.stdout.decode("utf-8") == result.checker.output.decode(CP).replace("\r\n", "\n")
