"""Installing the JVM an installation bundles: the fixture JVM installer
(flag 1 in the archive's "BundledVMInstallers" section) puts the fixture JVM
into place, registers it and records its run. Nothing else is a JVM."""

import struct
import subprocess

import pytest

from conftest import FIXTURES, MKSETUP, NOT_FOUND, VERIFY_CLASS, classes, required, summary

INSTALLER_JOURNAL = "C:\\fixture_jvm_installer.journal"
INSTALLER_NAME = "jre-setup.exe"
# The full pass walks every fixed drive, twice when a second search runs.
RUN_TIMEOUT = 300


def bundled_installer(**config):
    """The fixture installer, the fixture JVM and the configuration, then the
    trailer it looks for: "FXJI", JVM size, configuration size (u32 LE)."""
    installer = required(FIXTURES / "fixture_jvm_installer.exe").read_bytes()
    jvm = required(FIXTURES / "fixture_jvm.exe").read_bytes()
    text = "".join(f"{key}={value}\r\n" for key, value in config.items()).encode("latin-1")
    return installer + jvm + text + b"FXJI" + struct.pack("<II", len(jvm), len(text))


@pytest.fixture
def bundled_setup(setup, tmp_path):
    """Runs a setup whose archive's "BundledVMInstallers" section carries the
    given resources (name, bytes, flag or None), silent, with a detailed log."""

    def run(resources, criteria):
        installation = tmp_path / "Installer.class"
        # Any real class will do: the builder hides the sections inside it.
        installation.write_bytes(required(VERIFY_CLASS).read_bytes())
        command = [str(required(MKSETUP)), "archive", "--class", str(installation),
                   "--section", "Classes", "--compress",
                   "--resource", f"Installer.class={installation}",
                   "--section", "BundledVMInstallers"]
        for name, data, flag in resources:
            (tmp_path / ("resource-" + name)).write_bytes(data)
            command += ["--resource", f"{name}={tmp_path / ('resource-' + name)}"
                        + ("" if flag is None else f":{flag}")]
        subprocess.run(command + ["-o", str(tmp_path / "archive.class")], check=True,
                       capture_output=True)
        result = setup("-silent", "-log", "-logall", criteria=criteria,
                       archive=tmp_path / "archive.class", timeout=RUN_TIMEOUT)
        assert result.message_boxes == []
        return result

    return run


def installer_journal(prefix):
    text = prefix.read_text(INSTALLER_JOURNAL) or ""
    return [tuple(line.split("\t", 1)) for line in text.split("\r\n") if line]


def test_silent_run_without_a_jvm_installs_the_bundled_one_and_launches_on_it(prefix, bundled_setup):
    jvm = "C:\\FixtureJRE\\bin\\jre.exe"
    installer = bundled_installer(home="C:\\FixtureJRE", exe="jre.exe", registry="sun",
                                  version="1.2")
    resources = [("readme.txt", b"not an installer", None),
                 (INSTALLER_NAME, installer, 1),
                 ("other-setup.exe", b"MZ never written", 1)]
    result = bundled_setup(resources, "vendor=sun:type=jre:version=1.2")

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
    assert classes(prefix, jvm) == ["Verify", "Verify", "rerodova"]
    # Only the flagged resource was written, and the clean-up removed it.
    assert not any(path.name in (INSTALLER_NAME, "other-setup.exe", "readme.txt")
                   for path in prefix.temp_dir.iterdir())
    assert f"\r\nDeleting file  {written}...\r\n" in log


def test_marker_word_route_installs_and_then_reads_the_makers_key(prefix, bundled_setup):
    jvm = "C:\\MakerJVM\\bin\\jre.exe"
    installer = bundled_installer(home="C:\\MakerJVM", exe="jre.exe", registry="varnica",
                                  **{"jvm.version": "1.3.1"})
    result = bundled_setup([(INSTALLER_NAME, installer, 1)], "vendor=varnica:type=jre:version=1.3")

    assert installer_journal(prefix) == [
        ("run", prefix.temp_dir_windows + INSTALLER_NAME), ("installed", jvm),
        ("registered", "Software\\Varnica\\Java Virtual Machine")]
    # No search in this mode: the key names the JVM, which is validated and
    # then runs the installation.
    assert "Search summary" not in result.log
    assert classes(prefix, jvm) == ["Verify", "rerodova"]


def test_archive_without_a_flagged_installer_ends_at_the_failed_installer_run(prefix, bundled_setup):
    resources = [("readme.txt", b"not an installer", None),
                 ("notes.exe", b"MZ flagged 2, not 1", 2)]
    log = bundled_setup(resources, "vendor=sun:type=jdk:version=1.2;vendor=ibm:version=1.3").log

    assert installer_journal(prefix) == []
    # Every entry in the summary, then the failure.
    assert summary(log) == ["(Vendor=sun, Version=1.2, Type=jdk)" + NOT_FOUND,
                            "(Vendor=ibm, Version=1.3, Type=)" + NOT_FOUND]
    assert ("(Vendor=ibm, Version=1.3, Type=)" + NOT_FOUND + "\r\n\tSearch for JVM failed  \r\n"
            ) in log
    # Nothing was extracted, the installer run failed, so no second search;
    # silent, there is no browsing either, and nothing was launched.
    assert "Extracting file " not in log.split("\r\nSearch summary \r\n", 1)[1]
    assert "Searching  after installing JVM" not in log
    # The run of the installer is attempted with the path never set.
    assert "\r\nLaunching  JVM Installer  ...\r\n" in log
    assert "Using JVM" not in log
    assert not (prefix.temp_dir / "notes.exe").exists()
