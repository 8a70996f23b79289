"""The harness itself: a case that does not match the program's boxes fails clearly, fixtures are
laid out as written, and the relay trace is read correctly."""

import datetime as dt
from pathlib import Path

import pytest

from harness import (ARCHIVE, HIDDEN, READONLY, REG_BINARY, REG_DWORD, REG_EXPAND_SZ, REG_MULTI_SZ, REG_SZ,
                     SHELL_FOLDERS, File, Folder, HarnessError, HeldMutex, RegDelete, RegKey, RegValue, Result,
                     Snapshot, cp932, copy_prefix, filetime, parse_relay, script)
from texts import ASK_TO_BEGIN, SIGNATURE, TITLE


# ------------------------------------------------------------------------------------------------
# Cases that do not match what the program shows


def test_a_box_more_than_the_answers_fails_the_case(harness):
    with pytest.raises(HarnessError, match=r"box 2 was not expected .*Quorvel Uninstaller 2\.09.*無事終了"):
        harness.run("/u C:\\Ex\\", answers=["yes"], setup=[File("C:\\Ex\\Uninst.inf", script(SIGNATURE))])


def test_a_box_that_never_comes_fails_the_case(harness):
    with pytest.raises(HarnessError, match=r"after 1 box\(es\); box 2 \(answer 'ok'\) never appeared"):
        harness.run("/u C:\\Ex\\", answers=["no", "ok"], setup=[File("C:\\Ex\\Uninst.inf", script(SIGNATURE))])


def test_an_answer_the_box_does_not_offer_fails_the_case(harness):
    with pytest.raises(HarnessError, match=r"box 1 has no button 'yes'"):
        harness.run("/u C:\\Missing\\", answers=["yes"])


def test_unchecked_run_reports_the_trouble_and_what_was_seen(harness):
    result = harness.run("/u C:\\Ex\\", answers=["yes"], setup=[File("C:\\Ex\\Uninst.inf", script(SIGNATURE))],
                         check=False)
    assert [b.text for b in result.boxes] == [ASK_TO_BEGIN]
    assert len(result.trouble) == 1 and "box 2 was not expected" in result.trouble[0]
    assert result.exit_code is None, "the program was stopped, so it has no exit code of its own"


# ------------------------------------------------------------------------------------------------
# Fixtures


def test_fixtures_are_laid_out_as_written(harness):
    when = dt.datetime(1999, 4, 3, 12, 30, 0)
    setup = [
        File("C:\\Fx\\読取専用.txt", "データ", attributes=READONLY | HIDDEN, mtime=when),
        File("C:\\Fx\\sub\\plain.bin", b"\x00\x01\x02"),
        Folder("C:\\Fx\\empty"),
        RegValue("HKLM\\Software\\QvFx", "sz", "値"),
        RegValue("HKLM\\Software\\QvFx", "", "default"),
        RegValue("HKLM\\Software\\QvFx", "dword", 0x12345678),
        RegValue("HKLM\\Software\\QvFx", "bin", b"\xff\x00"),
        RegValue("HKLM\\Software\\QvFx", "multi", b"a\0b\0\0", type=REG_MULTI_SZ),
        RegValue("HKLM\\Software\\QvFx", "expand", "%WINDIR%", type=REG_EXPAND_SZ),
        RegKey("HKCU\\Software\\QvFx\\a\\b\\c"),
        RegValue("HKCR\\QvFx.ext", "", "QvFx"),
        RegValue("HKU\\.DEFAULT\\Software\\QvFx", "x", "y"),
        RegKey("HKCU\\Software\\QvGone\\sub"),
        RegDelete("HKCU\\Software\\QvGone"),
        RegValue(SHELL_FOLDERS, "Desktop", "C:\\デスク"),
    ]
    keys = ["HKLM\\Software\\QvFx", "HKCU\\Software", "HKCR\\QvFx.ext", "HKU\\.DEFAULT\\Software\\QvFx"]
    result = harness.run(answers=["ok"], setup=setup, watch_folders=["C:\\Fx"], watch_keys=keys)
    before = result.before

    entry = before.files[cp932("C:\\Fx\\読取専用.txt")]
    assert entry.attributes & (READONLY | HIDDEN) == READONLY | HIDDEN
    assert entry.size == len(cp932("データ"))
    assert entry.mtime == filetime(when)
    assert before.files[b"C:\\Fx\\sub\\plain.bin"].size == 3
    assert before.files[b"C:\\Fx\\empty"].is_folder

    assert before.value("HKLM\\Software\\QvFx", "sz") == (REG_SZ, cp932("値") + b"\0")
    assert before.value("HKLM\\Software\\QvFx", "") == (REG_SZ, b"default\0")
    assert before.value("HKLM\\Software\\QvFx", "dword") == (REG_DWORD, bytes.fromhex("78563412"))
    assert before.value("HKLM\\Software\\QvFx", "bin") == (REG_BINARY, b"\xff\x00")
    assert before.value("HKLM\\Software\\QvFx", "multi") == (REG_MULTI_SZ, b"a\0b\0\0")
    assert before.value("HKLM\\Software\\QvFx", "expand") == (REG_EXPAND_SZ, b"%WINDIR%\0")
    assert before.has_key("HKCU\\Software\\QvFx\\a\\b\\c")
    assert before.value("HKCR\\QvFx.ext", "") == (REG_SZ, b"QvFx\0")
    assert before.value("HKU\\.DEFAULT\\Software\\QvFx", "x") == (REG_SZ, b"y\0")
    assert not before.has_key("HKCU\\Software\\QvGone")
    # Set after the session started, the shell folder keeps the case's value for the whole run.
    assert before.value(SHELL_FOLDERS, "Desktop") == (REG_SZ, cp932("C:\\デスク") + b"\0")
    assert result.after.value(SHELL_FOLDERS, "Desktop") == (REG_SZ, cp932("C:\\デスク") + b"\0")
    assert result.diff.empty(), result.diff.lines()


