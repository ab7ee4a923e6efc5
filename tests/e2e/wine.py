"""Running Windows programs under Wine for the end-to-end tests and the demo.

* `Xvfb`: a private virtual X server, so tests never reach a real screen.
  There is no window manager: the prefix uses unmanaged X windows
  ("Managed"="N"), or Wine waits two seconds for one whenever a window is
  hidden.
* `create_template` makes one prefix per session (mono and gecko installers
  silenced) and removes its z: drive, so a program sees only what a test puts
  on C:. `WinePrefix.copy_of` gives each test its own copy; C:\\windows is
  hard-linked to the template's files, which must be replaced, never changed.
* `WinePrefix.start` runs a program while the test acts on its windows
  through the prefix's window watch (window_watch.py), which also answers
  its message boxes; `run` waits for its end. The prefix's wineserver is
  started by the watch and ended by `shutdown` (`wineserver -k`).
"""

from __future__ import annotations

import dataclasses
import os
import pwd
import re
import shutil
import signal
import subprocess
from pathlib import Path
from typing import List, Optional, Sequence

from window_watch import MINGW_GCC, Window, WindowWatch, build_window_watch, screenshot

__all__ = ["Xvfb", "WinePrefix", "RunResult", "Window", "build_window_watch", "create_template",
           "missing_tools", "screenshot", "wine_command"]

REPO = Path(__file__).resolve().parents[2]

# Wine's mono and gecko installers would otherwise offer themselves in
# dialogs during wineboot.
DLL_OVERRIDES = "mscoree,mshtml="
# Where the watch lives inside each prefix.
WATCH_WINDOWS_PATH = "C:\\e2e\\window_watch.exe"


def build_contract_runner(source: Path, target: Path) -> Path:
    """Builds a program from `source` and the Win32 platform layer, so that a
    test can call that layer directly inside Wine."""
    platform_sources = sorted((REPO / "src" / "platform").glob("**/*.cpp"))
    subprocess.run(["x86_64-w64-mingw32-g++", "-std=c++17", "-O1", "-Wall", "-Wextra",
                    "-I", str(REPO / "src"), str(source),
                    *map(str, platform_sources), "-static", "-s", "-o", str(target)],
                   check=True)
    return target


def wine_command() -> Optional[str]:
    """The Wine loader able to run 64-bit programs, or None."""
    for candidate in (shutil.which("wine64"), "/usr/lib/wine/wine64", shutil.which("wine")):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    return None


def missing_tools() -> List[str]:
    """The programs the harness needs that this machine lacks."""
    missing = [] if wine_command() else ["wine"]
    for tool in ("wineserver", "Xvfb", MINGW_GCC):
        if shutil.which(tool) is None:
            missing.append(tool)
    return missing


# --------------------------------------------------------------------------
# The X display


