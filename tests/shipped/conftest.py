"""The release zip's programs under 32-bit Wine (tools/shipped.sh), all cases in one prefix and session."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from harness import RELAY_CALLS, WIDE_NAME_CALLS, Display, File, Harness, WineMode, _set_relay_include  # noqa: E402


class SessionHarness(Harness):  # each case in the session's prefix, giving the program 120 s or more

    def run(self, args=b"", **kw):
        for f in (f for f in kw.get("setup", ()) if isinstance(f, File)):  # made anew: an earlier case's copy goes
            path = f.path if isinstance(f.path, str) else f.path.decode("utf-8" if kw.get("utf8") else "cp932")
            if path[:3].lower() == "c:\\":
                place = self.pristine.joinpath("drive_c", *path[3:].split("\\"))
                for name in {place, place.with_name(place.name.upper())}:  # the program's own are upper-cased
                    name.unlink(missing_ok=True)
        return super().run(args, **dict(kw, timeout=max(kw.get("timeout", 0), 120)))

    def _case_prefix(self, case_dir, relay_also):
        for log in (self.pristine / "drive_c" / "users").rglob("QvUninst.log"):
            log.unlink()  # each case reads its own run's log
        return self.pristine

    def _retire(self, env, case_dir):  # the session goes on
        if not self.keep:
            shutil.rmtree(case_dir, ignore_errors=True)


@pytest.fixture(scope="session")
def harness():
    env, work = os.environ, Path(os.environ["QV_SHIPPED_WORK"])
    wine = WineMode("win32", "mingw", env["QV_SHIPPED_WHY"], {
        "WINEARCH": "win32", "WINELOADER": env["QV_SHIPPED_LOADER"], "WINESERVER": env["QV_SHIPPED_SERVER"]})
    _set_relay_include(work / "prefix", (*RELAY_CALLS, *WIDE_NAME_CALLS))  # no call for a case alone
    display = Display()
    harness = SessionHarness(work / "dist" / "QvUninst.exe", work / "qvdriver.exe", work / "prefix", display.start(),
                             wine, keep=env.get("QV_E2E_KEEP") == "1", work_root=work, checker=work / "dist" / "QvCheck.exe")
    quiet = dict(harness.env(work / "prefix"), WINEDEBUG="-all")
    with open(work / "session.log", "wb") as log:  # the session's own processes write here
        subprocess.run([wine.server, "-p"], env=quiet, check=True, timeout=300, stdout=log, stderr=log)
        subprocess.run([wine.loader, "wineboot"], env=quiet, check=True, timeout=900, stdout=log, stderr=log)
    yield harness
    subprocess.run([wine.server, "-k"], env=quiet, timeout=300)
    display.stop()
