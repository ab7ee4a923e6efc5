"""Verifying a JVM and launching the installation on it, through the real
Win32 calls.

Each setup is built with the shipped builder from the shipped launcher and
run from C:\\carafe inside a fresh Wine prefix. The JVMs are copies of the
fixture JVM (dist/win64/fixtures/fixture_jvm.exe): it behaves as its .ini
file beside it says and appends every command line it receives, the class
it looked for and the program arguments of a class it ran to
fixture_jvm.journal beside it, so the command lines are asserted byte for
byte as the JVM received them.
"""

import os
import re
import subprocess
import time
from pathlib import Path

import pytest

from conftest import DIST

SETUP_PATH = "C:\\carafe\\setup.exe"
MKSETUP = Path(os.environ.get("CARAFE_E2E_MKSETUP", DIST / "linux" / "mksetup"))
VERIFY_CLASS = Path(os.environ.get("CARAFE_E2E_VERIFY_CLASS", DIST / "java" / "Verify.class"))
FIXTURES = Path(os.environ.get("CARAFE_E2E_FIXTURES", DIST / "win64" / "fixtures"))
SUN = "http://java.sun.com/"
# Wine's process channel traces each CreateProcess call's command line as
# the caller gave it. Wine then quotes an unquoted program path that holds
# blanks before the child sees it (Windows passes the line on unchanged), so
# for such paths only this trace shows what the launcher passed.
TRACE_PROCESSES = {"WINEDEBUG": "-all,trace+process"}
_CREATE_PROCESS = re.compile(r'CreateProcessInternalW app \(null\) cmdline L"(.*)"(?:\.\.\.)?\s*$')


def required(path):
    if not path.is_file():
        pytest.fail(f"{path} is missing: run make first")
    return path


def build_setup(stub, archive, criteria, target):
    """mksetup build: the stub, the archive, our Verify.class and the criteria."""
    subprocess.run([str(required(MKSETUP)), "build", "--stub", str(stub),
                    "--archive", str(archive), "--verify", str(required(VERIFY_CLASS)),
                    "--criteria", criteria, "-o", str(target)],
                   check=True, capture_output=True)
    return target


@pytest.fixture
def make_setup(tmp_path, launcher_exe):
    """Builds setup.exe with the given criteria and returns its host path."""

    def build(criteria="vendor=sun:type=jdk:version=1.2"):
        archive = tmp_path / "rerodova.class"
        archive.write_bytes(b"\xCA\xFE\xBA\xBE" + bytes(range(256)) * 40)
        return build_setup(launcher_exe, archive, criteria, tmp_path / "setup.exe")

    return build


@pytest.fixture
def setup(prefix, make_setup):
    """Runs the setup (criteria as given) in the prefix with the options given."""

    def run(*args, criteria="vendor=sun:type=jdk:version=1.2", **options):
        prefix.put(SETUP_PATH, make_setup(criteria))
        return prefix.run(SETUP_PATH, list(args), **options)

    return run


def install_jvm(prefix, exe_path, libs=(), **behaviour):
    """The fixture JVM at exe_path, its library files under home\\lib, and
    its behaviour (version, vendor_url, exit_code, output, ...) in the .ini
    file named after the executable."""
    prefix.put(exe_path, required(FIXTURES / "fixture_jvm.exe"))
    folder, name = exe_path.rsplit("\\", 1)
    settings = {"version": "1.2.2", "vendor_url": SUN, **behaviour}
    prefix.put(f"{folder}\\{name.rsplit('.', 1)[0]}.ini",
               "".join(f"{key}={value}\r\n" for key, value in settings.items()))
    home = folder[:-4] if folder.lower().endswith("\\bin") else folder
    for lib in libs:
        prefix.put(f"{home}\\lib\\{lib}", b"PK\x05\x06" + bytes(18))


def journal(prefix, exe_path):
    """The runs the fixture JVM beside exe_path recorded, in order."""
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


def created_command_lines(result, program_name):
    """The command lines of the launcher's CreateProcess calls that name
    program_name, from the process trace (cut by Wine after about 300
    characters)."""
    lines = []
    for line in result.stderr.splitlines():
        match = _CREATE_PROCESS.search(line)
        if match:
            text = re.sub(r'\\(x[0-9a-fA-F]{4}|.)',
                          lambda m: chr(int(m.group(1)[1:], 16)) if len(m.group(1)) == 5
                          else {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)),
                          match.group(1))
            if program_name in text:
                lines.append(text)
    return lines


