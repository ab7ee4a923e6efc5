"""The progress dialog and its abort prompt on screen, under Wine and Xvfb.

The launcher runs with -jvm on the fixture JVM, told to take a while over
every class it runs, so the worker sits in the validation step (with the
dialog up) and then in the installation step (with the dialog hidden) while
the test looks and pushes buttons. One run has no -jvm and searches instead,
for the status line of the search. Screenshots land in build/e2e/screenshots/.
"""

import os
import queue
import subprocess
import threading
import time
from pathlib import Path

import pytest

from conftest import DIST
from test_launch import install_jvm, journal
from ui_screen import (blue_pixels, bright_box, centre, click_control, press_key, shot,
                       string_table, wait_for_box, SCREEN)

FIXTURES = Path(os.environ.get("CARAFE_E2E_FIXTURES", DIST / "win64" / "fixtures"))
CAPTION = "Varnica Wizard"
JVM = "C:\\jvm\\bin\\java.exe"
FOLDER = "C:\\setup"
LOG = FOLDER + "\\log.txt"
CLASS_BYTES = b"\xCA\xFE\xBA\xBE\x00\x00\x00\x2E"
ABORT_ENTRY = "\r\n Application was Aborted \r\n"

# Dialog units of the templates: the dialog's size and the buttons used.
PROGRESS = (235, 84)
PROGRESS_CANCEL = (176, 54, 50, 14)
PROMPT = (218, 78)
PROMPT_OK = (51, 56, 50, 14)
PROMPT_CANCEL = (117, 56, 50, 14)


class Run:
    """The launcher running on a background thread while the test acts."""

    def __init__(self, prefix, launcher, delay_ms, env=None):
        self.prefix = prefix
        prefix.put(JVM, FIXTURES / "fixture_jvm.exe")
        prefix.put("C:\\jvm\\bin\\java.ini", f"delay_ms={delay_ms}\r\n")
        prefix.put(FOLDER + "\\Verify.class", CLASS_BYTES)
        prefix.put(FOLDER + "\\rerodova.class", CLASS_BYTES)
        self.windows = queue.Queue()
        self.result = None
        args = ["-jvm", JVM, "-verify", FOLDER + "\\Verify.class",
                "-archive", FOLDER + "\\rerodova.class", "-log", LOG]

        def run():
            self.result = launcher(*args, timeout=150, env=env,
                                   on_window=lambda watch, window: self.windows.put(window))

        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()

    def next_window(self, owner="0", timeout=60):
        window = self.windows.get(timeout=timeout)
        assert window.caption == CAPTION and window.window_class == "#32770", window
        assert int(window.owner, 16) == int(owner, 16), window
        return window

    def finish(self, timeout=160):
        self.thread.join(timeout)
        assert not self.thread.is_alive(), "the launcher did not end"
        assert self.result.exit_code == 0, self.result
        return self.result

    def classes_run(self):
        text = self.prefix.read_text("C:\\jvm\\bin\\fixture_jvm.journal") or ""
        return [line.split("\t")[1] for line in text.splitlines() if line.startswith("class\t")]


def progress_on_screen(prefix, name):
    path, box = wait_for_box(prefix.display, name, lambda box: box is not None)
    assert box is not None, "the progress dialog never showed"
    return path, box


def open_abort_prompt(run, prefix, progress, name):
    path, box = progress_on_screen(prefix, name + "-progress")
    click_control(prefix.display, path, box, PROGRESS, PROGRESS_CANCEL)
    prompt = run.next_window(owner=progress.handle)
    prompt_path, prompt_box = wait_for_box(prefix.display, name + "-abort-prompt",
                                           lambda found: found is not None and found != box)
    return box, prompt, prompt_path, prompt_box


