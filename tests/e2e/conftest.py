"""Fixtures of the end-to-end tests: a virtual display and a template Wine
prefix per session, a copied prefix per test, and the launcher in it.

Everything lands under build/e2e/session-<pid>/: the template and the test
prefixes are removed when the session ends (set CARAFE_E2E_KEEP=1 to keep
them); artifacts/<test>/ keeps each test's logs, program output and the
screenshots of its message boxes until the next session starts.
"""

import os
import re
import shutil
from pathlib import Path

import pytest

import wine

E2E_ROOT = wine.REPO / "build" / "e2e"
DIST = wine.REPO / "dist"
# Where the tests install the launcher inside a prefix; its folder is the
# launcher folder that relative option values resolve against.
LAUNCHER_WINDOWS_PATH = "C:\\carafe\\launcher.exe"


def _pid_alive(pid: int) -> bool:
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return True


def _remove_stale_sessions() -> None:
    for old in E2E_ROOT.glob("session-*"):
        match = re.fullmatch(r"session-(\d+)", old.name)
        if match and not _pid_alive(int(match.group(1))):
            shutil.rmtree(old, ignore_errors=True)


@pytest.fixture(scope="session")
def wine_tools():
    missing = wine.missing_tools()
    if missing:
        pytest.skip("end-to-end tests need " + ", ".join(missing) + " (scripts/bootstrap installs them)")


@pytest.fixture(scope="session")
def session_dir(wine_tools):
    E2E_ROOT.mkdir(parents=True, exist_ok=True)
    _remove_stale_sessions()
    path = E2E_ROOT / f"session-{os.getpid()}"
    path.mkdir()
    yield path
    if not os.environ.get("CARAFE_E2E_KEEP"):
        shutil.rmtree(path / "template", ignore_errors=True)
        shutil.rmtree(path / "prefixes", ignore_errors=True)


@pytest.fixture(scope="session")
def display(wine_tools):
    server = wine.Xvfb()
    yield server.display
    server.stop()


@pytest.fixture(scope="session")
def window_watch_exe(session_dir):
    return wine.build_window_watch(session_dir / "window_watch.exe")


@pytest.fixture(scope="session")
def template_prefix(session_dir, display):
    path = session_dir / "template"
    wine.create_template(path, display)
    return path


@pytest.fixture
def prefix(request, session_dir, template_prefix, display, window_watch_exe):
    name = re.sub(r"[^A-Za-z0-9_.-]+", "_", request.node.name)[:80]
    copy = wine.WinePrefix.copy_of(template_prefix, session_dir / "prefixes" / name, display,
                                   window_watch_exe, artifacts=session_dir / "artifacts" / name)
    yield copy
    copy.shutdown()
    if not os.environ.get("CARAFE_E2E_KEEP"):
        shutil.rmtree(copy.path, ignore_errors=True)


@pytest.fixture(scope="session")
def launcher_exe():
    # CARAFE_E2E_LAUNCHER points the tests at another build of the launcher.
    path = Path(os.environ.get("CARAFE_E2E_LAUNCHER", DIST / "win64" / "launcher.exe"))
    if not path.is_file():
        pytest.fail(f"{path} is missing: run make first")
    return path


@pytest.fixture
def launcher(prefix, launcher_exe):
    """Runs the 64-bit launcher from C:\\carafe with the given options."""
    prefix.put(LAUNCHER_WINDOWS_PATH, launcher_exe)

    def run(*args, **options):
        return prefix.run(LAUNCHER_WINDOWS_PATH, list(args), **options)

    return run
