"""Steps that bring the launcher to its two prompts under Wine and Xvfb and
answer them: the bundled VM prompt, then the browse dialog and its file
dialog. The launcher is given criteria that no JVM of the prefix meets."""

from conftest import CLASS_BYTES
from ui_screen import (Run, SCREEN, centre, click_control, type_text, wait_for_box,
                       x_windows)

FOLDER = "C:\\setup"
# Dialog units of the templates: the dialog's size and the controls used.
BUNDLED = (218, 77)
BUNDLED_OK = (51, 56, 50, 14)
BUNDLED_CANCEL = (117, 56, 50, 14)
BROWSE = (242, 149)
BROWSE_OK = (64, 128, 50, 14)
BROWSE_CANCEL = (130, 128, 50, 14)
BROWSE_BUTTON = (36, 68, 50, 14)


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
