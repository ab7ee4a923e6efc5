"""Installing the JVM that an installation bundles, through the real Win32
calls.

The Java archive is built with `mksetup archive`: a "BundledVMInstallers"
section whose resource with flag 1 is the fixture JVM installer
(dist/win64/fixtures/fixture_jvm_installer.exe) with the fixture JVM and its
configuration appended to it. Run by the launcher, the installer copies the
fixture JVM into a home folder and registers it under the Sun JRE key or the
maker's key, as its configuration says, and records its run in
C:\\fixture_jvm_installer.journal. Nothing else on the prefix's drive is a
JVM, so the first search finds nothing.
"""

import os
import struct
import subprocess
from pathlib import Path

import pytest

from conftest import DIST
from test_launch import build_setup

SETUP_PATH = "C:\\carafe\\setup.exe"
MKSETUP = Path(os.environ.get("CARAFE_E2E_MKSETUP", DIST / "linux" / "mksetup"))
FIXTURES = Path(os.environ.get("CARAFE_E2E_FIXTURES", DIST / "win64" / "fixtures"))
INSTALLER_JOURNAL = "C:\\fixture_jvm_installer.journal"
INSTALLER_NAME = "jre-setup.exe"
# The full pass walks every fixed drive of the prefix, twice when the first
# search fails and the second one runs after the installer.
RUN_TIMEOUT = 300


def required(path):
    if not path.is_file():
        pytest.fail(f"{path} is missing: run make first")
    return path


def bundled_installer(**config):
    """The fixture installer with the fixture JVM and its configuration
    appended, followed by the trailer it looks for: "FXJI", JVM size,
    configuration size (u32 little-endian)."""
    installer = required(FIXTURES / "fixture_jvm_installer.exe").read_bytes()
    jvm = required(FIXTURES / "fixture_jvm.exe").read_bytes()
    text = "".join(f"{key}={value}\r\n" for key, value in config.items()).encode("latin-1")
    return installer + jvm + text + b"FXJI" + struct.pack("<II", len(jvm), len(text))


@pytest.fixture
def make_setup(tmp_path, launcher_exe):
    """Builds setup.exe whose Java archive carries the given resources
    (name, bytes, flag or None) in its "BundledVMInstallers" section."""

    def build(resources, criteria):
        installation = tmp_path / "Installer.class"
        installation.write_bytes(b"\xCA\xFE\xBA\xBE" + bytes(range(256)) * 8)
        command = [str(required(MKSETUP)), "archive", "--class", str(installation),
                   "--section", "Classes", "--compress",
                   "--resource", f"Installer.class={installation}",
                   "--section", "BundledVMInstallers"]
        for name, data, flag in resources:
            path = tmp_path / ("resource-" + name)
            path.write_bytes(data)
            command += ["--resource", f"{name}={path}" + ("" if flag is None else f":{flag}")]
        archive = tmp_path / "rerodova.class"
        subprocess.run(command + ["-o", str(archive)], check=True, capture_output=True)
        return build_setup(launcher_exe, archive, criteria, tmp_path / "setup.exe")

    return build


@pytest.fixture
def setup(prefix, make_setup):
    def run(resources, criteria, *args, **options):
        prefix.put(SETUP_PATH, make_setup(resources, criteria))
        options.setdefault("timeout", RUN_TIMEOUT)
        return prefix.run(SETUP_PATH, list(args), **options)

    return run


def installer_journal(prefix):
    text = prefix.read_text(INSTALLER_JOURNAL) or ""
    return [tuple(line.split("\t", 1)) for line in text.split("\r\n") if line]


def jvm_classes(prefix, exe_path):
    """The classes the fixture JVM at exe_path was asked to run, in order."""
    text = prefix.read_text(exe_path.rsplit("\\", 1)[0] + "\\fixture_jvm.journal") or ""
    return [line.split("\t")[1] for line in text.split("\r\n") if line.startswith("class\t")]


