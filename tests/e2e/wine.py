"""Running Windows programs under Wine for the end-to-end tests, the demo and
the benchmarks.

* `Xvfb`: a private virtual X server, so tests never reach a real screen.
  There is no window manager: the prefix uses unmanaged X windows
  ("Managed"="N"), or Wine waits two seconds for one whenever a window is
  hidden.
* `create_template` makes one prefix per session (mono and gecko installers
  silenced) and removes its z: drive, so a program sees only what a test puts
  on C:. `WinePrefix.copy_of` gives each test its own copy, whose files are
  hard links to the template's: they must be replaced, never changed.
* `WindowWatch`: X knows neither a message box's text nor a dialog's
  controls, so the tests look from inside. window_watch.exe (window_watch.c)
  runs on the program's desktop, reports new top-level windows and message
  boxes, reads control texts and pushes buttons. Message boxes are answered
  with OK unless `answer_boxes` is off; other windows wait in a queue for
  the test.
"""

import collections
import os
import pwd
import queue
import shutil
import subprocess
import threading
from pathlib import Path
from typing import List, Optional, Sequence

REPO = Path(__file__).resolve().parents[2]
MINGW = "x86_64-w64-mingw32-"  # the prefix of the MinGW tools for the build under test
WATCH_WINDOWS_PATH = "C:\\e2e\\window_watch.exe"
# Wine's mono and gecko installers would otherwise offer themselves in
# dialogs during wineboot.
DLL_OVERRIDES = "mscoree,mshtml="


def wine_command() -> str:
    """The Wine loader able to run 64-bit programs (Debian 12 keeps it off PATH)."""
    return shutil.which("wine64") or "/usr/lib/wine/wine64"


def missing_tools() -> List[str]:
    return [tool for tool in (wine_command(), "wineserver", "Xvfb", MINGW + "gcc")
            if not shutil.which(tool)]


def mingw_build(target: Path, sources: Sequence[Path], *options: str, tool="gcc") -> Path:
    """Compiles sources into target unless it is newer than all of them."""
    if not target.exists() or any(target.stat().st_mtime < s.stat().st_mtime for s in sources):
        subprocess.run([MINGW + tool, "-O1", "-s", "-static", "-o", str(target), *map(str, sources),
                        *options], check=True)
    return target


def build_window_watch(target: Path) -> Path:
    return mingw_build(target, [Path(__file__).parent / "window_watch.c"], "-luser32")


class Xvfb:
    """A private virtual X server on a display number it picks itself."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as ready:  # the number, once the server listens
            self.display = ":" + ready.readline().strip()
        if self.display == ":":
            raise RuntimeError("Xvfb did not start")

    def stop(self) -> None:
        self.process.kill()
        self.process.wait()


def wine_environment(prefix: Path, display: str) -> dict:
    # Wine would carry these host variables into the Windows environment.
    env = {k: v for k, v in os.environ.items()
           if k not in ("TEMP", "TMP", "TMPDIR", "WINEARCH", "WINELOADER")}
    return dict(env, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES=DLL_OVERRIDES,
                DISPLAY=display)


def create_template(prefix: Path, display: str, timeout: float = 300) -> None:
    """Makes a fresh prefix at `prefix`, whose parent exists and which must not."""
    env = wine_environment(prefix, display)
    for command in (["wineboot", "-i"],
                    ["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N",
                     "/f"]):
        subprocess.run([wine_command(), *command], env=env, timeout=timeout, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=env, timeout=timeout)
    if not (prefix / "system.reg").exists():
        raise RuntimeError(f"wineboot did not create a prefix at {prefix}")
    (prefix / "dosdevices" / "z:").unlink(missing_ok=True)


Window = collections.namedtuple("Window", "handle owner window_class caption text box")
RunResult = collections.namedtuple("RunResult", "exit_code message_boxes windows output")


class WindowWatch:
    """window_watch.exe running in a prefix, and what it reported."""

    def __init__(self, command: List[str], env: dict):
        self.windows: "queue.Queue[Window]" = queue.Queue()
        self.reported: List[Window] = []  # every window and box, in order
        self.answer_boxes = True
        self._answers: "queue.Queue[str]" = queue.Queue()
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        # The first program of a prefix starts its wineserver: seconds when busy.
        if self.process.stdout.readline().strip() != b"READY":
            raise RuntimeError("window_watch.exe did not start")
        threading.Thread(target=self._read, daemon=True).start()

    def send(self, window: Window, *command) -> None:
        """click ID | set ID TEXT (window_watch.c)."""
        words = [command[0], window.handle, *map(str, command[1:])]
        self.process.stdin.write((" ".join(words) + "\n").encode("cp1252"))
        self.process.stdin.flush()

    def text(self, window: Window, control: int) -> str:  # from the test's thread only
        """The control's text as Unicode, whatever the ANSI code page."""
        self.send(window, "text", control)
        return bytes.fromhex(self._answers.get(timeout=10)).decode()

    def next_dialog(self, owner: Optional[Window] = None) -> Window:
        """The next dialog (other windows, such as a console, are passed by)."""
        while (window := self.windows.get(timeout=120)).window_class != "#32770":
            pass
        assert window.owner == (int(owner.handle, 16) if owner else 0), (window, self.reported)
        return window

    def _read(self) -> None:
        for raw in iter(self.process.stdout.readline, b""):
            kind, *fields = raw.decode().rstrip("\r\n").split(" ")
            if kind == "ANSWER":
                self._answers.put(fields[0] if fields else "")
            elif kind in ("BOX", "WINDOW"):
                window = Window(fields[0], int(fields[1], 16),
                                *(bytes.fromhex(text).decode() for text in fields[2:5]),
                                kind == "BOX")
                self.reported.append(window)
                if not window.box:
                    self.windows.put(window)
                elif self.answer_boxes:
                    self.send(window, "click", 1)

    def stop(self) -> None:
        self.process.kill()
        self.process.wait()


