"""Registry sections on the real program: cleanup of the product's keys under every keyword, the
keys it never deletes, creation of keys and string values, the registry write error, and the
order of registry work before file work."""

import pytest

from harness import REG_SZ, File, RegKey, RegValue, cp932, script, split_key
from texts import (ASK_DELETE_SETTINGS, ASK_TO_BEGIN, FATAL_CAPTION, IDNO, IDYES, MB_FATAL, MB_INFORMATION,
                   MB_QUESTION, REPORT_ALL_REMOVED, REPORT_BOTH_REMAIN, REPORT_FILES_REMAIN, SIGNATURE, TITLE,
                   fatal_report)

FOLDER = "C:\\Program Files\\Example"
ARGS = "/u " + FOLDER + "\\"
HKCU_ROOT, HKLM_ROOT, INVALID_ROOT = 0x80000001, 0x80000002, 0xFFFFFFFF
UNINSTALL = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
QUORVEL = "HKCU\\Software\\Quorvel"
VASK = "HKCU\\Software\\Vask"

# Around the product's keys: HKCU's software, the keys Windows owns that entries below name, and
# HKLM\Software's subtrees (all but Classes, whose listing alone takes seconds; a deleted
# HKLM\Software would empty the rest).
WATCH_KEYS = ["HKCU\\Software", "HKCU\\Control Panel", "HKCU\\Environment", "HKU\\.DEFAULT\\Software", UNINSTALL,
              "HKLM\\Software\\Wine", "HKLM\\Software\\Policies", "HKLM\\Software\\Clients",
              "HKLM\\Software\\Registered Applications", "HKLM\\Software\\ExampleCorp"]


def root_deletions(result) -> list[tuple[int, bytes]]:
    """RegDeleteKeyA calls made on a root: one per cleanup entry (subkeys go through their parent's handle)."""
    return [(c.arg(0), c.text(1)) for c in result.calls_to("advapi32.RegDeleteKeyA") if c.arg(0) >= 0x80000000]


def keys_below(snapshot, key: str) -> list[bytes]:
    """The key and all below it, as the snapshot names them."""
    prefix = cp932(key).lower()
    return sorted(k for k in snapshot.keys if k.lower() == prefix or k.lower().startswith(prefix + b"\\"))


CLEANUP = script(
    SIGNATURE,
    "[deletereg]",
    "UNINST=AppA",
    "uninst=AppB",
    "QUORVEL=Demo",
    "INST=Demo",
    "QUORVEL=表計算",                        # the second byte of 表 is 0x5C
    "KEY=HCU\\Software\\Example\\Settings",
    "key=hlm\\Software\\ExampleCorp\\Tool",
    # Entries that name a family of keys, a root, or a key Windows owns: all left in place.
    "UNINST=",
    "QUORVEL=",
    "INST=",
    "KEY=HCU\\",
    "KEY=HLM\\Software",
    "KEY=HLM\\\\software\\\\",
    "KEY=HCU\\Control Panel",
    "KEY=HCU\\Environment",
    "KEY=HU\\.DEFAULT",
    # No root, or one the table does not know: nothing is deleted.
    "KEY=Example",
    "KEY=HKLM\\Software\\ExampleCorp",
    "end;")

CLEANUP_SETUP = [
    File(FOLDER + "\\Uninst.inf", CLEANUP),
    RegValue(UNINSTALL + "\\AppA", "DisplayName", "App A"),
    RegValue(UNINSTALL + "\\AppB", "DisplayName", "App B"),
    RegValue(UNINSTALL + "\\Other", "DisplayName", "Another product"),
    # A deep tree with values on every level.
    RegValue(QUORVEL + "\\Demo", "Version", "1.0"),
    RegValue(QUORVEL + "\\Demo\\Window", "Left", 10),
    RegValue(QUORVEL + "\\Demo\\a\\b\\c", "Deep", "3"),
    RegValue(QUORVEL + "\\Demo\\a\\b\\c\\d", "Deeper", "4"),
    RegKey(QUORVEL + "\\Demo\\a\\x"),
    RegValue(QUORVEL + "\\Other", "Keep", "yes"),
    RegValue(QUORVEL + "\\表計算\\表示設定", "列", "10"),
    RegValue(QUORVEL + "\\表計算\\予定表\\表", "", "x"),
    RegValue(VASK + "\\Demo\\Recent", "1", "C:\\a.txt"),
    RegValue(VASK + "\\Keep", "Keep", "yes"),
    RegValue("HKCU\\Software\\Example", "Kept", "parent of the deleted key"),
    RegValue("HKCU\\Software\\Example\\Settings\\Sub", "x", "y"),
    RegValue("HKCU\\Software\\Example\\Settings2", "x", "a sibling whose name begins the same"),
    RegValue("HKLM\\Software\\ExampleCorp\\Tool\\Options", "x", "y"),
    RegValue("HKLM\\Software\\ExampleCorp\\Keep", "x", "y"),
]

