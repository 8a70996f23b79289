#!/usr/bin/python3
"""Runs qvcheck --plan --tree on the sample product as installed (its folder's files from
tests/e2e/sample_uninstall.py, its registry values as a UTF-16 export): everything goes; and with
one file the installer added that the script forgets, the plan names it as staying.

Usage: tree_plan.py QVCHECK
"""
import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from sample_uninstall import FILES, FOLDER, REGISTRY, SCRIPT  # noqa: E402

ROOTS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER"}


def write_tree(folder: pathlib.Path) -> None:
    """The product's folder as installed: its files below FOLDER, and its script."""
    for path, data in FILES.items():
        if path.startswith(FOLDER + "\\"):
            target = folder.joinpath(*path[len(FOLDER) + 1:].split("\\"))
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data if isinstance(data, bytes) else data.encode("cp932"))
    folder.joinpath("Uninst.inf").write_bytes(SCRIPT.read_bytes())


def write_export(path: pathlib.Path, registry) -> None:
    """The values as regedit exports them: UTF-16 with its byte-order mark, CR LF."""
    def quoted(text):
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'
    lines = ["Windows Registry Editor Version 5.00"]
    for key in dict.fromkeys(key for key, _, _ in registry):
        root, rest = key.split("\\", 1)
        lines += ["", f"[{ROOTS[root]}\\{rest}]"]
        for _, name, data in (row for row in registry if row[0] == key):
            lines.append(quoted(name) + "=" + (f"dword:{data:08x}" if isinstance(data, int) else quoted(data)))
    path.write_bytes(b"\xff\xfe" + "\r\n".join(lines + [""]).encode("utf-16-le"))


def plan(checker, folder: pathlib.Path, export: pathlib.Path, *extra):
    done = subprocess.run([checker, "--plan", "--tree", str(folder), "--reg", str(export), *extra,
                           str(folder / "Uninst.inf")], capture_output=True, timeout=60)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def main(checker):
    problems = []
    with tempfile.TemporaryDirectory() as work:
        folder, export = pathlib.Path(work) / "Sample", pathlib.Path(work) / "sample.reg"
        write_tree(folder)
        write_export(export, REGISTRY)
        code, text, errors = plan(checker, folder, export)
        gone = f'The folder "{FOLDER}\\" is gone afterwards.\n'
        keys = 'delete key "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SAMPLE" [3 values]: done'
        if code != 0 or gone not in text or errors or keys not in text or "設定情報の全てが削除" not in text:
            problems.append(f"the sample: exit {code}, expected 0 and everything removed:\n{text}{errors}")
        folder.joinpath("Extra.txt").write_text("added by the installer")
        code, text, errors = plan(checker, folder, export)
        stays = f'The folder "{FOLDER}\\" stays, holding:\n       Extra.txt  (no entry deletes it)\nExit code 0'
        if code != 0 or stays not in text or "インストールした以外のファイル" not in text:
            problems.append(f"the sample and one more file: exit {code}, expected 0 and the file staying:\n{text}{errors}")
    print("\n".join(problems) or "the plans of the installed sample are as expected")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(str(pathlib.Path(sys.argv[1]).resolve())))
