"""The bundled VM prompt and the browse dialog on screen, under Wine and Xvfb.

No JVM in the prefix meets the criteria, so the search fails and the run asks
its two questions. Buttons are pushed with real mouse clicks, paths typed
with xdotool. Screenshots land in build/e2e/screenshots/.
"""

import subprocess
import time

from conftest import FIXTURES, install_jvm, journal, required
from prompt_steps import (BROWSE, BROWSE_CANCEL, BROWSE_OK, BUNDLED_OK, answer_the_bundled_prompt,
                          start)
from ui_screen import DOWNLOAD_PAGE, click_control, region, string_table, type_text, x_window
from wine import wine_command

HANDLER = "C:\\browser\\fixture_url_handler.exe"
HANDLER_JOURNAL = "C:\\browser\\fixture_url_handler.journal"
NOTE = (36, 90, 196, 16)
BESIDE_NOTE = (36, 110, 196, 8)  # a strip just below the note


def addresses_opened(prefix):
    text = prefix.read_text(HANDLER_JOURNAL)
    return None if text is None else text.split("\r\n")[:-1]


def test_declining_leads_to_the_browse_dialog_whose_note_opens_the_download_page(
        prefix, launcher):
    prefix.put(HANDLER, required(FIXTURES / "fixture_url_handler.exe"))
    prefix.watch  # noqa: B018  (its wineserver then serves both reg.exe runs)
    for scheme in ("http", "https"):
        subprocess.run([wine_command(), "reg", "add",
                        f"HKLM\\Software\\Classes\\{scheme}\\shell\\open\\command", "/ve",
                        "/d", f'"{HANDLER}" "%1"', "/f"],
                       env=prefix.env, check=True, capture_output=True, timeout=60)
    run = start(prefix, launcher)
    browse, path, box = answer_the_bundled_prompt(run, prefix, "decline")
    assert prefix.watch.text(browse.handle, 1000) == ""
    assert prefix.watch.text(browse.handle, 1001) == "Browse"
    assert prefix.watch.text(browse.handle, 1002) == (
        "NOTE: If you do not have a Java Virual Machine, then you can download it from "
        + DOWNLOAD_PAGE)
    # The note is drawn in pure blue; nothing else in the dialog is.
    assert len([p for p in region(path, box) if p[2] > 200 and max(p[:2]) < 60]) > 100

    click_control(prefix.display, path, box, BROWSE, BESIDE_NOTE)
    time.sleep(2)
    assert addresses_opened(prefix) is None, "a click beside the note opened something"
    click_control(prefix.display, path, box, BROWSE, NOTE)
    deadline = time.monotonic() + 20
    while addresses_opened(prefix) is None and time.monotonic() < deadline:
        time.sleep(0.2)
    assert addresses_opened(prefix) == [DOWNLOAD_PAGE]
    assert prefix.watch.text(browse.handle, 1001) == "Browse"  # still there, and answers

    click_control(prefix.display, path, box, BROWSE, BROWSE_CANCEL)
    result = run.finish()
    assert result.message_boxes == []
    assert result.log.endswith(f"\r\n{string_table(1033)['IDS_BROWSE_CANCELLED']} \r\n")
    assert "User chose" not in result.log


def test_a_path_typed_in_the_browse_dialog_becomes_the_jvm(prefix, launcher):
    # A JVM too old for the criteria: the search passes it by, the user picks it.
    install_jvm(prefix, "C:\\jvm\\bin\\java.exe", libs=("dt.jar", "tools.jar"), version="1.1.8")
    run = start(prefix, launcher)
    # OK: the setup carries no bundled JVM, so the extraction fails with its
    # message, owned by the progress dialog, and the browse dialog follows.
    browse, path, box = answer_the_bundled_prompt(run, prefix, "typed", BUNDLED_OK)

    typed = "C:\\JVM\\Bin\\java.exe"
    type_text(prefix.display, x_window(prefix.display, box), typed)
    assert prefix.watch.text(browse.handle, 1000) == typed
    click_control(prefix.display, path, box, BROWSE, BROWSE_OK)

    result = run.finish()
    invalid = string_table(1033)["IDS_INVALID_EXECUTABLE"].replace("\\'", "'")
    assert [(m.text, m.owner) for m in result.message_boxes] == [(invalid, browse.owner)]
    assert f"\r\nUser chose {typed}.\r\n" in result.log
    # The home above "\bin" gave the JDK libraries for the class path.
    assert journal(prefix, "C:\\jvm\\bin\\java.exe")[-1]["command"].endswith(
        '-classpath "C:\\JVM\\lib\\dt.jar;C:\\JVM\\lib\\tools.jar;C:\\setup" rerodova')


def test_ok_with_an_empty_path_ends_the_run_with_the_failed_choice_entry(prefix, launcher):
    run = start(prefix, launcher)
    browse, path, box = answer_the_bundled_prompt(run, prefix, "empty")
    assert prefix.watch.text(browse.handle, 1000) == ""
    click_control(prefix.display, path, box, BROWSE, BROWSE_OK)

    result = run.finish()
    # No message box, no validation of a JVM: the run ends with the entry.
    assert result.message_boxes == []
    assert result.log.endswith("\r\nUser failed to choose JVM. \r\n")
