"""A signed silent setup that finds no JVM installs the one its archive
bundles: the fixture JVM as an installer ("BundledVMInstallers", flag 1) puts
itself into place and registers it, and the second search reads it from the
registry. The setup carries the author's name and icon and is signed after it
was built, with a throwaway certificate."""

import struct

import wine
from conftest import FIXTURE_JVM, MKSETUP, SETUP_PATH, build_setup, host_run, journal

CRITERIA = "vendor=sun:type=jre:version=1.2"
INSTALLED = "C:\\FixtureJRE\\bin\\jre.exe"
ENTRY = "(Vendor=sun, Version=1.2, Type=jre)"
# The installation class: a bare "rerodova"; the fixture JVM runs no code.
INSTALLATION = (b"\xCA\xFE\xBA\xBE\0\0\0\x34\0\x05\x01\0\x08rerodova\x07\0\x01\x01\0\x10"
                b"java/lang/Object\x07\0\x03" + struct.pack(">3H", 0x21, 2, 4) + bytes(8))


def test_signed_silent_setup_without_a_jvm_installs_the_bundled_one_and_launches_on_it(
        prefix, tmp_path):
    key, cert = tmp_path / "key.pem", tmp_path / "cert.pem"
    # Should this fail, the signing below says so.
    host_run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
             "/CN=Carafe test", "-addext", "extendedKeyUsage=codeSigning", "-keyout", key, "-out",
             cert)
    archive, setup = tmp_path / "rerodova.class", tmp_path / "setup.exe"
    signed = tmp_path / "signed.exe"
    (tmp_path / "installation.class").write_bytes(INSTALLATION)
    made = host_run(MKSETUP, "archive", "--class", tmp_path / "installation.class", "--section",
                    "BundledVMInstallers", "--resource", f"jre-setup.exe={FIXTURE_JVM}:1",
                    "-o", archive)
    branding = ("--name", "Acme Setup", "--icon", wine.REPO / "resources" / "launcher.ico")
    assert made.returncode == 0 and build_setup(setup, archive, CRITERIA, *branding).returncode == 0
    made = host_run("osslsigncode", "sign", "-certs", cert, "-key", key, "-in", setup,
                    "-out", signed)
    assert made.returncode == 0, made.stdout + made.stderr
    verified = host_run("osslsigncode", "verify", "-CAfile", cert, "-in", signed)
    assert verified.returncode == 0, verified.stdout + verified.stderr
    prefix.put(SETUP_PATH, signed)

    # The installed JVM prints 1,500 bytes before its properties and leaves a
    # process behind that holds its output pipe for two minutes.
    result = prefix.run(SETUP_PATH, ["-silent", "-log", "-logall"], timeout=90)

    assert result.exit_code == 0 and result.message_boxes == [] and result.windows == [], result
    log = prefix.log()
    assert f"{ENTRY}... Not Found\r\n" in log and f"{ENTRY}...{INSTALLED} Passed\r\n" in log
    # Run once, without arguments; then verified, validated and the installation.
    lines = journal(prefix, INSTALLED)
    assert lines[0] == ["command", prefix.temp_dir_windows + "jre-setup.exe"]
    classes = [line[1:] for line in lines if line[0] == "class"]
    assert [name for name, _ in classes] == ["Verify", "Verify", "rerodova"]
    # Both classes came out of the container in front of the certificate table.
    assert all(found.lower().startswith(prefix.temp_dir_windows.lower()) for _, found in classes)
