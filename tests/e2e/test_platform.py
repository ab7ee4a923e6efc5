"""The Win32 platform under Wine, driven through its seam by platform_probe.

The launcher reaches most of these calls only deep inside a run (the
window search on Windows 95/98, the messages served while it waits for the
installation), so they are checked here on their own.
"""


import pytest

import wine

PROBE_SOURCE = wine.REPO / "tests" / "e2e" / "platform_probe.cpp"
PROBE = "C:\\probe\\platform_probe.exe"
# A second name, which Wine is told to present as Windows 98.
PROBE_98 = "C:\\probe\\probe98.exe"


@pytest.fixture(scope="session")
def probe_exe(session_dir):
    return wine.build_platform_probe(PROBE_SOURCE, session_dir / "platform_probe.exe")


@pytest.fixture
def probe(prefix, probe_exe):
    prefix.put(PROBE, probe_exe)
    prefix.put(PROBE_98, probe_exe)

    def run(case, program=PROBE):
        result = prefix.run(program, [case], timeout=60)
        lines = result.stdout.replace("\r\n", "\n").splitlines()
        failed = [line for line in lines if not line.startswith("ok ")]
        assert not result.timed_out
        assert lines and not failed and result.exit_code == 0, result.stdout + result.stderr
        return lines

    return run


@pytest.mark.parametrize("case", ["files", "drives", "environment-and-registry", "capture",
                                  "text"])
def test_platform_calls_behave_as_the_launcher_expects(probe, case):
    probe(case)


def test_wait_serves_sent_and_private_messages_and_drops_input(probe):
    probe("wait-messages")


def test_window_search_hides_the_childs_window_on_windows_98_only(probe, prefix):
    probe("window-search-nt")
    registry = prefix.run("C:\\windows\\system32\\reg.exe", [
        "add", "HKCU\\Software\\Wine\\AppDefaults\\probe98.exe", "/v", "Version", "/d", "win98",
        "/f"])
    assert registry.exit_code == 0
    probe("window-search-9x", program=PROBE_98)
