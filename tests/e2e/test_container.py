"""The setup container and the extraction, through the real Win32 calls.

Each setup here is built with the shipped builder (dist/linux/mksetup) from
the shipped launcher (dist/win64/launcher.exe), the way an installation is
made, and run from C:\\carafe inside a fresh Wine prefix.
"""

import os
import subprocess
import threading
import time
from pathlib import Path

import pytest

from conftest import DIST

MESSAGE_TITLE = "Roruvazodaza Zidi Rezoder"
INVALID_EXECUTABLE = "The installation you're trying to run is an invalid executable."
LAUNCHER_PATH = "C:\\carafe\\launcher.exe"
SETUP_PATH = "C:\\carafe\\setup.exe"
JVM_PATH = "C:\\jvm\\bin\\java.exe"
CRITERIA = "vendor=sun:type=jre:version=1.2"
# Each table entry is 13 bytes behind the 4-byte count; the type leads.
ENTRY_BYTES = 13

MKSETUP = Path(os.environ.get("CARAFE_E2E_MKSETUP", DIST / "linux" / "mksetup"))
VERIFY_CLASS = Path(os.environ.get("CARAFE_E2E_VERIFY_CLASS", DIST / "java" / "Verify.class"))
FIXTURES = Path(os.environ.get("CARAFE_E2E_FIXTURES", DIST / "win64" / "fixtures"))


def required(path):
    if not path.is_file():
        pytest.fail(f"{path} is missing: run make first")
    return path


