"""The bundled VM prompt and the browse dialog on screen, under Wine and Xvfb.

No JVM in the prefix meets the criteria, so the search fails and the run asks
its two questions. Buttons are pushed with real mouse clicks, paths typed
with xdotool. Screenshots land in build/e2e/screenshots/.
"""

import subprocess
import time

from conftest import CLASS_BYTES, FIXTURES, install_jvm, journal, required
from test_ui_resources import DOWNLOAD_PAGE
from ui_screen import (centre, click_control, region, string_table, type_text,
                       wait_for_box, x_window, x_windows, Run, SCREEN)
from wine import wine_command

FOLDER = "C:\\setup"
HANDLER = "C:\\browser\\fixture_url_handler.exe"
HANDLER_JOURNAL = "C:\\browser\\fixture_url_handler.journal"
# Dialog units of the templates: the dialog's size and the controls used.
BUNDLED = (218, 77)
BUNDLED_OK = (51, 56, 50, 14)
BUNDLED_CANCEL = (117, 56, 50, 14)
BROWSE = (242, 149)
BROWSE_OK = (64, 128, 50, 14)
BROWSE_CANCEL = (130, 128, 50, 14)
BROWSE_BUTTON = (36, 68, 50, 14)
NOTE = (36, 90, 196, 16)
BESIDE_NOTE = (36, 110, 196, 8)  # a strip just below the note


def start(prefix, launcher, env=None):
    """The launcher searching in vain on a background thread."""
    prefix.put(FOLDER + "\\Verify.class", CLASS_BYTES)
    prefix.put(FOLDER + "\\rerodova.class", CLASS_BYTES)
    return Run(launcher, ["-searchcriteria", "vendor=sun:type=jre:version=1.2",
                          "-verify", FOLDER + "\\Verify.class", "-archive",
                          FOLDER + "\\rerodova.class", "-log", FOLDER + "\\log.txt", "-logall"],
               env=env)


def prompt_on_screen(prefix, name):
    """The prompt alone on screen (the progress dialog stepped aside), centred
    where the progress dialog was. Two screenshots in a row must agree."""
    seen = []

    def settled(box):
        seen.append(box)
        return box is not None and seen[-2:] == [box, box]

    path, box = wait_for_box(prefix.display, name, settled)
    assert box is not None
    assert all(abs(middle - size // 2) <= 1 for middle, size in zip(centre(box), SCREEN)), box
    return path, box


def answer_the_bundled_prompt(run, prefix, name, button=BUNDLED_CANCEL):
    """Answers the bundled VM prompt; returns the browse dialog that follows
    (owned by the progress dialog), its screenshot and box."""
    progress = run.next_window()
    run.next_window(owner=progress.handle)
    path, box = prompt_on_screen(prefix, name + "-bundled-prompt")
    click_control(prefix.display, path, box, BUNDLED, button)
    browse = run.next_window(owner=progress.handle)
    return (browse, *prompt_on_screen(prefix, name + "-browse-dialog"))


def pick_in_the_file_dialog(run, prefix, name, picked="C:\\Tools\\bin\\java.exe"):
    """Opens the browse dialog, pushes its Browse button and picks `picked` in
    the file dialog. Returns the browse dialog, its screenshot and box."""
    browse, path, box = answer_the_bundled_prompt(run, prefix, name)
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
