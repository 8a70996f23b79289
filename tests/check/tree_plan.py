#!/usr/bin/python3
"""qvcheck --plan --tree on the sample product as installed (its folder's files from
tests/e2e/sample_uninstall.py, its registry values as a UTF-16 export): everything goes; with one
file more that the script forgets, the plan names it as staying. Usage: tree_plan.py QVCHECK"""
import pathlib
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))
from sample_uninstall import FILES, FOLDER, REGISTRY, SCRIPT  # noqa: E402


def write_tree(folder: pathlib.Path) -> None:
    """The product's folder as installed: its files below FOLDER, and its script."""
    files = {path[len(FOLDER) + 1:]: data for path, data in FILES.items() if path.startswith(FOLDER + "\\")}
    for name, data in {**files, "Uninst.inf": SCRIPT.read_bytes()}.items():
        target = folder.joinpath(*name.split("\\"))
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data if isinstance(data, bytes) else data.encode("cp932"))


def write_export(path: pathlib.Path, registry) -> None:
    """The values as regedit exports them: UTF-16 with its byte-order mark, CR LF."""
    def quoted(text):
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'
    lines = ["Windows Registry Editor Version 5.00"]
    for key in dict.fromkeys(key for key, _, _ in registry):
        lines += ["", "[" + key.replace("HKLM", "HKEY_LOCAL_MACHINE", 1).replace("HKCU", "HKEY_CURRENT_USER", 1) + "]"]
        lines += [quoted(name) + "=" + (f"dword:{data:08x}" if isinstance(data, int) else quoted(data))
                  for k, name, data in registry if k == key]
    path.write_bytes(b"\xff\xfe" + "\r\n".join(lines + [""]).encode("utf-16-le"))


def main(checker):
    problems = []
    with tempfile.TemporaryDirectory() as work:
        folder, export = pathlib.Path(work) / "Sample", pathlib.Path(work) / "sample.reg"
        write_tree(folder)
        write_export(export, REGISTRY)
        uninstall_key = 'delete key "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SAMPLE"'
        stays = f'The folder "{FOLDER}\\" stays, holding:\n       Extra.txt  (no entry deletes it)\nExit code 0'
        for extra, expected in (
                ("", [f'The folder "{FOLDER}\\" is gone afterwards.\n', "設定情報の全てが削除",
                      uninstall_key + " [3 values]: done"]),
                ("Extra.txt", [stays, "インストールした以外のファイル"])):
            if extra:
                folder.joinpath(extra).write_text("added by the installer")
            done = subprocess.run([checker, "--plan", "--tree", folder, "--reg", export, folder / "Uninst.inf"],
                                  capture_output=True, timeout=60)
            text = done.stdout.decode("utf-8") + done.stderr.decode("utf-8")
            if done.returncode != 0 or done.stderr or not all(line in text for line in expected):
                problems.append(f"the sample{' and ' + extra if extra else ''}: exit {done.returncode}, expected 0 and "
                                f"{expected}:\n{text}")
    print("\n".join(problems) or "the plans of the installed sample are as expected")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(str(pathlib.Path(sys.argv[1]).resolve())) if len(sys.argv) == 2 else __doc__)