def test_silent_run_without_a_jvm_installs_the_bundled_one_and_launches_on_it(prefix, setup):
    jvm = "C:\\FixtureJRE\\bin\\jre.exe"
    installer = bundled_installer(home="C:\\FixtureJRE", exe="jre.exe", registry="sun",
                                  version="1.2")
    resources = [("readme.txt", b"not an installer", None),
                 (INSTALLER_NAME, installer, 1),
                 ("other-setup.exe", b"MZ never written", 1)]
    result = setup(resources, "vendor=sun:type=jre:version=1.2", "-silent", "-log", "-logall")

    assert not result.timed_out
    assert result.exit_code == 0
    written = prefix.temp_dir_windows + INSTALLER_NAME
    # Started without arguments, exactly once; it installed and registered.
    assert installer_journal(prefix) == [
        ("run", written), ("installed", jvm),
        ("registered", "Software\\JavaSoft\\Java Runtime Environment\\1.2")]
    log = result.log
    assert f"\r\nExtracting file  {written}...\r\n" in log
    assert f"\r\nLaunching  JVM Installer  {written}...\r\n" in log
    # The first search fails; the second, logged as such, has its own summary.
    first = log.index("\r\nSearch summary \r\n")
    second = log.index("\r\nSearching  after installing JVM \r\n")
    assert first < second
    assert "(Vendor=sun, Version=1.2, Type=jre)" in log[first:second]
    assert f"{jvm} Passed" in log[second:]
    assert f"{jvm} Passed" not in log[:second]
    # Verified by the second search, validated, then the installation.
    assert jvm_classes(prefix, jvm) == ["Verify", "Verify", "rerodova"]
    # Only the flagged resource was written, and the clean-up removed it.
    assert not (prefix.temp_dir / INSTALLER_NAME).exists()
    assert not (prefix.temp_dir / "other-setup.exe").exists()
    assert not (prefix.temp_dir / "readme.txt").exists()
    assert f"\r\nDeleting file  {written}...\r\n" in log
    assert result.message_boxes == []


def test_marker_word_route_installs_and_then_reads_the_makers_key(prefix, setup):
    jvm = "C:\\MakerJVM\\bin\\jre.exe"
    installer = bundled_installer(home="C:\\MakerJVM", exe="jre.exe", registry="varnica",
                                  **{"jvm.version": "1.3.1"})
    result = setup([(INSTALLER_NAME, installer, 1)], "vendor=varnica:type=jre:version=1.3",
                   "-silent", "-log", "-logall")

    assert not result.timed_out
    assert result.exit_code == 0
    assert installer_journal(prefix) == [
        ("run", prefix.temp_dir_windows + INSTALLER_NAME), ("installed", jvm),
        ("registered", "Software\\Varnica\\Java Virtual Machine")]
    # No search in this mode: the key names the JVM, which is validated and
    # then runs the installation.
    assert "Search summary" not in result.log
    assert jvm_classes(prefix, jvm) == ["Verify", "rerodova"]
    assert result.message_boxes == []


def test_archive_without_a_flagged_installer_ends_at_the_failed_installer_run(prefix, setup):
    resources = [("readme.txt", b"not an installer", None),
                 ("notes.exe", b"MZ flagged 2, not 1", 2)]
    result = setup(resources, "vendor=sun:type=jre:version=1.2", "-silent", "-log", "-logall")

    assert not result.timed_out
    assert result.exit_code == 0
    assert installer_journal(prefix) == []
    log = result.log
    assert "\r\nSearch summary \r\n" in log
    # Nothing was extracted, the installer run failed, so no second search;
    # silent, there is no browsing either, and nothing was launched.
    assert "Extracting file " not in log.split("\r\nSearch summary \r\n", 1)[1]
    assert "Searching  after installing JVM" not in log
    # The run of the installer is attempted with the path never set.
    assert "\r\nLaunching  JVM Installer  ...\r\n" in log
    assert "Using JVM" not in log
    assert not (prefix.temp_dir / "notes.exe").exists()
    assert result.message_boxes == []
