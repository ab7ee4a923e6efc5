"""System DLLs come from the system folder only, even beside DLLs named like
them (planted_dll.c: each leaves a marker file when loaded). Wine is told to
prefer such files (name=n,b), as Windows does for every DLL but KnownDLLs."""

import subprocess

import pytest

import wine
from conftest import FIXTURES, LAUNCHER_WINDOWS_PATH, SETUP_PATH, classes, install_jvm
from prompt_steps import BROWSE, BROWSE_CANCEL, pick_in_the_file_dialog, start
from ui_screen import click_control

HERE = wine.REPO / "tests" / "e2e"
FOLDER = SETUP_PATH.rsplit("\\", 1)[0]
assert FOLDER == LAUNCHER_WINDOWS_PATH.rsplit("\\", 1)[0]
# comctl32 (once imported), uxtheme (comctl32 loads it), the file dialog's two.
PLANTED = ("comctl32.dll", "uxtheme.dll", "comdlg32.dll", "shell32.dll")
PREFER_PLANTED = {"WINEDLLOVERRIDES": wine.DLL_OVERRIDES + ";comctl32,uxtheme,comdlg32,shell32=n,b"}
CONTROL_PATH = FOLDER + "\\control.exe"


@pytest.fixture(scope="session")
def planted_binaries(session_dir):
    """The planted DLL and the control program, compiled once a session."""
    dll, control = session_dir / "planted.dll", session_dir / "planted_control.exe"
    for target, options in ((dll, ["-shared", str(HERE / "planted_dll.c")]),
                            (control, [str(HERE / "planted_dll_control.c"), "-lcomctl32"])):
        subprocess.run([wine.MINGW_GCC, "-std=c11", "-O2", "-s", "-o", str(target), *options],
                       check=True)
    return dll, control


def plant(prefix, dll):
    for name in PLANTED:
        prefix.put(f"{FOLDER}\\{name}", dll)


def loaded_plants(prefix):
    # Named as the loader found the DLL ("COMCTL32.dll"): compare ignoring case.
    markers = {path.name.lower() for path in prefix.host_path(FOLDER).iterdir()}
    return [name for name in PLANTED if name + ".loaded" in markers]


def assert_the_plants_work(prefix, control):
    """The same plants, loaded by a program without the launcher's care."""
    prefix.put(CONTROL_PATH, control)
    assert prefix.run(CONTROL_PATH, list(PLANTED), env=PREFER_PLANTED).exit_code == 0
    assert loaded_plants(prefix) == list(PLANTED)


def test_a_whole_run_beside_planted_system_dlls_loads_none_of_them(
        prefix, setup, planted_binaries):
    dll, control = planted_binaries
    jvm = "C:\\JDK1.2\\bin\\java.exe"
    install_jvm(prefix, jvm, libs=("dt.jar",))
    plant(prefix, dll)

    # With its progress dialog, whose progress bar needs the real comctl32.
    result = setup("-log", "-logall", env=PREFER_PLANTED)

    assert loaded_plants(prefix) == []
    assert classes(prefix, jvm) == ["Verify", "Verify", "rerodova"]
    assert any(window.window_class == "#32770" and window.owner.strip("0") == ""
               for window in result.windows), result.windows
    assert "failed" not in result.log
    assert_the_plants_work(prefix, control)


def test_the_file_dialog_of_the_browse_dialog_loads_no_planted_dll(
        prefix, launcher, planted_binaries):
    dll, control = planted_binaries
    plant(prefix, dll)
    prefix.put("C:\\Tools\\bin\\java.exe", FIXTURES / "fixture_jvm.exe")
    # The search fails, the bundled JVM is declined, and the browse dialog's
    # Browse button opens the file dialog; picking a file there works, with
    # the DLLs it loaded: the real ones.
    run = start(prefix, launcher, env=PREFER_PLANTED)
    _, path, box = pick_in_the_file_dialog(run, prefix, "planted")
    click_control(prefix.display, path, box, BROWSE, BROWSE_CANCEL)
    run.finish()

    assert loaded_plants(prefix) == []
    assert_the_plants_work(prefix, control)
