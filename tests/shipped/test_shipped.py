"""Where 32-bit differs from 64-bit (widths, calling conventions, sign-extended keys, runtime, link flags)."""

from harness import File, RegKey, script
from sample_uninstall import FILES, FOLDER, QUIET_COMMAND, WATCH_FOLDERS, WATCH_KEYS
from test_entry import test_empty_script_ends_in_the_fatal_error_report as test_the_fatal_report, test_version_box_shows_the_program_file_date as test_the_version_box  # noqa: F401,E501
from test_plan import sample, test_the_plan_of_the_sample_product_is_what_its_uninstall_does as test_qvcheck_plan  # noqa: F401,E501
from test_sections_registry import test_cleanup_refuses_every_family_of_shared_keys_and_deletes_a_products_own_keys_in_them as test_keys_in_every_root, test_created_keys_and_values_keep_the_scripts_case_and_come_after_the_cleanup as test_createreg  # noqa: F401,E501
from test_silent import log_of
from test_uninstall_list import test_removal_through_the_list_takes_the_product_off_it as test_the_list  # noqa: F401
from test_wide_names import WESTERN, test_a_japanese_product_is_removed_whole_under_every_code_page as wide
from texts import SIGNATURE


def test_the_sample_removed_with_s(harness):
    result = harness.run(QUIET_COMMAND, setup=sample(), watch_folders=WATCH_FOLDERS, watch_keys=WATCH_KEYS)
    assert result.exit_code == 0 and not result.boxes and [p for p in FILES if result.after.has_file(p)] == ["C:\\windows\\system32\\SampleShared.dll", "C:\\users\\sample\\Start Menu\\Programs\\Other\\Other.lnk"]  # noqa: E501
    assert not result.after.has_file(FOLDER) and not result.after.has_key("HKCU\\Software\\Quorvel\\Sample")
    assert result.after.value("HKCU\\Software\\Quorvel\\Shared", "LastUninstalled") == (1, b"Sample\0")
    assert log_of(result)[-3:] == ["exit code 0: done", "", ""]


def test_japanese_names_under_en_us(harness):
    wide(harness, WESTERN)


def test_long_lines_and_many_entries(harness):
    names = [f"{n:03}" + "長い名前の" * 20 + ".dat" for n in range(150)]
    keys = [f"HCU\\Software\\QvLong\\{n:03}" + "K" * 120 for n in range(40)]
    body = script(SIGNATURE, "[deletereg]", *("KEY=" + k for k in keys), "end;", "[deletefile]", *names, "Uninst.inf", "end;")
    setup = [File("C:\\QvLong\\Uninst.inf", body), *(File("C:\\QvLong\\" + n, n) for n in names), *(RegKey("HKCU" + k[3:] + "\\" + "副キー" * 30) for k in keys)]  # noqa: E501 (90 characters, 180 bytes)
    result = harness.run('/s "C:\\QvLong\\"', setup=setup, watch_folders=["C:\\QvLong"], watch_keys=["HKCU\\Software\\QvLong"])
    assert result.exit_code == 0 and len(result.before.files) == 151 and not result.after.files
    assert len(result.before.keys) == 81 and list(result.after.keys) == [b"HKCU\\Software\\QvLong"]
    assert '  remove folder "C:\\QvLong\\": done' in "\n".join(log_of(result))


from test_silent import test_a_file_in_use_is_left_to_the_restart_and_gives_3010 as test_zz_file_in_use  # noqa: E402,F401 (last: it leaves the file)
