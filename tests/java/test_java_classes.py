"""The verify class and the example installation, run on the host JDK.

CARAFE_DIST names the build to test (default: dist/ of this work tree).
"""

import os
import re
import struct
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
DIST = REPO / os.environ.get("CARAFE_DIST", "dist")
EXAMPLE = REPO / "java" / "example"

VERIFY_NAMES = ["java.home", "java.version", "java.vendor.url", "java.vendor",
                "java.class.path", "java.class.version", "user.name", "user.home", "user.dir",
                "os.name", "os.version", "os.arch"]


def host_properties():
    """The host JVM's own account of its properties (single-line values)."""
    shown = subprocess.run(["java", "-XshowSettings:properties", "-version"],
                           capture_output=True, text=True, check=True).stderr
    return dict(re.findall(r"(?m)^    (\S+) = (.*)$", shown))


def test_verify_class_is_version_45_3_and_prints_the_host_jvm_properties():
    assert (DIST / "java" / "Verify.class").read_bytes()[:8] == bytes.fromhex("CAFEBABE0003002D")

    run = subprocess.run(["java", "-cp", str(DIST / "java"), "Verify"], capture_output=True)

    assert run.returncode == 0, run.stderr
    assert run.stdout.endswith(b"\r\n")
    lines = run.stdout.decode().split("\r\n")[:-1]
    assert all("\n" not in line for line in lines)
    printed = [line.split(" = ", 1) for line in lines]
    assert [name for name, _ in printed] == VERIFY_NAMES
    host = host_properties()
    # The class path differs between the two runs by construction.
    compared = {name: value for name, value in printed if name in host and name != "java.class.path"}
    assert set(VERIFY_NAMES[:4]) <= compared.keys()
    assert compared == {name: host[name] for name in compared}


def tree(folder):
    return {str(path.relative_to(folder)): path.read_bytes()
            for path in sorted(folder.rglob("*")) if path.is_file()}


def install(archive_dir, target):
    return subprocess.run(["java", "-cp", str(archive_dir), "rerodova", f"-Dtarget={target}"],
                          capture_output=True, text=True)


def test_example_installation_writes_every_resource_of_its_own_archive(tmp_path):
    run = install(DIST / "example", tmp_path / "out")

    assert run.returncode == 0, run.stderr
    written = tree(tmp_path / "out")
    assert written == tree(EXAMPLE) and len(written) >= 4
    assert sorted(run.stdout.splitlines()) == sorted(
        f"{tmp_path / 'out' / name} {len(data)}" for name, data in written.items())


def section_offset(archive, wanted):
    (table,) = struct.unpack(">Q", archive[-8:])
    at = table + 2
    for _ in range(struct.unpack(">H", archive[table:at])[0]):
        (length,) = struct.unpack(">H", archive[at:at + 2])
        name = archive[at + 2:at + 2 + length].decode()
        (offset,) = struct.unpack(">Q", archive[at + 2 + length:at + 10 + length])
        if name == wanted:
            return offset
        at += 10 + length
    raise LookupError(wanted)


def table_beyond_end(archive):
    archive[-8:] = struct.pack(">Q", len(archive))


def broken_deflate_block(archive):
    # The first byte of the "program" payload: a final block of the reserved type 3.
    payload = section_offset(archive, "program") + 2 + len("program") + 4 + 8 + 1
    archive[payload] = 0xFF


@pytest.mark.parametrize("damage, message", [
    (table_beyond_end, "bad OffsetTable offset"),
    (broken_deflate_block, "compressed section is damaged: program"),
])
def test_example_installation_names_a_damaged_archive_and_fails(tmp_path, damage, message):
    archive = bytearray((DIST / "example" / "rerodova.class").read_bytes())
    damage(archive)
    (tmp_path / "rerodova.class").write_bytes(archive)

    run = install(tmp_path, tmp_path / "out")

    assert run.returncode == 1
    assert message in run.stderr
