"""The host's JDK as the JVM the search finds: the launcher's verify run,
validation and installation reach a real JVM through the forwarding fixture
JVM (host_jvm.py), and the example installation copies its resources."""

import pytest

from conftest import EXAMPLE_ARCHIVE, FIXTURES, SEARCHING, required, summary
from host_jvm import HostJvm, host_java, host_java_version, install_forwarding_jdk
from wine import REPO

EXAMPLE_INPUTS = REPO / "java" / "example"
# No blank: the launcher passes -D options on unquoted.
TARGET = "C:\\Installed"
OPTIONS = ("-log", "-logall", f"-Dtarget={TARGET}")


@pytest.fixture
def host_jdk(prefix):
    """The JDK's java.exe in the prefix and the host's java.version, while
    the host JVM answers."""
    if host_java() is None:
        pytest.fail("the host has no java on PATH (scripts/bootstrap installs it)")
    version = host_java_version()
    exe = install_forwarding_jdk(prefix, required(FIXTURES / "fixture_jvm.exe"),
                                 version.split(".")[0])
    with HostJvm(prefix):
        yield exe, version


def test_registered_jdk_of_the_hosts_major_version_runs_the_example_installation(
        prefix, setup, host_jdk):
    exe, version = host_jdk
    major = version.split(".")[0]
    result = setup(*OPTIONS, archive=required(EXAMPLE_ARCHIVE),
                   criteria=f"type=jdk:version={major}", timeout=300)

    assert (SEARCHING + f"(Vendor=, Version={major}, Type=jdk) in Registry..."
            f"\r\n\tVerifying JVM  {exe}...Passed.") in result.log
    assert f"Using JVM {exe}" in result.log
    assert "Validation of" not in result.log and "failed" not in result.log
    inputs = sorted(path for path in EXAMPLE_INPUTS.rglob("*") if path.is_file())
    assert inputs
    for source in inputs:
        installed = prefix.host_path(TARGET + "\\" + str(source.relative_to(EXAMPLE_INPUTS)))
        assert installed.is_file() and installed.read_bytes() == source.read_bytes(), installed


def test_open_version_finds_the_jdk_on_path_and_reports_the_hosts_java_version(
        prefix, setup, host_jdk):
    exe, version = host_jdk
    result = setup(*OPTIONS, archive=required(EXAMPLE_ARCHIVE), criteria="type=jdk",
                   timeout=300)

    [line] = summary(result.log)
    assert line.endswith(f", Version={version}, Type=jdk)...{exe} Passed"), line
    assert (SEARCHING + "(Vendor=, Version=, Type=jdk) in PATH Variable..."
            f"\r\n\tVerifying JVM  {exe}...Passed.") in result.log
