"""The launcher's dialogs under Wine, read and pushed through the window
watch while the fixture JVM takes its time: the progress dialog and its
abort prompt, a run in Chinese, and the two prompts with the file dialog
beside planted system DLLs. Screenshots land in build/e2e/screenshots/."""

import re
import subprocess
import time

import pytest

import wine
from conftest import E2E_ROOT, FIXTURES, install_jvm, journal, required

LAUNCHER = "C:\\carafe\\launcher.exe"
FOLDER = "C:\\carafe\\sub"  # the classes, named relative to the launcher's folder
LOG = "C:\\carafe\\log.txt"
CLASS_BYTES = b"\xCA\xFE\xBA\xBE\x00\x00\x00\x2E"
CRITERIA = ["-searchcriteria", "vendor=sun:type=jre:version=1.2"]
# comctl32 (imported once), uxtheme (comctl32 loads it), the file dialog's
# two; Wine is told to prefer such files, as Windows does for all but KnownDLLs.
PLANTED = ("comctl32.dll", "uxtheme.dll", "comdlg32.dll", "shell32.dll")
PREFER_PLANTED = {"WINEDLLOVERRIDES": wine.DLL_OVERRIDES + ";comctl32,uxtheme,comdlg32,shell32=n,b"}
BROWSER = "C:\\browser\\fixture_jvm.exe"  # opens the download page: journals its command line
RESOURCES = wine.REPO / "resources"
DOWNLOAD_PAGE = re.search(r'JVM_DOWNLOAD_PAGE "(.*)"',
                          (RESOURCES / "download_page.h").read_text())[1]


def string_table(language):
    source = (RESOURCES / f"strings_{language}.rc").read_text("utf-8")
    return dict(re.findall(r'^\s*(IDS_\w+) "(.*)"\s*$', source, re.M))


def start(prefix, *options, env=None):
    for name in ("Verify", "rerodova"):
        prefix.put(f"{FOLDER}\\{name}.class", CLASS_BYTES)
    return prefix.start(LAUNCHER, [*options, "-verify", "sub\\Verify.class", "-archive",
                                   "sub\\rerodova.class", "-log", LOG], env)


def dialog(watch, owner=None, caption="Varnica Wizard"):
    """The next dialog (other windows, such as a child's console, are passed
    by): by default one of the launcher's."""
    window = watch.next_window()
    while window.window_class != "#32770":
        window = watch.next_window()
    assert caption is None or window.caption == caption, window
    assert window.owner == (int(owner.handle, 16) if owner else 0), (window, watch.reported)
    return window


def until(predicate, what, timeout=30):
    deadline = time.monotonic() + timeout
    while not predicate() and time.monotonic() < deadline:
        time.sleep(0.1)
    assert predicate(), f"{timeout} s passed without {what}"


def screenshot(prefix, name):
    wine.screenshot(prefix.display, E2E_ROOT / "screenshots" / f"{name}.png")


def test_progress_dialog_its_abort_prompt_and_stepping_aside_for_the_installation(prefix):
    # Found in its default folder; it prints 1,500 bytes before the
    # properties and leaves a process behind that holds the output pipe.
    jvm = "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe"
    install_jvm(prefix, jvm, delay_ms=4000, output="large", linger_ms=60000)
    watch = prefix.watch
    run = start(prefix, *CRITERIA, "-logall")
    progress = dialog(watch)
    visible, (left, top, right, bottom), region = watch.state(progress)
    assert visible and region == 0
    assert abs(left + right - 1024) <= 1 and abs(top + bottom - 768) <= 1, "not centred"
    texts = string_table(1033)
    assert watch.text(progress, 1002) == texts["IDS_PREPARING_WIZARD"]
    until(lambda: [r["class"] for r in journal(prefix, jvm)] == [None], "the search's verify run")
    assert watch.text(progress, 1004) == texts["IDS_SEARCHING_FOR_JVM"] == "Searching for JVM..."
    screenshot(prefix, "progress-dialog")

    watch.click(progress, 2)
    prompt = dialog(watch, owner=progress)
    assert not watch.state(progress)[0], "the progress dialog did not make way for the prompt"
    watch.click(prompt, 2)
    until(lambda: watch.state(progress)[0], "the progress dialog coming back")
    # The installation starts: the dialog steps aside (an empty region).
    until(lambda: len(journal(prefix, jvm)) == 3, "the installation's run")
    until(lambda: watch.state(progress)[2] == 1, "an empty region for the progress dialog")
    result = run.finish(timeout=45)  # the lingering processes hold the pipe for 60 s

    assert result.exit_code == 0 and result.message_boxes == [], result
    log = prefix.log(LOG)
    assert f"\r\nFound a JVM at  {jvm}\r\n" in log and "Aborted" not in log
    runs = journal(prefix, jvm)
    # Validation and launch pass the path unquoted: process creation still
    # finds the program behind the blank.
    assert [run["class"] for run in runs] == ["Verify", "Verify", "rerodova"]
    assert runs[2]["found"] == FOLDER + "\\rerodova.class"
    assert prefix.host_path(FOLDER + "\\rerodova.class").is_file(), "a named file was deleted"


