"""End-to-end tests: the real QvUninst.exe under Wine.

    bash tools/test.sh e2e                                      # builds what the host's mode needs
    /usr/bin/python3 -m pytest -q tests/e2e                     # uses build/mingw or build/mingw64
    /usr/bin/python3 -m pytest -q tests/e2e --build-dir build/x  # or QV_BUILD_DIR=build/x

tests/wine/mode.sh decides how Windows programs run here: the 32-bit build (build/mingw) under
32-bit Wine where the 32-bit Wine loader starts, else the 64-bit build (build/mingw64) under 64-bit
Wine; QV_WINE_MODE=win32 or win64 asks for one way. A build folder named on the command line runs
in the mode of its width. It must hold QvUninst.exe and tests/e2e/qvdriver.exe. The pristine prefix
(QV_WINE_PRISTINE, default BUILD/wine/pristine) is made by tests/wine/make_prefix.sh when missing.
QV_E2E_KEEP=1 keeps each case's folder (prefix, job, driver log, relay trace) under /tmp.
"""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))

from harness import Display, Harness, WineUnavailable, pe_mode, wine_mode  # noqa: E402

REPO = Path(__file__).resolve().parents[2]


def pytest_addoption(parser):
    parser.addoption("--build-dir", default=os.environ.get("QV_BUILD_DIR"),
                     help="MinGW build folder holding QvUninst.exe and tests/e2e/qvdriver.exe "
                          "(default: the build of the host's Wine mode)")


def _wine(config):
    """(build folder, Wine mode, None), or (None, None, why no Windows program runs here); once."""
    if not hasattr(config, "_qv_wine"):
        given = config.getoption("--build-dir")
        try:
            if given:
                build = Path(given).resolve()
                mode = wine_mode(pe_mode(build / "QvUninst.exe"))
            else:
                mode = wine_mode()
                build = REPO / "build" / mode.preset
            config._qv_wine = (build, mode, None)
        except (WineUnavailable, ValueError, OSError) as error:
            config._qv_wine = (None, None, str(error))
    return config._qv_wine


def pytest_report_header(config):
    _, mode, error = _wine(config)
    return f"wine: {mode.why}" if mode else f"wine: {error}"


@pytest.fixture(scope="session")
def harness(request):
    build, mode, error = _wine(request.config)
    if error:
        pytest.exit(error, returncode=2)
    program, driver = build / "QvUninst.exe", build / "tests" / "e2e" / "qvdriver.exe"
    for exe in (program, driver):
        if not exe.is_file():
            pytest.exit(f"{exe} is missing: build with cmake --preset {mode.preset}, or name a build with --build-dir",
                        returncode=2)
    pristine = Path(os.environ.get("QV_WINE_PRISTINE", build / "wine" / "pristine")).resolve()
    subprocess.run(["bash", str(REPO / "tests" / "wine" / "make_prefix.sh"), str(pristine), mode.name], check=True)
    display = Display()
    name = display.start()
    checker = build / "QvCheck.exe"
    harness = Harness(program, driver, pristine, name, mode, keep=os.environ.get("QV_E2E_KEEP") == "1",
                      checker=checker if checker.is_file() else None)
    try:
        yield harness
    finally:
        harness.close()
        display.stop()
