"""A setup carrying the author's product: read back by readers that are not
ours (pefile for the tree and the version information, icoutils' wrestool
for the icon groups), refused when it cannot be carried, and shown under
Wine in the captions of the progress dialog and of a message box."""

import struct
import subprocess

import pefile
import pytest

from conftest import EXAMPLE_ARCHIVE, FIXTURE_JVM, LAUNCHER, MKSETUP, SETUP_PATH, VERIFY_CLASS, \
    build_setup, host_run

NAME = "Acme Setup"
LANGUAGES = (1028, 1031, 1033, 1036, 1040, 1041, 1042, 1053, 2052, 3082)
VERSION = {"ProductName": "Acme Installer", "CompanyName": "Acme Corp",
           "FileDescription": "Acme's setup", "ProductVersion": "2.1 beta",
           "FileVersion": "2.1.0.7", "LegalCopyright": "© 2026 Acme"}
CAPTIONED = (101, 103, 105, 106)  # the browse, progress, bundled and abort dialogs


def build(target, *options):
    return build_setup(target, EXAMPLE_ARCHIVE, "type=jdk", *options)


@pytest.fixture(scope="module")
def icon(tmp_path_factory):
    """An .ico of four images, the largest stored as PNG, drawn by ImageMagick."""
    path = tmp_path_factory.mktemp("icon") / "acme.ico"
    subprocess.run(["convert", "-size", "256x256", "xc:orange", "-fill", "navy", "-draw",
                    "circle 128,128 128,40", "-define", "icon:auto-resize=256,48,32,16", path],
                   check=True)
    return path


def ico_images(data):
    """(width, height, image bytes) of each entry of an .ico."""
    count, = struct.unpack_from("<H", data, 4)
    entries = [struct.unpack_from("<BBxxxxxxII", data, 6 + 16 * i) for i in range(count)]
    return [(w, h, data[offset:offset + size]) for w, h, size, offset in entries]


def string_block(data):
    strings, at = [], 0
    for _ in range(16):
        length, = struct.unpack_from("<H", data, at)
        strings.append(data[at + 2:at + 2 + 2 * length].decode("utf-16le"))
        at += 2 + 2 * length
    return strings


def caption(dialog):
    """A plain dialog template's caption (menu and class are none here)."""
    assert dialog[18:22] == b"\0\0\0\0"
    return dialog[22:].decode("utf-16le").split("\0")[0]


def test_a_branded_setup_read_back_by_pefile_and_wrestool(tmp_path, icon):
    setup, plain, names = tmp_path / "setup.exe", tmp_path / "plain.exe", tmp_path / "names"
    names.write_text("# German differs\n1031=Acme Installation\n")
    name = {language: "Acme Installation" if language == 1031 else NAME for language in LANGUAGES}
    made = build(setup, "--name", NAME, "--name-file", names, "--icon", icon, "--version-info",
                 *(f"{key}={value}" for key, value in VERSION.items()))
    assert made.returncode == 0, made.stderr
    pe = pefile.PE(str(setup))
    assert pe.get_warnings() == [] and pe.verify_checksum()
    last = pe.sections[-1]
    assert last.Name.rstrip(b"\0") == b".rsrc"
    assert pe.OPTIONAL_HEADER.SizeOfImage == -(-(last.VirtualAddress + last.Misc_VirtualSize)
                                               // pe.OPTIONAL_HEADER.SectionAlignment
                                               * pe.OPTIONAL_HEADER.SectionAlignment)
    resources = {(kind.id, name.id, language.id):
                 pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                 for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries
                 for name in kind.directory.entries for language in name.directory.entries}
    progress = {}
    for language in LANGUAGES:
        assert string_block(resources[6, 1, language])[8] == name[language]
        progress[language] = string_block(resources[6, 5, language])[8]
        assert name[language] in progress[language]
        captions = [caption(resources[5, dialog, language]) for dialog in CAPTIONED]
        assert captions == [name[language]] * 4
    assert len(set(progress.values())) == 10
    everything = b"".join(resources.values())
    assert not any(old.encode("utf-16le") in everything for old in ("Varnica", "Roruvazodaza"))

    def group(language, *raw):
        return subprocess.run(["wrestool", "-x", *raw, "--type=14", "--name=128",
                               f"--language={language}", setup], capture_output=True).stdout

    # The images are stored once, language neutral, as the system's lookup
    # finds them (wrestool looks only in the group's own language).
    assert ico_images(group(0)) == ico_images(icon.read_bytes())
    assert all(group(language, "--raw") == group(0, "--raw") for language in LANGUAGES)

    strings = {key.decode(): value.decode() for info in pe.FileInfo[0]
               if info.Key == b"StringFileInfo"
               for table in info.StringTable for key, value in table.entries.items()}
    fixed = pe.VS_FIXEDFILEINFO[0]
    assert VERSION.items() <= strings.items()
    assert (fixed.FileVersionMS, fixed.FileVersionLS) == (2 << 16 | 1, 0 << 16 | 7)

    listed = host_run(MKSETUP, "list", setup).stdout
    assert (f"name           {NAME}\nname in 1031  Acme Installation\n"
            "icon           256x256 48x48 32x32 16x16\n") in listed
    assert "version info   FileVersion = 2.1.0.7\n" in listed
    # Without the options the stub's bytes are not touched.
    assert build(plain).returncode == 0 and plain.read_bytes().startswith(LAUNCHER.read_bytes())


