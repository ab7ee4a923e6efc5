"""The launcher's start, end and log, through the real Win32 calls under Wine.

The launcher here carries no setup container, so a run that gets as far as
the container ends there with the "Read failed" box; runs whose options end
them earlier never read the container.
"""

import re
import time

MESSAGE_TITLE = "Roruvazodaza Zidi Rezoder"
LAUNCHER_PATH = "C:\\carafe\\launcher.exe"
# The header has no line end of its own: the next entry opens with one, or
# (as the container reader's "Installation executable" entry) does not.
HEADER = re.compile(r"^Date :: (\d\d):(\d\d):(\d{4}) Time :: (\d\d):(\d\d):(\d\d)(?!\d)")
CLASS_BYTES = bytes.fromhex("CAFEBABE0000003100")


def header_time(log):
    match = HEADER.match(log)
    assert match, f"log does not start with the header: {log[:80]!r}"
    month, day, year, hour, minute, second = map(int, match.groups())
    return time.mktime((year, month, day, hour, minute, second, 0, 0, -1))


def assert_fresh_header(log, started):
    stamp = header_time(log)
    assert started - 2 <= stamp <= time.time() + 2, "the header's time is not the run's"


def validation_entry(path):
    return f"\r\nValidation of  {path} failed\r\n"


# --- Runs that reach the container


def test_silent_run_without_container_shows_read_failed_box_with_empty_caption(launcher):
    result = launcher("-silent", "-log")

    assert result.exit_code == 0
    assert [(box.caption, box.text) for box in result.message_boxes] == [("", "Read failed")]
    assert not result.message_boxes[0].owned
    assert result.windows == [], "a silent run opens no window but its message boxes"
    assert f"\r\n Read failed {LAUNCHER_PATH}\r\n" in result.log


def test_run_with_dialog_captions_the_box_and_ends_on_the_workers_quit(launcher):
    result = launcher("-log")

    assert result.exit_code == 0
    assert [(box.caption, box.text) for box in result.message_boxes] == [
        (MESSAGE_TITLE, "Read failed")]
    # The progress dialog came up on the main thread, which then left its
    # loop when the worker's run had ended.
    assert any(window.window_class == "#32770" for window in result.windows)
    assert f"\r\n Read failed {LAUNCHER_PATH}\r\n" in result.log
    assert "Application was Aborted" not in result.log


# --- The log


def test_log_at_given_path_starts_with_the_local_date_and_time(launcher, prefix):
    prefix.host_path("C:\\logs").mkdir(parents=True)
    started = time.time()
    result = launcher("-silent", "-log", "C:\\logs\\run.txt")

    assert result.exit_code == 0
    assert result.log is not None, "no log at C:\\logs\\run.txt"
    assert_fresh_header(result.log, started)
    assert "Application was Aborted" not in result.log
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


def test_relative_log_path_lands_in_the_launcher_folder(launcher, prefix):
    result = launcher("-silent", "-verify", "C:\\none.class", "-log", "logs\\..\\relative.txt")

    assert result.exit_code == 0
    log = prefix.read_text("C:\\carafe\\relative.txt")
    assert log is not None and HEADER.match(log)


def test_unwritable_log_path_leaves_no_log_and_the_run_goes_on(launcher, prefix):
    prefix.host_path("C:\\logs\\taken").mkdir(parents=True)
    for unwritable in ("C:\\no\\such\\folder\\log.txt", "C:\\logs\\taken"):
        result = launcher("-silent", "-log", unwritable)

        assert result.exit_code == 0
        # The run carried on to the container step, and said nothing of the log.
        assert result.texts == ["Read failed"]
    assert not prefix.host_path("C:\\no").exists()
    assert prefix.host_path("C:\\logs\\taken").is_dir()


def test_logall_without_log_writes_no_file(launcher, prefix):
    result = launcher("-silent", "-logall")

    assert result.exit_code == 0
    assert result.texts == ["Read failed"]
    assert not (prefix.temp_dir / "vnlog.txt").exists()


# --- Options that end the run before the container is read


def test_verify_file_that_is_no_class_file_ends_the_run_with_its_validation_entry(
        launcher, prefix):
    prefix.put("C:\\data\\notes.txt", "not a class file")
    result = launcher("-silent", "-log", "-verify", "C:\\data\\notes.txt")

    assert result.exit_code == 0
    assert result.message_boxes == []
    assert result.log.endswith(validation_entry("C:\\data\\notes.txt"))
    assert prefix.host_path("C:\\data\\notes.txt").exists(), "a file named by an option was deleted"


def test_archive_that_is_no_class_file_ends_the_run_after_the_verify_class_passed(
        launcher, prefix):
    prefix.put("C:\\data\\Verify.class", CLASS_BYTES)
    prefix.put("C:\\data\\setup.jar", b"PK\x03\x04")
    result = launcher("-silent", "-log", "-logall", "-verify", "C:\\data\\Verify.class",
                      "-archive", "C:\\data\\setup.jar")

    assert result.exit_code == 0
    assert result.message_boxes == []
    assert validation_entry("C:\\data\\Verify.class") not in result.log
    assert result.log.endswith(validation_entry("C:\\data\\setup.jar"))
    # Neither file was written by this run, so the clean-up leaves both.
    assert "Deleting file" not in result.log
    assert prefix.host_path("C:\\data\\Verify.class").read_bytes() == CLASS_BYTES
    assert prefix.host_path("C:\\data\\setup.jar").exists()


def test_relative_option_values_resolve_against_the_launcher_folder(launcher, prefix):
    result = launcher("-silent", "-log", "-verify", "sub\\.\\x\\..\\v.class")

    assert result.exit_code == 0
    assert result.log.endswith(validation_entry("C:\\carafe\\sub\\v.class"))


def test_run_ended_by_an_option_closes_the_progress_dialog_and_exits(launcher, prefix):
    # The dialog may be gone before the watch's next look, so only the end
    # of the run is checked: the worker's quit message ended the loop.
    result = launcher("-log", "-verify", "C:\\missing\\Verify.class", timeout=30)

    assert not result.timed_out, "the main thread did not leave its message loop"
    assert result.exit_code == 0
    assert result.message_boxes == []
    assert result.log.endswith(validation_entry("C:\\missing\\Verify.class"))