def test_a_run_in_chinese_shows_its_texts_and_ends_at_once_when_aborted(prefix):
    # Wine takes its language from the host locale; the texts pass through
    # ANSI code page 936.
    locale = "zh_CN.UTF-8"
    locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower()
    if "zh_cn.utf8" not in locales:
        pytest.fail(f"the {locale} locale is missing: run scripts/bootstrap")
    install_jvm(prefix, "C:\\jvm\\bin\\java.exe", delay_ms=40000)
    watch = prefix.watch
    # -nosearch: the bare java.exe, which process creation finds on PATH.
    run = start(prefix, "-nosearch",
                env={"LANG": locale, "LC_ALL": locale, "WINEPATH": "C:\\jvm\\bin"})
    progress = dialog(watch)
    texts = string_table(2052)
    preparing = texts["IDS_PREPARING_WIZARD"].encode("gbk", "replace").decode("gbk")
    assert watch.text(progress, 1002) == preparing
    assert watch.text(progress, 2) == "取消"
    until(lambda: journal(prefix, "C:\\jvm\\bin\\java.exe"), "the validation run")
    watch.click(progress, 2)
    prompt = dialog(watch, owner=progress)
    assert watch.text(prompt, 1) == "确定"
    clicked = time.monotonic()
    watch.click(prompt, 1)
    result = run.finish(timeout=60)

    # Long before the JVM's 40 seconds are over: the worker is not waited for.
    assert time.monotonic() - clicked < 25 and result.exit_code == 0, result
    log = prefix.log(LOG, code_page="gbk")
    assert log.startswith(texts["IDS_DATE"] + " :: ")
    assert log.endswith(f"\r\n {texts['IDS_APPLICATION_ABORTED']} \r\n")
    assert [r["command"] for r in journal(prefix, "C:\\jvm\\bin\\java.exe")] == ["java.exe  Verify"]


@pytest.fixture(scope="session")
def planted_binaries(session_dir):
    """A DLL that leaves "<its path>.loaded" when loaded, and a program that
    loads DLLs the ordinary way."""
    here = wine.REPO / "tests" / "e2e"
    dll, control = session_dir / "planted.dll", session_dir / "planted_control.exe"
    for target, options in ((dll, ["-shared", str(here / "planted_dll.c")]),
                            (control, [str(here / "planted_dll_control.c"), "-lcomctl32"])):
        subprocess.run([wine.MINGW_GCC, "-std=c11", "-O2", "-s", "-o", str(target), *options],
                       check=True)
    return dll, control


def test_the_prompts_and_the_file_dialog_beside_planted_system_dlls(prefix, planted_binaries):
    dll, control = planted_binaries
    for name in PLANTED:
        prefix.put(f"C:\\carafe\\{name}", dll)
    jvm = "C:\\jvm\\bin\\java.exe"
    install_jvm(prefix, jvm, libs=("dt.jar", "tools.jar"), version="1.1.8")
    prefix.put(BROWSER, required(FIXTURES / "fixture_jvm.exe"))
    for scheme in ("http", "https"):
        prefix.reg_add(f"HKLM\\Software\\Classes\\{scheme}\\shell\\open\\command", None,
                       f'"{BROWSER}" "%1"')
    watch = prefix.watch
    run = start(prefix, *CRITERIA, "-logall", env=PREFER_PLANTED)  # which no JVM meets
    progress = dialog(watch)
    watch.click(dialog(watch, owner=progress), 1)  # yes to a bundled JVM, which there is not
    browse = dialog(watch, owner=progress)
    screenshot(prefix, "browse-dialog")
    assert watch.text(browse, 1000) == ""
    assert watch.text(browse, 1002).endswith(DOWNLOAD_PAGE)
    watch.release_mouse(browse, 1002, below_centre=30)  # beside the note: nothing opens
    watch.release_mouse(browse, 1002)
    until(lambda: journal(prefix, BROWSER), "the download page opening")
    watch.click(browse, 1001)
    files = dialog(watch, owner=browse, caption=None)
    for name_box in (0x47C, 0x480):  # the file name's combo box or edit control
        watch.set_text(files, name_box, jvm)
    watch.click(files, 1)
    until(lambda: watch.text(browse, 1000), "the picked file in the browse dialog")
    assert watch.text(browse, 1000).lower() == jvm.lower()
    watch.click(browse, 1)
    result = run.finish(timeout=120)

    assert result.exit_code == 0, result
    invalid = string_table(1033)["IDS_INVALID_EXECUTABLE"]
    assert [(box.text, box.owner) for box in result.message_boxes] == [
        (invalid, int(progress.handle, 16))]
    log = prefix.log(LOG)
    assert f"\r\nuser chose {jvm.lower()}.\r\n" in log.lower()
    # The JDK libraries of the home above "\bin", then the classes' folder.
    assert journal(prefix, jvm)[-1]["command"].lower().endswith(
        '-classpath "c:\\jvm\\lib\\dt.jar;c:\\jvm\\lib\\tools.jar;c:\\carafe\\sub" rerodova')
    [opened] = journal(prefix, BROWSER)
    assert DOWNLOAD_PAGE in opened["command"]
    # None of the plants was loaded, although a program without the
    # launcher's care loads every one of them.
    def loaded():
        return sorted(path.name.lower() for path in prefix.host_path("C:\\carafe").glob("*.loaded"))

    assert loaded() == []
    prefix.put("C:\\carafe\\control.exe", control)
    assert prefix.run("C:\\carafe\\control.exe", list(PLANTED), env=PREFER_PLANTED).exit_code == 0
    assert loaded() == sorted(name + ".loaded" for name in PLANTED)
