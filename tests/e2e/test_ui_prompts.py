"""The bundled VM prompt and the browse dialog on screen, under Wine and Xvfb.

The launcher runs with criteria that no JVM in the prefix meets, so the
search fails and the run asks its two questions. Buttons are pushed with
real mouse clicks, the path is typed with xdotool. Screenshots land in
build/e2e/screenshots/.
"""

import os
import queue
import re
import threading
from pathlib import Path

from conftest import DIST
from ui_screen import (centre, click_control, region, shot, string_table, type_text,
                       wait_for_box, x_window, x_windows, SCREEN)

FIXTURES = Path(os.environ.get("CARAFE_E2E_FIXTURES", DIST / "win64" / "fixtures"))
CAPTION = "Varnica Wizard"
FOLDER = "C:\\setup"
LOG = FOLDER + "\\log.txt"
CLASS_BYTES = b"\xCA\xFE\xBA\xBE\x00\x00\x00\x2E"
CRITERIA = "vendor=sun:type=jre:version=1.2"
# The one place that names the download page.
DOWNLOAD_PAGE = re.search(r'JVM_DOWNLOAD_PAGE "(.*)"',
                          (DIST.parent / "resources" / "download_page.h").read_text()).group(1)

BUNDLED = (218, 77)
BUNDLED_OK = (51, 56, 50, 14)
BUNDLED_CANCEL = (117, 56, 50, 14)
BROWSE = (242, 149)
BROWSE_OK = (64, 128, 50, 14)
BROWSE_CANCEL = (130, 128, 50, 14)
BROWSE_BUTTON = (36, 68, 50, 14)


class Run:
    """The launcher searching in vain on a background thread."""

    def __init__(self, prefix, launcher):
        self.prefix = prefix
        prefix.put(FOLDER + "\\Verify.class", CLASS_BYTES)
        prefix.put(FOLDER + "\\rerodova.class", CLASS_BYTES)
        self.windows = queue.Queue()
        self.result = None
        args = ["-searchcriteria", CRITERIA, "-verify", FOLDER + "\\Verify.class",
                "-archive", FOLDER + "\\rerodova.class", "-log", LOG, "-logall"]

        def run():
            self.result = launcher(*args, timeout=300,
                                   on_window=lambda watch, window: self.windows.put(window))

        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()

    def next_window(self, owner="0", timeout=240):
        window = self.windows.get(timeout=timeout)
        assert window.caption == CAPTION and window.window_class == "#32770", window
        assert int(window.owner, 16) == int(owner, 16), window
        return window

    def finish(self, timeout=120):
        self.thread.join(timeout)
        assert not self.thread.is_alive(), "the launcher did not end"
        assert self.result.exit_code == 0, self.result
        return self.result