def temp_folder(prefix):
    """The class folder on every class path: the temporary folder, no backslash."""
    return prefix.temp_dir_windows.rstrip("\\")


# --- JVMs that the search finds


def test_jdk_found_by_the_search_runs_with_dt_and_tools_jar(prefix, setup):
    jvm = "C:\\JDK1.2\\bin\\java.exe"
    install_jvm(prefix, jvm, libs=("dt.jar", "tools.jar"))
    result = setup("-log", "-logall")

    temp = temp_folder(prefix)
    class_path = f'"C:\\JDK1.2\\lib\\dt.jar;C:\\JDK1.2\\lib\\tools.jar;{temp}"'
    verify = f"{jvm}  -classpath {class_path} Verify"
    runs = journal(prefix, jvm)
    # Verified by the search, validated, then the installation.
    assert [run["command"] for run in runs] == [verify, verify, f"{jvm}  -classpath {class_path} rerodova"]
    assert [run["found"] for run in runs] == [f"{temp}\\Verify.class"] * 2 + [f"{temp}\\rerodova.class"]
    assert runs[2]["arguments"] == []
    assert result.exit_code == 0
    assert f"\r\n\tVerifying JVM  {jvm}...Passed." in result.log
    assert f"\r\nLaunching  {temp}\\rerodova.class Using JVM {jvm}\r\n" in result.log
    assert "failed" not in result.log


def test_jre_under_program_files_gets_its_four_libraries_and_blanks_stay_unquoted(prefix, setup):
    home = "C:\\Program Files\\JavaSoft\\jre\\1.2"
    jvm = home + "\\bin\\jre.exe"
    install_jvm(prefix, jvm, libs=("rt.jar", "jaws.jar", "i18n.jar", "ext\\iiimp.jar"))
    result = setup("-silent", "-log", criteria="vendor=sun:type=jre:version=1.2",
                   env=TRACE_PROCESSES)

    temp = temp_folder(prefix)
    libs = ";".join(f"{home}\\lib\\{lib}" for lib in ("rt.jar", "jaws.jar", "i18n.jar", "ext\\iiimp.jar"))
    switch = f' -cp "{libs};{temp}"'
    # As the JVM received them (with Wine's quotes).
    assert [run["command"] for run in journal(prefix, jvm)] == [
        f'"{jvm}" {switch} Verify', f'"{jvm}" {switch} Verify', f'"{jvm}" {switch} rerodova']
    # Only the verify run quotes the executable; validation and launch leave
    # the blanks to process creation.
    created = created_command_lines(result, "jre.exe")
    assert [line[:len(jvm) + 5] for line in created] == [f'"{jvm}"  -', f"{jvm}  -cp", f"{jvm}  -cp"]
    assert result.exit_code == 0
    assert "failed" not in result.log


def test_search_passes_over_a_jvm_without_output_and_reads_long_output_whole(prefix, setup):
    quiet = "C:\\JDK1.3\\bin\\java.exe"
    chatty = "C:\\JDK1.2\\bin\\java.exe"
    install_jvm(prefix, quiet, libs=("classes.zip",), version="1.3.0", output="stderr-only")
    install_jvm(prefix, chatty, libs=("classes.zip",), output="large")
    result = setup("-silent", "-log", "-logall",
                   criteria="vendor=sun:type=jdk:version=1.3;vendor=sun:type=jdk:version=1.2")

    assert f"\r\n\tVerifying JVM  {quiet}...failed." in result.log
    assert f"\r\n\tVerifying JVM  {chatty}...Passed." in result.log
    assert (f"(Vendor=sun, Version=1.2, Type=jdk)...{chatty} Passed") in result.log
    assert [run["class"] for run in journal(prefix, quiet)] == ["Verify"]
    assert [run["class"] for run in journal(prefix, chatty)] == ["Verify", "Verify", "rerodova"]
    assert result.exit_code == 0


