"""QvCheck.exe, the script checker as a Windows console program: the same report as the checker
on Linux (tests/check/every_finding/expected.txt), in the console's code page 932."""

from __future__ import annotations

import json
import re
import subprocess
import tempfile
from pathlib import Path

from harness import copy_prefix

REPO = Path(__file__).resolve().parents[2]
EVERY = REPO / "tests" / "check" / "every_finding"


def check(harness, argument: str, cwd: Path, *more: str, encoding="cp932") -> tuple[int, str]:
    with tempfile.TemporaryDirectory(prefix="qvcheck-") as work:
        prefix = Path(work) / "prefix"
        copy_prefix(harness.pristine, prefix)
        env = harness.env(prefix)
        env["WINEDEBUG"] = "-all"
        checker = harness.program.parent / "QvCheck.exe"
        try:
            done = subprocess.run([harness.wine.loader, str(checker), argument, *more], cwd=cwd, env=env,
                                  capture_output=True, timeout=120)
        finally:
            subprocess.run([harness.wine.server, "-k"], env=env, capture_output=True)
    return done.returncode, done.stdout.decode(encoding).replace("\r\n", "\n")


def without_bad_byte(text: str) -> str:
    """The every-finding script's byte 0x80, which is no Shift-JIS text, reaches the Windows console
    as it stands (U+0080) and the Linux one as U+FFFD."""
    return text.replace("\x80", "").replace("\ufffd", "")


def test_every_finding_and_the_sample_read_as_on_linux(harness):
    code, text = check(harness, "Uninst.inf", EVERY)
    expected = (EVERY / "expected.txt").read_text(encoding="utf-8")
    assert (code, without_bad_byte(text)) == (2, without_bad_byte(expected))
    # A product folder named as the uninstaller takes it: with its final "\".
    code, text = check(harness, "samples\\Sample\\", REPO)
    assert code == 0 and re.search(r"samples\\Sample\\Uninst\.inf: 0 errors, 0 warnings, \d+ notes?\n$", text), text
    code, _ = check(harness, "samples\\Sample", REPO)  # without it, "SampleUninst.inf" is meant
    assert code == 3
    # Options before the argument, which is read as before.
    assert check(harness, "--version", REPO) == (0, "QvCheck.exe 2.09\n")
    code, text = check(harness, "--format=sarif", REPO, "--ignore=QV404", "samples\\Sample\\", encoding="utf-8")
    log = json.loads(text)
    assert code == 0 and log["version"] == "2.1.0" and log["runs"][0]["results"] == [], text