def test_held_mutex_is_seen_by_the_program_as_a_running_product(harness):
    data = script(SIGNATURE, "[execution]", "MUTEX=QvE2eProduct", "APPNAME=Demo", "end;")
    files = [File("C:\\Ex\\Uninst.inf", data)]

    running = harness.run("/u C:\\Ex\\", answers=["ok"], setup=files + [HeldMutex("QvE2eProduct")])
    [call] = running.calls_to("kernel32.CreateMutexA")
    assert (call.arg(0), call.arg(1), call.text(2)) == (0, 0, b"QvE2eProduct")
    assert [b.caption for b in running.boxes] == [TITLE]
    assert running.boxes[0].text.startswith(b"Demo ")

    idle = harness.run("/u C:\\Ex\\", answers=["no"], setup=files)
    assert [b.text for b in idle.boxes] == [ASK_TO_BEGIN]


# ------------------------------------------------------------------------------------------------
# Reading the relay trace


def test_relay_lines_become_calls_of_one_process():
    lines = [
        b'0100:0104:Call KERNEL32.CreateFileA(00d75bc0 "C:\\\\A, B\\\\\\"q\\".inf",80000000,00000000) ret=004019ca',
        b'0200:0204:Call user32.MessageBoxA(00000000,0040a0cc "other",0040a0b3 "x",00000010) ret=00401000',
        b'0100:0104:Call window proc 688A1870 (hwnd=0001004C,msg=WM_NCCREATE,wp=00000000,lp=0064f174)',
        b'0100:0104:Ret  KERNEL32.CreateFileA() retval=ffffffff ret=004019ca',
        b'0100:0104:Call user32.MessageBoxA(00000000,0040a0cc "\\x83e\\x83X\\x83g\\r\\n",0040a0b3 "Quorvel Uninstaller 2.09",00000024) ret=0040160a',
        b'0100:0104:Call user32.MessageBoxA(00000000,0040a0cc "\\x83A\\x83\\x93"...,00000000,00002010) ret=0040160a',
        b'0200:0204:Ret  user32.MessageBoxA() retval=00000001 ret=00401000',
        b'0100:0104:Ret  user32.MessageBoxA() retval=00000006 ret=0040160a',
    ]
    calls = parse_relay(lines, 0x100)
    assert [c.name for c in calls] == ["kernel32.CreateFileA", "user32.MessageBoxA", "user32.MessageBoxA"]
    open_call, question, cut = calls
    assert open_call.text(0) == b'C:\\A, B\\"q".inf'
    assert [open_call.arg(1), open_call.arg(2), open_call.retval] == [0x80000000, 0, 0xFFFFFFFF]
    assert question.text(1) == cp932("テスト") + b"\r\n"
    assert question.text(2) == b"Quorvel Uninstaller 2.09"
    assert question.arg(3) == 0x24
    # The inner box has not returned when the outer one's Ret comes: only the innermost open call
    # of that name is closed.
    assert cut.retval == 6 and question.retval is None
    assert cut.args[1].truncated and cut.text(1) == cp932("アン")
    assert cut.arg(3) == 0x2010


