"""The verify class and the example installation, run on the host JDK.

CARAFE_DIST names the build to test (default: dist/ of this work tree).
"""

import os
import re
import struct
import subprocess
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
DIST = REPO / os.environ.get("CARAFE_DIST", "dist")
EXAMPLE = REPO / "java" / "example"


def run(*command):
    """Output and error as text, line ends as printed."""
    done = subprocess.run([str(part) for part in command], capture_output=True)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def files(root):
    """Every file under root, by its path below root, with its bytes."""
    return {path.relative_to(root): path.read_bytes() for path in root.rglob("*") if path.is_file()}


def test_verify_class_is_version_45_3_and_prints_the_host_jvm_properties():
    assert (DIST / "java" / "Verify.class").read_bytes()[:8] == bytes.fromhex("CAFEBABE0003002D")
    code, printed, error = run("java", "-cp", DIST / "java", "Verify")
    host = dict(re.findall(r"(?m)^    (\S+) = (.*)$",
                           run("java", "-XshowSettings:properties", "-version")[2]))

    assert code == 0, error
    lines = [line.split(" = ", 1) for line in printed.split("\n")[:-1]]
    assert [name for name, _ in lines] == ("java.home java.version java.vendor.url java.vendor "
                                           "java.class.path java.class.version user.name user.home "
                                           "user.dir os.name os.version os.arch").split()
    # Each line ends in CR LF; the class path differs between the two runs by construction.
    assert all(value.endswith("\r") for _, value in lines)
    assert {name: value[:-1] for name, value in lines if name != "java.class.path"} == {
        name: host[name] for name, _ in lines if name != "java.class.path"}


def test_example_installation_writes_every_resource_of_its_own_archive_and_refuses_damage(tmp_path):
    out = tmp_path / "out"
    code, _, error = run("java", "-cp", DIST / "example", "rerodova", f"-Dtarget={out}")

    assert code == 0, error
    written = files(out)
    assert written == files(EXAMPLE) and len(written) >= 4
    # The table offset in the last 8 bytes points past the end.
    archive = bytearray((DIST / "example" / "rerodova.class").read_bytes())
    archive[-8:] = struct.pack(">Q", len(archive))
    (tmp_path / "rerodova.class").write_bytes(archive)
    code, _, error = run("java", "-cp", tmp_path, "rerodova", f"-Dtarget={tmp_path / 'again'}")
    assert code == 1 and "bad OffsetTable offset" in error
