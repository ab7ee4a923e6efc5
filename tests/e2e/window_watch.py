"""window_watch.exe, the tests' eyes and hands inside a Wine prefix.

X knows neither a message box's text nor a dialog's controls, so the tests
look from inside: the watch (window_watch.c, built here with mingw) runs on
the program's desktop, reports every new visible top-level window and every
message box with its text, reads and sets control texts and pushes buttons.
A message box is recorded with a screenshot of the screen and answered with
OK (unless the caller answers it); other windows wait in a queue for the test.
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
from typing import Dict, List, Optional

WATCH_SOURCE = Path(__file__).resolve().parent / "window_watch.c"
MINGW_GCC = "x86_64-w64-mingw32-gcc"


def screenshot(display: str, target: Path) -> Optional[Path]:
    """The whole screen as a PNG (ImageMagick's import), or None."""
    if shutil.which("import") is None:
        return None
    target.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-display", display, "-window", "root", str(target)],
                   timeout=10, capture_output=True, check=False)
    return target if target.exists() else None


def build_window_watch(target: Path) -> Path:
    """Compiles window_watch.c into target unless it is up to date."""
    if not target.exists() or target.stat().st_mtime < WATCH_SOURCE.stat().st_mtime:
        target.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run([MINGW_GCC, "-std=c11", "-O2", "-s", "-static", "-o", str(target),
                        str(WATCH_SOURCE), "-luser32", "-lgdi32"], check=True)
    return target


@dataclasses.dataclass
class Window:
    handle: str
    pid: int
    owner: int  # 0: no owner
    window_class: str
    caption: str
    box: bool = False  # a message box
    text: str = ""  # a message box's text
    screenshot: Optional[Path] = None


def _unescape(text: str) -> str:
    return re.sub(r"\\(.)", lambda m: {"t": "\t", "r": "\r", "n": "\n"}.get(m.group(1), m.group(1)),
                  text)


class WindowWatch:
    """window_watch.exe running in a prefix, and what it reported."""

    def __init__(self, command: List[str], env: dict, display: str, artifacts: Path):
        self.display, self.artifacts = display, artifacts
        self.boxes: List[Window] = []
        self.windows: "queue.Queue[Window]" = queue.Queue()
        self.exit_codes: Dict[int, int] = {}
        self.reported: List[Window] = []  # every window and box, in order
        self.answer_boxes = True
        self._answers: "queue.Queue[str]" = queue.Queue()
        self._write_lock, self._ask_lock = threading.Lock(), threading.Lock()
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        # The first program of a prefix starts its wineserver: seconds when busy.
        ready = b""
        if select.select([self.process.stdout], [], [], 180)[0]:
            ready = self.process.stdout.readline().strip()
        if ready != b"READY":
            self.process.kill()
            raise RuntimeError(f"window_watch.exe did not start: {ready!r}")
        threading.Thread(target=self._read, daemon=True).start()

    def _send(self, line: str) -> None:
        with self._write_lock:
            try:
                self.process.stdin.write((line + "\n").encode("cp1252"))
                self.process.stdin.flush()
            except (BrokenPipeError, OSError):
                pass

    def _ask(self, line: str) -> str:
        with self._ask_lock:
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
            line = raw.decode("cp1252", errors="replace").rstrip("\r\n")
            kind, _, rest = line.partition(" ")
            if kind in ("TEXT", "STATE"):
                self._answers.put(line)
            elif kind == "EXIT":
                pid, code = rest.split(" ")
                self.exit_codes[int(pid)] = int(code)
            elif kind in ("BOX", "WINDOW"):
                head, _, texts = rest.partition("\t")
                handle, pid, owner, window_class = (head.split(" ", 3) + [""])[:4]
                caption, _, text = texts.partition("\t") if kind == "BOX" else (texts, "", "")
                window = Window(handle, int(pid), int(owner, 16), _unescape(window_class),
                                _unescape(caption), kind == "BOX", _unescape(text))
                self.reported.append(window)
                if kind == "WINDOW":
                    self.windows.put(window)
                    continue
                window.screenshot = screenshot(
                    self.display, self.artifacts / f"message-box-{len(self.boxes) + 1}.png")
                self.boxes.append(window)
                if self.answer_boxes:
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
