"""The walk of the fixed drives: 200,000 files in 20,000 folders on drive D:.

The launcher walks the system drive and then every other fixed drive when
its quick pass finds nothing. It is timed from its start until the one JVM
on D: is first run, that is until the walk is over; the yardstick is the
plainest recursive FindFirstFileA walker (fixture_walker.exe) over the same
drives, timed from its start to its end. Both are also run with D: holding
only that JVM, and the difference is the cost of walking the tree, free of
process start-up, extraction and the walk of C:. A round runs the two one
after the other, in turns which goes first.
"""

import os
import shutil
import subprocess
import time

from benchlib import Row, median, remove_jvms, rounds_by_ratio, time_until_complete
from wine import wine_command

TOP_FOLDERS = 20
SUBFOLDERS = 999          # under each top folder: 20 + 20 * 999 = 20,000 folders
FILES_PER_FOLDER = 10     # 20,000 * 10 = 200,000 files
ORDER = 2
FIGURE = "walk: 200,000 files in 20,000 folders"
RUNS = 7
GOAL = 1.10
SETUP_PATH = "C:\\bench\\walk_setup.exe"
WALKER_PATH = "C:\\bench\\fixture_walker.exe"
# Criteria that only a java.exe reporting 1.2 on a kit meets: no registry
# key, default folder or PATH entry of the prefix has one.
CRITERIA = "vendor=sun:type=jdk:version=1.2"


def make_tree(root):
    names = [f"file{index:02d}.dat" for index in range(FILES_PER_FOLDER)]
    folders = 0
    for top in range(TOP_FOLDERS):
        top_folder = os.path.join(root, f"top{top:02d}")
        os.mkdir(top_folder)
        folders += 1
        for sub in range(SUBFOLDERS + 1):
            folder = top_folder if sub == SUBFOLDERS else os.path.join(top_folder, f"sub{sub:03d}")
            if folder != top_folder:
                os.mkdir(folder)
                folders += 1
            for name in names:
                os.close(os.open(os.path.join(folder, name), os.O_CREAT | os.O_WRONLY, 0o644))
    return folders


def put_jvm(drive_root, jvm):
    bin_folder = drive_root / "jdk" / "bin"
    bin_folder.mkdir(parents=True)
    shutil.copyfile(jvm, bin_folder / "java.exe")
    (bin_folder / "java.ini").write_bytes(b"version=1.2.2\r\nvendor_url=http://java.sun.com/\r\n")
    return bin_folder / "fixture_jvm.journal"


def use_drive(prefix, target):
    link = prefix.path / "dosdevices" / "d:"
    if link.is_symlink():
        link.unlink()
    link.symlink_to(target)


def time_process(command, env):
    started = time.perf_counter()
    output = subprocess.run(command, env=env, capture_output=True, text=True, timeout=600).stdout
    return (time.perf_counter() - started) * 1000, output


def measure(context):
    jvm = context.built("win64/fixtures/fixture_jvm.exe")
    walker = context.built("win64/fixtures/fixture_walker.exe")
    prefix = context.prefix()
    remove_jvms(prefix)  # the only JVM the walk may meet is the one on D:

    archive = context.work / "walk_rerodova.class"
    archive.write_bytes(b"\xCA\xFE\xBA\xBE" + bytes(1020))
    setup = context.setup_exe("walk_setup", archive, CRITERIA)
    prefix.put(SETUP_PATH, setup)
    prefix.put(WALKER_PATH, walker)

    tree_drive = context.work / "drive_tree"
    tree_drive.mkdir()
    folders = make_tree(str(tree_drive))
    tree_journal = put_jvm(tree_drive, jvm)
    empty_drive = context.work / "drive_empty"
    empty_drive.mkdir()
    empty_journal = put_jvm(empty_drive, jvm)

    launch = [wine_command(), SETUP_PATH, "-silent"]
    walk = [wine_command(), WALKER_PATH]

    def time_launcher(journal):
        return time_until_complete(launch, prefix.env, journal, 1, timeout=600)

    def time_walker(_journal):
        elapsed, output = time_process(walk, prefix.env)
        if "java.exe 1\n" not in output.replace("\r", ""):
            raise RuntimeError(f"the walker did not see the one java.exe: {output!r}")
        return elapsed

    timed = {key: [] for key in ("ours_tree", "ours_empty", "plain_tree", "plain_empty")}
    for run in range(RUNS + 1):  # the first round warms the caches
        # Each round changes which of the two goes first, so that neither
        # always inherits the other's state of the caches and the machine.
        contenders = [("ours_", time_launcher), ("plain_", time_walker)]
        if run % 2:
            contenders.reverse()
        for drive, journal, suffix in ((tree_drive, tree_journal, "tree"),
                                       (empty_drive, empty_journal, "empty")):
            use_drive(prefix, drive)
            for name, timer in contenders:
                elapsed = timer(journal)
                if run:
                    timed[name + suffix].append(elapsed)

    # Each round's two walks ran back to back, so they met the same state of
    # the machine: the figure is the round whose ratio is the median, and the
    # lowest and highest ratios show how far the rounds spread.
    ours_empty, plain_empty = median(timed["ours_empty"]), median(timed["plain_empty"])
    rounds = rounds_by_ratio([ours - ours_empty for ours in timed["ours_tree"]],
                             [plain - plain_empty for plain in timed["plain_tree"]])
    middle = rounds[len(rounds) // 2]
    files = TOP_FOLDERS * (SUBFOLDERS + 1) * FILES_PER_FOLDER
    return [
        Row(f"walk: {files:,} files in {folders:,} folders, median of {RUNS} rounds", middle[0],
            "ms", "recursive FindFirstFileA walker", middle[1], GOAL),
        Row("  round with the lowest ratio", rounds[0][0], "ms", "walker", rounds[0][1]),
        Row("  round with the highest ratio", rounds[-1][0], "ms", "walker", rounds[-1][1]),
        Row("  launcher, start to first JVM run", median(timed["ours_tree"]), "ms",
            "the same with D: empty", ours_empty),
        Row("  walker, start to end", median(timed["plain_tree"]), "ms",
            "the same with D: empty", plain_empty),
    ]
