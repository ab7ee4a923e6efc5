"""The browse dialog's OK with nothing typed, and its link to the download
page, on screen under Wine and Xvfb.

The launcher searches in vain (test_ui_prompts.Run), the bundled JVM is
declined and the browse dialog opens. For the link, a stand-in browser
(fixture_url_handler.exe) is made the prefix's program for http and https
addresses: Wine's ShellExecute runs the command under
HKEY_CLASSES_ROOT\\<scheme>\\shell\\open\\command (winebrowser.exe in a fresh
prefix). The stand-in records the address it was given. Screenshots land in
build/e2e/screenshots/.
"""

import re
import subprocess
import time

from test_launch import required
from test_ui_prompts import (BROWSE, BROWSE_CANCEL, BROWSE_OK, BUNDLED, BUNDLED_CANCEL, FIXTURES,
                             Run, prompt_on_screen, reach_the_bundled_prompt)
from ui_screen import click_control, shot, string_table
from wine import REPO, wine_command

HANDLER = "C:\\browser\\fixture_url_handler.exe"
HANDLER_JOURNAL = "C:\\browser\\fixture_url_handler.journal"
# The note (control 1002) and a strip of the dialog just below it, in dialog units.
NOTE = (36, 90, 196, 16)
BESIDE_NOTE = (36, 110, 196, 8)


def download_page():
    """The address the program opens, as its own header defines it."""
    header = (REPO / "resources" / "download_page.h").read_text("utf-8")
    return re.search(r'#define JVM_DOWNLOAD_PAGE "([^"]+)"', header).group(1)


def open_browse_dialog(prefix, launcher, name):
    run = Run(prefix, launcher)
    progress, _, path, box = reach_the_bundled_prompt(run, prefix, name)
    click_control(prefix.display, path, box, BUNDLED, BUNDLED_CANCEL)
    browse = run.next_window(owner=progress.handle)
    path, box = prompt_on_screen(prefix, name + "-browse-dialog")
    return run, browse, path, box


def make_url_handler(prefix):
    prefix.put(HANDLER, required(FIXTURES / "fixture_url_handler.exe"))
    # The watch first: the wineserver it starts then serves both reg.exe
    # runs, which would otherwise start one each (seconds apiece).
    prefix.watch  # noqa: B018
    for scheme in ("http", "https"):
        subprocess.run([wine_command(), "reg", "add",
                        f"HKLM\\Software\\Classes\\{scheme}\\shell\\open\\command", "/ve",
                        "/d", f'"{HANDLER}" "%1"', "/f"],
                       env=prefix.env, check=True, capture_output=True, timeout=60)


def addresses_opened(prefix):
    text = prefix.read_text(HANDLER_JOURNAL)
    return None if text is None else text.split("\r\n")[:-1]


def test_ok_with_an_empty_path_ends_the_run_with_the_failed_choice_entry(prefix, launcher):
    run, browse, path, box = open_browse_dialog(prefix, launcher, "empty")
    assert prefix.watch.text(browse.handle, 1000) == ""
    click_control(prefix.display, path, box, BROWSE, BROWSE_OK)

    result = run.finish()
    texts = string_table(1033)
    # No message box, no validation of a JVM: the run ends with the entry.
    assert result.message_boxes == []
    assert result.log.endswith(f"\r\n{texts['IDS_BROWSE_EMPTY']} \r\n")
    assert texts["IDS_BROWSE_EMPTY"] == "User failed to choose JVM."
    assert texts["IDS_BROWSE_CANCELLED"] not in result.log
    assert "User chose" not in result.log


def test_clicking_the_note_opens_the_download_page_and_keeps_the_dialog(prefix, launcher):
    make_url_handler(prefix)
    run, browse, path, box = open_browse_dialog(prefix, launcher, "link")

    # A click beside the note opens nothing.
    click_control(prefix.display, path, box, BROWSE, BESIDE_NOTE)
    time.sleep(2)
    assert addresses_opened(prefix) is None

    click_control(prefix.display, path, box, BROWSE, NOTE)
    deadline = time.monotonic() + 20
    while addresses_opened(prefix) is None and time.monotonic() < deadline:
        time.sleep(0.2)
    shot(prefix.display, "link-clicked")
    assert addresses_opened(prefix) == [download_page()]
    # The dialog is still there and answers.
    assert prefix.watch.text(browse.handle, 1001) == "Browse"

    click_control(prefix.display, path, box, BROWSE, BROWSE_CANCEL)
    result = run.finish()
    assert result.log.endswith(f"\r\n{string_table(1033)['IDS_BROWSE_CANCELLED']} \r\n")
    assert addresses_opened(prefix) == [download_page()]
