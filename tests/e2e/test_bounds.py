"""Values and paths longer than the launcher's fixed buffers, on the real
Win32 calls under Wine: each either fits exactly or fails cleanly.

The in-memory platform of the unit tests accepts paths of any length; only
the system shows what the ANSI calls do with a path past MAX_PATH, and what
the launcher then does with their failure.
"""


import pytest

import wine

PROBE_SOURCE = wine.REPO / "tests" / "e2e" / "bounds_probe.cpp"
PROBE = "C:\\probe\\bounds_probe.exe"
MAX_PATH = 260


def folder_of_length(root, length):
    """A Windows folder path of exactly `length` characters below root."""
    path = root.rstrip("\\")
    letter = 0
    while len(path) < length:
        room = length - len(path) - 1
        path += "\\" + chr(ord("a") + letter % 26) * min(40, max(room, 1))
        letter += 1
    return path[:length]


@pytest.fixture(scope="session")
def probe_exe(session_dir):
    return wine.build_platform_probe(PROBE_SOURCE, session_dir / "bounds_probe.exe")


@pytest.fixture
def probe(prefix, probe_exe):
    def run(case, *args, program=PROBE):
        prefix.put(program, probe_exe)
        result = prefix.run(program, [case, *args], timeout=60)
        lines = result.stdout.replace("\r\n", "\n").splitlines()
        failed = [line for line in lines if not line.startswith(("ok ", "info "))]
        assert not result.timed_out
        assert lines and not failed and result.exit_code == 0, result.stdout + result.stderr
        return lines

    return run


@pytest.mark.parametrize("case", ["registry", "environment", "temp"])
def test_values_fill_their_buffers_exactly_or_fail(probe, case):
    probe(case)


def test_paths_past_max_path_fail_cleanly_in_the_file_calls(probe, prefix):
    parent = folder_of_length("C:\\bounds", 240)
    folder = folder_of_length(parent, 300)
    prefix.put(parent + "\\java.exe", b"MZ")
    prefix.put(folder + "\\java.exe", b"MZ")
    probe("long-paths", parent, folder)


def test_module_path_from_a_folder_past_max_path_stays_in_its_buffer(probe):
    folder = folder_of_length("C:\\deep", 300)
    probe("module", program=folder + "\\bounds_probe.exe")


def class_file():
    return b"\xCA\xFE\xBA\xBE" + b"\x00" * 12


def test_a_jvm_path_past_max_path_ends_the_run_with_its_whole_path_logged(launcher, prefix):
    prefix.put("C:\\b\\Verify.class", class_file())
    prefix.put("C:\\b\\rerodova.class", class_file())
    jvm = folder_of_length("C:\\jvm", 300) + "\\bin\\java.exe"
    prefix.put(jvm, b"MZ")
    result = launcher("-silent", "-log", "C:\\b\\run.txt", "-verify", "C:\\b\\Verify.class",
                      "-archive", "C:\\b\\rerodova.class", "-jvm", jvm, timeout=60)
    assert result.exit_code == 0
    assert result.message_boxes == []
    assert result.log is not None
    assert "\r\nValidation of  " + jvm + " failed\r\n" in result.log


def test_a_log_path_past_max_path_is_not_created_and_the_run_goes_on(launcher, prefix):
    log = folder_of_length("C:\\logs", 300) + "\\run.txt"
    prefix.put(log.rsplit("\\", 1)[0] + "\\keep.txt", b"")
    result = launcher("-silent", "-log", log, "-verify", "C:\\missing\\Verify.class",
                      "-archive", "C:\\missing\\rerodova.class", timeout=60)
    assert result.exit_code == 0
    assert result.log is None
    # Nothing was written at a shorter prefix of the path either.
    created = [p for p in prefix.drive_c.joinpath("logs").rglob("*") if p.is_file()]
    assert [p.name for p in created] == ["keep.txt"]
