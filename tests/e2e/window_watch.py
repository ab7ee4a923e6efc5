"""window_watch.exe, the tests' eyes and hands inside a Wine prefix.

X sees a Wine message box as one window whose title is the caption; the
text is drawn by a child control that X knows nothing of, Wine's message
boxes (unlike Windows') offer no Ctrl+C copy, and X cannot tell a message
box from the progress dialog. So the tests look from inside: the watch
(window_watch.c, built here with mingw) runs in the same prefix and
desktop as the program under test, reports every new visible top-level
window with its class, caption, process and owner, recognises Wine's
message boxes and reads their text from the text control, and pushes
buttons on request. `WindowWatch` reads those reports: a message box is
recorded (caption, text, owner, a screenshot of the screen taken with
ImageMagick's `import`) and dismissed with its default button; other
windows are recorded and left alone unless the test gave a handler.
"""

import dataclasses
import queue
import re
import select
import shutil
import subprocess
import threading
import time
from pathlib import Path
from typing import Callable, Dict, List, Optional

WATCH_SOURCE = Path(__file__).resolve().parent / "window_watch.c"
MINGW_GCC = "x86_64-w64-mingw32-gcc"


def screenshot(display: str, target: Path) -> Optional[Path]:
    """The whole screen as a PNG, or None when ImageMagick is missing."""
    if shutil.which("import") is None:
        return None
    try:
        subprocess.run(["import", "-display", display, "-window", "root", str(target)],
                       timeout=10, capture_output=True, check=False)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return target if target.exists() else None


def build_window_watch(target: Path) -> Path:
    """Compiles window_watch.c into target unless it is up to date."""
    if target.exists() and target.stat().st_mtime >= WATCH_SOURCE.stat().st_mtime:
        return target
    target.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run([MINGW_GCC, "-std=c11", "-O2", "-s", "-static", "-o", str(target),
                    str(WATCH_SOURCE), "-luser32"], check=True)
    return target


@dataclasses.dataclass
class Window:
    """A visible top-level window that appeared during a run."""
    handle: str
    pid: int
    owner: str  # hexadecimal handle; all zeros when the window has no owner
    window_class: str
    caption: str


@dataclasses.dataclass
class MessageBox:
    handle: str
    pid: int
    owner: str
    caption: str
    text: str
    screenshot: Optional[Path] = None

    @property
    def owned(self) -> bool:
        return int(self.owner, 16) != 0


def _unescape(text: str) -> str:
    return re.sub(r"\\(.)", lambda m: {"t": "\t", "r": "\r", "n": "\n"}.get(m.group(1), m.group(1)),
                  text)


WindowHandler = Callable[["WindowWatch", Window], None]


class WindowWatch:
    """window_watch.exe running in a prefix, and what it reported."""

    def __init__(self, command: List[str], env: dict, display: str, artifacts: Path):
        """Starts the watch; command runs window_watch.exe in the prefix."""
        self.display = display
        self.artifacts = artifacts
        self.boxes: List[MessageBox] = []
        self.windows: List[Window] = []
        # Windows exit codes of the processes that owned a reported window.
        self.exit_codes: Dict[int, int] = {}
        self.on_window: Optional[WindowHandler] = None
        self.dismiss_boxes = True
        self._answers: "queue.Queue[str]" = queue.Queue()
        self._events: "queue.Queue" = queue.Queue()
        self._lock = threading.Lock()
        self._shots = 0
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        # The first program of a prefix starts its wineserver and services,
        # which takes seconds on a busy machine.
        ready = ""
        if select.select([self.process.stdout], [], [], 180)[0]:
            ready = self.process.stdout.readline().decode("cp1252", errors="replace").strip()
        if ready != "READY":
            self.process.kill()
            raise RuntimeError(f"window_watch.exe did not start: {ready!r}")
        threading.Thread(target=self._read, daemon=True).start()
        threading.Thread(target=self._dispatch, daemon=True).start()

    # --- Commands (answered through the reader thread)

    def _command(self, line: str, timeout: float = 10) -> str:
        with self._lock:
            while not self._answers.empty():  # late answers of timed-out commands
                self._answers.get_nowait()
            try:
                self.process.stdin.write((line + "\n").encode("cp1252"))
                self.process.stdin.flush()
            except (BrokenPipeError, OSError):
                return ""
            try:
                return self._answers.get(timeout=timeout)
            except queue.Empty:
                return ""

    def press(self, handle: str) -> None:
        """Pushes the dialog's default button."""
        self._command(f"press {handle}")

    def click(self, handle: str, control_id: int) -> None:
        self._command(f"click {handle} {control_id}")

    def text(self, handle: str, control_id: int) -> str:
        """The control's text read as Unicode, so that texts outside the
        prefix's ANSI code page arrive whole."""
        answer = self._command(f"text {handle} {control_id}")
        return bytes.fromhex(answer.split("\t", 1)[1]).decode("utf-8") if "\t" in answer else ""

    # --- Reports

    def _read(self) -> None:
        for raw in iter(self.process.stdout.readline, b""):
            line = raw.decode("cp1252", errors="replace").rstrip("\r\n")
            if line.startswith(("DONE", "TEXT")):
                self._answers.put(line)
            elif line.startswith("EXIT "):
                _, pid, code = line.split(" ")
                self.exit_codes[int(pid)] = int(code)
            elif line.startswith(("BOX ", "WINDOW ")):
                self._events.put(line)

    def _dispatch(self) -> None:
        while True:
            line = self._events.get()
            try:
                self._handle(line)
            finally:
                self._events.task_done()

    def _handle(self, line: str) -> None:
        head, _, rest = line.partition("\t")
        fields = head.split(" ")
        if fields[0] == "BOX":
            caption, _, text = rest.partition("\t")
            self._shots += 1
            shot = screenshot(self.display, self.artifacts / f"message-box-{self._shots}.png")
            box = MessageBox(fields[1], int(fields[2]), fields[3], _unescape(caption),
                             _unescape(text), shot)
            self.boxes.append(box)
            if self.dismiss_boxes:
                self.press(box.handle)
        else:
            window = Window(fields[1], int(fields[2]), fields[3], _unescape(fields[4]),
                            _unescape(rest))
            self.windows.append(window)
            if self.on_window:
                self.on_window(self, window)

    def settle(self, timeout: float = 10) -> None:
        """Waits until every report received so far has been handled."""
        deadline = time.monotonic() + timeout
        while self._events.unfinished_tasks and time.monotonic() < deadline:
            time.sleep(0.05)

    def exit_code(self, pid: int, timeout: float = 5) -> Optional[int]:
        """The Windows exit code of a process that owned a reported window,
        once the watch has seen it end; None if it has not by the timeout."""
        deadline = time.monotonic() + timeout
        while pid not in self.exit_codes and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.exit_codes.get(pid)

    def stop(self) -> None:
        if self.process.poll() is None:
            try:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
            except (BrokenPipeError, OSError):
                pass
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()


