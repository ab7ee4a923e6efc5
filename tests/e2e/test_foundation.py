"""The launcher's start, end and log, through the real Win32 calls. The bare
launcher has no setup container: a run that gets that far ends "Read failed".
"""

import re
import time

from conftest import CLASS_BYTES, LAUNCHER_WINDOWS_PATH, folder_of_length

# The header has no line end of its own: the next entry opens with one, or
# (as the container reader's "Installation executable" entry) does not.
HEADER = re.compile(r"^Date :: (\d\d):(\d\d):(\d{4}) Time :: (\d\d):(\d\d):(\d\d)(?!\d)")


def assert_fresh_header(log, started):
    match = HEADER.match(log)
    assert match, f"log does not start with the header: {log[:80]!r}"
    month, day, year, hour, minute, second = map(int, match.groups())
    stamp = time.mktime((year, month, day, hour, minute, second, 0, 0, -1))
    assert started - 2 <= stamp <= time.time() + 2, "the header's time is not the run's"


def test_silent_run_logs_at_the_given_path_and_shows_read_failed_without_caption(
        launcher, prefix):
    prefix.host_path("C:\\logs").mkdir(parents=True)
    started = time.time()
    result = launcher("-silent", "-log", "C:\\logs\\run.txt")

    assert result.exit_code == 0
    assert [(box.caption, box.text, box.owned) for box in result.message_boxes] == [
        ("", "Read failed", False)]
    assert result.windows == [], "a silent run opens no window but its message boxes"
    assert_fresh_header(result.log, started)
    assert result.log.endswith(f"\r\n Read failed {LAUNCHER_WINDOWS_PATH}\r\n")
    assert not (prefix.temp_dir / "vnlog.txt").exists()


def test_log_without_value_replaces_vnlog_in_the_temporary_folder(launcher, prefix):
    old = "Date :: 01:01:1999 Time :: 00:00:00\r\nOLD ENTRY " + "x" * 4000 + "\r\n"
    prefix.put(prefix.temp_dir_windows + "vnlog.txt", old)
    started = time.time()
    result = launcher("-silent", "-log")

    log = prefix.read_text(prefix.temp_dir_windows + "vnlog.txt")
    assert result.exit_code == 0
    assert_fresh_header(log, started)
    assert "OLD ENTRY" not in log and len(log) < len(old)


def test_unwritable_log_path_leaves_no_log_and_the_run_goes_on(launcher, prefix):
    prefix.host_path("C:\\logs\\taken").mkdir(parents=True)
    past_max_path = folder_of_length("C:\\logs", 300)
    prefix.put(past_max_path + "\\keep.txt", b"")
    for unwritable in ("C:\\no\\such\\folder\\log.txt", "C:\\logs\\taken",
                       past_max_path + "\\run.txt"):
        result = launcher("-silent", "-log", unwritable)

        assert result.exit_code == 0
        # The run carried on to the container step, and said nothing of the log.
        assert result.texts == ["Read failed"]
    assert not prefix.host_path("C:\\no").exists()
    assert prefix.host_path("C:\\logs\\taken").is_dir()
    # Nothing was written at a shorter prefix of the long path either.
    assert [p.name for p in prefix.drive_c.joinpath("logs").rglob("*") if p.is_file()] == ["keep.txt"]


def test_named_files_resolve_against_the_launcher_folder_and_are_never_extracted_nor_deleted(
        launcher, prefix):
    prefix.put("C:\\carafe\\sub\\Verify.class", CLASS_BYTES)
    prefix.put("C:\\carafe\\sub\\setup.jar", b"PK\x03\x04")
    result = launcher("-silent", "-log", "logs\\..\\relative.txt", "-logall",
                      "-verify", "sub\\.\\x\\..\\Verify.class", "-archive", "sub\\setup.jar")

    assert result.exit_code == 0
    assert result.message_boxes == [], "the container was read"
    log = prefix.read_text("C:\\carafe\\relative.txt")
    assert HEADER.match(log)
    assert log.endswith("\r\nValidation of  C:\\carafe\\sub\\setup.jar failed\r\n")
    assert "Validation of  C:\\carafe\\sub\\Verify.class" not in log
    assert "Extracting file" not in log and "Deleting file" not in log
    assert prefix.host_path("C:\\carafe\\sub\\Verify.class").read_bytes() == CLASS_BYTES
    assert prefix.host_path("C:\\carafe\\sub\\setup.jar").exists()