def test_refusals(tmp_path):
    no_image = tmp_path / "empty.ico"
    no_image.write_bytes(b"\0\0\1\0\0\0")
    for options, says in (
            (["--icon", VERIFY_CLASS], "is not an .ico file holding at least one image"),
            (["--icon", no_image], "is not an .ico file holding at least one image"),
            (["--name", "A" * 41], "longer than the 40 columns a dialog's caption shows"),
            (["--name", "Пример"], "code page 950 of language 1028 (Traditional Chinese)"),
            (["--version-info", "FileVersion=2.x"], "not up to four numbers below 65536")):
        refused = build(tmp_path / "setup.exe", *options)
        assert refused.returncode == 1 and refused.stdout == "", options
        assert refused.stderr.count("\n") == 1 and says in refused.stderr, refused.stderr
        assert not (tmp_path / "setup.exe").exists()


@pytest.mark.parametrize("env, preparing", [
    ({}, f"Preparing {NAME}, which will guide you through the rest of the setup process. "
         "Please wait..."),
    ({"LANG": "de_DE.UTF-8", "LC_ALL": "de_DE.UTF-8"},
     f"{NAME} wird vorbereitet und führt Sie durch den weiteren Installationsvorgang. "
     "Bitte warten..."),
])
def test_the_name_in_the_captions_under_wine(prefix, tmp_path, icon, env, preparing):
    setup = tmp_path / "setup.exe"
    assert build(setup, "--name", NAME, "--icon", icon).returncode == 0
    prefix.put(SETUP_PATH, setup)
    prefix.put("C:\\jvm\\java.exe", FIXTURE_JVM)
    prefix.put("C:\\jvm\\java.ini", "delay_ms=3000\r\n")  # the dialog stays while it verifies
    run = prefix.start(SETUP_PATH, ["-jvm", "C:\\jvm\\java.exe"], env=env)
    progress = prefix.watch.next_dialog()
    assert (progress.caption, prefix.watch.text(progress, 1002)) == (NAME, preparing)
    # It ends; the code itself may be lost (-9) when Wine 8 kills a process whose Unix side
    # lingers after its last thread, and it is pinned elsewhere.
    assert run(90).exit_code is not None
    # A container cut short: the launcher says so in a message box.
    prefix.put("C:\\carafe\\damaged.exe", setup.read_bytes()[:-100])
    result = prefix.run("C:\\carafe\\damaged.exe", env=env)
    assert [box.caption for box in result.message_boxes] == [NAME], result
