"""An mksetup-built setup of the build under test, run by `mksetup try` as
its author would run it, on a real JDK of the host: the 32-bit build as
shipped, under the WoW64 root's Wine. The search finds the JDK on PATH, its
verify run, validation and installation reach the host's JVM through
host_java.exe, and the example installation copies its resources."""

import os
import re
import subprocess
from pathlib import Path

import pytest

import conftest
from conftest import EXAMPLE_ARCHIVE, MKSETUP, build_setup
from wine import REPO

EXAMPLE_INPUTS = REPO / "java" / "example"
TARGET = "C:\\Installed"  # no blank: the launcher passes -D options on unquoted
JDKS = sorted({path.resolve() for path in Path("/usr/lib/jvm").glob("*/bin/java")})
# Each JDK runs on one of the two builds, in turn: every one runs a setup
# end to end, and neither build's lane grows by a Wine prefix per JDK.
BUILD_INDEX = sorted(conftest.BUILDS).index(conftest.BUILD.name)
THIS_BUILDS_JDKS = JDKS[BUILD_INDEX % max(len(JDKS), 1)::2]


def java_version(java: Path) -> str:
    shown = subprocess.run([java, "-XshowSettings:properties", "-version"], capture_output=True,
                           text=True, check=True).stderr
    return re.search(r"^\s*java\.version = (.*)$", shown, re.MULTILINE)[1].strip()


@pytest.mark.parametrize("java", THIS_BUILDS_JDKS, ids=lambda java: java.parent.parent.name)
def test_try_runs_the_example_installation_on_a_host_jdk_the_search_finds(java, tmp_path):
    built = build_setup(tmp_path / "setup.exe", EXAMPLE_ARCHIVE, "type=jdk")
    assert built.returncode == 0, built.stderr
    env = dict(os.environ)
    if conftest.BUILD.name == "win32":
        env["CARAFE_WINE32"] = str(REPO / "scripts" / "wow64" / "wine")
    tried = subprocess.run([MKSETUP, "try", tmp_path / "setup.exe", "--jvm", java, "--",
                            f"-Dtarget={TARGET}"], capture_output=True, text=True, env=env,
                           timeout=300)

    assert tried.returncode == 0, tried.stdout + tried.stderr
    log, shown = tried.stdout.split("--- the installation's standard output ---\n")
    assert "this Wine runs no 32-bit programs" not in log  # the setup ran as it was built
    # The summary shows what this JDK printed through the pipe.
    jdk = r"C:\\Program Files\\Java\\jdk-\d+\\bin\\java.exe"
    assert re.search(rf"\tVerifying JVM  {jdk}\.\.\.Passed\.\n", log), log
    assert re.search(rf", Version={re.escape(java_version(java))}, Type=jdk\)\.\.\.{jdk} Passed",
                     log), log
    # Each file it copied, below the target, with its size: the example's own.
    output, errors = shown.split("--- its standard error ---\n")
    copied = {line.split("/drive_c/Installed/")[1] for line in output.splitlines()}
    assert copied == {f"{path.relative_to(EXAMPLE_INPUTS)} {path.stat().st_size}"
                      for path in EXAMPLE_INPUTS.rglob("*") if path.is_file()}, output
    assert errors == "--- its exit code: 0 ---\n"
