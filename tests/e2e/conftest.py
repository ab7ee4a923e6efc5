"""Fixtures of the end-to-end tests: a virtual display and a template Wine
prefix per session, a copied prefix per test, and the launcher in it.

`--build win64` (the default) tests the x86_64 launcher under the host's
Wine; `--build win32` the i686 one, the product, under the WoW64 of the
Debian 13 root that scripts/bootstrap makes (scripts/wow64 first on PATH).
Each test's prefix and artifacts (program output, the host JVM's error
output) stay in its pytest tmp_path; the template goes when the session
ends. CARAFE_DIST names another dist folder, CARAFE_E2E_LAUNCHER another
launcher.
"""

import collections
import os
import shutil
import subprocess
from pathlib import Path

import pytest

import wine

DIST = Path(os.environ.get("CARAFE_DIST", wine.REPO / "dist"))
MKSETUP, VERIFY_CLASS = DIST / "linux" / "mksetup", DIST / "java" / "Verify.class"
# The example installation: it copies its resources to TARGET\<section>\<name>.
EXAMPLE_ARCHIVE = DIST / "example" / "rerodova.class"
SETUP_PATH = "C:\\carafe\\setup.exe"


# A launcher build: its dist folder, its MinGW tools' prefix, and reg.exe's
# flags for its own view of the registry and the other one (/reg:32 is
# Wow6432Node). Also by design, the 32-bit one's system32 is the disk's
# C:\windows\SysWOW64.
Build = collections.namedtuple("Build", "name mingw view other_view")
BUILDS = {"win64": Build("win64", "x86_64-w64-mingw32-", "/reg:64", "/reg:32"),
          "win32": Build("win32", "i686-w64-mingw32-", "/reg:32", "/reg:64")}


def pytest_addoption(parser):
    parser.addoption("--build", choices=sorted(BUILDS), default="win64",
                     help="the launcher under test: win64 (host Wine) or win32 (WoW64 root)")


def pytest_configure(config):
    """The build under test, named before the test modules import it."""
    global BUILD, LAUNCHER, FIXTURE_JVM
    config.addinivalue_line("markers", "waits: spends most of its time waiting out a bound; "
                                       "`make e2e` runs these in a session beside the others")
    BUILD = BUILDS[config.getoption("--build")]
    LAUNCHER = Path(os.environ.get("CARAFE_E2E_LAUNCHER", DIST / BUILD.name / "launcher.exe"))
    FIXTURE_JVM = DIST / BUILD.name / "fixtures" / "fixture_jvm.exe"
    wine.MINGW = BUILD.mingw
    if BUILD.name == "win32":
        os.environ["PATH"] = f"{wine.REPO / 'scripts' / 'wow64'}:{os.environ['PATH']}"


def host_run(*command):
    return subprocess.run([str(part) for part in command], capture_output=True, text=True)


def build_setup(target, archive, criteria, *options):
    """setup.exe by mksetup: the launcher, an archive, the verify class, criteria."""
    return host_run(MKSETUP, "build", "--stub", LAUNCHER, "--archive", archive, "--verify",
                    VERIFY_CLASS, "--criteria", criteria, "-o", target, *options)


def journal(prefix, exe_path):
    """The journal of the fixture JVM beside exe_path: its lines, split at tabs."""
    text = prefix.read_text(exe_path.rsplit("\\", 1)[0] + "\\fixture_jvm.journal") or ""
    return [line.split("\t") for line in text.split("\r\n") if line]


@pytest.fixture(scope="session")
def session(tmp_path_factory):
    """The session's folder and the display its template prefix was made on."""
    missing = wine.missing_tools() + [t for t in ("openssl", "osslsigncode") if not shutil.which(t)]
    missing += [str(p) for p in (LAUNCHER, FIXTURE_JVM, MKSETUP, VERIFY_CLASS, EXAMPLE_ARCHIVE)
                if not p.is_file()]
    if missing:
        pytest.fail(f"missing {', '.join(missing)} (scripts/bootstrap and make provide them)")
    folder, server = tmp_path_factory.mktemp("e2e"), wine.Xvfb()
    wine.create_template(folder / "template", server.display)
    yield folder, server.display
    server.stop()
    shutil.rmtree(folder / "template", ignore_errors=True)


@pytest.fixture
def prefix(session, tmp_path):
    """A copy of the template with the launcher under test at C:\\carafe."""
    folder, display = session
    copy = wine.WinePrefix.copy_of(folder / "template", tmp_path / "prefix", display,
                                   wine.build_window_watch(folder / "window_watch.exe"),
                                   tmp_path / "artifacts")
    copy.put("C:\\carafe\\launcher.exe", LAUNCHER)
    yield copy
    copy.shutdown()
