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
import subprocess
from pathlib import Path

import pytest

import wine

E2E_ROOT = wine.REPO / "build" / "e2e"
DIST = wine.REPO / "dist"
# Where the tests install the launcher inside a prefix; its folder is the
# launcher folder that relative option values resolve against.
LAUNCHER_WINDOWS_PATH = "C:\\carafe\\launcher.exe"
SETUP_PATH = "C:\\carafe\\setup.exe"
MKSETUP = Path(os.environ.get("CARAFE_E2E_MKSETUP", DIST / "linux" / "mksetup"))
VERIFY_CLASS = Path(os.environ.get("CARAFE_E2E_VERIFY_CLASS", DIST / "java" / "Verify.class"))
FIXTURES = Path(os.environ.get("CARAFE_E2E_FIXTURES", DIST / "win64" / "fixtures"))
# The example installation: it copies its resources to TARGET\<section>\<name>.
EXAMPLE_ARCHIVE = Path(os.environ.get("CARAFE_E2E_EXAMPLE", DIST / "example" / "rerodova.class"))
SUN = "http://java.sun.com/"
CLASS_BYTES = b"\xCA\xFE\xBA\xBE\x00\x00\x00\x2E"
SEARCHING = "\r\n\tSearching a JVM that matches the criteria  "
NOT_FOUND = "... Not Found"


def summary(log):
    """The summary lines of the first search: entry text and outcome."""
    heads = [chunk.split("\r\n")[0] for chunk in log.split(SEARCHING)[1:]]
    return [head for head in heads if ")..." in head and not head.endswith("...")]


def required(path):
    if not path.is_file():
        pytest.fail(f"{path} is missing: run make first")
    return path


def build_setup(stub, archive, criteria, target):
    """mksetup build: the stub, the archive, our Verify.class and the criteria."""
    subprocess.run([str(required(MKSETUP)), "build", "--stub", str(stub), "--archive",
                    str(archive), "--verify", str(required(VERIFY_CLASS)), "--criteria", criteria,
                    "-o", str(target)], check=True, capture_output=True)
    return target


def install_jvm(prefix, exe_path, libs=(), **behaviour):
    """The fixture JVM at exe_path, empty library files under home\\lib, and
    its behaviour (version, vendor_url, exit_code, output, delay_ms, ...) in
    the .ini file named after the executable."""
    prefix.put(exe_path, required(FIXTURES / "fixture_jvm.exe"))
    folder, name = exe_path.rsplit("\\", 1)
    settings = {"version": "1.2.2", "vendor_url": SUN, **behaviour}
    prefix.put(f"{folder}\\{name.rsplit('.', 1)[0]}.ini",
               "".join(f"{key}={value}\r\n" for key, value in settings.items()))
    home = folder[:-4] if folder.lower().endswith("\\bin") else folder
    for lib in libs:
        prefix.put(f"{home}\\lib\\{lib}", b"PK\x05\x06" + bytes(18))


def journal(prefix, exe_path):
    """The runs the fixture JVM beside exe_path recorded, in order: each its
    command line, the class and where it was found, its program arguments."""
    text = prefix.read_text(exe_path.rsplit("\\", 1)[0] + "\\fixture_jvm.journal") or ""
    runs = []
    for line in text.split("\r\n"):
        kind, _, rest = line.partition("\t")
        if kind == "command":
            runs.append({"command": rest, "class": None, "found": None, "arguments": None})
        elif kind == "class":
            runs[-1]["class"], _, runs[-1]["found"] = rest.partition("\t")
        elif kind == "arguments":
            runs[-1]["arguments"] = rest.split("\t") if rest else []
    return runs


def classes(prefix, exe_path):
    """The classes the fixture JVM at exe_path was asked to run, in order."""
    return [run["class"] for run in journal(prefix, exe_path)]


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


def folder_of_length(root, length):
    """A Windows folder path of exactly `length` characters below root."""
    path = root.rstrip("\\")
    letter = 0
    while len(path) < length:
        path += "\\" + chr(ord("a") + letter % 26) * min(40, max(length - len(path) - 1, 1))
        letter += 1
    return path[:length]


@pytest.fixture
def setup(prefix, tmp_path, launcher_exe):
    """Builds setup.exe (the criteria given; a 10 KB installation class unless
    archive names another), puts it at SETUP_PATH and runs it to its end."""

    def run(*args, criteria="vendor=sun:type=jdk:version=1.2", archive=None, **options):
        if archive is None:
            archive = tmp_path / "rerodova.class"
            archive.write_bytes(b"\xCA\xFE\xBA\xBE" + bytes(range(256)) * 40)
        prefix.put(SETUP_PATH, build_setup(launcher_exe, archive, criteria, tmp_path / "setup.exe"))
        result = prefix.run(SETUP_PATH, list(args), **options)
        # The launcher ends with 0 in every outcome.
        assert not result.timed_out and result.exit_code == 0, result
        return result

    return run


@pytest.fixture(scope="session")
def probe_exe(session_dir):
    return wine.build_platform_probe(Path(__file__).parent / "platform_probe.cpp",
                                     session_dir / "platform_probe.exe")


@pytest.fixture
def probe(prefix, probe_exe):
    """Runs a platform_probe case as program (a path on C:); every line must
    be "ok" (or "info")."""

    def run(case, *args, program="C:\\probe\\platform_probe.exe"):
        prefix.put(program, probe_exe)
        result = prefix.run(program, [case, *args], timeout=60)
        lines = result.stdout.replace("\r\n", "\n").splitlines()
        assert not result.timed_out
        assert lines and result.exit_code == 0, result.stdout + result.stderr
        assert all(line.startswith(("ok ", "info ")) for line in lines), result.stdout

    return run