CLEANED = [UNINSTALL + "\\AppA", UNINSTALL + "\\AppB", QUORVEL + "\\Demo", VASK + "\\Demo", QUORVEL + "\\表計算",
           "HKCU\\Software\\Example\\Settings", "HKLM\\Software\\ExampleCorp\\Tool"]


@pytest.mark.parametrize("answer", ["yes", "no"])
def test_cleanup_deletes_exactly_the_products_keys_after_yes_and_only_its_uninstall_entries_after_no(harness, answer):
    result = harness.run(ARGS, answers=["yes", answer, "ok"], setup=CLEANUP_SETUP, watch_keys=WATCH_KEYS)
    assert [(b.caption, b.text, b.flags, b.buttons) for b in result.boxes[:2]] == \
        [(TITLE, ASK_TO_BEGIN, MB_QUESTION, ("yes", "no")), (TITLE, ASK_DELETE_SETTINGS, MB_QUESTION, ("yes", "no"))]
    assert result.boxes[1].retval == (IDYES if answer == "yes" else IDNO)
    report = result.boxes[2]
    assert (report.caption, report.flags, result.exit_code) == (TITLE, MB_INFORMATION, 0)
    d = result.diff

    if answer == "no":
        # The settings stay; the product's entries in the list of installed programs go all the same.
        assert report.text == REPORT_BOTH_REMAIN
        assert root_deletions(result) == [
            (HKLM_ROOT, b"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\APPA"),
            (HKLM_ROOT, b"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\APPB")]
        assert d.removed_keys == [cp932(UNINSTALL + "\\AppA"), cp932(UNINSTALL + "\\AppB")], d.lines()
        assert (d.created_keys, d.removed_values, d.created_values, d.changed_values) == ([], [], [], []), d.lines()
        return

    assert report.text == REPORT_FILES_REMAIN
    # Each entry deletes its own key from its root, the name upper-cased; the protected ones are
    # not even tried, and the one with a root the table does not know fails.
    assert root_deletions(result) == [
        (HKLM_ROOT, b"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\APPA"),
        (HKLM_ROOT, b"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\APPB"),
        (HKCU_ROOT, b"Software\\Quorvel\\DEMO"),
        (HKCU_ROOT, b"Software\\Vask\\DEMO"),
        (HKCU_ROOT, b"Software\\Quorvel\\" + cp932("表計算")),
        (HKCU_ROOT, b"SOFTWARE\\EXAMPLE\\SETTINGS"),
        (HKLM_ROOT, b"SOFTWARE\\EXAMPLECORP\\TOOL"),
        (INVALID_ROOT, b"SOFTWARE\\EXAMPLECORP"),
    ]
    deletions = result.calls_to("advapi32.RegDeleteKeyA")
    assert all(c.retval == 0 for c in deletions[:-1]) and deletions[-1].retval != 0, "every key goes, subkeys first"
    removed = sorted(k for key in CLEANED for k in keys_below(result.before, key))
    assert len(removed) == 19
    assert d.removed_keys == removed, d.lines()
    assert (d.created_keys, d.removed_values, d.created_values, d.changed_values) == ([], [], [], []), d.lines()
    for kept in [UNINSTALL + "\\Other", QUORVEL + "\\Other", VASK + "\\Keep", "HKCU\\Software\\Example",
                 "HKCU\\Software\\Example\\Settings2", "HKLM\\Software\\ExampleCorp\\Keep", "HKCU\\Control Panel",
                 "HKCU\\Environment", "HKU\\.DEFAULT\\Software"]:
        assert result.after.has_key(kept), kept


