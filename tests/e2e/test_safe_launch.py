"""What keeps a setup working and safe on today's Windows, where JVMs live
under a folder with a blank and installers run elevated: every JVM run gets
its path whole, a class the launcher could not write is never run, a hung
candidate does not outlive the launcher, and a JVM registered in the other
registry view is found."""

import time

import pytest

from conftest import BUILD, EXAMPLE_ARCHIVE, FIXTURE_JVM, SETUP_PATH, build_setup, journal

JDK = "C:\\Program Files\\Java\\jdk-17\\bin\\java.exe"
# Where Windows looks first for an unquoted "C:\Program Files\...".
DECOY = "C:\\Program.exe"


def put_jvm(prefix, path, settings=""):
    prefix.put(path, FIXTURE_JVM)
    prefix.put(path.rsplit(".", 1)[0] + ".ini", settings)


@pytest.fixture
def setup(prefix, tmp_path):
    built = build_setup(tmp_path / "setup.exe", EXAMPLE_ARCHIVE, "type=jdk:version=17")
    assert built.returncode == 0, built.stderr
    prefix.put(SETUP_PATH, tmp_path / "setup.exe")
    return prefix


def test_a_jvm_under_program_files_gets_its_whole_path_and_a_planted_program_never_runs(setup):
    prefix = setup
    put_jvm(prefix, JDK, "version=17.0.2\r\n")
    put_jvm(prefix, DECOY)
    prefix.reg_add("Software\\JavaSoft\\Java Development Kit\\17", "JavaHome",
                   JDK.rsplit("\\bin", 1)[0], view=BUILD.view)
    for options in (["-jvm", JDK], []):
        result = prefix.run(SETUP_PATH, ["-silent", "-log", "-logall", *options])
        assert result.exit_code == 0 and result.message_boxes == [], result
        # The log names the JVM as before, unquoted.
        assert (f"Using JVM {JDK}\r\n") in prefix.log(), prefix.log()

    assert prefix.read_text("C:\\fixture_jvm.journal") is None  # the decoy never ran
    lines = journal(prefix, JDK)
    commands = [line[1] for line in lines if line[0] == "command"]
    # -jvm: validated, launched; searched: verified, validated, launched.
    assert [line[1] for line in lines if line[0] == "class"] == ["Verify", "rerodova"] + [
        "Verify", "Verify", "rerodova"]
    assert len(commands) == 5 and all(c.startswith(f'"{JDK}"  -classpath "') for c in commands)


def test_a_stale_verify_class_held_by_another_process_is_never_run(setup):
    prefix = setup
    put_jvm(prefix, "C:\\jdk\\bin\\java.exe")
    stale = prefix.temp_dir_windows + "Verify.class"
    prefix.put(stale, b"\xCA\xFE\xBA\xBE planted by someone else")
    holder = prefix.start("C:\\jdk\\bin\\java.exe", ["--hold", stale, "60000"])
    said = prefix.artifacts / f"run-{prefix.runs}.out"
    deadline = time.monotonic() + 30
    while "held" not in said.read_text() and time.monotonic() < deadline:
        time.sleep(0.1)
    assert said.read_text() == "held\n"

    result = prefix.run(SETUP_PATH, ["-silent", "-log", "-jvm", "C:\\jdk\\bin\\java.exe"])

    assert result.exit_code == 0, result
    assert prefix.log().endswith(f"\r\nValidation of  {stale} failed\r\n"), prefix.log()
    assert journal(prefix, "C:\\jdk\\bin\\java.exe") == []  # no JVM ran
    assert prefix.host_path(stale).read_bytes() == b"\xCA\xFE\xBA\xBE planted by someone else"
    assert prefix.processes("--hold") != []  # as the hung candidate would be, below
    prefix.shutdown()
    holder(10)


@pytest.mark.waits  # the verify run's 60-second bound
def test_a_hung_candidate_is_ended_and_a_jre_in_the_other_registry_view_is_found(setup):
    prefix = setup
    put_jvm(prefix, "C:\\Hung\\bin\\jre.exe", "delay_ms=600000\r\n")
    put_jvm(prefix, "C:\\Other\\bin\\jre.exe")
    jre_key = "Software\\JavaSoft\\Java Runtime Environment\\"
    prefix.reg_add(jre_key + "1.3", "JavaHome", "C:\\Hung", view=BUILD.view)
    # The view the launcher does not see by itself: the 32-bit one for the 64-bit launcher,
    # the 64-bit one for the 32-bit launcher under WoW64.
    prefix.reg_add(jre_key + "1.2", "JavaHome", "C:\\Other", view=BUILD.other_view)

    result = prefix.run(SETUP_PATH, ["-silent", "-log", "-searchcriteria", "vendor=sun:type=jre"],
                        timeout=150)

    assert result.exit_code == 0, result
    assert prefix.processes("C:\\Hung\\") == []
    # Run once, and ended in its delay before it ran a class.
    assert [line[0] for line in journal(prefix, "C:\\Hung\\bin\\jre.exe")] == ["command"]
    assert prefix.log().endswith("...C:\\Other\\bin\\jre.exe Passed"), prefix.log()
    assert journal(prefix, "C:\\Other\\bin\\jre.exe")[-1][:2] == ["class", "rerodova"]