class WinePrefix:
    """One test's Wine prefix: files on C:, registry values, runs."""

    def __init__(self, path: Path, display: str, watch_exe: Optional[Path], artifacts: Path):
        self.path, self.watch_exe, self.artifacts = path, watch_exe, artifacts
        artifacts.mkdir(parents=True, exist_ok=True)
        self.env = wine_environment(path, display)
        self.drive_c = path / "drive_c"
        profile = f"C:\\users\\{pwd.getpwuid(os.getuid()).pw_name}\\"
        # Behind GetTempPathA's answer: Wine 10 keeps it where Windows does, Wine 8 in the profile.
        temp = profile + "AppData\\Local\\Temp\\"
        self.temp_dir_windows = temp if self.host_path(temp).is_dir() else profile + "Temp\\"
        self.runs = 0
        self._watch: Optional[WindowWatch] = None

    @classmethod
    def copy_of(cls, template: Path, target: Path, display: str, watch_exe: Path,
                artifacts: Path) -> "WinePrefix":
        """A copy of the template whose files are hard links, but for the
        registry files: Wine may save those in place, and a key one test
        wrote would then show in every prefix. The tests write only new
        files."""
        shutil.rmtree(target, ignore_errors=True)
        subprocess.run(["cp", "-al", str(template), str(target)], check=True)
        for hive in target.glob("*.reg"):
            hive.unlink()
            shutil.copy2(template / hive.name, hive)
        return cls(target, display, watch_exe, artifacts)

    def host_path(self, windows_path: str) -> Path:
        """The host file behind a path "C:\\..." (letter case as given)."""
        return self.drive_c.joinpath(*windows_path[3:].split("\\"))

    def put(self, windows_path: str, content) -> None:
        """Copies a host file (Path) or writes bytes or text to a path on C:."""
        target = self.host_path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        content = content.read_bytes() if isinstance(content, Path) else content
        target.write_bytes(content.encode("cp1252") if isinstance(content, str) else content)

    def read_text(self, windows_path: str, code_page: str = "cp1252") -> Optional[str]:
        """A file as the launcher wrote it (ANSI code page, CR LF kept)."""
        target = self.host_path(windows_path)
        return target.read_bytes().decode(code_page, "replace") if target.is_file() else None

    def log(self, code_page: str = "cp1252") -> Optional[str]:
        """The launcher log: vnlog.txt in the temporary folder."""
        return self.read_text(self.temp_dir_windows + "vnlog.txt", code_page)

    @property
    def watch(self) -> WindowWatch:
        """The window watch, started with the prefix's first run."""
        if self._watch is None:
            self.put(WATCH_WINDOWS_PATH, self.watch_exe)
            self._watch = WindowWatch([wine_command(), WATCH_WINDOWS_PATH], self.env)
        return self._watch

    def reg_add(self, key: str, name: str, value: str, kind="REG_SZ", view="/reg:64") -> None:
        """Sets HKLM\\key's value in one view of the registry: /reg:64, where a
        64-bit installer writes, or /reg:32, a 32-bit one's (Wow6432Node)."""
        self.watch  # noqa: B018  (its wineserver then serves reg.exe)
        subprocess.run([wine_command(), "reg", "add", "HKLM\\" + key, "/v", name, "/t", kind, "/d",
                        value, "/f", view], env=self.env, check=True, capture_output=True)

    def start(self, program: str, args: Sequence[str] = (), env: Optional[dict] = None):
        """Starts a program on C: (Wine joins args, quoting those with blanks);
        env adds variables for this run only. The function it returns waits
        for the end (timeout in seconds) and gives the RunResult."""
        watch, first = self.watch, len(self.watch.reported)
        self.runs += 1
        # Files, not pipes: a child that outlives the program keeps its
        # inherited output open, and the run must not wait for it.
        output = self.artifacts / f"run-{self.runs}.out"
        with open(output, "wb") as stdout, open(output.with_suffix(".err"), "wb") as stderr:
            process = subprocess.Popen([wine_command(), program, *args],
                                       env=dict(self.env, **(env or {})), stdin=subprocess.DEVNULL,
                                       stdout=stdout, stderr=stderr)

        def finish(timeout: float = 60) -> RunResult:
            try:
                exit_code = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.shutdown()
                process.wait()
                exit_code = None
            # Wine kills a process whose Unix side lingers a second after its
            # last thread (status -9, the Windows code lost); no case here does.
            reported = watch.reported[first:]
            return RunResult(exit_code, [w for w in reported if w.box],
                             [w for w in reported if not w.box], output.read_text("cp1252"))

        return finish

    def run(self, program: str, args: Sequence[str] = (), timeout: float = 60,
            env: Optional[dict] = None) -> RunResult:
        return self.start(program, args, env)(timeout)

    def processes(self, fragment: str) -> List[int]:
        """The prefix's running processes whose command line holds fragment
        (Wine shows a program's Windows command line as its own)."""
        found = []
        for entry in Path("/proc").iterdir():
            try:
                environ = (entry / "environ").read_bytes().split(b"\0")
                command = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode("cp1252")
            except (OSError, ValueError):  # not a process, or gone, or not ours to read
                continue
            if f"WINEPREFIX={self.path}".encode() in environ and fragment in command:
                found.append(int(entry.name))
        return found

    def shutdown(self) -> None:
        """Ends every process of this prefix, then its wineserver."""
        if self._watch is not None:
            self._watch.stop()
            self._watch = None
        for option in ("-k", "-w"):
            subprocess.run(["wineserver", option], env=self.env, timeout=30)