def archive_bytes(size):
    """A class file's magic followed by bytes that differ from chunk to chunk."""
    return b"\xCA\xFE\xBA\xBE" + bytes((i * 7 + i // 1024) & 0xFF for i in range(size - 4))


class Setup:
    """A setup executable built by mksetup, with what went into it."""

    def __init__(self, folder, stub, archive, criteria=CRITERIA):
        self.stub_size = stub.stat().st_size
        self.archive = archive
        self.verify = required(VERIFY_CLASS).read_bytes()
        self.criteria = criteria
        archive_file = folder / "rerodova.class"
        archive_file.write_bytes(archive)
        self.path = folder / "setup.exe"
        subprocess.run([str(required(MKSETUP)), "build", "--stub", str(stub), "--archive",
                        str(archive_file), "--verify", str(VERIFY_CLASS), "--criteria", criteria,
                        "-o", str(self.path)], check=True, capture_output=True)

    def retype(self, index, new_type):
        """Changes the type of table entry index, as a damaged setup would have it."""
        data = bytearray(self.path.read_bytes())
        data[self.stub_size + 4 + ENTRY_BYTES * index] = new_type
        self.path.write_bytes(bytes(data))


@pytest.fixture
def setup(tmp_path, launcher_exe):
    return Setup(tmp_path, launcher_exe, archive_bytes(70_000))


def install_setup(prefix, setup):
    prefix.put(SETUP_PATH, setup.path)

    def run(*args, **options):
        return prefix.run(SETUP_PATH, list(args), **options)

    return run


def install_jvm(prefix, delay_ms=0):
    """The fixture JVM as C:\\jvm\\bin\\java.exe; it records every class it runs."""
    prefix.put(JVM_PATH, required(FIXTURES / "fixture_jvm.exe"))
    prefix.put("C:\\jvm\\bin\\java.ini",
               f"version=1.2.2\r\nvendor_url=http://java.sun.com/\r\ndelay_ms={delay_ms}\r\n")


def boxes(result):
    return [(box.caption, box.text, box.owned) for box in result.message_boxes]


# --- A corrupt executable


def test_stub_without_container_is_corrupted_and_read_fails(launcher):
    result = launcher("-log")

    assert result.exit_code == 0
    # This line alone opens without a line break: it runs on from the header.
    assert result.log.endswith(
        f"Installation executable  {LAUNCHER_PATH} is either Corrupted or does not have all "
        f"the Cmponents in it.\r\n\r\n Read failed {LAUNCHER_PATH}\r\n")
    assert boxes(result) == [(MESSAGE_TITLE, "Read failed", False)]


def test_container_without_verify_class_is_an_invalid_executable(prefix, setup):
    setup.retype(1, 7)
    result = install_setup(prefix, setup)("-log")

    assert result.exit_code == 0
    assert result.log.endswith(f"\r\n Corrupted Installation executable  {SETUP_PATH}\r\n")
    # Owned by the progress dialog, which is up while the worker loads.
    assert boxes(result) == [(MESSAGE_TITLE, INVALID_EXECUTABLE, True)]
    assert not (prefix.temp_dir / "Verify.class").exists()


# --- A sound setup


def test_logall_records_the_table_and_both_files_come_and_go(prefix, setup):
    temp = prefix.temp_dir_windows
    result = install_setup(prefix, setup)("-silent", "-nosearch", "-log", "-logall")

    end = setup.stub_size
    archive_offset = end + 0x2B + 2 + len("rerodova.class")
    verify_offset = archive_offset + len(setup.archive) + 2 + len("Verify.class")
    criteria_offset = verify_offset + len(setup.verify) + 2 + len("vm search criteria")
    total = criteria_offset + 2 + len(CRITERIA)
    assert result.exit_code == 0
    assert boxes(result) == []
    assert (f"\r\nReading installation executable  {SETUP_PATH} \r\n"
            f"\tExe Size ({end}), Total File Size ({total}) ..\r\n"
            "\tReading 3 Section Info...\r\n"
            f"\tSection Info: Name(rerodova.class), Size({len(setup.archive)}), "
            f"File Offset({archive_offset})\r\n"
            f"\tSection Info: Name(Verify.class), Size({len(setup.verify)}), "
            f"File Offset({verify_offset})\r\n"
            f"\tSection Info: Name(vm search criteria), Size({2 + len(CRITERIA)}), "
            f"File Offset({criteria_offset})\r\n"
            f"\r\nExtracting file  {temp}Verify.class ...\r\n"
            f"\r\nExtracting file  {temp}rerodova.class ....\r\n") in result.log
    # nosearch runs the bare java.exe, which this prefix lacks; the clean-up
    # then deletes what the run wrote.
    assert result.log.endswith(f"\r\nValidation of  java.exe failed\r\n"
                               f"\r\nDeleting file  {temp}Verify.class...\r\n"
                               f"\r\nDeleting file  {temp}rerodova.class...\r\n")
    assert not (prefix.temp_dir / "Verify.class").exists()
    assert not (prefix.temp_dir / "rerodova.class").exists()


def test_extracted_files_hold_the_sections_while_the_installation_runs(prefix, setup):
    install_jvm(prefix, delay_ms=1500)
    seen = {}
    running = threading.Event()
    running.set()

    def catch(name, expected_size):
        path = prefix.temp_dir / name
        while running.is_set() and name not in seen:
            if path.is_file() and path.stat().st_size == expected_size:
                seen[name] = path.read_bytes()
            time.sleep(0.02)

    watchers = [threading.Thread(target=catch, args=("rerodova.class", len(setup.archive))),
                threading.Thread(target=catch, args=("Verify.class", len(setup.verify)))]
    for watcher in watchers:
        watcher.start()
    try:
        result = install_setup(prefix, setup)("-silent", "-jvm", JVM_PATH, "-log")
    finally:
        running.clear()
        for watcher in watchers:
            watcher.join()

    assert result.exit_code == 0
    assert seen.get("rerodova.class") == setup.archive
    assert seen.get("Verify.class") == setup.verify
    journal = prefix.read_text("C:\\jvm\\bin\\fixture_jvm.journal")
    assert f"class\trerodova\t{prefix.temp_dir_windows}rerodova.class" in journal
    assert not (prefix.temp_dir / "rerodova.class").exists()
    assert not (prefix.temp_dir / "Verify.class").exists()


# --- Files named on the command line


def test_named_files_are_checked_but_never_extracted_nor_deleted(prefix, setup):
    prefix.put("C:\\data\\Verify.class", setup.verify)
    prefix.put("C:\\data\\installer.zip", b"PK\x03\x04 an archive of the wrong kind")
    result = install_setup(prefix, setup)(
        "-silent", "-nosearch", "-log", "-logall", "-verify", "C:\\data\\Verify.class",
        "-archive", "C:\\data\\installer.zip")

    assert result.exit_code == 0
    assert result.log.endswith("\r\nValidation of  C:\\data\\installer.zip failed\r\n")
    assert "Reading installation executable" not in result.log, "the container was read"
    assert "Extracting file" not in result.log and "Deleting file" not in result.log
    assert prefix.host_path("C:\\data\\Verify.class").read_bytes() == setup.verify
    assert prefix.host_path("C:\\data\\installer.zip").exists()
    assert not (prefix.temp_dir / "Verify.class").exists()
    assert not (prefix.temp_dir / "rerodova.class").exists()


def test_named_verify_class_that_is_no_class_file_ends_the_run_first(prefix, setup):
    prefix.put("C:\\data\\Verify.class", b"")
    result = install_setup(prefix, setup)(
        "-silent", "-log", "-logall", "-verify", "C:\\data\\Verify.class")

    assert result.exit_code == 0
    assert result.log.endswith("\r\nValidation of  C:\\data\\Verify.class failed\r\n")
    assert "Extracting file" not in result.log
    assert prefix.host_path("C:\\data\\Verify.class").exists()
    assert not (prefix.temp_dir / "rerodova.class").exists()