def test_the_progress_dialog_is_centred_shows_its_text_and_a_moving_bar(prefix, launcher):
    run = Run(prefix, launcher, delay_ms=8000)
    progress = run.next_window()
    first, box = progress_on_screen(prefix, "progress-dialog")
    width, height = box[2] - box[0], box[3] - box[1]
    assert (box[0], box[1]) == ((SCREEN[0] - width) // 2, (SCREEN[1] - height) // 2)
    texts = string_table(1033)
    assert prefix.watch.text(progress.handle, 1002) == texts["IDS_PREPARING_WIZARD"]
    assert prefix.watch.text(progress.handle, 1004) == ""  # no status step on this path
    assert prefix.watch.text(progress.handle, 2) == "Cancel"

    time.sleep(2.5)
    second = shot(prefix.display, "progress-dialog-later")
    assert bright_box(second) == box
    assert blue_pixels(first, box) != blue_pixels(second, box), "the bar did not move"

    # The installation starts: the dialog steps aside (an empty window region)
    # and stays away until the run is over.
    _, hidden = wait_for_box(prefix.display, "progress-dialog-hidden", lambda found: found is None)
    assert hidden is None
    result = run.finish()
    assert run.classes_run() == ["Verify", "rerodova"]
    assert "Aborted" not in result.log


def test_cancel_then_ok_aborts_at_once_with_the_abort_entry(prefix, launcher):
    run = Run(prefix, launcher, delay_ms=40000)
    progress = run.next_window()
    box, prompt, path, prompt_box = open_abort_prompt(run, prefix, progress, "abort")
    # Only the prompt is on screen, centred over the hidden progress dialog.
    assert abs(centre(prompt_box)[0] - centre(box)[0]) <= 1
    assert abs(centre(prompt_box)[1] - centre(box)[1]) <= 1
    assert prefix.watch.text(prompt.handle, 1) == "OK"
    assert prefix.watch.text(prompt.handle, 2) == "Cancel"

    clicked = time.monotonic()
    click_control(prefix.display, path, prompt_box, PROMPT, PROMPT_OK)
    result = run.finish()
    # Long before the JVM's 40 seconds are over: the worker is not waited for.
    assert time.monotonic() - clicked < 25
    assert result.log.endswith(ABORT_ENTRY)
    _, gone = wait_for_box(prefix.display, "abort-after", lambda found: found is None, timeout=5)
    assert gone is None


def test_cancel_then_cancel_brings_the_dialog_back_and_the_run_goes_on(prefix, launcher):
    run = Run(prefix, launcher, delay_ms=10000)
    progress = run.next_window()
    box, prompt, path, prompt_box = open_abort_prompt(run, prefix, progress, "cancel-cancel")
    click_control(prefix.display, path, prompt_box, PROMPT, PROMPT_CANCEL)
    _, back = wait_for_box(prefix.display, "cancel-cancel-back", lambda found: found == box)
    assert back == box, "the progress dialog did not come back in its place"
    result = run.finish()
    assert run.classes_run() == ["Verify", "rerodova"]
    assert "Aborted" not in result.log


def test_escape_acts_as_cancel_and_enter_as_ok(prefix, launcher):
    run = Run(prefix, launcher, delay_ms=40000)
    progress = run.next_window()
    _, box = progress_on_screen(prefix, "escape-progress")
    press_key(prefix.display, box, "Escape")
    run.next_window(owner=progress.handle)
    _, prompt_box = wait_for_box(prefix.display, "escape-abort-prompt",
                                 lambda found: found is not None and found != box)
    press_key(prefix.display, prompt_box, "Escape")  # Cancel in the prompt too
    _, back = wait_for_box(prefix.display, "escape-back", lambda found: found == box)
    assert back == box

    press_key(prefix.display, box, "Escape")
    run.next_window(owner=progress.handle)
    _, prompt_box = wait_for_box(prefix.display, "escape-abort-prompt-again",
                                 lambda found: found is not None and found != box)
    press_key(prefix.display, prompt_box, "Return")  # OK is the default button
    assert run.finish().log.endswith(ABORT_ENTRY)


def test_the_run_ending_while_the_abort_prompt_is_open_ends_normally(prefix, launcher):
    run = Run(prefix, launcher, delay_ms=6000)
    progress = run.next_window()
    open_abort_prompt(run, prefix, progress, "ends-under-prompt")
    result = run.finish()  # nobody answers the prompt
    assert run.classes_run() == ["Verify", "rerodova"]
    assert "Aborted" not in result.log


def german_locale_missing():
    try:
        return "de_de.utf8" not in subprocess.run(["locale", "-a"], capture_output=True,
                                                  text=True).stdout.lower()
    except OSError:
        return True


def test_a_german_run_shows_the_german_texts(prefix, launcher):
    # Wine picks its language from the host locale, which has to exist.
    if german_locale_missing():
        pytest.fail("the de_DE.UTF-8 locale is missing: run scripts/bootstrap")
    german = {"LANG": "de_DE.UTF-8", "LC_ALL": "de_DE.UTF-8"}
    run = Run(prefix, launcher, delay_ms=40000, env=german)
    progress = run.next_window()
    progress_on_screen(prefix, "progress-dialog-de")
    texts = string_table(1031)
    assert prefix.watch.text(progress.handle, 1002) == texts["IDS_PREPARING_WIZARD"]
    assert prefix.watch.text(progress.handle, 2) == "Abbrechen"
    prefix.watch.click(progress.handle, 2)
    prompt = run.next_window(owner=progress.handle)
    wait_for_box(prefix.display, "abort-prompt-de", lambda found: found is not None)
    assert prefix.watch.text(prompt.handle, 2) == "Abbrechen"
    prefix.watch.click(prompt.handle, 1)
    log = run.finish().log
    assert log.startswith("Datum :: ")
    assert log.endswith(f"\r\n {texts['IDS_APPLICATION_ABORTED']} \r\n")


def test_the_status_line_reads_searching_for_jvm_while_the_search_verifies(prefix, launcher):
    # No -jvm: the search finds the fixture in the default install folder of
    # its criteria and verifies it slowly, so the status line can be read
    # while that first run (journal: its command, no class yet) is under way.
    exe = "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe"
    install_jvm(prefix, exe, delay_ms=5000)
    prefix.put(FOLDER + "\\Verify.class", CLASS_BYTES)
    prefix.put(FOLDER + "\\rerodova.class", CLASS_BYTES)
    windows = queue.Queue()
    outcome = {}
    args = ["-searchcriteria", "vendor=sun:type=jre:version=1.2", "-verify",
            FOLDER + "\\Verify.class", "-archive", FOLDER + "\\rerodova.class", "-log", LOG,
            "-logall"]
    thread = threading.Thread(target=lambda: outcome.update(result=launcher(
        *args, timeout=120, on_window=lambda watch, window: windows.put(window))), daemon=True)
    thread.start()
    progress = windows.get(timeout=60)
    assert progress.caption == CAPTION and progress.window_class == "#32770", progress

    def in_search_verify():
        runs = journal(prefix, exe)
        return len(runs) == 1 and runs[0]["class"] is None

    deadline = time.monotonic() + 30
    while not in_search_verify() and time.monotonic() < deadline:
        time.sleep(0.1)
    assert in_search_verify(), journal(prefix, exe)
    status = prefix.watch.text(progress.handle, 1004)
    still_searching = in_search_verify()
    shot(prefix.display, "progress-dialog-searching")
    assert still_searching, "the search's verify run ended before the status line was read"
    assert status == string_table(1033)["IDS_SEARCHING_FOR_JVM"] == "Searching for JVM..."

    thread.join(100)
    assert not thread.is_alive(), "the launcher did not end"
    result = outcome["result"]
    assert result.exit_code == 0, result
    assert f"\r\nFound a JVM at  {exe}\r\n" in result.log
    assert [run["class"] for run in journal(prefix, exe)] == ["Verify", "Verify", "rerodova"]


def test_a_simplified_chinese_run_shows_the_chinese_texts(prefix, launcher):
    # Wine draws the texts with the host's CJK font (fonts-wqy-microhei) and
    # takes language and ANSI code page (936) from the host locale.
    if "zh_cn.utf8" not in subprocess.run(["locale", "-a"], capture_output=True,
                                          text=True).stdout.lower():
        pytest.fail("the zh_CN.UTF-8 locale is missing: run scripts/bootstrap")
    chinese = {"LANG": "zh_CN.UTF-8", "LC_ALL": "zh_CN.UTF-8"}
    run = Run(prefix, launcher, delay_ms=40000, env=chinese)
    progress = run.next_window()
    progress_on_screen(prefix, "progress-dialog-zh")
    texts = string_table(2052)
    # The texts pass through the ANSI code page: what it lacks ("®") arrives as "?".
    preparing = texts["IDS_PREPARING_WIZARD"].encode("gbk", "replace").decode("gbk")
    assert prefix.watch.unicode_text(progress.handle, 1002) == preparing
    assert prefix.watch.unicode_text(progress.handle, 2) == "取消"
    prefix.watch.click(progress.handle, 2)
    prompt = run.next_window(owner=progress.handle)
    wait_for_box(prefix.display, "abort-prompt-zh", lambda found: found is not None)
    assert prefix.watch.unicode_text(prompt.handle, 1) == "确定"
    prefix.watch.click(prompt.handle, 1)
    run.finish()
    # The log is written in the ANSI code page.
    log = prefix.host_path(LOG).read_bytes().decode("gbk")
    assert log.endswith(f"\r\n {texts['IDS_APPLICATION_ABORTED']} \r\n")