def test_wide_strings_of_the_relay_read_as_text():
    lines = [b'0100:0104:Call user32.MessageBoxW(00000000,00d45dd0 L"\\" R\\00e9sum\\00e9.inf \\" \\304c\\r\\n",'
             b'00d45d48 L"Quorvel",00000010) ret=0041050e',
             b'0100:0104:Ret  user32.MessageBoxW() retval=00000001 ret=0041050e']
    [call] = parse_relay(lines, 0x100)
    assert (call.text(1), call.text(2), call.arg(3), call.retval) == ('" Résumé.inf " が\r\n', "Quorvel", 0x10, 1)


def test_a_64_bit_trace_reads_as_what_the_32_bit_program_passes():
    lines = [
        b'0100:0104:Call advapi32.RegCreateKeyExA(ffffffff80000001,0021f238 "Software\\\\QvMade",00000000,'
        b'00000000,00000000,1000f003f,00000000,0021f188,00000000) ret=140001813',
        b'0100:0104:Ret  advapi32.RegCreateKeyExA() retval=ffffffff00000005 ret=140001813',
        b'0100:0104:Call KERNEL32.CreateFileA(00cb3af0 "C:\\\\Ex\\\\Uninst.inf",80000000,00000000,00000000,'
        b'00000003,00000080,00000000) ret=140001ecb',
        b'0100:0104:Ret  KERNEL32.CreateFileA() retval=ffffffffffffffff ret=140001ecb',
    ]
    create, open_file = parse_relay(lines, 0x100)
    assert [create.arg(0), create.arg(5), create.retval] == [0x80000001, 0xF003F, 5]
    assert create.text(1) == b"Software\\QvMade"
    assert [open_file.arg(1), open_file.retval] == [0x80000000, 0xFFFFFFFF]


def test_a_box_the_driver_never_saw_is_described_from_the_relay():
    lines = [b'0100:0104:Call user32.MessageBoxA(00000000,0040a0cc "x",0040a0b3 "y",00000010) ret=0040160a',
             b'0100:0104:Ret  user32.MessageBoxA() retval=00000000 ret=0040160a']
    result = Result(b"QvUninst.exe", [], 0, parse_relay(lines, 0x100), Snapshot(), Snapshot(), 0.0,
                    ["box 1 never appeared"], Path("."))
    assert "MessageBoxA call 1 (seen by the relay): flags=0x10 retval=0" in result.describe()


def test_rest_as_user_answers_yes_where_offered_else_ok(harness):
    result = harness.run("/u C:\\Ex\\", answers=["ok"], rest_as_user=True,
                         setup=[File("C:\\Ex\\Uninst.inf", script(SIGNATURE, "[warning]", "w", "end;"))])
    assert [(b.buttons, b.answer) for b in result.boxes] == [(("ok",), "ok"), (("yes", "no"), "yes"), (("ok",), "ok")]
    assert [b.retval for b in result.boxes] == [1, 6, 1]


def test_case_prefix_keeps_away_from_the_host_home(harness, tmp_path):
    copy_prefix(harness.pristine, tmp_path / "prefix")
    drive_c = tmp_path / "prefix" / "drive_c"
    links = [p for p in drive_c.rglob("*") if p.is_symlink()]
    assert links == []
    assert (drive_c / "users").is_dir() and (tmp_path / "prefix" / "dosdevices" / "c:").is_symlink()
