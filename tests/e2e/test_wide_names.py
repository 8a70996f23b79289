"""Japanese names on any Windows: a product in a Japanese folder, with a Japanese file, subfolder,
settings key, value, mutex and desktop shortcut, picked in the system's list of installed programs
under the Japanese (932), Western (1252) and Chinese (936) locales. Each removes it whole; each
user's desktop has a name of its own locale (an accented letter under the Western one, Chinese
characters that code page 932 has no bytes for under the Chinese one). Under the Japanese locale
the program makes the ANSI calls as it always did; under the others, the wide ones only."""

import pytest

from harness import (CHINESE, CP, JAPANESE, RELAY_CALLS, SHELL_FOLDERS, UNINSTALL_LIST, WESTERN, WIDE_NAME_CALLS, File,
                     RegValue, script)
from texts import ASK_DELETE_SETTINGS, ASK_TO_BEGIN, REPORT_ALL_REMOVED, SIGNATURE

NAME = "サンプル表"
FOLDER = "C:\\QvApps\\" + NAME
ENTRY = UNINSTALL_LIST + "\\" + NAME
SETTINGS = "Software\\Quorvel\\" + NAME  # below the user's root: HCU in the script, HKCU for Windows
SHARED = "Software\\Quorvel\\共有"
DESKTOPS = {JAPANESE: "C:\\users\\山田\\Desktop", WESTERN: "C:\\users\\José\\Desktop",
            CHINESE: "C:\\users\\张伟\\Desktop"}
NAME_CALLS_A = [c for c in RELAY_CALLS if not c.startswith("user32.") and c != "shell32.SHChangeNotify"]


def utf8(text: str) -> bytes:
    return text.encode("utf-8")


def product(desktop: str) -> list:
    command = f'C:\\windows\\QvUninst.exe /u "{FOLDER}\\"'
    body = script(SIGNATURE, "[execution]", "MUTEX=" + NAME, "APPNAME=" + NAME, "end;",
                  "[deletereg]", "UNINST=" + NAME, "KEY=HCU\\" + SETTINGS, "end;",
                  "[createreg]", "KEY=HCU\\" + SHARED, "STRING=最後の製品," + NAME, "end;",
                  "[deletefile]", "説明書.txt", "ソース\\表.c", "ソース\\", "DESKTOP\\" + NAME + ".lnk", "Uninst.inf",
                  "end;")
    return [File(FOLDER + "\\Uninst.inf", body), File(FOLDER + "\\説明書.txt", "説明"), File(FOLDER + "\\ソース\\表.c"),
            File(desktop + "\\" + NAME + ".lnk", b"L"), RegValue(SHELL_FOLDERS, "Desktop", desktop),
            RegValue("HKCU\\" + SETTINGS + "\\設定", "色", "青"), RegValue(ENTRY, "DisplayName", NAME),
            RegValue(ENTRY, "UninstallString", command)]


@pytest.mark.parametrize("locale", [JAPANESE, WESTERN, CHINESE], ids=["932", "1252", "936"])
def test_a_japanese_product_is_removed_whole_under_every_code_page(harness, locale):
    desktop = DESKTOPS[locale]
    result = harness.run(line="uninstaller.exe --remove " + NAME, exe="C:\\windows\\system32\\uninstaller.exe",
                         answers=["yes", "yes", "ok"], setup=product(desktop), locale=locale, utf8=True,
                         relay_also=WIDE_NAME_CALLS, watch_folders=["C:\\QvApps", desktop.rsplit("\\", 1)[0]],
                         watch_keys=["HKCU\\Software\\Quorvel", UNINSTALL_LIST])
    assert [b.wide_text for b in result.boxes] == [t.decode(CP) for t in
                                                   (ASK_TO_BEGIN, ASK_DELETE_SETTINGS, REPORT_ALL_REMOVED)]
    assert result.exit_code == 0
    for path in (FOLDER + "\\説明書.txt", desktop + "\\" + NAME + ".lnk"):
        assert result.before.has_file(utf8(path)), path
        assert not result.after.has_file(utf8(path)), path
    assert not result.after.has_file(utf8(FOLDER)), "the product's folder, its subfolder and files are gone"
    assert result.after.has_file(utf8(desktop)), "the desktop itself stays"
    assert result.before.has_key(utf8("HKCU\\" + SETTINGS))
    assert not result.after.has_key(utf8("HKCU\\" + SETTINGS))
    assert utf8(NAME) in result.before.installed_programs()
    assert utf8(NAME) not in result.after.installed_programs()
    assert result.after.value(utf8("HKCU\\" + SHARED), utf8("最後の製品")) == (1, (NAME + "\0").encode("utf-16-le"))

    ansi = [c for c in result.call_names() if c in NAME_CALLS_A]
    wide = [c for c in result.call_names() if c in WIDE_NAME_CALLS]
    if locale == JAPANESE:
        assert wide == [], "under code page 932 the ANSI calls, as always"
        assert "kernel32.DeleteFileA" in ansi and "kernel32.CreateMutexA" in ansi
    else:
        assert ansi == [], "no name passes through the system's code page"
        assert {"kernel32.DeleteFileW", "kernel32.RemoveDirectoryW", "advapi32.RegDeleteKeyW",
                "advapi32.RegSetValueExW", "kernel32.CreateMutexW"} <= set(wide)
