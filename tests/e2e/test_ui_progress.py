"""The progress dialog and its abort prompt on screen, under Wine and Xvfb.
The fixture JVM takes a while over every class, so the worker sits in a step
while the test looks and pushes buttons. Screenshots: build/e2e/screenshots/.
"""

import subprocess
import time

import pytest

from conftest import CLASS_BYTES, install_jvm, journal
from ui_screen import (blue_pixels, bright_box, click_control, press_key, shot,
                       string_table, wait_for_box, Run, SCREEN)

JVM = "C:\\jvm\\bin\\java.exe"
FOLDER = "C:\\setup"
LOG = FOLDER + "\\log.txt"
ABORT_ENTRY = "\r\n Application was Aborted \r\n"
# Dialog units of the templates: the dialog's size and the buttons used.
PROGRESS = (235, 84)
PROGRESS_CANCEL = (176, 54, 50, 14)
PROMPT = (218, 78)
PROMPT_OK = (51, 56, 50, 14)
PROMPT_CANCEL = (117, 56, 50, 14)


def start(prefix, launcher, delay_ms=0, jvm=JVM, options=(), env=None):
    """A run on the fixture JVM at jvm, named with -jvm unless options say otherwise."""
    install_jvm(prefix, jvm, delay_ms=delay_ms)
    prefix.put(FOLDER + "\\Verify.class", CLASS_BYTES)
    prefix.put(FOLDER + "\\rerodova.class", CLASS_BYTES)
    return Run(launcher, [*(options or ["-jvm", jvm]), "-verify", FOLDER + "\\Verify.class",
                          "-archive", FOLDER + "\\rerodova.class", "-log", LOG], 150, env)


def progress_on_screen(prefix, name):
    path, box = wait_for_box(prefix.display, name, lambda box: box is not None)
    assert box is not None, "the progress dialog never showed"
    return path, box


def open_abort_prompt(run, prefix, progress, path, box, name, escape=False):
    """Cancel (or Escape) in the progress dialog at box: the abort prompt, owned
    by it, and the screenshot and box of the prompt alone on screen."""
    if escape:
        press_key(prefix.display, box, "Escape")
    else:
        click_control(prefix.display, path, box, PROGRESS, PROGRESS_CANCEL)
    prompt = run.next_window(owner=progress.handle)
    return (prompt, *wait_for_box(prefix.display, name,
                                  lambda found: found is not None and found != box))


def test_cancel_then_ok_aborts_at_once_with_the_abort_entry(prefix, launcher):
    run = start(prefix, launcher, delay_ms=40000)
    progress = run.next_window()
    path, box = progress_on_screen(prefix, "abort-progress")
    _, path, prompt_box = open_abort_prompt(run, prefix, progress, path, box, "abort-prompt")
    clicked = time.monotonic()
    click_control(prefix.display, path, prompt_box, PROMPT, PROMPT_OK)
    result = run.finish()
    # Long before the JVM's 40 seconds are over: the worker is not waited for.
    assert time.monotonic() - clicked < 25
    assert result.log.endswith(ABORT_ENTRY)


def test_cancel_or_escape_in_the_prompt_brings_the_dialog_back_and_the_run_goes_on(
        prefix, launcher):
    run = start(prefix, launcher, delay_ms=20000)
    progress = run.next_window()
    path, box = progress_on_screen(prefix, "cancel-progress")
    # Cancel, then Cancel in the prompt; then Escape for each.
    _, path, prompt_box = open_abort_prompt(run, prefix, progress, path, box, "cancel-prompt")
    click_control(prefix.display, path, prompt_box, PROMPT, PROMPT_CANCEL)
    _, back = wait_for_box(prefix.display, "cancel-back", lambda found: found == box)
    assert back == box, "the progress dialog did not come back in its place"

    _, _, prompt_box = open_abort_prompt(run, prefix, progress, path, box, "escape-prompt",
                                         escape=True)
    press_key(prefix.display, prompt_box, "Escape")
    _, back = wait_for_box(prefix.display, "escape-back", lambda found: found == box)
    assert back == box

    result = run.finish()
    assert [run["class"] for run in journal(prefix, JVM)] == ["Verify", "rerodova"]
    assert "Aborted" not in result.log


