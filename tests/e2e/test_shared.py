"""SHARED= on the real program: a DLL another product still counts stays, its count one lower; at its
last count, the count and the DLL go."""

from harness import File, RegValue, script
from texts import SIGNATURE

FOLDER = "C:\\Program Files\\Example"
COUNTS = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"
DLL, NAME = "C:\\windows\\system32\\ExampleShared.dll", "C:\\windows\\system32\\EXAMPLESHARED.DLL"


def test_a_shared_dll_stays_while_counted_and_goes_with_its_last_count(harness):
    body = script(SIGNATURE, "[deletefile]", "SHARED=SYSDIR\\ExampleShared.dll", "Uninst.inf", "end;")
    for count, after, step in ((2, (4, b"\1\0\0\0"), f'set value "{NAME}" = 1 (REG_DWORD) in "{COUNTS}": done'),
                               (1, None, f'delete value "{NAME}" in "{COUNTS}": done\r\n  clear attributes')):
        setup = [File(FOLDER + "\\Uninst.inf", body), File(DLL, "MZ"), RegValue(COUNTS, DLL, count)]
        result = harness.run('/s "' + FOLDER + '\\"', setup=setup, watch_keys=[COUNTS],
                             watch_folders=[FOLDER, "C:\\windows\\system32"])
        assert result.exit_code == 0 and not result.after.has_file(FOLDER + "\\Uninst.inf")
        assert result.after.has_file(DLL) == (count > 1) and result.after.value(COUNTS, DLL) == after
        assert step in next(iter(result.silent_logs.values())).decode("utf-8-sig")