def prompt_on_screen(prefix, name):
    """The prompt, once reported, alone on screen: the progress dialog stepped
    aside before it opened. Two screenshots in a row must agree."""
    seen = []

    def settled(box):
        seen.append(box)
        return box is not None and seen[-2:] == [box, box]

    path, box = wait_for_box(prefix.display, name, settled)
    assert box is not None
    # Centred over the progress dialog, which sits in the middle of the screen.
    assert abs(centre(box)[0] - SCREEN[0] // 2) <= 1
    assert abs(centre(box)[1] - SCREEN[1] // 2) <= 1
    return path, box


def reach_the_bundled_prompt(run, prefix, name):
    progress = run.next_window()
    prompt = run.next_window(owner=progress.handle)
    path, box = prompt_on_screen(prefix, name + "-bundled-prompt")
    return progress, prompt, path, box


def test_declining_the_bundled_jvm_leads_to_the_browse_dialog(prefix, launcher):
    run = Run(prefix, launcher)
    progress, prompt, path, box = reach_the_bundled_prompt(run, prefix, "decline")
    assert prefix.watch.text(prompt.handle, 1) == "OK"
    click_control(prefix.display, path, box, BUNDLED, BUNDLED_CANCEL)

    browse = run.next_window(owner=progress.handle)
    path, box = prompt_on_screen(prefix, "browse-dialog")
    texts = {ident: prefix.watch.text(browse.handle, ident) for ident in (1000, 1001, 1002, 1, 2)}
    assert texts[1000] == ""
    assert texts[1001] == "Browse"
    assert texts[1002] == ("NOTE: If you do not have a Java Virual Machine, then you can "
                           "download it from " + DOWNLOAD_PAGE)
    # The note is drawn in pure blue; nothing else in the dialog is.
    blue = [pixel for pixel in region(path, box) if pixel[2] > 200 and max(pixel[:2]) < 60]
    assert len(blue) > 100

    click_control(prefix.display, path, box, BROWSE, BROWSE_CANCEL)
    result = run.finish()
    assert result.message_boxes == []
    cancelled = string_table(1033)["IDS_BROWSE_CANCELLED"]
    assert result.log.endswith(f"\r\n{cancelled} \r\n")
    assert "User chose" not in result.log


def test_a_path_typed_in_the_browse_dialog_becomes_the_jvm(prefix, launcher):
    # A JVM too old for the criteria: the search passes it by, the user picks it.
    prefix.put("C:\\jvm\\bin\\java.exe", FIXTURES / "fixture_jvm.exe")
    prefix.put("C:\\jvm\\bin\\java.ini", "version=1.1.8\r\nvendor_url=http://java.sun.com/\r\n")
    prefix.put("C:\\jvm\\lib\\dt.jar", b"PK\x05\x06" + bytes(18))
    prefix.put("C:\\jvm\\lib\\tools.jar", b"PK\x05\x06" + bytes(18))
    run = Run(prefix, launcher)
    progress, prompt, path, box = reach_the_bundled_prompt(run, prefix, "typed")
    # OK: the setup carries no bundled JVM, so the extraction fails with its
    # message, owned by the progress dialog, and the browse dialog follows.
    click_control(prefix.display, path, box, BUNDLED, BUNDLED_OK)
    browse = run.next_window(owner=progress.handle)
    path, box = prompt_on_screen(prefix, "typed-browse-dialog")

    typed = "C:\\JVM\\Bin\\java.exe"
    type_text(prefix.display, x_window(prefix.display, box), typed)
    assert prefix.watch.text(browse.handle, 1000) == typed
    shot(prefix.display, "typed-browse-dialog-filled")
    click_control(prefix.display, path, box, BROWSE, BROWSE_OK)

    result = run.finish()
    invalid = string_table(1033)["IDS_INVALID_EXECUTABLE"].replace("\\'", "'")
    assert [(m.text, m.owner) for m in result.message_boxes] == [(invalid, progress.handle)]
    assert f"\r\nUser chose {typed}.\r\n" in result.log
    journal = prefix.read_text("C:\\jvm\\bin\\fixture_jvm.journal")
    launch = [line for line in journal.splitlines() if line.startswith("command")][-1]
    # The home above "\bin" gave the JDK libraries for the class path.
    assert launch.endswith(
        '-classpath "C:\\JVM\\lib\\dt.jar;C:\\JVM\\lib\\tools.jar;C:\\setup" rerodova')


def pick_in_the_file_dialog(run, prefix, name, picked="C:\\Tools\\bin\\java.exe"):
    """From the start of a run: declines the bundled JVM, pushes the browse
    dialog's Browse button and picks `picked` in the file dialog. Returns the
    browse dialog and its screenshot and box once the path is in its field."""
    progress, prompt, path, box = reach_the_bundled_prompt(run, prefix, name)
    click_control(prefix.display, path, box, BUNDLED, BUNDLED_CANCEL)
    browse = run.next_window(owner=progress.handle)
    path, box = prompt_on_screen(prefix, f"{name}-browse-dialog")

    click_control(prefix.display, path, box, BROWSE, BROWSE_BUTTON)
    files = run.windows.get(timeout=60)
    assert int(files.owner, 16) == int(browse.handle, 16), files
    wait_for_box(prefix.display, f"{name}-file-dialog",
                 lambda found: found is not None and found != box)
    # The file dialog is the largest window; the progress dialog's (mapped,
    # with an empty region) is another.
    others = {window: found for window, found in x_windows(prefix.display).items() if found != box}
    dialog = max(others, key=lambda w: (others[w][2] - others[w][0]) * (others[w][3] - others[w][1]))
    type_text(prefix.display, dialog, picked, then="Return")
    _, back = wait_for_box(prefix.display, f"{name}-browse-dialog-filled",
                           lambda found: found == box)
    assert back == box
    assert prefix.watch.text(browse.handle, 1000).lower() == picked.lower()
    return browse, path, box


def test_the_browse_button_fills_in_the_file_picked_in_the_file_dialog(prefix, launcher):
    prefix.put("C:\\Tools\\bin\\java.exe", FIXTURES / "fixture_jvm.exe")
    run = Run(prefix, launcher)
    _, path, box = pick_in_the_file_dialog(run, prefix, "picked")
    click_control(prefix.display, path, box, BROWSE, BROWSE_CANCEL)
    assert "User chose" not in run.finish().log
