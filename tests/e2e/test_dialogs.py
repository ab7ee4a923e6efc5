"""The launcher's dialogs under Wine, read and pushed through the window
watch while the fixture JVM takes its time: the progress dialog and its
abort prompt in Chinese, and the two prompts with the file dialog beside
planted system DLLs."""

import re
import subprocess
import time

import pytest

import wine
from conftest import FIXTURE_JVM, install_jvm, journal

LAUNCHER = "C:\\carafe\\launcher.exe"
FOLDER = "C:\\carafe\\sub"  # the classes, named relative to the launcher's folder
LOG = "C:\\carafe\\log.txt"
CRITERIA = ["-searchcriteria", "vendor=sun:type=jre:version=1.2"]
# comctl32 (imported once), uxtheme (comctl32 loads it), the file dialog's
# two; Wine is told to prefer such files, as Windows does for all but KnownDLLs.
PLANTED = ("comctl32.dll", "uxtheme.dll", "comdlg32.dll", "shell32.dll")
PREFER_PLANTED = {"WINEDLLOVERRIDES": wine.DLL_OVERRIDES + ";comctl32,uxtheme,comdlg32,shell32=n,b"}
BROWSER = "C:\\browser\\fixture_jvm.exe"  # opens the download page: journals its command line
RESOURCES = wine.REPO / "resources"


def string_table(language):
    source = (RESOURCES / f"strings_{language}.rc").read_text("utf-8")
    return dict(re.findall(r'^\s*(IDS_\w+) "(.*)"\s*$', source, re.M))


def start(prefix, *options, env=None):
    for name in ("Verify", "rerodova"):
        prefix.put(f"{FOLDER}\\{name}.class", b"\xCA\xFE\xBA\xBE")
    return prefix.start(LAUNCHER, [*options, "-verify", "sub\\Verify.class", "-archive",
                                   "sub\\rerodova.class", "-log", LOG], env)


def until(predicate, what, timeout=30):
    deadline = time.monotonic() + timeout
    while not predicate() and time.monotonic() < deadline:
        time.sleep(0.1)
    assert predicate(), f"{timeout} s passed without {what}"


def test_the_progress_dialog_and_its_abort_prompt_in_chinese(prefix):
    # Wine takes its language from the host locale; the texts pass through
    # ANSI code page 936.
    locale = "zh_CN.UTF-8"
    if "zh_cn.utf8" not in subprocess.run(["locale", "-a"], capture_output=True,
                                          text=True).stdout.lower():
        pytest.fail(f"the {locale} locale is missing: run scripts/bootstrap")
    jvm = "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe"  # found in its default folder
    install_jvm(prefix, jvm, delay_ms=40000)
    watch = prefix.watch
    run = start(prefix, *CRITERIA, env={"LANG": locale, "LC_ALL": locale})
    progress = watch.next_dialog()
    texts = {key: text.encode("gbk", "replace").decode("gbk")
             for key, text in string_table(2052).items()}
    assert watch.text(progress, 1002) == texts["IDS_PREPARING_WIZARD"]
    until(lambda: journal(prefix, jvm), "the search's verify run")
    assert watch.text(progress, 1004) == texts["IDS_SEARCHING_FOR_JVM"]
    watch.send(progress, "click", 2)
    prompt = watch.next_dialog(owner=progress)
    assert not watch.visible(progress), "the progress dialog did not make way for the prompt"
    assert watch.text(prompt, 1) == "确定"
    watch.send(prompt, "click", 2)  # go on
    until(lambda: watch.visible(progress), "the progress dialog coming back")
    watch.send(progress, "click", 2)
    clicked = time.monotonic()
    watch.send(watch.next_dialog(owner=progress), "click", 1)  # abort
    result = run.finish()

    # Long before the JVM's 40 seconds are over: the worker is not waited for.
    assert time.monotonic() - clicked < 25 and result.exit_code == 0, result
    log = prefix.log(LOG, code_page="gbk")
    assert log.startswith(texts["IDS_DATE"] + " :: ")
    assert log.endswith(f"\r\n {texts['IDS_APPLICATION_ABORTED']} \r\n")
    assert len(journal(prefix, jvm)) == 1  # the search's run, still in its pause
    assert prefix.host_path(FOLDER + "\\rerodova.class").is_file(), "a named file was deleted"


def test_the_prompts_and_the_file_dialog_beside_planted_system_dlls(prefix, session_dir):
    source = wine.REPO / "tests" / "e2e" / "planted_dll.c"
    dll = wine.mingw_build(session_dir / "planted.dll", [source], "-shared")
    control = wine.mingw_build(session_dir / "control.exe", [source], "-DCONTROL", "-lcomctl32")
    for name in PLANTED:
        prefix.put(f"C:\\carafe\\{name}", dll)
    jvm = "C:\\jvm\\bin\\java.exe"
    install_jvm(prefix, jvm, libs=("dt.jar", "tools.jar"), version="1.1.8")
    prefix.put(BROWSER, FIXTURE_JVM)
    for scheme in ("http", "https"):
        prefix.reg_add(f"HKLM\\Software\\Classes\\{scheme}\\shell\\open\\command", None,
                       f'"{BROWSER}" "%1"')
    watch = prefix.watch
    run = start(prefix, *CRITERIA, env=PREFER_PLANTED)  # which no JVM meets
    progress = watch.next_dialog()
    watch.send(watch.next_dialog(owner=progress), "click", 1)  # yes to a bundled JVM: there is none
    browse = watch.next_dialog(owner=progress)
    assert watch.text(browse, 1000) == ""
    watch.send(browse, "lbutton", 1002, 30)  # beside the download note: nothing opens
    watch.send(browse, "lbutton", 1002, 0)
    until(lambda: journal(prefix, BROWSER), "the download page opening")
    watch.send(browse, "click", 1001)
    files = watch.next_dialog(owner=browse)
    for name_box in (0x47C, 0x480):  # the file name's combo box or edit control
        watch.send(files, "set", name_box, jvm)
    watch.send(files, "click", 1)
    until(lambda: watch.text(browse, 1000), "the picked file in the browse dialog")
    watch.send(browse, "click", 1)
    result = run.finish(timeout=120)

    assert result.exit_code == 0, result
    assert [(box.text, box.owner) for box in result.message_boxes] == [
        (string_table(1033)["IDS_INVALID_EXECUTABLE"], int(progress.handle, 16))]
    # The JDK libraries of the home above "\bin", then the classes' folder.
    assert journal(prefix, jvm)[-1][0].lower().endswith(
        '-classpath "c:\\jvm\\lib\\dt.jar;c:\\jvm\\lib\\tools.jar;c:\\carafe\\sub" rerodova')
    [opened] = journal(prefix, BROWSER)
    assert re.search(r'JVM_DOWNLOAD_PAGE "(.*)"', (RESOURCES / "download_page.h").read_text())[1] \
        in opened[0]
    # None of the plants was loaded, although a program without the
    # launcher's care loads every one of them.
    def loaded():
        return sorted(path.name.lower() for path in prefix.host_path("C:\\carafe").glob("*.loaded"))

    assert loaded() == []
    prefix.put("C:\\carafe\\control.exe", control)
    assert prefix.run("C:\\carafe\\control.exe", list(PLANTED), env=PREFER_PLANTED).exit_code == 0
    assert loaded() == sorted(name + ".loaded" for name in PLANTED)
