#!/usr/bin/python3
"""Runs the built script checker (qvcheck) on the repository's scripts and compares what it prints
and returns:

- samples/Sample/ (the sample product, named by its folder): no error and no warning, exit code 0;
- the same script in a folder with a Japanese name: the path shown as it was given;
- tests/check/every_finding/Uninst.inf (one fault of each kind): exactly expected.txt, exit code 2;
- tests/check/saved_as_utf8/Uninst.inf (a script an editor saved as UTF-8): exactly expected.txt, exit code 1;
- a script that does not exist: exit code 3.

Usage: check_reports.py QVCHECK
"""
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
CHECK = ROOT / "tests" / "check"
EVERY = CHECK / "every_finding"


def run(checker, argument, cwd):
    done = subprocess.run([checker, argument], cwd=cwd, capture_output=True, timeout=60)
    return done.returncode, done.stdout.decode("utf-8")


def main(checker):
    problems = []
    code, text = run(checker, "samples/Sample/", ROOT)
    if code != 0 or not re.search(r": 0 errors, 0 warnings, \d+ notes?\n$", text):
        problems.append(f"sample: exit {code}, expected 0 without errors or warnings:\n{text}")
    with tempfile.TemporaryDirectory() as work:
        shutil.copytree(ROOT / "samples" / "Sample", pathlib.Path(work) / "サンプル表")
        code, text = run(checker, "サンプル表/", work)
        if code != 0 or not re.fullmatch(r"(サンプル表/Uninst\.inf:\d+: note: .*\n    .*\n)*"
                                         r"サンプル表/Uninst\.inf: 0 errors, 0 warnings, \d+ notes\n", text):
            problems.append(f"Japanese folder: exit {code}, expected 0 and the path as given:\n{text}")
    for script, expected_code in (("every_finding", 2), ("saved_as_utf8", 1)):
        code, text = run(checker, "Uninst.inf", CHECK / script)
        if code != expected_code or text != (CHECK / script / "expected.txt").read_text(encoding="utf-8"):
            problems.append(f"{script}: exit {code} (expected {expected_code}); output:\n{text}")
    code, text = run(checker, "no-such-script.inf", EVERY)
    if code != 3:
        problems.append(f"missing script: exit {code}, expected 3:\n{text}")
    print("\n".join(problems) or "checker reports as expected")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(str(pathlib.Path(sys.argv[1]).resolve())))
