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
from typing import List, Optional, Sequence

BENCH = Path(__file__).resolve().parent
REPO = BENCH.parent
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import wine  # noqa: E402  (the end-to-end tests' Wine helpers)


class Skip(Exception):
    """Raised by a benchmark that cannot run on this machine."""


@dataclasses.dataclass
class Row:
    name: str
    value: float
    unit: str = "ms"
    baseline_name: str = ""
    baseline: Optional[float] = None
    goal: Optional[float] = None  # the largest acceptable value / baseline

    @property
    def ratio(self) -> Optional[float]:
        return self.value / self.baseline if self.baseline else None

    @property
    def verdict(self) -> str:
        if self.goal is None or self.ratio is None:
            return ""
        return "met" if self.ratio <= self.goal else "MISSED"


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
        return self._prefix

    def close(self) -> None:
        if self._prefix is not None:
            subprocess.run(["wineserver", "-k"], env=self._prefix.env, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self._display is not None:
            self._display.stop()
        shutil.rmtree(self.work, ignore_errors=True)



def median(values: Sequence[float]) -> float:
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


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