@pytest.mark.parametrize("language, locale, code_page, cancel, ok", [
    (1031, "de_DE.UTF-8", "cp1252", "Abbrechen", "OK"),
    # Drawn with the host's CJK font (fonts-wqy-microhei), ANSI code page 936.
    (2052, "zh_CN.UTF-8", "gbk", "取消", "确定"),
])
def test_a_run_in_another_language_shows_its_texts(prefix, launcher, language, locale, code_page,
                                                   cancel, ok):
    # Wine takes its language from the host locale, which has to exist.
    if locale.lower().replace("-", "") not in subprocess.run(
            ["locale", "-a"], capture_output=True, text=True).stdout.lower():
        pytest.fail(f"the {locale} locale is missing: run scripts/bootstrap")
    run = start(prefix, launcher, delay_ms=40000, env={"LANG": locale, "LC_ALL": locale})
    progress = run.next_window()
    progress_on_screen(prefix, f"progress-dialog-{language}")
    texts = string_table(language)
    # The texts pass through the ANSI code page: what it lacks arrives as "?".
    preparing = texts["IDS_PREPARING_WIZARD"].encode(code_page, "replace").decode(code_page)
    assert prefix.watch.text(progress.handle, 1002) == preparing
    assert prefix.watch.text(progress.handle, 2) == cancel
    prefix.watch.click(progress.handle, 2)
    prompt = run.next_window(owner=progress.handle)
    wait_for_box(prefix.display, f"abort-prompt-{language}", lambda found: found is not None)
    assert prefix.watch.text(prompt.handle, 1) == ok
    prefix.watch.click(prompt.handle, 1)
    run.finish()
    log = prefix.host_path(LOG).read_bytes().decode(code_page)
    assert log.startswith(texts["IDS_DATE"] + " :: ")
    assert log.endswith(f"\r\n {texts['IDS_APPLICATION_ABORTED']} \r\n")


def test_the_dialog_is_centred_with_its_text_a_moving_bar_and_the_search_status(
        prefix, launcher):
    # The search finds the fixture in its criteria's default install folder
    # and verifies it slowly; the status line is read during that first run
    # (journal: its command, no class yet).
    exe = "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe"
    run = start(prefix, launcher, delay_ms=8000, jvm=exe,
                options=["-searchcriteria", "vendor=sun:type=jre:version=1.2", "-logall"])
    progress = run.next_window()
    first, box = progress_on_screen(prefix, "progress-dialog")
    width, height = box[2] - box[0], box[3] - box[1]
    assert (box[0], box[1]) == ((SCREEN[0] - width) // 2, (SCREEN[1] - height) // 2)
    assert prefix.watch.text(progress.handle, 1002) == string_table(1033)["IDS_PREPARING_WIZARD"]

    def in_search_verify():
        runs = journal(prefix, exe)
        return len(runs) == 1 and runs[0]["class"] is None

    deadline = time.monotonic() + 30
    while not in_search_verify() and time.monotonic() < deadline:
        time.sleep(0.1)
    status = prefix.watch.text(progress.handle, 1004)
    assert in_search_verify(), "the status line was not read during the search's verify run"
    assert status == string_table(1033)["IDS_SEARCHING_FOR_JVM"] == "Searching for JVM..."
    time.sleep(2.5)  # the bar steps once a second
    second = shot(prefix.display, "progress-dialog-searching")
    assert bright_box(second) == box
    assert blue_pixels(first, box) != blue_pixels(second, box), "the bar did not move"

    # The installation starts: the dialog steps aside (an empty window region)
    # and stays away until the run is over.
    _, hidden = wait_for_box(prefix.display, "progress-dialog-hidden", lambda found: found is None,
                             timeout=60)
    assert hidden is None
    result = run.finish()
    assert f"\r\nFound a JVM at  {exe}\r\n" in result.log
    assert [run["class"] for run in journal(prefix, exe)] == ["Verify", "Verify", "rerodova"]
    assert "Aborted" not in result.log
