"""Finding a JVM through the real registry (Wine's reg.exe), PATH (the machine
environment value) and fixed drives (links in dosdevices; z: is removed)."""

import subprocess

import pytest

from conftest import (FIXTURES, NOT_FOUND, SEARCHING, SUN, classes, install_jvm, journal,
                      required, summary)
from wine import wine_command

LOG_PATH = "C:\\carafe\\search.log"
CONTAINER_CRITERIA = (
    "vendor=sun:type=jre:version=1.2;vendor=sun:type=jre:version=1.1;"
    "vendor=sun:type=jre:version=1.3;vendor=sun:type=jdk:version=1.2;"
    "vendor=sun:type=jdk:version=1.1;vendor=sun:type=jdk:version=1.3;"
    "vendor=ibm:version=1.2;vendor=ibm:version=1.1;vendor=ibm:version=1.3;"
    "vendor=microsoft:type=jview:version=1.1.4")
JRE_KEY = "HKLM\\Software\\JavaSoft\\Java Runtime Environment\\"
MAKER_KEY = "HKLM\\Software\\Varnica\\Java Virtual Machine"
ENVIRONMENT_KEY = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment"
RAN = ["Verify", "Verify", "rerodova"]


def reg_add(prefix, key, name, value, kind="REG_SZ"):
    subprocess.run([wine_command(), "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"],
                   env=prefix.env, check=True, capture_output=True, timeout=60)


@pytest.fixture
def search(setup):
    """Runs a setup with the criteria given, silent, with a detailed log."""

    def run(criteria=CONTAINER_CRITERIA, timeout=120):
        return setup("-silent", "-log", LOG_PATH, "-logall", criteria=criteria, timeout=timeout)

    return run


def test_sun_jre_registry_hit_with_only_java_exe_is_taken_for_a_jre(prefix, search):
    # dt.jar would be a kit's library, rt.jar is a runtime's: the class path
    # shows which kind the search took it for.
    install_jvm(prefix, "C:\\rt\\bin\\java.exe", libs=["rt.jar", "dt.jar"])
    reg_add(prefix, JRE_KEY + "1.2", "JavaHome", "C:\\rt")

    result = search()
    assert "\r\nSearch summary \r\n" in result.log
    assert summary(result.log) == ["(Vendor=sun, Version=1.2, Type=jre)...C:\\rt\\bin\\java.exe Passed"]
    assert "\r\nFound a JVM at  C:\\rt\\bin\\java.exe\r\n" in result.log
    runs = journal(prefix, "C:\\rt\\bin\\java.exe")
    assert [run["class"] for run in runs] == RAN
    assert ' -classpath "C:\\rt\\lib\\rt.jar;' in runs[0]["command"]
    assert "dt.jar" not in runs[0]["command"]


def test_default_folder_is_the_fallback_after_an_empty_registry_home(prefix, search):
    reg_add(prefix, JRE_KEY + "1.2", "JavaHome", "C:\\gone")
    install_jvm(prefix, "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe")

    result = search()
    assert (SEARCHING + "(Vendor=sun, Version=1.2, Type=jre) in the Registry...Not Found."
            + SEARCHING + "(Vendor=sun, Version=1.2, Type=jre) in the default install folder..."
            "\r\n\tVerifying JVM  C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe...Passed."
            ) in result.log
    assert classes(prefix, "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe") == RAN


def test_path_hit_is_found_and_the_windows_folder_jre_exe_is_skipped(prefix, search):
    install_jvm(prefix, "C:\\windows\\jre.exe")
    install_jvm(prefix, "C:\\tools\\jre.exe")
    reg_add(prefix, ENVIRONMENT_KEY, "PATH", "C:\\WINDOWS\\;C:\\tools", "REG_EXPAND_SZ")

    result = search()
    assert (SEARCHING + "(Vendor=sun, Version=1.2, Type=jre) in PATH Variable..."
            "\r\n\tVerifying JVM  C:\\tools\\jre.exe...Passed.") in result.log
    assert "C:\\WINDOWS\\jre.exe" not in result.log
    assert journal(prefix, "C:\\windows\\jre.exe") == []
    assert classes(prefix, "C:\\tools\\jre.exe") == RAN


def test_jvm_found_only_by_walking_drive_d(prefix, search):
    d_drive = prefix.path / "drive_d"
    (prefix.path / "dosdevices" / "d:").symlink_to(d_drive)
    # Neither a name in capitals nor a folder that links back to its own
    # drive is a way to a JVM.
    for exe in ("kits/jdk12/bin/java.exe", "upper/bin/JAVA.EXE"):
        (d_drive / exe).parent.mkdir(parents=True)
        (d_drive / exe).write_bytes(required(FIXTURES / "fixture_jvm.exe").read_bytes())
        (d_drive / exe).with_suffix(".ini").write_text(f"version=1.2.2\r\nvendor_url={SUN}\r\n")
    (d_drive / "loop").mkdir()
    (d_drive / "loop" / "back").symlink_to(d_drive)

    result = search(timeout=180)
    assert summary(result.log) == [
        "(Vendor=sun, Version=1.2, Type=jre)" + NOT_FOUND,
        "(Vendor=sun, Version=1.1, Type=jre)" + NOT_FOUND,
        "(Vendor=sun, Version=1.3, Type=jre)" + NOT_FOUND,
        "(Vendor=sun, Version=1.2, Type=jdk)...D:\\kits\\jdk12\\bin\\java.exe Passed"]
    # The walk was logged for the entries of the full pass, and the one JVM
    # it found is the only candidate ever verified.
    assert "(Vendor=sun, Version=1.2, Type=jre) in FileSystem...Not Found." in result.log
    verified = [chunk.split("...")[0] for chunk in result.log.split("\r\n\tVerifying JVM  ")[1:]]
    assert verified == ["D:\\kits\\jdk12\\bin\\java.exe"]
    runs = (d_drive / "kits/jdk12/bin/fixture_jvm.journal").read_text("cp1252")
    assert runs.count("class\tVerify\t") == 2 and "class\trerodova\t" in runs


@pytest.mark.parametrize("key_present", [True, False])
def test_marker_word_takes_the_jvm_from_the_makers_key_only(prefix, search, key_present):
    install_jvm(prefix, "C:\\vm\\bin\\jre.exe")
    install_jvm(prefix, "C:\\JDK1.2\\bin\\java.exe")  # where a search would look
    if key_present:
        reg_add(prefix, MAKER_KEY, "JavaHome", "C:\\vm")
        reg_add(prefix, MAKER_KEY, "JavaBin", "jre.exe")

    result = search("varnica")
    assert "Search summary" not in result.log
    assert journal(prefix, "C:\\JDK1.2\\bin\\java.exe") == []
    # Not verified: the validation run, then the installation.
    assert classes(prefix, "C:\\vm\\bin\\jre.exe") == (["Verify", "rerodova"] if key_present else [])
