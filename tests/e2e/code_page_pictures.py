"""Pictures of the question to begin on systems whose ANSI code page is not 932, in the sample
product's folder, under a Western (1252) and a Chinese (936) locale.

    /usr/bin/python3 tests/e2e/code_page_pictures.py BUILD_DIR PRISTINE_PREFIX FOLDER NAME

writes FOLDER/NAME-1252.png and FOLDER/NAME-936.png (tools/code-page-pictures.sh makes them for the
program as it is and as it was before its boxes were readable there).
"""

from __future__ import annotations

import shutil
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))

from harness import CHINESE, WESTERN, Display, File, Harness, pe_mode, script, wine_mode  # noqa: E402
from sample_uninstall import COMMAND, FOLDER  # noqa: E402
from texts import SIGNATURE  # noqa: E402


def main(build: Path, pristine: Path, folder: Path, name: str) -> int:
    program = build / "QvUninst.exe"
    display = Display()
    harness = Harness(program, build / "tests" / "e2e" / "qvdriver.exe", pristine, display.start(),
                      wine_mode(pe_mode(program)))
    folder.mkdir(parents=True, exist_ok=True)
    try:
        for locale, code_page in ((WESTERN, "1252"), (CHINESE, "936")):
            with tempfile.TemporaryDirectory() as work:
                result = harness.run(COMMAND, answers=["no"], locale=locale, pictures=Path(work), check=False,
                                     setup=[File(FOLDER + "\\Uninst.inf", script(SIGNATURE))])
                if result.trouble or len(result.boxes) != 1:
                    print("\n".join(result.trouble) or f"{len(result.boxes)} boxes", file=sys.stderr)
                    return 1
                target = folder / f"{name}-{code_page}.png"
                shutil.copyfile(result.boxes[0].picture, target)
                print(target)
    finally:
        harness.close()
        display.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve(), Path(sys.argv[3]).resolve(), sys.argv[4]))