def test_created_keys_and_values_keep_the_scripts_case_and_come_after_the_cleanup(harness):
    data = script(
        SIGNATURE,
        # Standing first in the file, yet run after all registry work.
        "[deletefile]",
        "app.exe",
        "Uninst.inf",
        "end;",
        # Standing before the cleanup, yet run after it: the cleanup would otherwise take these keys away.
        "[createreg]",
        "KEY=HCU\\Software\\QvMade\\MixedCase",
        "STRING=List,a,b,c",
        "STRING=,text",
        "STRING=Path,C:\\Program Files\\Example",
        "STRING=Name,",
        "STRING= Blank , x y ",
        "key=hlm\\Software\\QvMade\\Machine",
        "STRING=text only",
        "STRING=名前,表示",
        "KEY=HCU\\Software\\QvKept",
        "STRING=Added,1",
        "end;",
        "[deletereg]",
        "KEY=HCU\\Software\\QvMade",
        "KEY=HLM\\Software\\QvMade",
        "end;")
    setup = [
        File(FOLDER + "\\Uninst.inf", data),
        File(FOLDER + "\\app.exe", b"MZ"),
        RegValue("HKCU\\Software\\QvMade\\Old", "Stale", "x"),
        RegValue("HKLM\\Software\\QvMade", "Stale", "x"),
        RegValue("HKCU\\Software\\QvKept", "Existing", "stays"),
    ]
    result = harness.run(ARGS, answers=["yes", "yes", "ok"], setup=setup,
                         watch_keys=["HKCU\\Software", "HKLM\\Software\\QvMade"], watch_folders=["C:\\Program Files"])
    assert [b.text for b in result.boxes] == [ASK_TO_BEGIN, ASK_DELETE_SETTINGS, REPORT_ALL_REMOVED]

    names = result.call_names()
    last_delete = max(i for i, n in enumerate(names) if n == "advapi32.RegDeleteKeyA")
    first_create = names.index("advapi32.RegCreateKeyExA")
    last_write = max(i for i, n in enumerate(names) if n == "advapi32.RegSetValueExA")
    first_file = names.index("kernel32.SetFileAttributesA")
    assert last_delete < first_create and last_write < first_file < names.index("kernel32.DeleteFileA")

    creates = [(c.arg(0), c.text(1), c.retval) for c in result.calls_to("advapi32.RegCreateKeyExA")]
    assert creates == [(HKCU_ROOT, b"Software\\QvMade\\MixedCase", 0), (HKLM_ROOT, b"Software\\QvMade\\Machine", 0),
                       (HKCU_ROOT, b"Software\\QvKept", 0)]
    # Each value is REG_SZ with its terminating NUL counted.
    writes = [(c.text(1), c.arg(3), c.arg(5), c.retval) for c in result.calls_to("advapi32.RegSetValueExA")]
    assert writes == [(b"List", REG_SZ, 6, 0), (b"", REG_SZ, 5, 0), (b"Path", REG_SZ, 25, 0), (b"Name", REG_SZ, 1, 0),
                      (b" Blank ", REG_SZ, 6, 0), (b"", REG_SZ, 10, 0), (cp932("名前"), REG_SZ, 5, 0),
                      (b"Added", REG_SZ, 2, 0)]

    after = result.after
    made = b"HKCU\\Software\\QvMade\\MixedCase"
    assert after.keys[made] == {b"List": (REG_SZ, b"a,b,c\0"), b"": (REG_SZ, b"text\0"),
                                b"Path": (REG_SZ, b"C:\\Program Files\\Example\0"), b"Name": (REG_SZ, b"\0"),
                                b" Blank ": (REG_SZ, b" x y \0")}
    assert after.keys[b"HKLM\\Software\\QvMade\\Machine"] == {b"": (REG_SZ, b"text only\0"),
                                                            cp932("名前"): (REG_SZ, cp932("表示\0"))}
    assert after.keys[b"HKCU\\Software\\QvKept"] == {b"Existing": (REG_SZ, b"stays\0"), b"Added": (REG_SZ, b"1\0")}
    d = result.diff
    # The cleanup took the old keys; the creation made the new ones, named as the script writes them.
    assert d.removed_keys == [b"HKCU\\Software\\QvMade\\Old"], d.lines()
    assert d.created_keys == [made, b"HKLM\\Software\\QvMade\\Machine"], d.lines()
    assert d.removed_values == [(b"HKLM\\Software\\QvMade", b"Stale")]
    assert d.created_values == [(b"HKCU\\Software\\QvKept", b"Added")]
    assert d.changed_values == []
    assert d.removed_files == sorted(cp932(p) for p in [FOLDER, FOLDER + "\\Uninst.inf", FOLDER + "\\app.exe"])


