"""Boxes on systems whose ANSI code page is not 932: Wine under a Western (1252) and a Chinese (936)
locale. The boxes are shown with MessageBoxW and read as the Japanese texts they hold; the
program's and the script's texts are read as code page 932, the command line's paths and the
locale's date in the system's code page. Under the Japanese locale nothing changes."""

import datetime as dt
import re

import pytest

from harness import CHINESE, CP, JAPANESE, WESTERN, WIDE_NAME_CALLS, File, HeldFile, script
from texts import (ASK_TO_BEGIN, FATAL_CAPTION, MB_ERROR, MB_FATAL, MB_INFORMATION, MB_QUESTION, MB_WARNING,
                   NOT_FOUND_TAIL, REPORT_SETTINGS_REMAIN, SIGNATURE, TITLE, VERSION_CAPTION)

WARNING = ("注意：Ｅｘａｍｐｌｅを削除します。", "表示\\ソ ｶﾀｶﾅ")


def shown(raw: bytes) -> str:
    """A text of the program (code page 932 bytes) as the user reads it."""
    return raw.decode(CP)


@pytest.mark.parametrize("locale", [JAPANESE, WESTERN, CHINESE], ids=["932", "1252", "936"])
def test_a_run_shows_the_same_japanese_boxes_under_every_code_page(harness, locale):
    result = harness.run("/u C:\\Ex\\", answers=["ok", "yes", "ok"], locale=locale,
                         setup=[File("C:\\Ex\\Uninst.inf", script(SIGNATURE, "[warning]", *WARNING, "end;", "[deletefile]", "Uninst.inf", "end;"))],
                         watch_folders=["C:\\Ex"])
    texts = ["\r\n".join(WARNING), shown(ASK_TO_BEGIN), shown(REPORT_SETTINGS_REMAIN)]
    assert [b.wide_text for b in result.boxes] == texts
    assert [b.wide_caption for b in result.boxes] == [shown(TITLE)] * 3
    assert [(b.flags, b.retval) for b in result.boxes] == [(MB_WARNING, 1), (MB_QUESTION, 6), (MB_INFORMATION, 1)]
    assert result.diff.removed_files == [b"C:\\Ex\\Uninst.inf"]
    ansi, wide = result.calls_to("user32.MessageBoxA"), result.calls_to("user32.MessageBoxW")
    if locale == JAPANESE:
        assert wide == []
        assert [c.text(1) for c in ansi] == [t.encode(CP) for t in texts], "the very bytes, as before"
        assert [b.text for b in result.boxes] == [t.encode(CP) for t in texts]
    else:
        assert ansi == []
        assert [c.text(2) for c in wide] == [shown(TITLE)] * 3
        assert wide[1].text(1) == shown(ASK_TO_BEGIN)


def test_the_not_found_box_names_the_file_in_the_systems_code_page(harness):
    result = harness.run(b"/u C:\\Ex\\R\xe9sum\xe9.inf", answers=["ok"], locale=WESTERN, relay_also=WIDE_NAME_CALLS)
    [box] = result.boxes
    assert box.wide_text == '" Résumé.inf " ' + shown(NOT_FOUND_TAIL)
    assert (box.wide_caption, box.flags) == (shown(TITLE), MB_ERROR)
    # Files are named through the wide calls, with the command line's text as the system gave it.
    assert result.calls_to("kernel32.FindFirstFileA") == []
    assert [c.text(0) for c in result.calls_to("kernel32.FindFirstFileW")] == ["C:\\Ex\\Résumé.inf"]


def test_the_fatal_report_reads_a_path_of_the_system_and_the_programs_texts(harness):
    path = b"C:\\Caf\xe9\\Uninst.inf"
    result = harness.run(b"/u C:\\Caf\xe9\\", answers=["ok"], locale=WESTERN,
                         setup=[File(path, script(SIGNATURE)), HeldFile(path)])
    [box] = result.boxes
    assert re.fullmatch(r"EFOpenErrorがﾓｼﾞｭｰﾙ QvUninst\.exe の [0-9A-F]{8} で発生しました。\n"
                        r"ﾌｧｲﾙ C:\\Café\\Uninst\.inf は開けません\.", box.wide_text), box.wide_text
    assert (box.wide_caption, box.flags) == (shown(FATAL_CAPTION), MB_FATAL)
    assert result.exit_code == 1


def test_the_fatal_report_reads_a_value_name_of_the_script_as_code_page_932(harness):
    result = harness.run("/u C:\\Ex\\", answers=["yes", "ok"], locale=CHINESE,
                         setup=[File("C:\\Ex\\Uninst.inf", script(SIGNATURE, "[createreg]", "STRING=名前,x", "end;"))])
    assert result.boxes[-1].wide_text.endswith("\n'名前' の設定に失敗しました."), result.boxes[-1].wide_text
    assert result.exit_code == 1


def test_the_version_box_shows_the_locales_date(harness):
    result = harness.run(answers=["ok"], locale=WESTERN, program_mtime=dt.datetime(1999, 4, 3, 12, 0, 0))
    [box] = result.boxes
    assert box.wide_caption == shown(VERSION_CAPTION)
    # The Western locale's short date picture under Wine is M/d/yyyy.
    assert "\r\n制作日：4/3/1999\r\n提供元：Quorvel Software\r\n" in box.wide_text, box.wide_text
    assert box.wide_text.endswith("削除しないで下さい。")
