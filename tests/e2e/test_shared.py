"""SHARED= on the real program: a shared DLL that another product still counts stays with its count
lowered by one; at its last use, its count and the DLL go."""

from harness import File, RegValue, script
from texts import SIGNATURE

FOLDER = "C:\\Program Files\\Example"
SHARED_DLLS = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"
DLL = "C:\\windows\\system32\\ExampleShared.dll"
PRODUCT = script(SIGNATURE, "[deletefile]", "SHARED=SYSDIR\\ExampleShared.dll", "app.exe", "Uninst.inf", "end;")


def run(harness, count: int):
    setup = [File(FOLDER + "\\Uninst.inf", PRODUCT), File(FOLDER + "\\app.exe", "MZ"), File(DLL, "MZ"),
             RegValue(SHARED_DLLS, DLL, count)]
    result = harness.run('/s "' + FOLDER + '\\"', setup=setup, watch_keys=[SHARED_DLLS],
                         watch_folders=[FOLDER, "C:\\windows\\system32"])
    assert result.exit_code == 0
    assert not result.after.has_file(FOLDER)
    return result, next(iter(result.silent_logs.values())).decode("utf-8-sig")


def test_a_shared_dll_stays_while_counted_and_goes_with_its_last_count(harness):
    name = "C:\\windows\\system32\\EXAMPLESHARED.DLL"
    counted, log = run(harness, 2)
    assert counted.after.has_file(DLL)
    assert counted.after.value(SHARED_DLLS, DLL) == (4, (1).to_bytes(4, "little"))
    assert f'  set value "{name}" = 1 (REG_DWORD) in "{SHARED_DLLS}": done' in log, log

    last, log = run(harness, 1)
    assert not last.after.has_file(DLL)
    assert last.before.value(SHARED_DLLS, DLL) and last.after.value(SHARED_DLLS, DLL) is None
    assert f'  delete value "{name}" in "{SHARED_DLLS}": done' in log, log
    assert f'  delete file "{name}": done' in log, log