@pytest.mark.parametrize("body, failed_value", [
    # Each section has its own key: one opened in an earlier section is not current here.
    (["[createreg]", "KEY=HCU\\Software\\QvMade", "STRING=Before,1", "end;",
      "[createreg]", "STRING=Name,x", "end;"], "Name"),
    # A root the table does not know.
    (["[createreg]", "KEY=HCU\\Software\\QvMade", "STRING=Before,1", "KEY=HKLM\\Software\\X", "STRING=After,2",
      "end;"], "After"),
    # The same root, a key that cannot be created (its name is too long): the earlier key does not
    # stay current.
    (["[createreg]", "KEY=HCU\\Software\\QvMade", "STRING=Before,1", "KEY=HCU\\Software\\" + "L" * 300,
      "STRING=After,2", "end;"], "After"),
], ids=["string-before-key", "unknown-root", "key-not-created"])
def test_value_without_a_current_key_ends_in_the_registry_write_error(harness, body, failed_value):
    data = script(SIGNATURE, *body, "[createreg]", "KEY=HCU\\Software\\QvLater", "STRING=Later,3", "end;",
                  "[deletefile]", "app.exe", "end;")
    setup = [File(FOLDER + "\\Uninst.inf", data), File(FOLDER + "\\app.exe", b"MZ")]
    result = harness.run(ARGS, answers=["yes", "ok"], setup=setup, watch_keys=["HKCU\\Software", "HKLM\\Software\\X"],
                         watch_folders=[FOLDER])
    assert result.boxes[0].text == ASK_TO_BEGIN
    fatal = result.boxes[1]
    assert (fatal.caption, fatal.flags, fatal.buttons, fatal.call.text(2)) == (FATAL_CAPTION, MB_FATAL, ("ok",), FATAL_CAPTION)
    assert fatal_report("ERegistryException", f"'{failed_value}' の設定に失敗しました").match(fatal.text), \
        fatal.text.decode("cp932")
    assert result.exit_code == 1

    # The value before the failure stays written; nothing after it is written, no later section runs.
    writes = [c.text(1) for c in result.calls_to("advapi32.RegSetValueExA")]
    assert writes == [b"Before"]
    assert result.after.keys[b"HKCU\\Software\\QvMade"] == {b"Before": (REG_SZ, b"1\0")}
    d = result.diff
    assert d.created_keys == [b"HKCU\\Software\\QvMade"], d.lines()
    assert d.removed_keys == d.removed_values == d.changed_values == [] == d.removed_files
    for name in ("kernel32.SetFileAttributesA", "kernel32.DeleteFileA", "kernel32.RemoveDirectoryA",
                 "shell32.SHChangeNotify"):
        assert result.calls_to(name) == [], name


MIRROR_UNINSTALL = "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"


def test_cleanup_keeps_the_32_bit_mirrors_of_the_protected_keys(harness):
    body = script(SIGNATURE, "[deletereg]",
                  "KEY=HLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                  "KEY=HLM\\software\\\\wow6432node\\Microsoft\\",
                  "KEY=HCU\\Software\\Wow6432Node\\Quorvel",
                  "KEY=HLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product",
                  "end;")
    setup = [File(FOLDER + "\\Uninst.inf", body),
             RegValue(MIRROR_UNINSTALL + "\\Other", "DisplayName", "Another 32-bit product"),
             RegValue(MIRROR_UNINSTALL + "\\Product\\Sub", "DisplayName", "The product"),
             RegValue("HKCU\\Software\\Wow6432Node\\Quorvel\\Other", "Keep", "yes")]
    result = harness.run(ARGS, answers=["yes", "yes", "ok"], setup=setup,
                         watch_keys=[MIRROR_UNINSTALL, "HKCU\\Software\\Wow6432Node"])
    # Only the product's own key below the mirror is tried, and it goes with its subkey.
    assert root_deletions(result) == [
        (HKLM_ROOT, b"SOFTWARE\\WOW6432NODE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\PRODUCT")]
    assert result.diff.removed_keys == [cp932(MIRROR_UNINSTALL + "\\Product"), cp932(MIRROR_UNINSTALL + "\\Product\\Sub")]
    assert result.after.has_key(MIRROR_UNINSTALL + "\\Other")
    assert result.after.has_key("HKCU\\Software\\Wow6432Node\\Quorvel\\Other")


# The user's hive as Wine keeps it below HKU.
USER_SID = "S-1-5-21-0-0-0-1000"
GUID = "{6B1E1A2C-0F6B-4C1D-9D3A-1B2C3D4E5F60}"

