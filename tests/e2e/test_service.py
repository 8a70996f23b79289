"""SERVICE= on the real program: the product's service, installed with Wine's service control
manager and running, is stopped and removed, and its program deleted in the same run."""

from harness import File, Service, script
from texts import SIGNATURE

FOLDER = "C:\\Program Files\\Example"
SERVICE_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\ExampleSvc"
PRODUCT = script(SIGNATURE, "[deletereg]", "SERVICE=ExampleSvc", "SERVICE=Missing", "end;",
                 "[deletefile]", "svc.exe", "Uninst.inf", "end;")


def test_the_products_running_service_is_stopped_and_removed_with_its_program(harness):
    program = (harness.driver.parent / "qvservice.exe").read_bytes()
    setup = [File(FOLDER + "\\Uninst.inf", PRODUCT), File(FOLDER + "\\svc.exe", program),
             Service("ExampleSvc", '"' + FOLDER + '\\svc.exe" ExampleSvc')]
    result = harness.run('/s "' + FOLDER + '\\"', setup=setup, watch_folders=[FOLDER], watch_keys=[SERVICE_KEY],
                         timeout=60)
    assert result.exit_code == 0
    assert result.before.has_key(SERVICE_KEY) and result.before.has_file(FOLDER + "\\svc.exe")
    assert not result.after.has_key(SERVICE_KEY)
    assert not result.after.has_file(FOLDER)
    log = next(iter(result.silent_logs.values())).decode("utf-8-sig")
    # The stop is taken only from a running service; the missing one is nothing to do.
    assert '  stop service "ExampleSvc": done\r\n  delete service "ExampleSvc": done\r\n' in log, log
    assert "Missing" not in log.replace("SERVICE=Missing", ""), log
