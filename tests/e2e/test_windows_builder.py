"""The Windows mksetup.exe of the build under test (the 32-bit one is what
ships), run under Wine from a folder whose name is not ASCII: it builds and
brands a setup as the Linux mksetup does, byte for byte."""

from conftest import BUILD, DIST, LAUNCHER, MKSETUP, VERIFY_CLASS, EXAMPLE_ARCHIVE, host_run
from wine import REPO

FOLDER = "C:\\Grüße 日本"


def test_the_windows_builder_writes_what_the_linux_one_does(prefix, tmp_path):
    inputs = {"launcher.exe": LAUNCHER, "Verify.class": VERIFY_CLASS,
              "rerodova.class": EXAMPLE_ARCHIVE, "setup.ico": REPO / "resources" / "launcher.ico"}
    for name, source in inputs.items():
        prefix.put(f"{FOLDER}\\{name}", source)
    prefix.put("C:\\carafe\\mksetup.exe", DIST / BUILD.name / "mksetup.exe")

    def build(path, out):  # the same options for both builders, paths in their own form
        return ["build", "--stub", path("launcher.exe"), "--archive", path("rerodova.class"),
                "--verify", path("Verify.class"), "--criteria", "type=jdk", "--name", "Acme Setup",
                "--icon", path("setup.ico"), "--version-info", "FileVersion=2.1.0.7", "-o", out]

    on_windows = prefix.run("C:\\carafe\\mksetup.exe",
                            build(lambda name: f"{FOLDER}\\{name}", f"{FOLDER}\\setup.exe"),
                            timeout=120)
    on_linux = host_run(MKSETUP, *build(lambda name: inputs[name], tmp_path / "setup.exe"))

    assert on_linux.returncode == 0, on_linux.stderr
    assert on_windows.exit_code == 0, on_windows
    built = prefix.host_path(f"{FOLDER}\\setup.exe").read_bytes()
    assert built == (tmp_path / "setup.exe").read_bytes()