class Xvfb:
    """A private virtual X server on a display number it picks itself."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as ready:  # the number, once the server listens
            number = ready.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"

    def stop(self) -> None:
        self.process.terminate()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


# --------------------------------------------------------------------------
# Prefixes


def wine_environment(prefix: Path, display: str) -> dict:
    env = dict(os.environ)
    # Wine would carry these host variables into the Windows environment.
    for name in ("TEMP", "TMP", "TMPDIR", "WINEARCH", "WINELOADER"):
        env.pop(name, None)
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": DLL_OVERRIDES,
        "DISPLAY": display,
    })
    return env


def create_template(prefix: Path, display: str, timeout: float = 300) -> None:
    """Makes a fresh prefix at `prefix`, which must not exist yet."""
    prefix.parent.mkdir(parents=True, exist_ok=True)
    env = wine_environment(prefix, display)
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    subprocess.run([wine_command(), "wineboot", "-i"], env=env, timeout=timeout, **quiet)
    subprocess.run([wine_command(), "reg", "add", "HKCU\\Software\\Wine\\X11 Driver",
                    "/v", "Managed", "/d", "N", "/f"], env=env, timeout=timeout, **quiet)
    subprocess.run(["wineserver", "-w"], env=env, timeout=timeout, check=False)
    if not (prefix / "system.reg").exists():
        raise RuntimeError(f"wineboot did not create a prefix at {prefix}")
    z_drive = prefix / "dosdevices" / "z:"
    if z_drive.is_symlink() or z_drive.exists():
        z_drive.unlink()


def _copy_prefix(template: Path, target: Path) -> None:
    """Copies the prefix, C:\\windows as hard links."""
    (target / "drive_c").mkdir(parents=True)
    for entry in [*template.iterdir(), *(template / "drive_c").iterdir()]:
        if entry.name != "drive_c":
            link = entry.name == "windows" and entry.parent.name == "drive_c"
            subprocess.run(["cp", "-al" if link else "-a", str(entry),
                            str(target / entry.relative_to(template))], check=True)


# --------------------------------------------------------------------------
# Runs


@dataclasses.dataclass
class RunResult:
    exit_code: Optional[int]  # None when the run timed out
    message_boxes: List[Window]
    windows: List[Window]
    stdout: str
    stderr: str


class Running:
    """A program started in a prefix; `finish` waits for its end."""

    def __init__(self, prefix: "WinePrefix", program: str, args: Sequence[str], env: dict):
        self.prefix, self.watch = prefix, prefix.watch
        self.first = len(self.watch.reported)
        prefix.runs += 1
        # Files, not pipes: a child that outlives the program keeps its
        # inherited output open, and the run must not wait for it.
        self.outputs = [prefix.artifacts / f"run-{prefix.runs}.{name}" for name in ("out", "err")]
        with open(self.outputs[0], "wb") as stdout, open(self.outputs[1], "wb") as stderr:
            self.process = subprocess.Popen([wine_command(), program, *args],
                                            env=dict(prefix.env, **env), stdin=subprocess.DEVNULL,
                                            stdout=stdout, stderr=stderr)

    def finish(self, timeout: float = 60) -> RunResult:
        try:
            exit_code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.prefix.shutdown()
            self.process.wait()
            exit_code = None
        reported = self.watch.reported[self.first:]
        if exit_code == -signal.SIGKILL and reported:
            # Wine kills a process whose Unix side takes over a second to go
            # after its last thread ended: the watch saw the Windows exit code.
            found = self.watch.exit_code(reported[0].pid)
            exit_code = exit_code if found is None else found
        stdout, stderr = (path.read_bytes().decode("cp1252", "replace") for path in self.outputs)
        return RunResult(exit_code, [w for w in reported if w.box],
                         [w for w in reported if not w.box], stdout, stderr)


class WinePrefix:
    """One test's Wine prefix: files on C:, registry values, runs."""

    def __init__(self, path: Path, display: str, watch_exe: Path, artifacts: Path):
        self.path, self.display, self.watch_exe = path, display, watch_exe
        self.artifacts = artifacts
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self.env = wine_environment(path, display)
        self.user = pwd.getpwuid(os.getuid()).pw_name
        self.runs = 0
        self._watch: Optional[WindowWatch] = None

    @classmethod
    def copy_of(cls, template: Path, target: Path, display: str, watch_exe: Path,
                artifacts: Path) -> "WinePrefix":
        if target.exists():
            shutil.rmtree(target)
        _copy_prefix(template, target)
        return cls(target, display, watch_exe, artifacts)

    @property
    def drive_c(self) -> Path:
        return self.path / "drive_c"

    @property
    def temp_dir(self) -> Path:
        """The host folder behind the path GetTempPathA reports."""
        return self.drive_c / "users" / self.user / "Temp"

    @property
    def temp_dir_windows(self) -> str:
        """GetTempPathA's answer, with its trailing backslash."""
        return f"C:\\users\\{self.user}\\Temp\\"

    def host_path(self, windows_path: str) -> Path:
        """The host file behind a path on drive C: (letter case as given)."""
        match = re.match(r"^[Cc]:[\\/]?(.*)$", windows_path)
        if not match:
            raise ValueError(f"not a path on drive C: {windows_path!r}")
        return self.drive_c.joinpath(*[p for p in re.split(r"[\\/]+", match.group(1)) if p])

    def put(self, windows_path: str, content) -> Path:
        """Copies a host file (Path) or writes bytes or text to a path on C:."""
        target = self.host_path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        if isinstance(content, Path):
            shutil.copyfile(content, target)
        else:
            target.write_bytes(content.encode("cp1252") if isinstance(content, str) else content)
        return target

    def read_text(self, windows_path: str, code_page: str = "cp1252") -> Optional[str]:
        """A file as the launcher wrote it (ANSI code page, CR LF kept)."""
        target = self.host_path(windows_path)
        return target.read_bytes().decode(code_page, "replace") if target.is_file() else None

    def log(self, windows_path: Optional[str] = None, code_page: str = "cp1252") -> Optional[str]:
        """The launcher log (vnlog.txt in the temporary folder unless named),
        also kept among the artifacts."""
        target = self.host_path(windows_path or self.temp_dir_windows + "vnlog.txt")
        if not target.is_file():
            return None
        shutil.copyfile(target, self.artifacts / f"run-{self.runs}.log")
        return target.read_bytes().decode(code_page, "replace")

    def reg_add(self, key: str, name: Optional[str], value: str, kind: str = "REG_SZ") -> None:
        """A registry value through Wine's reg.exe (name None: the default value)."""
        self.watch  # noqa: B018  (its wineserver then serves reg.exe)
        subprocess.run([wine_command(), "reg", "add", key, *(["/v", name] if name else ["/ve"]),
                        "/t", kind, "/d", value, "/f"], env=self.env, check=True,
                       capture_output=True, timeout=120)

    @property
    def watch(self) -> WindowWatch:
        """The window watch, started with the prefix's first run."""
        if self._watch is None:
            self.put(WATCH_WINDOWS_PATH, self.watch_exe)
            self._watch = WindowWatch([wine_command(), WATCH_WINDOWS_PATH], self.env,
                                      self.display, self.artifacts)
        return self._watch

    def start(self, program: str, args: Sequence[str] = (), env: Optional[dict] = None) -> Running:
        """Starts a program on C: (Wine joins args, quoting those with blanks);
        env adds variables for this run only."""
        return Running(self, program, args, env or {})

    def run(self, program: str, args: Sequence[str] = (), timeout: float = 60,
            env: Optional[dict] = None) -> RunResult:
        return self.start(program, args, env).finish(timeout)

    def shutdown(self) -> None:
        """Ends every process of this prefix, then its wineserver."""
        if self._watch is not None:
            self._watch.stop()
            self._watch = None
        for option in ("-k", "-w"):
            try:
                subprocess.run(["wineserver", option], env=self.env, timeout=30,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
            except subprocess.TimeoutExpired:
                pass
