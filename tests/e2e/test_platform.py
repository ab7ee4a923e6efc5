"""The Win32 platform under Wine, driven through its seam by platform_probe:
what the launcher reaches only deep inside a run (the window search on
Windows 95/98, the messages served while it waits), and values and paths
past its fixed buffers, each fitting exactly or failing cleanly (option
paths past MAX_PATH: test_foundation and test_launch)."""

import pytest

from conftest import folder_of_length


@pytest.mark.parametrize("case", ["files", "drives", "environment-and-registry", "capture", "text",
                                  "wait-messages", "registry-bounds", "environment-bounds",
                                  "temp-bounds"])
def test_platform_calls_behave_as_the_launcher_expects(probe, case):
    probe(case)


def test_paths_past_max_path_fail_cleanly_in_the_file_calls(probe, prefix):
    parent = folder_of_length("C:\\bounds", 240)
    folder = folder_of_length(parent, 300)
    prefix.put(parent + "\\java.exe", b"MZ")
    prefix.put(folder + "\\java.exe", b"MZ")
    probe("long-paths", parent, folder)
    probe("module", program=folder_of_length("C:\\deep", 300) + "\\probe.exe")


def test_window_search_hides_the_childs_window_on_windows_98_only(probe, prefix):
    probe("window-search-nt")
    registry = prefix.run("C:\\windows\\system32\\reg.exe", [
        "add", "HKCU\\Software\\Wine\\AppDefaults\\probe98.exe", "/v", "Version", "/d", "win98",
        "/f"])
    assert registry.exit_code == 0
    probe("window-search-9x", program="C:\\probe\\probe98.exe")
