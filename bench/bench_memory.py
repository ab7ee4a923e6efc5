"""Memory: the peak working set of a run with a 64 MB Java archive.

The launcher, given -jvm and a fixture JVM that exits at once, extracts the
archive and runs the JVM twice. Its peak is read from Linux as the peak
resident set (VmHWM) of the Wine process that runs it: see
benchlib.peak_resident_kb for why neither wait4 nor GetProcessMemoryInfo
after the end will do. The peak of a Wine program that exits at once shows
what Wine itself takes in every process. K32GetProcessMemoryInfo, asked by
fixture_stopwatch while the launcher runs and once more after its end, is
shown beside it as a cross-check.
"""

import subprocess

from bench_extraction import ARCHIVE_BYTES, archive
from benchlib import Row, median, peak_resident_kb, value_at_most
from wine import wine_command

ORDER = 4
FIGURE = "memory: peak working set, 64 MB archive"
RUNS = 3
MIB = 1024 * 1024
ARCHIVE_MIB = ARCHIVE_BYTES / MIB
LIMIT_MIB = 1.2 * ARCHIVE_MIB + 8
CRITERIA = "vendor=sun:type=jre:version=1.2"
FOLDER = "C:\\bench\\memory"
SETUP_PATH = FOLDER + "\\setup.exe"
STOPWATCH_PATH = FOLDER + "\\fixture_stopwatch.exe"
JVM_PATH = FOLDER + "\\jvm\\bin\\java.exe"


def measure(context):
    jvm = context.built("win64/fixtures/fixture_jvm.exe")
    watch = context.built("win64/fixtures/fixture_stopwatch.exe")
    prefix = context.prefix()

    archive_file = context.work / "memory_rerodova.class"
    archive_file.write_bytes(archive())
    setup = context.setup_exe("memory_setup", archive_file, CRITERIA)
    archive_file.unlink()
    prefix.put(SETUP_PATH, setup)
    setup.unlink()
    prefix.put(STOPWATCH_PATH, watch)
    prefix.put(JVM_PATH, jvm)

    launch = [wine_command(), SETUP_PATH, "-silent", "-jvm", JVM_PATH]
    empty = [wine_command(), JVM_PATH]  # prints its usage and exits
    ours, floor = [], []
    for _ in range(RUNS):
        ours.append(peak_resident_kb(launch, prefix.env, cwd=prefix.drive_c) / 1024)
        floor.append(peak_resident_kb(empty, prefix.env, cwd=prefix.drive_c) / 1024)
    journal = prefix.read_text(FOLDER + "\\jvm\\bin\\fixture_jvm.journal") or ""
    if journal.count("class\trerodova\tC:") != RUNS:
        raise RuntimeError("the launcher did not start the installation class on every run")

    peak, wine_floor = median(ours), median(floor)
    rows = [
        Row(FIGURE, peak, "MiB", "archive size", ARCHIVE_MIB,
            value_at_most(LIMIT_MIB, f"<= 1.2x archive + 8 MiB = {LIMIT_MIB:.1f} MiB")),
        Row("  a Wine program that exits at once", wine_floor, "MiB"),
        Row("  launcher less that floor", peak - wine_floor, "MiB"),
    ]
    result = subprocess.run([wine_command(), STOPWATCH_PATH, "--sample", *launch[1:]],
                            env=prefix.env, cwd=prefix.drive_c, stdin=subprocess.DEVNULL,
                            capture_output=True, text=True, timeout=300)
    runs = [line.split("\t") for line in result.stdout.splitlines() if line.startswith("run\t")]
    if result.returncode == 0 and len(runs) == 1:
        after_end, sampled = int(runs[0][2]) / MIB, int(runs[0][3]) / MIB
        rows.append(Row("  K32GetProcessMemoryInfo, sampled while it ran", sampled, "MiB"))
        rows.append(Row("  K32GetProcessMemoryInfo after the end (0: Wine lost it)", after_end,
                        "MiB"))
    else:
        rows.append(Row.not_run("  K32GetProcessMemoryInfo cross-check",
                                f"fixture_stopwatch: {result.stdout!r} {result.stderr!r}"))
    return rows
