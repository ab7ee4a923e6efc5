"""Fixtures of the end-to-end tests: a virtual display and a template Wine
prefix per session, a copied prefix per test, and the launcher in it.

Everything lands under build/e2e/session-<pid>/: the template and the test
prefixes are removed when the session ends (CARAFE_E2E_KEEP=1 keeps them);
artifacts/<test>/ keeps each test's program output and launcher logs until
the next session starts. Another build is tested with CARAFE_E2E_LAUNCHER
(its win32 launcher is taken from the sibling folder), CARAFE_E2E_FIXTURES,
CARAFE_E2E_MKSETUP, CARAFE_E2E_VERIFY_CLASS and CARAFE_E2E_EXAMPLE.
"""

import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

import wine

E2E_ROOT = wine.REPO / "build" / "e2e"
DIST = wine.REPO / "dist"
LAUNCHER = Path(os.environ.get("CARAFE_E2E_LAUNCHER", DIST / "win64" / "launcher.exe"))
FIXTURES = Path(os.environ.get("CARAFE_E2E_FIXTURES", DIST / "win64" / "fixtures"))
FIXTURE_JVM = FIXTURES / "fixture_jvm.exe"
MKSETUP = Path(os.environ.get("CARAFE_E2E_MKSETUP", DIST / "linux" / "mksetup"))
VERIFY_CLASS = Path(os.environ.get("CARAFE_E2E_VERIFY_CLASS", DIST / "java" / "Verify.class"))
# The example installation: it copies its resources to TARGET\<section>\<name>.
EXAMPLE_ARCHIVE = Path(os.environ.get("CARAFE_E2E_EXAMPLE", DIST / "example" / "rerodova.class"))
SETUP_PATH = "C:\\carafe\\setup.exe"
SEARCHING = "\r\n\tSearching a JVM that matches the criteria  "


def host_run(*command):
    return subprocess.run([str(part) for part in command], capture_output=True, text=True)


def build_setup(target, archive, criteria, stub=LAUNCHER):
    """setup.exe by mksetup: the stub, an archive, the verify class, criteria."""
    return host_run(MKSETUP, "build", "--stub", stub, "--archive", archive, "--verify",
                    VERIFY_CLASS, "--criteria", criteria, "-o", target)


def summary(log):
    """The search summary lines, each its entry and outcome."""
    return [chunk.split("\r\n")[0] for chunk in log.split(SEARCHING)[1:]
            if ")..." in chunk.split("\r\n")[0]]


def install_jvm(prefix, exe_path, libs=(), **settings):
    """The fixture JVM at exe_path, empty libraries under its home\\lib and
    its settings in the .ini beside it."""
    prefix.put(exe_path, FIXTURE_JVM)
    prefix.put(exe_path.rsplit(".", 1)[0] + ".ini",
               "".join(f"{key}={value}\r\n" for key, value in settings.items()))
    home = exe_path.rsplit("\\", 2)[0]
    for lib in libs:
        prefix.put(home + "\\lib\\" + lib, b"PK\x05\x06" + bytes(18))


def journal(prefix, exe_path):
    """The runs the fixture JVM beside exe_path recorded, in order: each
    [command line, class, class file found]."""
    runs = []
    text = prefix.read_text(exe_path.rsplit("\\", 1)[0] + "\\fixture_jvm.journal") or ""
    for kind, _, rest in (line.partition("\t") for line in text.split("\r\n")):
        if kind == "command":
            runs.append([rest, None, None])
        elif kind == "class":
            runs[-1][1:] = rest.split("\t")
    return runs


@pytest.fixture(scope="session")
def session_dir():
    missing = wine.missing_tools() + [str(p) for p in (LAUNCHER, FIXTURE_JVM, MKSETUP, VERIFY_CLASS,
                                                       EXAMPLE_ARCHIVE) if not p.is_file()]
    if missing:
        pytest.fail(f"missing {', '.join(missing)} (scripts/bootstrap and make provide them)")
    for old in E2E_ROOT.glob("session-*"):  # left by sessions that are over
        if not Path(f"/proc/{old.name[8:]}").exists():
            shutil.rmtree(old, ignore_errors=True)
    path = E2E_ROOT / f"session-{os.getpid()}"
    path.mkdir(parents=True)
    yield path
    if not os.environ.get("CARAFE_E2E_KEEP"):
        for name in ("template", "prefixes"):
            shutil.rmtree(path / name, ignore_errors=True)


@pytest.fixture(scope="session")
def display(session_dir):
    server = wine.Xvfb()
    wine.create_template(session_dir / "template", server.display)
    yield server.display
    server.stop()


@pytest.fixture
def prefix(request, session_dir, display):
    """A copy of the template with the launcher under test at C:\\carafe."""
    name = re.sub(r"[^A-Za-z0-9_.-]+", "_", request.node.name)[:80]
    copy = wine.WinePrefix.copy_of(session_dir / "template", session_dir / "prefixes" / name,
                                   display, wine.build_window_watch(session_dir / "window_watch.exe"),
                                   session_dir / "artifacts" / name)
    copy.put("C:\\carafe\\launcher.exe", LAUNCHER)
    yield copy
    copy.shutdown()
    if not os.environ.get("CARAFE_E2E_KEEP"):
        shutil.rmtree(copy.path, ignore_errors=True)
