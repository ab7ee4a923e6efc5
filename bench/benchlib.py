"""What the benchmarks share: the table's rows, a Wine prefix, and timing.

Imported by bench/run and by every bench/bench_<name>.py.
"""

from __future__ import annotations

import dataclasses
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import Callable, List, Optional, Sequence, Tuple, Union

BENCH = Path(__file__).resolve().parent
REPO = BENCH.parent
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import wine  # noqa: E402  (the end-to-end tests' Wine helpers)


class Skip(Exception):
    """Raised by a benchmark that cannot run on this machine."""


@dataclasses.dataclass
class Goal:
    """What a row must reach: `text` for the table, `met` to judge it."""
    text: str
    met: Callable[["Row"], bool]


def ratio_at_most(limit: float) -> Goal:
    """The figure may be at most `limit` times its baseline."""
    return Goal(f"<= {limit:.2f}x", lambda row: row.ratio is not None and row.ratio <= limit)


def value_at_most(limit: float, text: str) -> Goal:
    """The figure itself may be at most `limit`; `text` says where it comes from."""
    return Goal(text, lambda row: row.value <= limit)


@dataclasses.dataclass
class Row:
    name: str
    value: Optional[float]
    unit: str = "ms"
    baseline_name: str = ""
    baseline: Optional[float] = None
    goal: Union[None, float, Goal] = None  # a float is the largest acceptable ratio
    digits: int = 1
    reason: str = ""  # why the figure could not be measured (value is None)

    def __post_init__(self):
        if isinstance(self.goal, (int, float)):
            self.goal = ratio_at_most(float(self.goal))

    @classmethod
    def not_run(cls, name: str, reason: str) -> "Row":
        return cls(name, None, reason=reason)

    @property
    def ratio(self) -> Optional[float]:
        if self.value is None or not self.baseline:
            return None
        return self.value / self.baseline

    @property
    def verdict(self) -> str:
        if self.value is None:
            return f"not run: {self.reason}"
        if self.goal is None:
            return ""
        return "met" if self.goal.met(self) else "not met"


