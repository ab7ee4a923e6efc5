"""Extraction of a 64 MB Java archive, against writing the same bytes.

The launcher reads its container into memory and writes the archive in
1024-byte chunks, as it must. The yardstick is a program that reads the
same 64 MB into memory and writes them in 1024-byte WriteFile calls: the
floor that the chunk size sets. The goal, at most 1.35x, leaves the
launcher room for reading its own container and finding the archive in it.
Both are timed alike from outside: from the start of the program until the
file in the temporary folder holds every byte, so that both carry the same
cost of starting a process under Wine; each round times the two one after
the other, and the round whose ratio is the median is the figure. A program
that copies the bytes with one CopyFileA shows, as a detail, what the chunk
size costs.
"""

import subprocess

from benchlib import Row, median, median_round, time_until_complete
from wine import wine_command

ORDER = 1
FIGURE = "extraction: start to 64 MB archive written"
ARCHIVE_BYTES = 64 * 1024 * 1024
RUNS = 9  # odd: the median round is one of them
GOAL = 1.35
SETUP_PATH = "C:\\bench\\setup.exe"
SOURCE_PATH = "C:\\bench\\source.bin"
COPY_PATH = "C:\\bench\\fixture_copyfile.exe"
JVM_PATH = "C:\\jvm\\bin\\java.exe"


def archive():
    # A class file's magic, then bytes that no file system can store sparsely.
    block = bytes((i * 131 + 7) & 0xFF for i in range(1 << 16))
    return b"\xCA\xFE\xBA\xBE" + (block * (ARCHIVE_BYTES // len(block)))[: ARCHIVE_BYTES - 4]


def measure(context):
    copier = context.built("win64/fixtures/fixture_copyfile.exe")
    jvm = context.built("win64/fixtures/fixture_jvm.exe")
    prefix = context.prefix()

    data = archive()
    archive_file = context.work / "rerodova.class"
    archive_file.write_bytes(data)
    setup = context.setup_exe("setup", archive_file, "vendor=sun:type=jre:version=1.2")
    prefix.put(SETUP_PATH, setup)
    prefix.put(SOURCE_PATH, archive_file)
    prefix.put(COPY_PATH, copier)
    # The JVM the run goes on to keeps it waiting, so that the archive is
    # still there to be seen whole before the clean-up deletes it.
    prefix.put(JVM_PATH, jvm)
    prefix.put("C:\\jvm\\bin\\java.ini", "version=1.2.2\r\nvendor_url=http://java.sun.com/\r\n"
                                          "delay_ms=300\r\n")

    extracted = prefix.host_path(prefix.temp_dir_windows + "rerodova.class")
    copied = prefix.host_path(prefix.temp_dir_windows + "copy.bin")
    launch = [wine_command(), SETUP_PATH, "-silent", "-jvm", JVM_PATH]
    copy = [wine_command(), COPY_PATH, SOURCE_PATH, prefix.temp_dir_windows + "copy.bin"]
    chunked = copy + ["1024"]

    timed = {"launcher": [], "copy": [], "chunked": []}
    for run in range(RUNS + 1):  # the first round warms the caches
        for name, command, target in (("launcher", launch, extracted), ("copy", copy, copied),
                                      ("chunked", chunked, copied)):
            elapsed = time_until_complete(command, prefix.env, target, ARCHIVE_BYTES)
            if run:
                timed[name].append(elapsed)
    calls = {"copy_ms": [], "write_ms": []}
    for _ in range(RUNS):
        for command in (copy, chunked):
            output = subprocess.run(command, env=prefix.env, capture_output=True,
                                    text=True).stdout
            key, _, value = output.strip().partition("=")
            calls[key].append(float(value))

    launcher_ms, chunked_ms = median_round(timed["launcher"], timed["chunked"])
    return [
        Row(FIGURE, launcher_ms, "ms", "1024-byte WriteFile program", chunked_ms, GOAL),
        Row("  the same, against one CopyFileA", launcher_ms, "ms",
            "CopyFileA program", median(timed["copy"])),
        Row("  65,536 WriteFile calls of 1024 bytes alone", median(calls["write_ms"]), "ms"),
        Row("  CopyFileA call alone", median(calls["copy_ms"]), "ms"),
    ]
