"""Verifying a JVM and launching the installation on it: real CreateProcess,
pipe and wait. The fixture JVMs journal the command lines they receive."""

import re
import time

import pytest

from conftest import classes, folder_of_length, install_jvm, journal

# Wine's process channel traces each CreateProcess command line as the caller
# gave it; Wine then quotes an unquoted program path with blanks before the
# child sees it, so for such paths only this trace shows what was passed.
TRACE_PROCESSES = {"WINEDEBUG": "-all,trace+process"}
_CREATE_PROCESS = re.compile(r'CreateProcessInternalW app \(null\) cmdline L"(.*)"(?:\.\.\.)?\s*$')


def created_command_lines(result, program_name):
    """The traced CreateProcess command lines that name program_name."""
    lines = [re.sub(r"\\(.)", r"\1", match.group(1)) for match in
             map(_CREATE_PROCESS.search, result.stderr.splitlines()) if match]
    return [line for line in lines if program_name in line]


def temp_folder(prefix):
    """The class folder on every class path: the temporary folder, no backslash."""
    return prefix.temp_dir_windows.rstrip("\\")


def test_jdk_found_by_the_search_runs_with_dt_and_tools_jar_after_a_jvm_that_failed(prefix, setup):
    quiet = "C:\\JDK1.3\\bin\\java.exe"  # its properties on stderr only: they are not read
    jvm = "C:\\JDK1.2\\bin\\java.exe"  # more than one 1024-byte read before its properties
    install_jvm(prefix, quiet, libs=("classes.zip",), version="1.3.0", output="stderr-only")
    install_jvm(prefix, jvm, libs=("dt.jar", "tools.jar"), output="large")
    result = setup("-log", "-logall",
                   criteria="vendor=sun:type=jdk:version=1.3;vendor=sun:type=jdk:version=1.2")

    temp = temp_folder(prefix)
    class_path = f'"C:\\JDK1.2\\lib\\dt.jar;C:\\JDK1.2\\lib\\tools.jar;{temp}"'
    verify = f"{jvm}  -classpath {class_path} Verify"
    runs = journal(prefix, jvm)
    # Verified by the search, validated, then the installation.
    assert [run["command"] for run in runs] == [verify, verify, f"{jvm}  -classpath {class_path} rerodova"]
    assert [run["found"] for run in runs] == [f"{temp}\\Verify.class"] * 2 + [f"{temp}\\rerodova.class"]
    assert classes(prefix, quiet) == ["Verify"]
    assert f"\r\n\tVerifying JVM  {quiet}...failed." in result.log
    assert f"\r\n\tVerifying JVM  {jvm}...Passed." in result.log
    assert f"\r\nLaunching  {temp}\\rerodova.class Using JVM {jvm}\r\n" in result.log
    assert result.log.count("failed") == 1


def test_jre_under_program_files_gets_its_four_libraries_and_blanks_stay_unquoted(prefix, setup):
    home = "C:\\Program Files\\JavaSoft\\jre\\1.2"
    jvm = home + "\\bin\\jre.exe"
    install_jvm(prefix, jvm, libs=("rt.jar", "jaws.jar", "i18n.jar", "ext\\iiimp.jar"))
    result = setup("-silent", "-log", criteria="vendor=sun:type=jre:version=1.2",
                   env=TRACE_PROCESSES)

    libs = ";".join(f"{home}\\lib\\{lib}" for lib in ("rt.jar", "jaws.jar", "i18n.jar", "ext\\iiimp.jar"))
    switch = f' -cp "{libs};{temp_folder(prefix)}"'
    # As the JVM received them (with Wine's quotes).
    assert [run["command"] for run in journal(prefix, jvm)] == [
        f'"{jvm}" {switch} Verify', f'"{jvm}" {switch} Verify', f'"{jvm}" {switch} rerodova']
    # Only the verify run quotes the executable; validation and launch leave
    # the blanks to process creation.
    created = created_command_lines(result, "jre.exe")
    assert [line[:len(jvm) + 5] for line in created] == [f'"{jvm}"  -', f"{jvm}  -cp", f"{jvm}  -cp"]
    assert "failed" not in result.log


def test_jvm_whose_output_outlives_it_does_not_hold_up_the_run(prefix, setup):
    # Each run leaves a process behind that keeps the output pipe open for a
    # minute; reading stops once the JVM itself has ended.
    jvm = "C:\\JDK1.2\\bin\\java.exe"
    install_jvm(prefix, jvm, libs=("dt.jar",), linger_ms=60000)
    started = time.monotonic()
    setup("-silent", "-log", timeout=55)

    assert time.monotonic() - started < 45
    assert classes(prefix, jvm) == ["Verify", "Verify", "rerodova"]


def test_named_jvm_without_libraries_gets_classes_zip_and_the_d_options_and_may_fail(prefix, setup):
    jvm = "C:\\jvm\\bin\\java.exe"
    install_jvm(prefix, jvm, exit_code=3)  # every run, the installation's too, ends with 3
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
    assert "failed" not in result.log


@pytest.mark.parametrize("jvm", ["C:\\jvm\\bin\\javaw.exe",
                                 folder_of_length("C:\\jvm", 300) + "\\bin\\java.exe"],
                         ids=["named-otherwise", "past-max-path"])
def test_jvm_named_otherwise_or_past_max_path_fails_validation_and_nothing_runs(prefix, setup, jvm):
    install_jvm(prefix, jvm)
    result = setup("-jvm", jvm, "-silent", "-log", "-logall")

    assert journal(prefix, jvm) == []
    assert f"\r\nValidation of  {jvm} failed\r\n" in result.log
    assert "Launching" not in result.log


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
