"""Start-up: what the launcher adds around the two JVM runs of a -jvm run.

Given -jvm, the launcher extracts its two small classes, runs the verify
class on that JVM, starts the installation class on it and waits for it,
then cleans up. With a fixture JVM that exits at once, what is left is the
launcher's own cost. The reference runs the same JVM twice directly, with
the command lines the launcher uses (Verify, then rerodova). Both are
started and timed alike inside the same Wine prefix by fixture_stopwatch,
with CreateProcessA and CREATE_NO_WINDOW as the launcher starts its JVM, so
that Wine's cost of starting each JVM process (and its headless console
host) cancels out; the difference is the launcher's overhead, its own
process start included. A program that exits at once, timed the same way,
shows how much of that one start is.
"""

import subprocess

from benchlib import Row, excess_at_most, median
from wine import wine_command

ORDER = 3
FIGURE = "start-up: -jvm run, launcher start to end"
RUNS = 5
DIALOG_RUNS = 3
OVERHEAD_GOAL_MS = 150
CRITERIA = "vendor=sun:type=jre:version=1.2"
FOLDER = "C:\\bench\\startup"
SETUP_PATH = FOLDER + "\\setup.exe"
STOPWATCH_PATH = FOLDER + "\\fixture_stopwatch.exe"
JVM_PATH = FOLDER + "\\jvm\\bin\\java.exe"
CLASSES = FOLDER + "\\classes"
# The class path the launcher gives a java.exe: its lib\classes.zip, then
# the folder the classes were written to.
CLASS_PATH = FOLDER + "\\jvm\\bin\\..\\lib\\classes.zip;" + CLASSES


def stopwatch(prefix, arguments):
    """Each program's milliseconds from its start to its end, in order."""
    result = subprocess.run([wine_command(), STOPWATCH_PATH, *arguments], env=prefix.env,
                            cwd=prefix.drive_c, stdin=subprocess.DEVNULL, capture_output=True,
                            text=True, timeout=120)
    runs = [line.split("\t") for line in result.stdout.splitlines() if line.startswith("run\t")]
    if result.returncode != 0 or len(runs) != arguments.count("--then") + 1:
        raise RuntimeError(f"fixture_stopwatch {arguments}: {result.stdout!r} {result.stderr!r}")
    return [float(run[4]) for run in runs]


def installation_runs(prefix):
    journal = prefix.read_text(FOLDER + "\\jvm\\bin\\fixture_jvm.journal") or ""
    return sum(1 for line in journal.splitlines()
               if line.startswith("class\trerodova\t") and line.rstrip() != "class\trerodova")


def measure(context):
    jvm = context.built("win64/fixtures/fixture_jvm.exe")
    watch = context.built("win64/fixtures/fixture_stopwatch.exe")
    prefix = context.prefix()

    archive = context.work / "startup_rerodova.class"
    archive.write_bytes(b"\xCA\xFE\xBA\xBE" + bytes(1020))
    setup = context.setup_exe("startup_setup", archive, CRITERIA)
    prefix.put(SETUP_PATH, setup)
    prefix.put(STOPWATCH_PATH, watch)
    prefix.put(JVM_PATH, jvm)  # no settings file: it reports 1.2.2 and exits at once
    prefix.put(CLASSES + "\\Verify.class", context.built("java/Verify.class"))
    prefix.put(CLASSES + "\\rerodova.class", archive)

    launch = [SETUP_PATH, "-silent", "-jvm", JVM_PATH]
    # Started as the launcher starts them: with CREATE_NO_WINDOW.
    direct = ["--no-window", JVM_PATH, "-classpath", CLASS_PATH, "Verify", "--then",
              "--no-window", JVM_PATH, "-classpath", CLASS_PATH, "rerodova"]
    empty = [JVM_PATH]  # prints its usage and exits
    # One stopwatch per round times the launcher, the two direct runs and
    # the empty program one after another: fewer Wine starts outside the
    # timed part keep the benchmark short.
    round_trip = launch + ["--then"] + direct + ["--then"] + empty

    timed = {"launcher": [], "direct": [], "empty": []}
    for run in range(RUNS + 1):  # the first round warms the caches
        launcher_ms, verify_ms, installation_ms, empty_ms = stopwatch(prefix, round_trip)
        if run:
            timed["launcher"].append(launcher_ms)
            timed["direct"].append(verify_ms + installation_ms)
            timed["empty"].append(empty_ms)
    if installation_runs(prefix) != 2 * (RUNS + 1):  # the direct runs count too
        raise RuntimeError("the launcher did not start the installation class on every run")

    ours, reference = median(timed["launcher"]), median(timed["direct"])
    one_start = median(timed["empty"])
    rows = [
        Row(FIGURE, ours, "ms", "the JVM run twice directly", reference,
            excess_at_most(OVERHEAD_GOAL_MS, "ms")),
        Row("  launcher's overhead (ours - reference)", ours - reference, "ms"),
        Row("  one process start under Wine (a program that exits at once)", one_start, "ms"),
    ]
    try:
        dialog = [stopwatch(prefix, [SETUP_PATH, "-jvm", JVM_PATH])[0]
                  for _ in range(DIALOG_RUNS)]
        rows.append(Row("  the same run with the progress dialog", median(dialog), "ms",
                        "the JVM run twice directly", reference))
    except (RuntimeError, subprocess.TimeoutExpired) as error:
        rows.append(Row.not_run("  the same run with the progress dialog", str(error)))
    return rows
