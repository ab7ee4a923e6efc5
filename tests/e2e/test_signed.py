"""A setup signed after it was built, with a throwaway self-signed
certificate: the signature verifies, mksetup lists it, and the launcher
still finds its container in front of the certificate table, extracts,
searches and launches. A stub signed first is refused."""

import re
import shutil
import subprocess

import pytest

from conftest import LAUNCHER, MKSETUP, SETUP_PATH, VERIFY_CLASS, install_jvm, journal, required
from conftest import summary

CRITERIA = "vendor=sun:type=jre:version=1.2"
JVM = "C:\\Program Files\\JavaSoft\\jre\\1.2\\bin\\jre.exe"


def run(*command):
    return subprocess.run([str(part) for part in command], capture_output=True, text=True)


@pytest.fixture
def certificate(tmp_path):
    for tool in ("openssl", "osslsigncode"):
        if shutil.which(tool) is None:
            pytest.fail(f"{tool} is missing (scripts/bootstrap installs it)")
    key, cert = tmp_path / "key.pem", tmp_path / "cert.pem"
    made = run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
               "-subj", "/CN=Carafe test publisher", "-addext", "extendedKeyUsage=codeSigning",
               "-keyout", key, "-out", cert)
    assert made.returncode == 0, made.stderr
    return key, cert


def sign(certificate, unsigned, signed):
    key, cert = certificate
    result = run("osslsigncode", "sign", "-certs", cert, "-key", key, "-n", "Carafe test",
                 "-in", unsigned, "-out", signed)
    assert result.returncode == 0, result.stdout + result.stderr


def test_a_signed_setup_verifies_lists_its_signature_and_runs_as_unsigned(
        prefix, certificate, tmp_path):
    build = [required(MKSETUP), "build", "--archive", required(VERIFY_CLASS),
             "--verify", required(VERIFY_CLASS), "--criteria", CRITERIA]
    unsigned, signed = tmp_path / "setup.exe", tmp_path / "signed.exe"
    built = run(*build, "--stub", required(LAUNCHER), "-o", unsigned)
    assert built.returncode == 0, built.stderr
    sign(certificate, unsigned, signed)

    verified = run("osslsigncode", "verify", "-CAfile", certificate[1], "-in", signed)
    assert verified.returncode == 0 and "Signature verification: ok" in verified.stdout, (
        verified.stdout + verified.stderr)
    listed = run(required(MKSETUP), "list", signed)
    assert listed.returncode == 0, listed.stderr
    table = re.search(r"^signature      certificate table of (\d+) bytes at (\d+)$",
                      listed.stdout, re.M)
    assert table and int(table[1]) + int(table[2]) == signed.stat().st_size, listed.stdout
    assert "search criteria  " + CRITERIA in listed.stdout
    assert "signature      none" in run(required(MKSETUP), "list", unsigned).stdout

    # The other order: a signed stub is refused and leaves no setup behind.
    signed_stub, refused = tmp_path / "signed-launcher.exe", tmp_path / "refused.exe"
    sign(certificate, required(LAUNCHER), signed_stub)
    result = run(*build, "--stub", signed_stub, "-o", refused)
    assert result.returncode == 1 and not refused.exists()
    assert re.search(r"is signed \(certificate table of \d+ bytes\); sign the finished setup "
                     r"instead, or use --replace to strip the signature", result.stderr), (
        result.stderr)

    install_jvm(prefix, JVM)
    prefix.put(SETUP_PATH, signed)
    result = prefix.run(SETUP_PATH, ["-silent", "-log", "-logall"], timeout=300)

    assert result.exit_code == 0 and result.message_boxes == [], result
    log = prefix.log()
    assert summary(log) == [f"(Vendor=sun, Version=1.2, Type=jre)...{JVM} Passed"], log
    assert f"Using JVM {JVM}" in log and "failed" not in log
    # Both classes came out of the container into the temporary folder.
    runs = journal(prefix, JVM)
    assert runs[-1]["class"] == "rerodova", runs
    assert all(run["found"].lower().startswith(prefix.temp_dir_windows.lower()) for run in runs), runs
