"""Finding a JVM through the real registry, PATH and drives of a Wine prefix.

Registry values are written with Wine's own reg.exe into the test's prefix;
PATH is the machine environment value in the registry, which every process
started afterwards receives; extra fixed drives are symbolic links in the
prefix's dosdevices folder (Wine reports a drive letter that links to a
folder as a fixed drive). The template prefix has no z: drive, so the walk
sees only drive C: (the prefix's drive_c) and the drives a test adds.

The JVMs are copies of the fixture JVM; each records its runs in
fixture_jvm.journal beside it (see test_launch.py).
"""

import subprocess

import pytest

from test_launch import FIXTURES, SUN, install_jvm, journal, make_setup, required  # noqa: F401
from wine import wine_command

SETUP_PATH = "C:\\carafe\\setup.exe"
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
SEARCHING = "\r\n\tSearching a JVM that matches the criteria  "
NOT_FOUND = "... Not Found"


def reg_add(prefix, key, name, value, kind="REG_SZ"):
    subprocess.run([wine_command(), "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"],
                   env=prefix.env, check=True, capture_output=True, timeout=60)


def add_fixed_drive(prefix, letter):
    """A drive letter linked to a new host folder; returns the folder."""
    folder = prefix.path / f"drive_{letter}"
    folder.mkdir()
    (prefix.path / "dosdevices" / f"{letter}:").symlink_to(folder)
    return folder


def install_jvm_on(folder, relative_exe, version="1.2.2"):
    """The fixture JVM at folder\\relative_exe, on a drive other than C:."""
    target = folder.joinpath(*relative_exe.split("\\"))
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(required(FIXTURES / "fixture_jvm.exe").read_bytes())
    target.with_suffix(".ini").write_bytes(
        f"version={version}\r\nvendor_url={SUN}\r\n".encode())
    return target


@pytest.fixture
def search(prefix, make_setup):  # noqa: F811
    """Runs a setup with the criteria given, silent, with a detailed log."""

    def run(criteria=CONTAINER_CRITERIA, timeout=120):
        prefix.put(SETUP_PATH, make_setup(criteria))
        return prefix.run(SETUP_PATH, ["-silent", "-log", LOG_PATH, "-logall"], timeout=timeout)

    return run


def summary(log):
    """The summary lines of the first search: entry text and outcome."""
    lines = []
    for chunk in log.split(SEARCHING)[1:]:
        head = chunk.split("\r\n")[0]
        if ")..." in head and not head.endswith("..."):
            lines.append(head)
    return lines


def installation_ran(prefix, exe_path):
    return [run["class"] for run in journal(prefix, exe_path)] == ["Verify", "Verify", "rerodova"]


def test_sun_jre_from_its_registry_key_is_found_and_launched(prefix, search):
    install_jvm(prefix, "C:\\jre12\\bin\\jre.exe", libs=["rt.jar"])
    reg_add(prefix, JRE_KEY + "1.2", "JavaHome", "C:\\jre12")

    result = search()
    assert result.exit_code == 0
    assert "\r\nSearch summary \r\n" in result.log
    assert "\r\n\tVerifying JVM  C:\\jre12\\bin\\jre.exe...Passed." in result.log
    assert summary(result.log) == [
        "(Vendor=sun, Version=1.2, Type=jre)...C:\\jre12\\bin\\jre.exe Passed"]
    assert "\r\nFound a JVM at  C:\\jre12\\bin\\jre.exe\r\n" in result.log
    assert installation_ran(prefix, "C:\\jre12\\bin\\jre.exe")
    # A runtime's libraries, on jre.exe's switch.
    assert " -cp \"C:\\jre12\\lib\\rt.jar;" in journal(prefix, "C:\\jre12\\bin\\jre.exe")[2]["command"]


def test_runtime_home_with_only_java_exe_is_a_jre(prefix, search):
    # dt.jar would be a kit's library, rt.jar is a runtime's: the class path
    # shows which kind the search took it for.
    install_jvm(prefix, "C:\\rt\\bin\\java.exe", libs=["rt.jar", "dt.jar"], version="1.1.8")
    reg_add(prefix, JRE_KEY + "1.1", "JavaHome", "C:\\rt")

    result = search()
    assert summary(result.log)[1] == "(Vendor=sun, Version=1.1, Type=jre)...C:\\rt\\bin\\java.exe Passed"
    runs = journal(prefix, "C:\\rt\\bin\\java.exe")
    assert [run["class"] for run in runs] == ["Verify", "Verify", "rerodova"]
    assert " -classpath \"C:\\rt\\lib\\rt.jar;" in runs[0]["command"]
    assert "dt.jar" not in runs[0]["command"]


