#!/usr/bin/python3
"""Runs the built script checker (qvcheck) on the repository's scripts and compares what it prints
and returns:

- samples/Sample/ (the sample product, named by its folder): no error and no warning, exit code 0;
- the same script in a folder with a Japanese name: the path shown as it was given;
- tests/check/every_finding/Uninst.inf (one fault of each kind): exactly expected.txt, exit code 2;
- tests/check/saved_as_utf8/Uninst.inf (a script an editor saved as UTF-8): exactly expected.txt, exit code 1;
- a script that does not exist: exit code 3, and the hint names a folder with its final /;
- several at once: each report, parted by an empty line, and the worst exit code; --ignore leaves
  codes out, an unknown code is an error of usage; a folder's script in lower case is found;
- --help and --version: their text, exit code 0;
- --format=sarif on the every-finding script: SARIF 2.1.0's required fields, one result a finding.

Usage: check_reports.py QVCHECK
"""
import json
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
CHECK = ROOT / "tests" / "check"
EVERY = CHECK / "every_finding"


def run(checker, argument, cwd, *more):
    done = subprocess.run([checker, argument, *more], cwd=cwd, capture_output=True, timeout=60)
    return done.returncode, done.stdout.decode("utf-8")


def sarif_problems(log, results):
    """What SARIF 2.1.0 requires of the log, its run, its tool's rules and its results."""
    run = log["runs"][0]
    driver = run["tool"]["driver"]
    rules = {rule["id"] for rule in driver["rules"] if rule["shortDescription"]["text"]}
    found = [log["version"] != "2.1.0", "sarif-2.1.0" not in log["$schema"], not driver["name"],
             not driver["version"], len(run["results"]) != results or results < 50]
    for result in run["results"]:
        location = result["locations"][0]["physicalLocation"]
        found.append(result["ruleId"] not in rules or result["level"] not in ("error", "warning", "note")
                     or not result["message"]["text"] or location["artifactLocation"]["uri"] != "Uninst.inf"
                     or location.get("region", {"startLine": 1})["startLine"] < 1)
    return [f"check {i} of the log fails" for i, bad in enumerate(found) if bad]


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
    if code != 3 or not text.endswith("its final /)\n"):
        problems.append(f"missing script: exit {code}, expected 3:\n{text}")
    sample = (ROOT / "samples" / "Sample" / "Uninst.inf").read_bytes()
    with tempfile.TemporaryDirectory() as work:
        (pathlib.Path(work) / "uninst.inf").write_bytes(sample)
        code, text = run(checker, work, ROOT, "tests/check/saved_as_utf8/Uninst.inf", "--ignore=qv404,QV113")
        if code != 1 or not re.fullmatch(r".*/uninst\.inf: 0 errors, 0 warnings, 0 notes\n\n(.*\n)+"
                                         r"tests/check/saved_as_utf8/Uninst\.inf: 0 errors, 1 warning, 0 notes\n", text):
            problems.append(f"several scripts: exit {code}, expected 1:\n{text}")
    if run(checker, "--ignore=QV999", ROOT, "samples/Sample/")[0] != 3:
        problems.append("an unknown code in --ignore is no error of usage")
    for option, said in (("--help", r"usage: qvcheck .*"), ("--version", r"qvcheck \d+\.\d+\n")):
        if (lambda code, text: code != 0 or not re.match(said, text))(*run(checker, option, ROOT)):
            problems.append(f"{option} does not say {said} with exit code 0")
    code, text = run(checker, "--format=sarif", EVERY, "Uninst.inf")
    problems += [f"SARIF: {p}" for p in sarif_problems(json.loads(text), text.count('"ruleId"'))]
    print("\n".join(problems) or "checker reports as expected")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(str(pathlib.Path(sys.argv[1]).resolve())))
