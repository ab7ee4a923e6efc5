"""The launcher's dialogs under Wine, in Chinese, read and pushed through the
window watch while fixture JVMs take their time: the progress dialog and its
abort prompt, the prompt for a bundled JVM, the browse dialog and the file
dialog, beside planted system DLLs."""

import re
import time

import wine
from conftest import FIXTURE_JVM, journal

FOLDER = "C:\\carafe\\sub"  # the classes, named relative to the launcher's folder
SEARCHED = "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe"  # in its default folder
PICKED = "C:\\jvm\\bin\\java.exe"
# comctl32 (imported once), uxtheme (comctl32 loads it), the file dialog's
# two; Wine is told to prefer such files, as Windows does for all but KnownDLLs.
PLANTED = ("comctl32.dll", "uxtheme.dll", "comdlg32.dll", "shell32.dll")
PREFER_PLANTED = {"WINEDLLOVERRIDES": wine.DLL_OVERRIDES + ";comctl32,uxtheme,comdlg32,shell32=n,b"}
# Wine takes its language from the host locale; the texts pass through ANSI
# code page 936.
CHINESE = {"LANG": "zh_CN.UTF-8", "LC_ALL": "zh_CN.UTF-8"}


def until(predicate, what):
    """Asks predicate every 0.1 s until it holds, for 90 s at most (a busy machine)."""
    assert any(predicate() or time.sleep(0.1) for _ in range(900)), f"90 s passed without {what}"


def test_the_dialogs_in_chinese_beside_planted_system_dlls(prefix, tmp_path):
    source = (wine.REPO / "resources" / "strings_2052.rc").read_text("utf-8")
    texts = {key: text.encode("gbk", "replace").decode("gbk")
             for key, text in re.findall(r'^\s*(IDS_\w+) "(.*)"\s*$', source, re.M)}
    dll_source = wine.REPO / "tests" / "e2e" / "planted_dll.c"
    # Exports undecorated, as the system's own (i686 decorates stdcall names).
    dll = wine.mingw_build(tmp_path / "planted.dll", [dll_source], "-shared", "-Wl,--kill-at")
    control = wine.mingw_build(tmp_path / "control.exe", [dll_source], "-DCONTROL", "-lcomctl32")
    for name in PLANTED:
        prefix.put(f"C:\\carafe\\{name}", dll)
    # Fixture JVMs, their settings beside them: one the criteria refuse, one to pick.
    for exe, settings in ((SEARCHED, "delay_ms=4000\r\nversion=1.1.8"), (PICKED, "delay_ms=40000")):
        prefix.put(exe, FIXTURE_JVM)
        prefix.put(exe[:-4] + ".ini", settings + "\r\n")
    for name in ("Verify", "rerodova"):
        prefix.put(f"{FOLDER}\\{name}.class", b"\xCA\xFE\xBA\xBE")
    watch = prefix.watch
    run = prefix.start("C:\\carafe\\launcher.exe",
                       ["-searchcriteria", "vendor=sun:type=jre:version=1.2", "-verify",
                        "sub\\Verify.class", "-archive", "sub\\rerodova.class", "-log"],
                       env=dict(CHINESE, **PREFER_PLANTED))
    progress = watch.next_dialog()
    assert watch.text(progress, 1002) == texts["IDS_PREPARING_WIZARD"]
    until(lambda: journal(prefix, SEARCHED), "the search's verify run")
    assert watch.text(progress, 1004) == texts["IDS_SEARCHING_FOR_JVM"]
    watch.send(progress, "click", 2)
    prompt = watch.next_dialog(owner=progress)
    assert watch.text(prompt, 1) == "确定"
    watch.send(prompt, "click", 2)  # go on

    watch.send(watch.next_dialog(owner=progress), "click", 1)  # yes to a bundled JVM: there is none
    browse = watch.next_dialog(owner=progress)
    watch.send(browse, "click", 1001)
    files = watch.next_dialog(owner=browse)
    for name_box in (0x47C, 0x480):  # the file name's combo box or edit control
        watch.send(files, "set", name_box, PICKED)
    watch.send(files, "click", 1)
    until(lambda: watch.text(browse, 1000), "the picked file in the browse dialog")
    watch.send(browse, "click", 1)
    until(lambda: journal(prefix, PICKED), "the picked JVM's validation run")
    watch.send(progress, "click", 2)
    clicked = time.monotonic()
    watch.send(watch.next_dialog(owner=progress), "click", 1)  # abort
    result = run()

    # Long before the JVM's 40 seconds are over: the worker is not waited for.
    assert time.monotonic() - clicked < 25 and result.exit_code == 0, result
    assert [box.owner for box in result.message_boxes] == [int(progress.handle, 16)]
    log = prefix.log(code_page="gbk")
    assert log.startswith(texts["IDS_DATE"] + " :: ")
    assert log.endswith(f"\r\n {texts['IDS_APPLICATION_ABORTED']} \r\n")
    # None of the plants was loaded, although a program without the
    # launcher's care loads every one of them.
    def loaded():
        return sorted(path.name.lower() for path in prefix.host_path("C:\\carafe").glob("*.loaded"))

    assert loaded() == []
    prefix.put("C:\\carafe\\control.exe", control)
    assert prefix.run("C:\\carafe\\control.exe", list(PLANTED), env=PREFER_PLANTED).exit_code == 0
    assert loaded() == sorted(name + ".loaded" for name in PLANTED)
