"""An author's first hour: the README's build sequence, run as written from
an empty folder with a small installation of its own, then `mksetup try` on
what it built: under Wine, on the host's JDK, the installation's output and
exit code shown."""

import os
import re
import subprocess

from wine import REPO

SOURCE = """
public class rerodova {
    public static void main(String[] args) throws Exception {
        byte[] archive = ArchiveReader.readOwnClassFile("rerodova");
        byte[] records = ArchiveReader.sectionRecords(archive, "program");
        System.out.println(ArchiveReader.resourceData(records, "app.jar").length);
        System.err.println(args[0]);
        System.exit(3);
    }
    // @include ArchiveReader
}
"""


def test_the_readmes_build_sequence_builds_a_setup_that_try_runs_on_the_host_jdk(tmp_path):
    readme = (REPO / "README.md").read_text(encoding="utf-8")
    block = re.search(r"<!-- author build sequence[^\n]*\n```sh\n(.*?)```", readme, re.S)[1]
    (tmp_path / "MySetup").mkdir()
    (tmp_path / "MySetup" / "rerodova.java").write_text(SOURCE)
    (tmp_path / "readme.txt").write_text("read me\n")
    (tmp_path / "app.jar").write_bytes(os.urandom(2 << 20))
    (tmp_path / "sequence.sh").write_text(block)
    built = subprocess.run(["bash", "-e", "sequence.sh"], cwd=tmp_path, capture_output=True,
                           text=True, env={**os.environ, "CARAFE": str(REPO)})

    assert built.returncode == 0, built.stderr
    assert "machine        x86 (32-bit)" in built.stdout
    assert "search criteria  type=jdk:version=17;type=jdk\n" in built.stdout
    assert "resource app.jar: 2097152 bytes, flag 0\n" in built.stdout

    tried = subprocess.run([REPO / "dist" / "linux" / "mksetup", "try", "setup.exe", "--",
                            "-Dtarget=C:\\Target"], cwd=tmp_path, capture_output=True, text=True,
                           timeout=300)
    assert tried.returncode == 3, tried.stdout + tried.stderr
    # No 32-bit Wine here: the container runs behind the 64-bit stub.
    assert tried.stdout.startswith("try: the setup's stub is 32-bit and this Wine runs no 32-bit")
    log, shown = tried.stdout.split("--- the installation's standard output ---\n")
    assert re.search(r"\tVerifying JVM  C:\\Program Files\\Java\\jdk-\d+\\bin\\java.exe"
                     r"\.\.\.Passed\.\n", log), log
    assert re.fullmatch(r"2097152\n--- its standard error ---\n-Dtarget=/\S+/drive_c/Target\n"
                        r"--- its exit code: 3 ---\n", shown), shown
