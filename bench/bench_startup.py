"""Start-up: what the launcher adds around the two JVM runs of a -jvm run.

Given -jvm, the launcher extracts its two small classes, runs the verify
class on that JVM, starts the installation class on it and waits for it,
then cleans up. With a fixture JVM that exits at once, what is left is the
launcher's own cost. The yardstick is what such a run cannot avoid: starting
a GUI program that loads the launcher's system DLLs (fixture_gui.exe, which
exits at once), plus the same JVM run twice directly, with the command lines
the launcher uses (Verify, then rerodova). All are started and timed alike
inside the same Wine prefix by fixture_stopwatch, one after another in each
round, the JVM with CreateProcessA and CREATE_NO_WINDOW as the launcher
starts it, so that Wine's cost of each process start (and the JVM's headless
console host) is in both. A ratio, not a number of milliseconds, since
Wine's own start moves with the machine.

The run with the progress dialog is judged the same way against a program
that creates the launcher's own progress dialog, from its own template and
resources, shows it, paints it and closes it (fixture_gui.exe --dialog),
plus the two direct JVM runs. Its details say where the time goes: the
dialog program against the bare GUI program is the cost of a first window
under Wine (its X connection, the common controls); the dialog program
running the two JVMs while its window is up, as the launcher does, shows
what those starts cost more under a window; the launcher's dialog run less
its silent run is the window's cost as the launcher pays it.
"""

import subprocess

from benchlib import Row, median
from wine import wine_command

ORDER = 3
FIGURE = "start-up: -jvm -silent run, launcher start to end"
DIALOG_FIGURE = "start-up with the progress dialog: -jvm run, start to end"
RUNS = 11  # odd: the median round is one of them
# Goals from nine runs on this machine, most of them while other work
# loaded it. Silent: 0.94x to 1.58x, the quieter runs the higher (the JVM
# runs then get faster than the launcher): the launcher spends some 90 ms
# beyond its yardstick (its container read, two classes written, the verify
# class's output read through a pipe, the clean-up), not yet taken apart.
# At most 1.60x, about the old limit of 150 ms over the direct runs on
# today's yardstick, so today's launcher passes and a slower one does not.
# Dialog: 1.06x to 1.36x, once 1.82x. Part of what it has beyond its
# yardstick is not the launcher's: the dialog program itself, running the
# same two JVMs under its shown window instead of closing it first, takes
# 1.10x to 1.36x of that yardstick (Wine starts a process more slowly while
# a window of the parent is up). At most 1.75x: that cost on top of the
# launcher's own, as in the silent run.
GOAL = 1.60
DIALOG_GOAL = 1.75
CRITERIA = "vendor=sun:type=jre:version=1.2"
FOLDER = "C:\\bench\\startup"
SETUP_PATH = FOLDER + "\\setup.exe"
STOPWATCH_PATH = FOLDER + "\\fixture_stopwatch.exe"
GUI_PATH = FOLDER + "\\fixture_gui.exe"
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
    gui = context.built("win64/fixtures/fixture_gui.exe")
    prefix = context.prefix()

    archive = context.work / "startup_rerodova.class"
    archive.write_bytes(b"\xCA\xFE\xBA\xBE" + bytes(1020))
    setup = context.setup_exe("startup_setup", archive, CRITERIA)
    prefix.put(SETUP_PATH, setup)
    prefix.put(STOPWATCH_PATH, watch)
    prefix.put(GUI_PATH, gui)
    prefix.put(JVM_PATH, jvm)  # no settings file: it reports 1.2.2 and exits at once
    prefix.put(CLASSES + "\\Verify.class", context.built("java/Verify.class"))
    prefix.put(CLASSES + "\\rerodova.class", archive)

    # Started as the launcher starts them: with CREATE_NO_WINDOW.
    direct = ["--no-window", JVM_PATH, "-classpath", CLASS_PATH, "Verify", "--then",
              "--no-window", JVM_PATH, "-classpath", CLASS_PATH, "rerodova"]
    # One stopwatch per round times everything one after another: fewer
    # Wine starts outside the timed part keep the benchmark short, and each
    # figure and its yardstick see the machine alike.
    round_trip = [SETUP_PATH, "-silent", "-jvm", JVM_PATH, "--then", GUI_PATH, "--then",
                  *direct, "--then", SETUP_PATH, "-jvm", JVM_PATH, "--then",
                  GUI_PATH, "--dialog", "--then", GUI_PATH, "--dialog",
                  "--run", f"{JVM_PATH} -classpath {CLASS_PATH} Verify",
                  "--run", f"{JVM_PATH} -classpath {CLASS_PATH} rerodova"]

    names = ("silent", "gui", "verify", "installation", "dialog", "gui_dialog", "gui_dialog_jvm")
    timed = {name: [] for name in names}
    for run in range(RUNS + 1):  # the first round warms the caches
        for name, elapsed in zip(names, stopwatch(prefix, round_trip)):
            if run:
                timed[name].append(elapsed)
    if installation_runs(prefix) != 4 * (RUNS + 1):  # the yardsticks' runs count too
        raise RuntimeError("the launcher did not start the installation class on every run")

    # Each round ran its figures and yardsticks back to back, so they met the
    # same state of the machine: a figure is the round whose ratio is the
    # median (as the walk's), which keeps a busy moment out of one side only.
    got = {name: median(values) for name, values in timed.items()}
    direct_ms = [v + i for v, i in zip(timed["verify"], timed["installation"])]

    def median_round(ours, yardstick):
        rounds = sorted(zip(ours, yardstick), key=lambda pair: pair[0] / pair[1])
        return rounds[len(rounds) // 2]

    silent = median_round(timed["silent"], [g + d for g, d in zip(timed["gui"], direct_ms)])
    dialog = median_round(timed["dialog"], [g + d for g, d in zip(timed["gui_dialog"], direct_ms)])
    under_window = median_round(timed["gui_dialog_jvm"],
                                [g + d for g, d in zip(timed["gui_dialog"], direct_ms)])
    return [
        Row(FIGURE, silent[0], "ms", "GUI program that exits + the JVM run twice directly",
            silent[1], GOAL),
        Row("  launcher's overhead (ours - yardstick)", silent[0] - silent[1], "ms"),
        Row("  GUI program with the launcher's DLLs, start to end", got["gui"], "ms"),
        Row("  the JVM run twice directly", median(direct_ms), "ms"),
        Row(DIALOG_FIGURE, dialog[0], "ms",
            "progress dialog program + the JVM run twice directly", dialog[1], DIALOG_GOAL),
        Row("  progress dialog program, start to end", got["gui_dialog"], "ms",
            "GUI program that exits", got["gui"]),
        Row("  dialog program running the JVM twice under its window", under_window[0], "ms",
            "the dialog program + the JVM run twice directly", under_window[1]),
        Row("  launcher: dialog run less silent run", got["dialog"] - got["silent"], "ms",
            "dialog program less GUI program", got["gui_dialog"] - got["gui"]),
    ]
