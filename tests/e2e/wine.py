"""Running Windows programs under Wine for the end-to-end tests, the demo and
the benchmarks.

* `Xvfb`: a private virtual X server, so tests never reach a real screen.
  There is no window manager: the prefix uses unmanaged X windows
  ("Managed"="N"), or Wine waits two seconds for one whenever a window is
  hidden.
* `create_template` makes one prefix per session (mono and gecko installers
  silenced) and removes its z: drive, so a program sees only what a test puts
  on C:. `WinePrefix.copy_of` gives each test its own copy; C:\\windows is
  hard-linked to the template's files, which must be replaced, never changed.
* `WindowWatch`: X knows neither a message box's text nor a dialog's
  controls, so the tests look from inside. window_watch.exe (window_watch.c)
  runs on the program's desktop, reports new top-level windows and message
  boxes, reads control texts and pushes buttons. Message boxes are answered
  with OK unless the caller turns `answer_boxes` off; other windows wait in a
  queue for the test. Its wineserver is ended by `WinePrefix.shutdown`.
"""

from __future__ import annotations

import dataclasses
import os
import pwd
import queue
import re
import select
import shutil
import signal
import subprocess
import threading
import time
from pathlib import Path
from typing import Dict, List, Optional, Sequence

REPO = Path(__file__).resolve().parents[2]
MINGW_GCC = "x86_64-w64-mingw32-gcc"
WATCH_SOURCE = Path(__file__).resolve().parent / "window_watch.c"
WATCH_WINDOWS_PATH = "C:\\e2e\\window_watch.exe"
# Wine's mono and gecko installers would otherwise offer themselves in
# dialogs during wineboot.
DLL_OVERRIDES = "mscoree,mshtml="
UNESCAPED = {"t": "\t", "r": "\r", "n": "\n"}


def wine_command() -> Optional[str]:
    """The Wine loader able to run 64-bit programs, or None."""
    for candidate in (shutil.which("wine64"), "/usr/lib/wine/wine64", shutil.which("wine")):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    return None


def missing_tools() -> List[str]:
    missing = [] if wine_command() else ["wine"]
    return missing + [tool for tool in ("wineserver", "Xvfb", MINGW_GCC) if not shutil.which(tool)]


def mingw_build(target: Path, sources: Sequence[Path], *options: str, compiler=MINGW_GCC) -> Path:
    """Compiles sources into target unless it is newer than all of them."""
    if not target.exists() or any(target.stat().st_mtime < s.stat().st_mtime for s in sources):
        target.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run([compiler, "-O1", "-s", "-static", "-o", str(target), *map(str, sources),
                        *options], check=True)
    return target


def build_window_watch(target: Path) -> Path:
    return mingw_build(target, [WATCH_SOURCE], "-luser32", "-lgdi32")


def build_contract_runner(source: Path, target: Path) -> Path:
    """A program of `source` and the Win32 platform layer, so that a test can
    call that layer directly inside Wine."""
    sources = [source, *sorted((REPO / "src" / "platform").glob("**/*.cpp"))]
    return mingw_build(target, sources, "-std=c++17", "-I", str(REPO / "src"),
                       compiler="x86_64-w64-mingw32-g++")


def screenshot(display: str, target: Path) -> None:
    """The whole screen as a PNG, when ImageMagick is there."""
    if shutil.which("import"):
        target.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", display, "-window", "root", str(target)],
                       timeout=10, capture_output=True, check=False)


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
    env = dict(os.environ)
    # Wine would carry these host variables into the Windows environment.
    for name in ("TEMP", "TMP", "TMPDIR", "WINEARCH", "WINELOADER"):
        env.pop(name, None)
    return dict(env, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES=DLL_OVERRIDES,
                DISPLAY=display)


def create_template(prefix: Path, display: str, timeout: float = 300) -> None:
    """Makes a fresh prefix at `prefix`, which must not exist yet."""
    prefix.parent.mkdir(parents=True, exist_ok=True)
    env = wine_environment(prefix, display)
    for command in (["wineboot", "-i"],
                    ["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N",
                     "/f"]):
        subprocess.run([wine_command(), *command], env=env, timeout=timeout, capture_output=True,
                       check=False)
    subprocess.run(["wineserver", "-w"], env=env, timeout=timeout, check=False)
    if not (prefix / "system.reg").exists():
        raise RuntimeError(f"wineboot did not create a prefix at {prefix}")
    (prefix / "dosdevices" / "z:").unlink(missing_ok=True)


@dataclasses.dataclass
class Window:
    handle: str
    pid: int
    owner: int  # 0: no owner
    window_class: str
    caption: str
    box: bool = False  # a message box
    text: str = ""  # a message box's text


