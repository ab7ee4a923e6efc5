"""The README's build sequence for authors, run as written from an empty
folder with a small installation of its own, and what it builds, run on the
host JDK."""

import os
import re
import subprocess
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
SOURCE = """
public class rerodova {
    public static void main(String[] args) throws Exception {
        byte[] archive = ArchiveReader.readOwnClassFile("rerodova");
        byte[] records = ArchiveReader.sectionRecords(archive, "program");
        System.out.println(ArchiveReader.resourceData(records, "app.jar").length);
    }
    // @include ArchiveReader
}
"""


def test_the_readmes_build_sequence_runs_as_written_from_an_empty_folder(tmp_path):
    readme = (REPO / "README.md").read_text(encoding="utf-8")
    block = re.search(r"<!-- author build sequence[^\n]*\n```sh\n(.*?)```", readme, re.S)[1]
    (tmp_path / "MySetup").mkdir()
    (tmp_path / "MySetup" / "rerodova.java").write_text(SOURCE)
    (tmp_path / "readme.txt").write_text("read me\n")
    (tmp_path / "app.jar").write_bytes(os.urandom(2 << 20))
    (tmp_path / "sequence.sh").write_text(block)
    done = subprocess.run(["bash", "-e", "sequence.sh"], cwd=tmp_path, capture_output=True,
                          text=True, env={**os.environ, "CARAFE": str(REPO)})

    assert done.returncode == 0, done.stderr
    assert "search criteria  type=jdk:version=17;type=jdk\n" in done.stdout
    assert "resource app.jar: 2097152 bytes, flag 0\n" in done.stdout
    ran = subprocess.run(["java", "-cp", tmp_path, "rerodova"], capture_output=True, text=True)
    assert (ran.returncode, ran.stdout) == (0, "2097152\n"), ran.stderr
