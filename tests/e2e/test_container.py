"""The setup container read from the real .exe built by mksetup, and the extraction."""

import threading
import time

from conftest import (LAUNCHER_WINDOWS_PATH, SETUP_PATH, VERIFY_CLASS, build_setup, install_jvm,
                      journal, required)

MESSAGE_TITLE = "Roruvazodaza Zidi Rezoder"
INVALID_EXECUTABLE = "The installation you're trying to run is an invalid executable."
JVM_PATH = "C:\\jvm\\bin\\java.exe"
CRITERIA = "vendor=sun:type=jre:version=1.2"
ENTRY_BYTES = 13  # each table entry behind the 4-byte count; the type leads


def boxes(result):
    return [(box.caption, box.text, box.owned) for box in result.message_boxes]


def test_stub_without_container_is_corrupted_and_read_fails(launcher):
    result = launcher("-log")

    assert result.exit_code == 0
    # This line alone opens without a line break: it runs on from the header.
    assert result.log.endswith(
        f"Installation executable  {LAUNCHER_WINDOWS_PATH} is either Corrupted or does not have "
        f"all the Cmponents in it.\r\n\r\n Read failed {LAUNCHER_WINDOWS_PATH}\r\n")
    assert boxes(result) == [(MESSAGE_TITLE, "Read failed", False)]
    # The progress dialog was up; its loop ended on the worker's quit message.
    assert any(window.window_class == "#32770" for window in result.windows)
    assert "Application was Aborted" not in result.log


def test_container_without_verify_class_is_an_invalid_executable(prefix, launcher_exe, tmp_path):
    archive = tmp_path / "rerodova.class"
    archive.write_bytes(b"\xCA\xFE\xBA\xBE" + bytes(100))
    setup = build_setup(launcher_exe, archive, CRITERIA, tmp_path / "setup.exe")
    data = bytearray(setup.read_bytes())
    data[launcher_exe.stat().st_size + 4 + ENTRY_BYTES] = 7  # the verify class's type
    prefix.put(SETUP_PATH, bytes(data))
    result = prefix.run(SETUP_PATH, ["-log"])

    assert result.exit_code == 0
    assert result.log.endswith(f"\r\n Corrupted Installation executable  {SETUP_PATH}\r\n")
    # Owned by the progress dialog, which is up while the worker loads.
    assert boxes(result) == [(MESSAGE_TITLE, INVALID_EXECUTABLE, True)]
    assert not (prefix.temp_dir / "Verify.class").exists()


def test_logall_records_the_table_and_both_files_hold_their_sections_until_the_end(
        prefix, setup, launcher_exe, tmp_path):
    archive = b"\xCA\xFE\xBA\xBE" + bytes((i * 7 + i // 1024) & 0xFF for i in range(69_996))
    (tmp_path / "archive.class").write_bytes(archive)
    verify = required(VERIFY_CLASS).read_bytes()
    install_jvm(prefix, JVM_PATH, delay_ms=1500)
    seen, done = {}, threading.Event()

    def catch():  # both files as they are while the installation runs
        while not done.is_set() and len(seen) < 2:
            for name, content in (("rerodova.class", archive), ("Verify.class", verify)):
                path = prefix.temp_dir / name
                if name not in seen and path.is_file() and path.stat().st_size == len(content):
                    seen[name] = path.read_bytes()
            time.sleep(0.02)

    watcher = threading.Thread(target=catch)
    watcher.start()
    try:
        result = setup("-silent", "-jvm", JVM_PATH, "-log", "-logall", criteria=CRITERIA,
                       archive=tmp_path / "archive.class")
    finally:
        done.set()
        watcher.join()

    end = launcher_exe.stat().st_size
    archive_at = end + 0x2B + 2 + len("rerodova.class")
    verify_at = archive_at + len(archive) + 2 + len("Verify.class")
    criteria_at = verify_at + len(verify) + 2 + len("vm search criteria")
    temp = prefix.temp_dir_windows
    assert boxes(result) == []
    assert (f"\r\nReading installation executable  {SETUP_PATH} \r\n"
            f"\tExe Size ({end}), Total File Size ({criteria_at + 2 + len(CRITERIA)}) ..\r\n"
            "\tReading 3 Section Info...\r\n"
            f"\tSection Info: Name(rerodova.class), Size({len(archive)}), File Offset({archive_at})\r\n"
            f"\tSection Info: Name(Verify.class), Size({len(verify)}), File Offset({verify_at})\r\n"
            f"\tSection Info: Name(vm search criteria), Size({2 + len(CRITERIA)}), "
            f"File Offset({criteria_at})\r\n"
            f"\r\nExtracting file  {temp}Verify.class ...\r\n"
            f"\r\nExtracting file  {temp}rerodova.class ....\r\n") in result.log
    assert seen.get("rerodova.class") == archive
    assert seen.get("Verify.class") == verify
    assert journal(prefix, JVM_PATH)[1]["found"] == f"{temp}rerodova.class"
    assert result.log.endswith(f"\r\nDeleting file  {temp}Verify.class...\r\n"
                               f"\r\nDeleting file  {temp}rerodova.class...\r\n")
    assert not (prefix.temp_dir / "Verify.class").exists()
    assert not (prefix.temp_dir / "rerodova.class").exists()