def test_default_folder_is_the_fallback_after_an_empty_registry_home(prefix, search):
    reg_add(prefix, JRE_KEY + "1.2", "JavaHome", "C:\\gone")
    install_jvm(prefix, "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe")

    result = search()
    assert (SEARCHING + "(Vendor=sun, Version=1.2, Type=jre) in the Registry...Not Found."
            + SEARCHING + "(Vendor=sun, Version=1.2, Type=jre) in the default install folder..."
            "\r\n\tVerifying JVM  C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe...Passed."
            ) in result.log
    assert installation_ran(prefix, "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe")


def test_path_hit_is_found_and_the_windows_folder_jre_exe_is_skipped(prefix, search):
    install_jvm(prefix, "C:\\windows\\jre.exe")
    install_jvm(prefix, "C:\\tools\\jre.exe")
    reg_add(prefix, ENVIRONMENT_KEY, "PATH", "C:\\WINDOWS\\;C:\\tools", "REG_EXPAND_SZ")

    result = search()
    assert (SEARCHING + "(Vendor=sun, Version=1.2, Type=jre) in PATH Variable..."
            "\r\n\tVerifying JVM  C:\\tools\\jre.exe...Passed.") in result.log
    assert "C:\\WINDOWS\\jre.exe" not in result.log
    assert journal(prefix, "C:\\windows\\jre.exe") == []
    assert installation_ran(prefix, "C:\\tools\\jre.exe")


def test_jvm_found_only_by_walking_drive_d(prefix, search):
    d_drive = add_fixed_drive(prefix, "d")
    jvm = install_jvm_on(d_drive, "kits\\jdk12\\bin\\java.exe")
    # Neither a name in capitals nor a folder that links back to its own
    # drive is a way to a JVM.
    install_jvm_on(d_drive, "upper\\bin\\JAVA.EXE")
    (d_drive / "loop").mkdir()
    (d_drive / "loop" / "back").symlink_to(d_drive)

    result = search(timeout=180)
    assert result.exit_code == 0
    lines = summary(result.log)
    assert lines == [
        "(Vendor=sun, Version=1.2, Type=jre)" + NOT_FOUND,
        "(Vendor=sun, Version=1.1, Type=jre)" + NOT_FOUND,
        "(Vendor=sun, Version=1.3, Type=jre)" + NOT_FOUND,
        "(Vendor=sun, Version=1.2, Type=jdk)...D:\\kits\\jdk12\\bin\\java.exe Passed"]
    # The walk was logged for the entries of the full pass, and the one JVM
    # it found is the only candidate ever verified.
    assert "(Vendor=sun, Version=1.2, Type=jre) in FileSystem...Not Found." in result.log
    verified = [chunk.split("...")[0] for chunk in result.log.split("\r\n\tVerifying JVM  ")[1:]]
    assert verified == ["D:\\kits\\jdk12\\bin\\java.exe"]
    runs = (jvm.parent / "fixture_jvm.journal").read_bytes().decode("cp1252")
    assert runs.count("class\tVerify\t") == 2 and "class\trerodova\t" in runs


def test_failed_search_writes_every_summary_line_and_the_failure(prefix, search):
    result = search("vendor=sun:type=jdk:version=1.2;vendor=ibm:version=1.3")
    assert result.exit_code == 0
    log = result.log
    assert "\r\nSearch summary \r\n" in log
    assert summary(log) == ["(Vendor=sun, Version=1.2, Type=jdk)" + NOT_FOUND,
                            "(Vendor=ibm, Version=1.3, Type=)" + NOT_FOUND]
    assert ("(Vendor=ibm, Version=1.3, Type=)" + NOT_FOUND + "\r\n\tSearch for JVM failed  \r\n"
            ) in log


@pytest.mark.parametrize("key_present", [True, False])
def test_marker_word_takes_the_jvm_from_the_makers_key_only(prefix, search, key_present):
    install_jvm(prefix, "C:\\vm\\bin\\jre.exe")
    install_jvm(prefix, "C:\\JDK1.2\\bin\\java.exe")  # where a search would look
    if key_present:
        reg_add(prefix, MAKER_KEY, "JavaHome", "C:\\vm")
        reg_add(prefix, MAKER_KEY, "JavaBin", "jre.exe")

    result = search("varnica")
    assert result.exit_code == 0
    assert "Search summary" not in result.log
    assert journal(prefix, "C:\\JDK1.2\\bin\\java.exe") == []
    runs = journal(prefix, "C:\\vm\\bin\\jre.exe")
    if key_present:
        # Not verified: the validation run, then the installation.
        assert [run["class"] for run in runs] == ["Verify", "rerodova"]
    else:
        assert runs == []
