"""Fixtures of the end-to-end tests: a virtual display and a template Wine
prefix per session, a copied prefix per test, and the launcher in it.

Each test's prefix and artifacts (program output, the host JVM's error
output) stay in its pytest tmp_path; the template goes when the session
ends. Another build is tested with CARAFE_E2E_LAUNCHER
(its win32 launcher is taken from the sibling folder), CARAFE_E2E_FIXTURES,
CARAFE_E2E_MKSETUP, CARAFE_E2E_VERIFY_CLASS and CARAFE_E2E_EXAMPLE.
"""

import os
import shutil
import subprocess
from pathlib import Path

import pytest

import wine

DIST = wine.REPO / "dist"
LAUNCHER = Path(os.environ.get("CARAFE_E2E_LAUNCHER", DIST / "win64" / "launcher.exe"))
FIXTURE_JVM = Path(os.environ.get("CARAFE_E2E_FIXTURES", DIST / "win64" / "fixtures"),
                   "fixture_jvm.exe")
MKSETUP = Path(os.environ.get("CARAFE_E2E_MKSETUP", DIST / "linux" / "mksetup"))
VERIFY_CLASS = Path(os.environ.get("CARAFE_E2E_VERIFY_CLASS", DIST / "java" / "Verify.class"))
# The example installation: it copies its resources to TARGET\<section>\<name>.
EXAMPLE_ARCHIVE = Path(os.environ.get("CARAFE_E2E_EXAMPLE", DIST / "example" / "rerodova.class"))
SETUP_PATH = "C:\\carafe\\setup.exe"


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
