"""An mksetup-built setup on the host's JDK, which the search finds on PATH:
its verify run, validation and installation reach a real JVM through the
forwarding host_java.exe (host_jvm.py), and the example installation copies
its resources."""

from conftest import EXAMPLE_ARCHIVE, HOST_JAVA, SETUP_PATH, build_setup
from host_jvm import HostJvm, host_java_version, install_forwarding_jdk
from wine import REPO

EXAMPLE_INPUTS = REPO / "java" / "example"
TARGET = "C:\\Installed"  # no blank: the launcher passes -D options on unquoted


def files(root):
    """Every file under root, by its path below root, with its bytes."""
    return {path.relative_to(root): path.read_bytes() for path in root.rglob("*") if path.is_file()}


def test_the_example_installation_runs_on_the_hosts_jdk_found_by_the_search(prefix, tmp_path):
    version = host_java_version()
    exe = install_forwarding_jdk(prefix, HOST_JAVA, version.split(".")[0])
    built = build_setup(tmp_path / "setup.exe", EXAMPLE_ARCHIVE, "type=jdk")
    assert built.returncode == 0, built.stderr
    prefix.put(SETUP_PATH, tmp_path / "setup.exe")
    with HostJvm(prefix):
        result = prefix.run(SETUP_PATH, ["-log", "-logall", f"-Dtarget={TARGET}"], timeout=300)

    assert result.exit_code == 0 and result.message_boxes == [], result
    log = prefix.log()
    # Any version: the summary shows what the JVM printed through the pipe.
    assert f", Version={version}, Type=jdk)...{exe} Passed\r\n" in log
    assert (" (Vendor=, Version=, Type=jdk) in PATH Variable..."
            f"\r\n\tVerifying JVM  {exe}...Passed.") in log
    assert files(prefix.host_path(TARGET)) == files(EXAMPLE_INPUTS) != {}
