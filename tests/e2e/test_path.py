"""PATH=HCU on the real program: the product's two folders leave the user's Path, a REG_EXPAND_SZ
value of more than 2,048 characters; its five other elements stay as they were written, in order,
and so does its type. The silent log words the removal and the broadcast that follows it."""

from harness import REG_EXPAND_SZ, File, RegValue, script
from texts import SIGNATURE

FOLDER = "C:\\Program Files\\Example"
ENVIRONMENT = "HKCU\\Environment"
OTHERS = ["C:\\windows\\system32", "%SystemRoot%", "C:\\Program Files\\Example2\\bin", "D:\\" + "x" * 2100, "C:\\Tools\\"]
OWN = [FOLDER + "\\bin", "c:\\program files\\EXAMPLE\\"]
PATH = ";".join([OTHERS[0], OWN[0], *OTHERS[1:4], OWN[1], OTHERS[4]])

SETUP = [
    File(FOLDER + "\\Uninst.inf", script(SIGNATURE, "[deletereg]", "PATH=HCU", "end;")),
    RegValue(ENVIRONMENT, "Path", PATH, REG_EXPAND_SZ),
]


def test_the_products_folders_leave_a_long_path_and_the_rest_stays_as_it_was(harness):
    result = harness.run('/s "' + FOLDER + '\\"', setup=SETUP, watch_keys=[ENVIRONMENT])
    assert result.exit_code == 0
    assert result.before.value(ENVIRONMENT, "Path") == (REG_EXPAND_SZ, PATH.encode("cp932") + b"\0")
    assert result.after.value(ENVIRONMENT, "Path") == (REG_EXPAND_SZ, ";".join(OTHERS).encode("cp932") + b"\0")
    log = next(iter(result.silent_logs.values())).decode("utf-8-sig")
    assert 'remove from "Path" of "HKCU\\Environment": "' + '", "'.join(OWN) + '"; 5 other elements kept: done' in log
    assert 'tell running programs that the settings of "Environment" changed' in log, log