class Context:
    """What benchmarks share: paths to the built programs, a scratch folder
    and one Wine prefix (made on first use) on a private X display."""

    def __init__(self):
        self.repo = REPO
        self.dist = Path(os.environ.get("CARAFE_DIST", REPO / "dist"))
        self.work = Path(tempfile.mkdtemp(prefix="carafe-bench-"))
        self._display: Optional[wine.Xvfb] = None
        self._prefix: Optional[wine.WinePrefix] = None

    def built(self, relative: str) -> Path:
        path = self.dist / relative
        if not path.is_file():
            raise Skip(f"{path} is missing: run make first")
        return path

    def setup_exe(self, name: str, archive: Path, criteria: str) -> Path:
        """A setup executable in the scratch folder, built by mksetup from the
        64-bit launcher, the verify class and the archive file, which need
        not be a class (--force)."""
        setup = self.work / f"{name}.exe"
        subprocess.run([str(self.built("linux/mksetup")), "build",
                        "--stub", str(self.built("win64/launcher.exe")), "--archive", str(archive),
                        "--verify", str(self.built("java/Verify.class")), "--criteria", criteria,
                        "--force", "-o", str(setup)], check=True, capture_output=True)
        return setup

    def prefix(self) -> wine.WinePrefix:
        """A Wine prefix whose wineserver stays up between runs, so that
        every timed run starts alike."""
        if self._prefix is None:
            missing = wine.missing_tools()
            if missing:
                raise Skip("needs " + ", ".join(missing))
            self._display = wine.Xvfb()
            path = self.work / "prefix"
            wine.create_template(path, self._display.display)
            self._prefix = wine.WinePrefix(path, self._display.display, watch_exe=None,
                                           artifacts=self.work / "artifacts")
            subprocess.run(["wineserver", "-p"], env=self._prefix.env, check=False)
            # The first program of a fresh server starts Wine's own services,
            # which inherit that program's output handles and keep them open
            # for good: a timed run that read its output through a pipe would
            # never see it close. A program run with no pipes takes that
            # first place.
            subprocess.run([wine.wine_command(), "cmd.exe", "/c", "exit"], env=self._prefix.env,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False, timeout=120)
        return self._prefix

    def close(self) -> None:
        if self._prefix is not None:
            subprocess.run(["wineserver", "-k"], env=self._prefix.env, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self._display is not None:
            self._display.stop()
        shutil.rmtree(self.work, ignore_errors=True)



def remove_jvms(prefix: wine.WinePrefix) -> List[str]:
    """Deletes every java.exe, jre.exe and jview.exe that other benchmarks
    left on drive C: (outside C:\\windows), and returns their paths: a
    walk of C: would otherwise stop at the first one that matches."""
    removed = []
    for folder, subfolders, files in os.walk(prefix.drive_c):
        if Path(folder) == prefix.drive_c and "windows" in subfolders:
            subfolders.remove("windows")
        for name in files:
            if name.lower() in ("java.exe", "jre.exe", "jview.exe"):
                os.unlink(os.path.join(folder, name))
                removed.append(os.path.join(folder, name))
    return removed


def median(values: Sequence[float]) -> float:
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def rounds_by_ratio(ours: Sequence[float],
                    yardstick: Sequence[float]) -> List[Tuple[float, float]]:
    """Each round's (ours, yardstick), the lowest ratio first."""
    return sorted(zip(ours, yardstick), key=lambda pair: pair[0] / pair[1])


def median_round(ours: Sequence[float], yardstick: Sequence[float]) -> Tuple[float, float]:
    """The round whose ratio is the median. A round ran its figure and its
    yardstick back to back, so they met the same state of the machine: a
    busy moment stays out of one side only."""
    rounds = rounds_by_ratio(ours, yardstick)
    return rounds[len(rounds) // 2]


def time_until_complete(command: List[str], env: dict, target: Path, size: int,
                        timeout: float = 120) -> float:
    """Milliseconds from starting command until target holds size bytes.

    The file is watched from outside, every millisecond; the program may go
    on (or end) afterwards, and is waited for before returning."""
    if target.exists():
        target.unlink()
    started = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    elapsed = None
    while time.perf_counter() - started < timeout:
        try:
            if target.stat().st_size >= size:
                elapsed = (time.perf_counter() - started) * 1000
                break
        except FileNotFoundError:
            pass
        if process.poll() is not None and not target.exists():
            break
        time.sleep(0.001)
    process.communicate(timeout=timeout)
    if elapsed is None:
        raise RuntimeError(f"{target} never reached {size} bytes")
    return elapsed


def peak_resident_kb(command: List[str], env: dict, timeout: float = 300,
                     cwd: Optional[Path] = None) -> int:
    """Runs command and returns the kilobytes of its peak resident set.

    Read from /proc/<pid>/status (VmHWM), every millisecond until the end.
    The Wine loader execs the preloader, which loads the Windows program in
    that same process, so the pid is the Windows program's. VmHWM is the
    kernel's own high-water mark and only grows; the last reading before
    the end is the peak unless the program grew in its last millisecond.

    Neither simpler reading is truthful here. wait4's ru_maxrss also counts
    the memory of the parent that forked the program (Python, holding the
    archive's bytes), since exec keeps the larger of the old and the new
    high-water marks. And K32GetProcessMemoryInfo asked by a parent inside
    Wine after the end, handle still open, reads the same /proc file through
    wineserver, which finds it gone: it reports the peak or 0, by a race.
    """
    process = subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    status = Path(f"/proc/{process.pid}/status")
    peak = 0
    started = time.perf_counter()
    while process.poll() is None:
        try:
            for line in status.read_text().splitlines():
                if line.startswith("VmHWM:"):
                    peak = max(peak, int(line.split()[1]))
                    break
        except (FileNotFoundError, ProcessLookupError, ValueError):
            pass
        if time.perf_counter() - started > timeout:
            process.kill()
            process.wait()
            raise RuntimeError(f"{command[1:]} did not end within {timeout:.0f} s")
        time.sleep(0.001)
    if peak == 0:
        raise RuntimeError(f"no VmHWM was read for {command[1:]}")
    return peak


def _first_line(command: List[str]) -> str:
    try:
        output = subprocess.run(command, capture_output=True, text=True, timeout=30).stdout
    except (OSError, subprocess.SubprocessError):
        return "not found"
    return output.strip().splitlines()[0] if output.strip() else "unknown"


def machine_description() -> List[str]:
    """What the figures were measured on, one "name: value" line each."""
    cpu = "unknown"
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    memory = "unknown"
    try:
        for line in Path("/proc/meminfo").read_text().splitlines():
            if line.startswith("MemTotal:"):
                memory = f"{int(line.split()[1]) / (1024 * 1024):.1f} GiB"
                break
    except (OSError, ValueError):
        pass
    load = " ".join(f"{value:.2f}" for value in os.getloadavg())
    loader = wine.wine_command()
    return [
        f"CPU: {cpu}",
        f"Cores: {os.cpu_count()}",
        f"Memory: {memory}",
        f"Kernel: {os.uname().sysname} {os.uname().release}",
        f"Load average at the start (1, 5, 15 min): {load}",
        f"Wine: {_first_line([loader, '--version']) if loader else 'not found'}",
        f"x86_64 MinGW: {_first_line(['x86_64-w64-mingw32-g++', '--version'])}",
        f"i686 MinGW: {_first_line(['i686-w64-mingw32-g++', '--version'])}",
        f"Native compiler: {_first_line(['c++', '--version'])}",
        f"Python: {sys.version.split()[0]}",
    ]