# Keys that Windows, the shell or every program together own, a few of each family, in several
# spellings: none of them is even tried.
SHARED_KEYS = [
    "KEY=HCR\\CLSID", "KEY=HLM\\Software\\Classes\\Interface", "KEY=HCR\\SystemFileAssociations",
    "KEY=HCR\\*\\shellex\\ContextMenuHandlers", "KEY=HCU\\Software\\Classes\\Directory\\Background",
    "KEY=HCR\\Folder\\shell", "KEY=HCR\\.txt", "KEY=hcr\\exefile\\shell\\open", "KEY=HCR\\http", "KEY=HCR\\lnkfile\\",
    "KEY=HLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "KEY=HCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "KEY=HLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    "KEY=HLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers",
    "KEY=HCU\\Software\\Microsoft\\Internet Explorer", "KEY=HLM\\SYSTEM\\ControlSet001\\Services",
    "KEY=HLM\\SYSTEM\\CurrentControlSet\\Control", "KEY=HLM\\system\\\\CurrentControlSet\\Enum",
    "KEY=HLM\\Software\\Policies\\Microsoft", "KEY=HCU\\Control Panel\\Desktop",
    "KEY=HU\\.DEFAULT\\Control Panel\\International", "KEY=HU\\" + USER_SID + "\\Software",
    "KEY=HCU\\AppEvents\\Schemes\\Apps\\.Default", "KEY=HCU\\Environment", "UNINST=",
]

# A product's own keys in the same families, each deleted from its root as named.
OWN_KEYS = [
    ("HKCR\\CLSID\\" + GUID, "KEY=HCR\\CLSID\\" + GUID),
    ("HKCR\\.qvprd", "KEY=HCR\\.qvprd"),
    ("HKLM\\Software\\Classes\\QvProduct.Document", "KEY=HLM\\Software\\Classes\\QvProduct.Document"),
    ("HKCR\\*\\shellex\\ContextMenuHandlers\\QvProduct", "KEY=HCR\\*\\shellex\\ContextMenuHandlers\\QvProduct"),
    ("HKCR\\Directory\\Background\\shell\\QvProduct", "KEY=HCR\\Directory\\Background\\shell\\QvProduct"),
    ("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QvProduct.exe",
     "KEY=HLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QvProduct.exe"),
    (UNINSTALL + "\\QvProduct", "UNINST=QvProduct"),
    ("HKLM\\SYSTEM\\CurrentControlSet\\Services\\QvProductService",
     "KEY=HLM\\SYSTEM\\CurrentControlSet\\Services\\QvProductService"),
    ("HKCU\\Software\\QvMaker\\Product", "KEY=HCU\\Software\\QvMaker\\Product"),
    ("HKLM\\Software\\QvMaker\\Product", "KEY=HLM\\Software\\QvMaker\\Product"),
    ("HKU\\" + USER_SID + "\\Software\\QvMaker\\Product2", "KEY=HU\\" + USER_SID + "\\Software\\QvMaker\\Product2"),
    ("HKCU\\AppEvents\\Schemes\\Apps\\QvProduct", "KEY=HCU\\AppEvents\\Schemes\\Apps\\QvProduct"),
]


def test_cleanup_refuses_every_family_of_shared_keys_and_deletes_a_products_own_keys_in_them(harness):
    body = script(SIGNATURE, "[deletereg]", *SHARED_KEYS, *(entry for _, entry in OWN_KEYS), "end;")
    # Another program's entries in the same lists, which must stay.
    others = [RegValue("HKCR\\*\\shellex\\ContextMenuHandlers\\QvOther", "", GUID),
              RegValue("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "QvOther", "C:\\other.exe"),
              RegValue("HKCU\\Control Panel\\Desktop", "QvOther", "1")]
    own = [RegValue(key + "\\Sub", "Kept", "until the cleanup") for key, _ in OWN_KEYS]
    watched = [key for key, _ in OWN_KEYS] + ["HKCR\\*\\shellex\\ContextMenuHandlers",
                                             "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                             "HKCU\\Control Panel\\Desktop", "HKCU\\Environment"]
    result = harness.run(ARGS, answers=["yes", "yes", "ok"], setup=[File(FOLDER + "\\Uninst.inf", body), *others, *own],
                         watch_keys=watched)
    assert (result.boxes[2].text, result.exit_code) == (REPORT_FILES_REMAIN, 0)
    # Only the product's own keys are tried, each from its root as named, upper-cased.
    tried = [(split_key(key)[0], cp932(entry.split("\\", 1)[1]).upper() if entry.startswith("KEY=")
              else b"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QVPRODUCT") for key, entry in OWN_KEYS]
    assert root_deletions(result) == tried
    for key, _ in OWN_KEYS:
        assert result.before.has_key(key + "\\Sub") and not result.after.has_key(key), key
        assert not result.after.has_key(key + "\\Sub"), key
    for kept in watched[len(OWN_KEYS):]:
        assert result.after.has_key(kept), kept
    assert result.after.value("HKCR\\*\\shellex\\ContextMenuHandlers\\QvOther", "") == (REG_SZ, cp932(GUID) + b"\0")
