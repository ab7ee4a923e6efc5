"""Looking at and acting on the launcher's dialogs on the Xvfb screen.

There is no window manager and Wine draws its windows unmanaged, so the X
window of a dialog is its whole Win32 window, caption included, and on the
black root window the visible dialog is the one bright rectangle of a
screenshot. Buttons are pushed with real mouse clicks (xdotool) at their
template positions, converted from dialog units with the client area found
in the screenshot.
"""

import os
import queue
import re
import subprocess
import threading
import time
from pathlib import Path

import wine
from conftest import E2E_ROOT

SCREENSHOTS = E2E_ROOT / "screenshots"
SCREEN = (1024, 768)
FRAME = 3  # Wine's modal dialog frame, in pixels
CAPTION = "Varnica Wizard"


class Run:
    """The launcher running on a background thread while the test acts on
    the windows it reports."""

    def __init__(self, launcher, args, timeout=300, env=None):
        self.windows = queue.Queue()
        self.result = None

        def run():
            self.result = launcher(*args, timeout=timeout, env=env,
                                   on_window=lambda watch, window: self.windows.put(window))

        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()

    def next_window(self, owner="0", timeout=240):
        """The next dialog reported, which must be the launcher's, owned by owner."""
        window = self.windows.get(timeout=timeout)
        assert window.caption == CAPTION and window.window_class == "#32770", window
        assert int(window.owner, 16) == int(owner, 16), window
        return window

    def finish(self, timeout=300):
        self.thread.join(timeout)
        assert not self.thread.is_alive(), "the launcher did not end"
        assert self.result.exit_code == 0, self.result
        return self.result


def xdotool(display, *args):
    return subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True, timeout=10).stdout


def shot(display, name):
    SCREENSHOTS.mkdir(parents=True, exist_ok=True)
    target = wine.screenshot(display, SCREENSHOTS / f"{name}.png")
    assert target is not None, "no screenshot"
    return target


def bright_box(path):
    """(left, top, right, bottom) of what is not the black background, or None."""
    found = subprocess.run(["convert", str(path), "-fuzz", "8%", "-format", "%@", "info:"],
                           capture_output=True, text=True, timeout=30).stdout.strip()
    size, x, y = found.split("+")
    width, height = (int(n) for n in size.split("x"))
    if width <= 1 or (width >= SCREEN[0] and height >= SCREEN[1]):
        return None
    return (int(x), int(y), int(x) + width, int(y) + height)


def region(path, box):
    """The RGB pixels of part of a screenshot, as a list of (r, g, b)."""
    left, top, right, bottom = box
    raw = subprocess.run(["convert", str(path), "-crop",
                          f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                          "-depth", "8", "rgb:-"], capture_output=True, check=True,
                         timeout=30).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def wait_for_box(display, name, predicate, timeout=30):
    """Screenshots until predicate(box) holds; returns (path, box) of the last."""
    deadline = time.monotonic() + timeout
    while True:
        path = shot(display, name)
        box = bright_box(path)
        if predicate(box) or time.monotonic() > deadline:
            return path, box
        time.sleep(0.3)


def centre(box):
    return ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2)


def client_area(path, box):
    """The dialog's client area: below the caption bar, inside the frame."""
    left, top, right, bottom = box
    column = region(path, (left + (right - left) // 2, top, left + (right - left) // 2 + 1,
                           bottom))
    face = column[-FRAME - 2]  # the dialog's own background, just above the bottom frame
    caption_end = next(y for y in range(FRAME + 2, len(column)) if column[y] == face)
    return (left + FRAME, top + caption_end, right - FRAME, bottom - FRAME)


def click_control(display, path, box, template_size, control):
    """Clicks the middle of a control given in dialog units (x, y, w, h)."""
    left, top, right, bottom = client_area(path, box)
    x = left + (control[0] + control[2] / 2) * (right - left) / template_size[0]
    y = top + (control[1] + control[3] / 2) * (bottom - top) / template_size[1]
    xdotool(display, "mousemove", str(int(x)), str(int(y)), "click", "1")


def x_windows(display):
    """{X window: (left, top, right, bottom)} of the visible windows but the root's."""
    windows = {}
    for window in xdotool(display, "search", "--onlyvisible", "--name", "").split():
        shell = dict(line.split("=", 1) for line in
                     xdotool(display, "getwindowgeometry", "--shell", window).split())
        x, y, width, height = (int(shell[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))
        if (width, height) != SCREEN:
            windows[window] = (x, y, x + width, y + height)
    return windows


def x_window(display, box):
    """The X window that covers box exactly (a dialog, caption included)."""
    for window, found in x_windows(display).items():
        if found == box:
            return window
    raise AssertionError(f"no X window at {box}")


def press_key(display, box, key):
    """Presses a key in the dialog's X window: the X focus is moved there
    first, since Wine may drop key events sent to an unfocused window."""
    xdotool(display, "windowfocus", "--sync", x_window(display, box))
    xdotool(display, "key", key)


def type_text(display, window, text, then=None):
    """Types into the focused control of an X window, then presses the key
    then, if given: real key events to the X focus, which is moved there
    first (events sent to a window directly lose the shift key)."""
    xdotool(display, "windowfocus", "--sync", window)
    xdotool(display, "type", "--delay", "50", text)
    if then:
        xdotool(display, "key", then)


def blue_pixels(path, box):
    """How many pixels of the lower half of box are the progress bar's blue."""
    left, top, right, bottom = box
    lower = region(path, (left, (top + bottom) // 2, right, bottom))
    return sum(1 for r, g, b in lower if b > 200 and r < 120)


# The one place that names the download page.
DOWNLOAD_PAGE = re.search(r'JVM_DOWNLOAD_PAGE "(.*)"',
                          (Path(wine.REPO) / "resources" / "download_page.h").read_text()).group(1)


def string_table(language):
    """The texts of resources/strings_<language>.rc by id name."""
    source = (Path(wine.REPO) / "resources" / f"strings_{language}.rc").read_text("utf-8")
    return dict(re.findall(r'^\s*(IDS_\w+) "(.*)"\s*$', source, re.M))
