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


def compiled(tmp_path, name, source):
    (tmp_path / f"{name}.java").write_text(source)
    subprocess.run(["javac", "--release", "8", "-d", tmp_path, tmp_path / f"{name}.java"],
                   check=True, capture_output=True)
    return tmp_path / f"{name}.class"


def retarget(built, output):
    return run(DIST / "linux" / "mksetup", "retarget", built, "--api",
               REPO / "java" / "java11-api.txt", "-o", output)


def test_retarget_names_every_need_in_one_run_with_the_method_using_it(tmp_path):
    built = compiled(tmp_path, "Newer", """public class Newer {
        static Object literal() { return String.class; }
        static Runnable later() { return () -> {}; }
        public static void main(String[] args) {
            java.util.zip.CRC32 sum = new java.util.zip.CRC32();
            System.out.println(new StringBuilder().append(sum.getValue()).toString());
            try { throw new java.io.IOException("x"); }
            catch (java.io.IOException e) { System.out.println(e.toString()); }
        }
    }""")
    code, _, error = retarget(built, tmp_path / "old" / "Newer.class")
    needs = [line.split(": ", 4)[-1] for line in error.splitlines()]

    assert code == 1 and not (tmp_path / "old").exists()
    # IOException.toString is Throwable's, which the list names; the lambda
    # brings method handles and the invoke classes too.
    assert needs[-1] == f"old JVMs lack what the {len(needs) - 1} lines above name; nothing written"
    for need in (r"class literal java\.lang\.String\.class \(in literal\), which Java 1\.1 lacks; "
                 r"use Class\.forName\(\"java\.lang\.String\"\)",
                 r"uses class java/util/zip/CRC32 \(in main\), which the API list does not name",
                 r"uses class java/lang/StringBuilder \(in main\), which the API list does not name",
                 r"constant \d+ of kind InvokeDynamic, which class-file version 45\.3 cannot carry "
                 r"\(in later\)"):
        assert sum(bool(re.fullmatch(need, line)) for line in needs) == 1, (need, needs)


def test_a_retargeted_class_of_every_old_constant_kind_runs_verified_on_every_jdk(tmp_path):
    built = compiled(tmp_path, "Kinds", """public class Kinds {
        static long whole = 1234567890123L; static double wide = 2.5e300;
        static float narrow = 1.5f; static int number = 123456;
        public static void main(String[] args) {
            java.util.Vector names = new java.util.Vector();
            names.addElement("x");
            StringBuffer text = new StringBuffer();
            for (java.util.Enumeration e = names.elements(); e.hasMoreElements();)
                text.append((String) e.nextElement());
            System.out.println(text.append(whole).append(wide).append(narrow).append(number)
                .toString());
        }
    }""")
    code, _, error = retarget(built, tmp_path / "old" / "Kinds.class")
    assert code == 0, error
    jdks = sorted({path.resolve() for path in Path("/usr/lib/jvm").glob("*/bin/java")})

    assert len(jdks) >= 2
    for java in jdks:
        assert run(java, "-Xverify:all", "-cp", tmp_path / "old", "Kinds")[:2] == (
            0, "x12345678901232.5E3001.5123456\n"), java
