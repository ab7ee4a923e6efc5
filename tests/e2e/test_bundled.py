"""A silent run that finds no JVM installs the one its archive bundles: the
fixture JVM as an installer ("BundledVMInstallers", flag 1) puts itself into
place and registers it, and the second search reads it from the registry.
On the way the first search walks every fixed drive."""

import shutil
import subprocess

from conftest import FIXTURES, MKSETUP, SETUP_PATH, VERIFY_CLASS, journal, required, summary

CRITERIA = "vendor=sun:type=jre:version=1.2"
INSTALLED = "C:\\FixtureJRE\\bin\\jre.exe"
ENTRY = "(Vendor=sun, Version=1.2, Type=jre)"


def test_silent_run_without_a_jvm_installs_the_bundled_one_and_launches_on_it(
        prefix, make_setup, tmp_path):
    archive = tmp_path / "rerodova.class"
    subprocess.run([str(required(MKSETUP)), "archive", "--class", str(required(VERIFY_CLASS)),
                    "--section", "BundledVMInstallers", "--resource",
                    f"jre-setup.exe={required(FIXTURES / 'fixture_jvm.exe')}:1",
                    "-o", str(archive)],
                   check=True, capture_output=True)
    make_setup(archive, CRITERIA)
    # Drive D: holds a JVM that only the walk finds, whose properties go to
    # its error output, which the launcher does not read; and a link back
    # to the drive, a cycle.
    drive = prefix.path / "drive_d"
    (drive / "kits" / "bin").mkdir(parents=True)
    (drive / "loop").mkdir()
    (drive / "loop" / "back").symlink_to(drive)
    (prefix.path / "dosdevices" / "d:").symlink_to(drive)
    shutil.copyfile(required(FIXTURES / "fixture_jvm.exe"), drive / "kits" / "bin" / "jre.exe")
    (drive / "kits" / "bin" / "jre.ini").write_text("output=stderr-only\r\n")

    result = prefix.run(SETUP_PATH, ["-silent", "-log", "-logall"], timeout=300)

    assert result.exit_code == 0 and result.message_boxes == [] and result.windows == [], result
    log = prefix.log()
    assert "\r\n\tVerifying JVM  D:\\kits\\bin\\jre.exe...failed." in log
    assert (drive / "kits" / "bin" / "fixture_jvm.journal").read_text().count("class\tVerify") == 1
    assert summary(log) == [f"{ENTRY}... Not Found", f"{ENTRY}...{INSTALLED} Passed"]
    # Run once, without arguments; then verified, validated and the installation.
    runs = journal(prefix, INSTALLED)
    assert [(run["command"], run["class"]) for run in runs[:1]] == [
        (prefix.temp_dir_windows + "jre-setup.exe", None)]
    assert [run["class"] for run in runs[1:]] == ["Verify", "Verify", "rerodova"]
    assert not (prefix.temp_dir / "jre-setup.exe").exists()
