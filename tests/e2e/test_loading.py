"""The launcher loads system DLLs from the system folder only, even when it
runs from a folder that holds DLLs named like them (a Downloads folder).

Wine loads its own builtin DLLs before a file of the same name that its
search finds, so the runs here tell it to prefer such a file
(WINEDLLOVERRIDES name=n,b), as Windows does for every DLL that is no
KnownDLL. The plants are comctl32 (which the launcher used to import),
uxtheme (which Wine's comctl32 loads in turn), and comdlg32 and shell32 (the
file dialog's), all from planted_dll.c; each leaves a marker file beside
itself when it is loaded. A control program in the same folder, loading them
by name, shows that the plants do work.
"""

import subprocess

import pytest

import wine
from conftest import LAUNCHER_WINDOWS_PATH
from test_launch import SETUP_PATH, build_setup, install_jvm, journal
from test_ui_prompts import BROWSE, BROWSE_CANCEL, FIXTURES, Run, pick_in_the_file_dialog
from ui_screen import click_control

HERE = wine.REPO / "tests" / "e2e"
FOLDER = SETUP_PATH.rsplit("\\", 1)[0]
assert FOLDER == LAUNCHER_WINDOWS_PATH.rsplit("\\", 1)[0]
PLANTED = ("comctl32.dll", "uxtheme.dll", "comdlg32.dll", "shell32.dll")
PREFER_PLANTED = {"WINEDLLOVERRIDES": wine.DLL_OVERRIDES + ";comctl32,uxtheme,comdlg32,shell32=n,b"}
CONTROL_PATH = FOLDER + "\\control.exe"


@pytest.fixture(scope="session")
def planted_binaries(session_dir):
    """The planted DLL and the control program, compiled once a session."""
    dll = session_dir / "planted.dll"
    control = session_dir / "planted_control.exe"
    subprocess.run([wine.MINGW_GCC, "-std=c11", "-O2", "-s", "-shared", "-o", str(dll),
                    str(HERE / "planted_dll.c")], check=True)
    subprocess.run([wine.MINGW_GCC, "-std=c11", "-O2", "-s", "-o", str(control),
                    str(HERE / "planted_dll_control.c"), "-lcomctl32"], check=True)
    return dll, control


def plant(prefix, dll):
    for name in PLANTED:
        prefix.put(f"{FOLDER}\\{name}", dll)


def loaded_plants(prefix):
    # A marker is named as the loader found the DLL: "COMCTL32.dll" for an
    # import so spelled. Windows names ignore case, the host's do not.
    markers = {path.name.lower() for path in prefix.host_path(FOLDER).iterdir()}
    return [name for name in PLANTED if name + ".loaded" in markers]


def test_a_whole_run_beside_planted_system_dlls_loads_none_of_them(
        prefix, launcher_exe, planted_binaries, tmp_path):
    dll, control = planted_binaries
    jvm = "C:\\JDK1.2\\bin\\java.exe"
    install_jvm(prefix, jvm, libs=("dt.jar",))
    archive = tmp_path / "rerodova.class"
    archive.write_bytes(b"\xCA\xFE\xBA\xBE" + bytes(range(256)) * 40)
    prefix.put(SETUP_PATH, build_setup(launcher_exe, archive, "vendor=sun:type=jdk:version=1.2",
                                       tmp_path / "setup.exe"))
    plant(prefix, dll)

    # With its progress dialog, whose progress bar needs the real comctl32.
    result = prefix.run(SETUP_PATH, ["-log", "-logall"], env=PREFER_PLANTED)

    assert loaded_plants(prefix) == []
    assert result.exit_code == 0, result
    assert [run["class"] for run in journal(prefix, jvm)] == ["Verify", "Verify", "rerodova"]
    assert any(window.window_class == "#32770" and window.owner.strip("0") == ""
               for window in result.windows), result.windows
    assert "failed" not in result.log

    # The same plants in the same folder, loaded by a program without the
    # launcher's care.
    prefix.put(CONTROL_PATH, control)
    control_run = prefix.run(CONTROL_PATH, list(PLANTED), env=PREFER_PLANTED)
    assert control_run.exit_code == 0, control_run
    assert loaded_plants(prefix) == list(PLANTED)


def test_the_file_dialog_of_the_browse_dialog_loads_no_planted_dll(
        prefix, launcher, planted_binaries):
    dll, control = planted_binaries
    plant(prefix, dll)
    prefix.put("C:\\Tools\\bin\\java.exe", FIXTURES / "fixture_jvm.exe")
    # The search fails, the bundled JVM is declined, and the browse dialog's
    # Browse button opens the file dialog, which is typed into and left.
    run = Run(prefix, lambda *args, **options: launcher(*args, env=PREFER_PLANTED, **options))
    # The file dialog works with the DLLs it loaded: they are the real ones.
    _, path, box = pick_in_the_file_dialog(run, prefix, "planted")
    click_control(prefix.display, path, box, BROWSE, BROWSE_CANCEL)
    run.finish()

    assert loaded_plants(prefix) == []
    prefix.put(CONTROL_PATH, control)
    assert prefix.run(CONTROL_PATH, list(PLANTED), env=PREFER_PLANTED).exit_code == 0
    assert loaded_plants(prefix) == list(PLANTED)