class WindowWatch:
    """window_watch.exe running in a prefix, and what it reported."""

    def __init__(self, command: List[str], env: dict):
        self.windows: "queue.Queue[Window]" = queue.Queue()
        self.exit_codes: Dict[int, int] = {}
        self.reported: List[Window] = []  # every window and box, in order
        self.answer_boxes = True
        self._answers: "queue.Queue[str]" = queue.Queue()
        self._lock = threading.Lock()
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        # The first program of a prefix starts its wineserver: seconds when busy.
        ready = select.select([self.process.stdout], [], [], 180)[0]
        if not ready or self.process.stdout.readline().strip() != b"READY":
            self.process.kill()
            raise RuntimeError("window_watch.exe did not start")
        threading.Thread(target=self._read, daemon=True).start()

    def _send(self, line: str) -> None:
        try:
            self.process.stdin.write((line + "\n").encode("cp1252"))
            self.process.stdin.flush()
        except OSError:
            pass

    def _ask(self, line: str) -> str:
        with self._lock:
            self._send(line)
            try:
                return self._answers.get(timeout=10)
            except queue.Empty:
                return ""

    def click(self, window: Window, control_id: int) -> None:
        self._send(f"click {window.handle} {control_id}")

    def set_text(self, window: Window, control_id: int, text: str) -> None:
        self._send(f"set {window.handle} {control_id} {text}")

    def release_mouse(self, window: Window, control_id: int, below_centre: int = 0) -> None:
        """A left-button release on the dialog, at the control's centre or below."""
        self._send(f"lbutton {window.handle} {control_id} {below_centre}")

    def text(self, window: Window, control_id: int) -> str:
        """The control's text, read as Unicode whatever the ANSI code page."""
        return bytes.fromhex(self._ask(f"text {window.handle} {control_id}")[5:]).decode("utf-8")

    def state(self, window: Window):
        """(visible, (left, top, right, bottom), region: 0 none, 1 empty, 2 or 3 other)."""
        fields = [int(field) for field in self._ask(f"state {window.handle}").split()[1:]]
        return bool(fields[0]), tuple(fields[1:5]), fields[5]

    def next_window(self, timeout: float = 120) -> Window:
        return self.windows.get(timeout=timeout)

    def _read(self) -> None:
        for raw in iter(self.process.stdout.readline, b""):
            kind, _, rest = raw.decode("cp1252", "replace").rstrip("\r\n").partition(" ")
            if kind in ("TEXT", "STATE"):
                self._answers.put(kind + " " + rest)
            elif kind == "EXIT":
                pid, code = rest.split(" ")
                self.exit_codes[int(pid)] = int(code)
            elif kind in ("BOX", "WINDOW"):
                head, caption, text = (rest.split("\t") + [""])[:3]
                handle, pid, owner, window_class = (head.split(" ", 3) + [""])[:4]
                caption, text = (re.sub(r"\\(.)", lambda m: UNESCAPED.get(m[1], m[1]), t)
                                 for t in (caption, text))
                window = Window(handle, int(pid), int(owner, 16), window_class, caption,
                                kind == "BOX", text)
                self.reported.append(window)
                if not window.box:
                    self.windows.put(window)
                elif self.answer_boxes:
                    self.click(window, 1)

    def exit_code(self, pid: int, timeout: float = 5) -> Optional[int]:
        """The Windows exit code of a process that owned a reported window."""
        deadline = time.monotonic() + timeout
        while pid not in self.exit_codes and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.exit_codes.get(pid)

    def stop(self) -> None:
        self._send("quit")
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()


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
        self.prefix, self.first = prefix, len(prefix.watch.reported)
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
        watch = self.prefix.watch
        reported = watch.reported[self.first:]
        if exit_code == -signal.SIGKILL and reported:
            # Wine kills a process whose Unix side takes over a second to go
            # after its last thread ended: the watch saw the Windows exit code.
            found = watch.exit_code(reported[0].pid)
            exit_code = exit_code if found is None else found
        stdout, stderr = (path.read_bytes().decode("cp1252", "replace") for path in self.outputs)
        return RunResult(exit_code, [w for w in reported if w.box],
                         [w for w in reported if not w.box], stdout, stderr)


class WinePrefix:
    """One test's Wine prefix: files on C:, registry values, runs."""

    def __init__(self, path: Path, display: str, watch_exe: Optional[Path], artifacts: Path):
        self.path, self.display, self.watch_exe = path, display, watch_exe
        self.artifacts = artifacts
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self.env = wine_environment(path, display)
        self.drive_c = path / "drive_c"
        user = pwd.getpwuid(os.getuid()).pw_name
        self.temp_dir = self.drive_c / "users" / user / "Temp"  # behind GetTempPathA's answer
        self.temp_dir_windows = f"C:\\users\\{user}\\Temp\\"
        self.runs = 0
        self._watch: Optional[WindowWatch] = None

    @classmethod
    def copy_of(cls, template: Path, target: Path, display: str, watch_exe: Path,
                artifacts: Path) -> "WinePrefix":
        """A copy of the template, C:\\windows as hard links."""
        shutil.rmtree(target, ignore_errors=True)
        (target / "drive_c").mkdir(parents=True)
        for entry in [*template.iterdir(), *(template / "drive_c").iterdir()]:
            if entry.name != "drive_c":
                link = entry.name == "windows" and entry.parent.name == "drive_c"
                subprocess.run(["cp", "-al" if link else "-a", str(entry),
                                str(target / entry.relative_to(template))], check=True)
        return cls(target, display, watch_exe, artifacts)

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
        windows_path = windows_path or self.temp_dir_windows + "vnlog.txt"
        if self.host_path(windows_path).is_file():
            shutil.copyfile(self.host_path(windows_path), self.artifacts / f"run-{self.runs}.log")
        return self.read_text(windows_path, code_page)

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
            self._watch = WindowWatch([wine_command(), WATCH_WINDOWS_PATH], self.env)
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
                               capture_output=True, check=False)
            except subprocess.TimeoutExpired:
                pass
