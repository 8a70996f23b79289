"""The guard on the real program: what a key registers decides whose it is. Wine's own
registrations (its services, its shell link class, a handler it registers, a DLL of its system
folder) survive a script that names them; beside them the product's own service, class, handler,
Run value, SharedDLLs value and DLL in the system folder are all removed."""

from harness import File, RegValue, script
from texts import SIGNATURE

FOLDER = "C:\\Program Files\\Example"
SERVICES = "HKLM\\SYSTEM\\CurrentControlSet\\Services"
LINK_CLASS = "HKCR\\CLSID\\{00021401-0000-0000-C000-000000000046}"
LINK_HANDLER = "HKCR\\lnkfile\\shellex\\ContextMenuHandlers\\{00021401-0000-0000-C000-000000000046}"
OWN_CLASS_ID = "{5E0C1A2B-7D3F-4A9B-8C1D-2E3F4A5B6C7D}"
OWN_CLASS = "HKCR\\CLSID\\" + OWN_CLASS_ID
OWN_HANDLER = "HKCR\\*\\shellex\\ContextMenuHandlers\\ExampleMenu"
RUN = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
SHARED_DLLS = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"
SHARED_DLL = "C:\\windows\\system32\\ExampleShared.dll"

PRODUCT = script(
    SIGNATURE,
    "[deletereg]",
    "KEY=HLM\\SYSTEM\\CurrentControlSet\\Services\\winebus",
    "KEY=HCR\\CLSID\\{00021401-0000-0000-C000-000000000046}",
    "KEY=HCR\\lnkfile\\shellex\\ContextMenuHandlers\\{00021401-0000-0000-C000-000000000046}",
    "KEY=HLM\\SYSTEM\\CurrentControlSet\\Services\\ExampleSvc",
    "KEY=HCR\\CLSID\\" + OWN_CLASS_ID,
    "KEY=HCR\\*\\shellex\\ContextMenuHandlers\\ExampleMenu",
    "VALUE=HCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run,ExampleTray",
    "VALUE=HLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs," + SHARED_DLL,
    "end;",
    "[deletefile]",
    "SYSDIR\\ExampleShared.dll",
    "SYSDIR\\shell32.dll",
    "svc.exe", "ext.dll", "tray.exe", "Uninst.inf",
    "end;")

SETUP = [
    File(FOLDER + "\\Uninst.inf", PRODUCT),
    *[File(FOLDER + "\\" + name, "MZ") for name in ("svc.exe", "ext.dll", "tray.exe")],
    File(SHARED_DLL, "MZ"),
    RegValue(SERVICES + "\\ExampleSvc", "ImagePath", '"' + FOLDER + '\\svc.exe" -service'),
    RegValue(OWN_CLASS + "\\InprocServer32", "", FOLDER + "\\ext.dll"),
    RegValue(OWN_HANDLER, "", OWN_CLASS_ID),
    RegValue(RUN, "ExampleTray", '"' + FOLDER + '\\tray.exe" /background'),
    RegValue(SHARED_DLLS, SHARED_DLL, 1),
]


def test_wines_own_registrations_stay_and_the_products_go(harness):
    watched = [SERVICES + "\\winebus", SERVICES + "\\ExampleSvc", LINK_CLASS, LINK_HANDLER, OWN_CLASS, OWN_HANDLER,
               RUN, SHARED_DLLS]
    result = harness.run('/s "' + FOLDER + '\\"', setup=SETUP, watch_keys=watched,
                         watch_folders=[FOLDER, "C:\\windows\\system32"])
    assert result.exit_code == 0
    after = result.after
    for kept in (SERVICES + "\\winebus", LINK_CLASS + "\\InprocServer32", LINK_HANDLER):
        assert after.has_key(kept), kept
    assert after.has_file("C:\\windows\\system32\\shell32.dll")
    for gone in (SERVICES + "\\ExampleSvc", OWN_CLASS, OWN_HANDLER):
        assert result.before.has_key(gone) and not after.has_key(gone), gone
    assert result.before.value(RUN, "ExampleTray") and after.value(RUN, "ExampleTray") is None
    assert result.before.value(SHARED_DLLS, SHARED_DLL) and after.value(SHARED_DLLS, SHARED_DLL) is None
    assert result.before.has_file(SHARED_DLL) and not after.has_file(SHARED_DLL)
    assert not after.has_file(FOLDER)

    # The log says what was refused and why: the file each of Wine's registrations names, the maker
    # of its DLL.
    log = next(iter(result.silent_logs.values())).decode("utf-8-sig")
    assert 'names the key "HKLM\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\WINEBUS", which registers ' \
           "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\WINEBUS.SYS, not the product's: passed over" in log, log
    assert "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL, not the product's: passed over" in log, log
    assert 'one of Windows\' own files (its maker is Microsoft Corporation): passed over' in log, log