def test_jvm_whose_output_outlives_it_does_not_hold_up_the_run(prefix, setup):
    # Every run of this JVM leaves a process behind that keeps the output
    # pipe open for a minute; reading stops once the JVM itself has ended.
    jvm = "C:\\JDK1.2\\bin\\java.exe"
    install_jvm(prefix, jvm, libs=("dt.jar",), linger_ms=60000)
    started = time.monotonic()
    result = setup("-silent", "-log", timeout=55)
    elapsed = time.monotonic() - started

    assert not result.timed_out
    assert elapsed < 45, f"the run took {elapsed:.0f} s"
    assert [run["class"] for run in journal(prefix, jvm)] == ["Verify", "Verify", "rerodova"]
    assert result.exit_code == 0


# --- JVMs named on the command line


def test_named_jvm_without_libraries_falls_back_to_classes_zip_and_gets_the_d_options(prefix, setup):
    jvm = "C:\\jvm\\bin\\java.exe"
    install_jvm(prefix, jvm)
    result = setup("-jvm", jvm, "-Dinstall.dir=C:\\App", "-silent", "-Dmode=quiet", "-log",
                   "-logall")

    temp = temp_folder(prefix)
    class_path = f'"C:\\jvm\\bin\\..\\lib\\classes.zip;{temp}"'
    runs = journal(prefix, jvm)
    assert [run["command"] for run in runs] == [
        f"{jvm}  -classpath {class_path} Verify",
        f"{jvm}  -classpath {class_path} rerodova -Dinstall.dir=C:\\App -Dmode=quiet "]
    assert runs[1]["arguments"] == ["-Dinstall.dir=C:\\App", "-Dmode=quiet"]
    assert f"\r\nLaunching  {temp}\\rerodova.class Using JVM {jvm}\r\n" in result.log
    assert result.exit_code == 0


def test_named_jvm_path_with_blanks_reaches_process_creation_unquoted(prefix, setup):
    jvm = "C:\\Program Files\\My JVM\\bin\\java.exe"
    install_jvm(prefix, jvm)
    result = setup("-jvm", jvm, "-silent", "-log", env=TRACE_PROCESSES)

    temp = temp_folder(prefix)
    switch = f' -classpath "C:\\Program Files\\My JVM\\bin\\..\\lib\\classes.zip;{temp}"'
    assert created_command_lines(result, "My JVM") == [f"{jvm} {switch} Verify",
                                                       f"{jvm} {switch} rerodova"]
    runs = journal(prefix, jvm)
    assert [run["command"] for run in runs] == [f'"{jvm}" {switch} Verify',
                                                f'"{jvm}" {switch} rerodova']
    assert runs[1]["arguments"] == []
    assert result.exit_code == 0
    assert "Launching" not in result.log  # a detailed entry: only with -logall


def test_executable_named_otherwise_fails_validation_and_nothing_is_launched(prefix, setup):
    jvm = "C:\\jvm\\bin\\javaw.exe"
    install_jvm(prefix, jvm)
    result = setup("-jvm", jvm, "-silent", "-log", "-logall")

    assert journal(prefix, jvm) == []
    assert f"\r\nValidation of  {jvm} failed\r\n" in result.log
    assert "Launching" not in result.log
    assert result.exit_code == 0


def test_installation_ending_with_an_error_code_still_ends_the_launcher_with_0(prefix, setup):
    jvm = "C:\\jvm\\bin\\java.exe"
    install_jvm(prefix, jvm, exit_code=3)
    result = setup("-jvm", jvm, "-silent", "-log")

    assert [run["class"] for run in journal(prefix, jvm)] == ["Verify", "rerodova"]
    assert result.exit_code == 0
    assert "failed" not in result.log


def test_nosearch_runs_the_bare_java_exe_that_process_creation_finds_on_path(prefix, setup):
    jvm = "C:\\tools\\jdk\\bin\\java.exe"
    install_jvm(prefix, jvm)
    temp = temp_folder(prefix)
    # Without a class path the JVM takes CLASSPATH, as a real one does.
    result = setup("-nosearch", "-silent", "-log", "-logall",
                   env={"WINEPATH": "C:\\tools\\jdk\\bin", "CLASSPATH": temp})

    runs = journal(prefix, jvm)
    assert [run["command"] for run in runs] == ["java.exe  Verify", "java.exe  rerodova"]
    assert runs[1]["found"] == f"{temp}\\rerodova.class"
    assert f"\r\nLaunching  {temp}\\rerodova.class Using JVM java.exe\r\n" in result.log
    assert result.exit_code == 0
