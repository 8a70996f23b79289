"""End-to-end tests: the real QvUninst.exe under Wine.

    cmake --preset mingw && cmake --build build/mingw -j2
    /usr/bin/python3 -m pytest -q tests/e2e                     # uses build/mingw
    /usr/bin/python3 -m pytest -q tests/e2e --build-dir build/x  # or QV_BUILD_DIR=build/x

The build folder must hold QvUninst.exe and tests/e2e/qvdriver.exe. The pristine prefix
(QV_WINE_PRISTINE, default build/wine/pristine) is made by tests/wine/make_prefix.sh when missing.
QV_E2E_KEEP=1 keeps each case's folder (prefix, job, driver log, relay trace) under /tmp.
"""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))

from harness import Display, Harness  # noqa: E402

REPO = Path(__file__).resolve().parents[2]


def pytest_addoption(parser):
    parser.addoption("--build-dir", default=os.environ.get("QV_BUILD_DIR", str(REPO / "build" / "mingw")),
                     help="MinGW build folder holding QvUninst.exe and tests/e2e/qvdriver.exe")


@pytest.fixture(scope="session")
def harness(request):
    build = Path(request.config.getoption("--build-dir")).resolve()
    program, driver = build / "QvUninst.exe", build / "tests" / "e2e" / "qvdriver.exe"
    for exe in (program, driver):
        if not exe.is_file():
            pytest.exit(f"{exe} is missing: build with cmake --preset mingw and --build-dir", returncode=2)
    pristine = Path(os.environ.get("QV_WINE_PRISTINE", REPO / "build" / "wine" / "pristine")).resolve()
    subprocess.run([str(REPO / "tests" / "wine" / "make_prefix.sh"), str(pristine)], check=True)
    display = Display()
    name = display.start()
    harness = Harness(program, driver, pristine, name, keep=os.environ.get("QV_E2E_KEEP") == "1")
    try:
        yield harness
    finally:
        harness.close()
        display.stop()
