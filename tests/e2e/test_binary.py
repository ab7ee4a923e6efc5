"""What ships, read without Wine: the launchers' imports and size, and the
texts of the resource tables against their languages' code pages."""

import re
import shutil
import subprocess

import pytest

from conftest import LAUNCHER, required
from wine import REPO

# Only DLLs that Windows always takes from the system folder (known DLLs): a
# static import of any other would be looked for beside setup.exe first.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"}
TARGETS = {"win32": ("i686-w64-mingw32-objdump", "pei-i386"),
           "win64": ("x86_64-w64-mingw32-objdump", "pei-x86-64")}
# The ANSI code page each language's texts pass through (the A functions
# turn what it lacks into "?"); the others are Western European.
CODE_PAGES = {1028: "cp950", 1041: "cp932", 1042: "cp949", 2052: "cp936"}


@pytest.mark.parametrize("target", sorted(TARGETS))
def test_launcher_is_a_stripped_gui_program_importing_only_system_dlls(target):
    objdump, file_format = TARGETS[target]
    if shutil.which(objdump) is None:
        pytest.fail(f"{objdump} is missing (scripts/bootstrap installs it)")
    exe = required(LAUNCHER.parents[1] / target / "launcher.exe")
    text = subprocess.run([objdump, "-p", str(exe)], capture_output=True, text=True,
                          check=True).stdout
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", text)}

    assert "kernel32.dll" in imports
    assert imports <= SYSTEM_DLLS, f"not a system DLL: {sorted(imports - SYSTEM_DLLS)}"
    assert f"file format {file_format}" in text
    assert re.search(r"Subsystem\s+00000002\s+\(Windows GUI\)", text)
    assert "symbols stripped" in text
    if target == "win32":
        # The Windows 95 loader refuses images that ask for a newer subsystem.
        assert re.search(r"MajorSubsystemVersion\s+4\b", text)
        # 159,232 bytes today; a build without its size flags is far larger.
        assert exe.stat().st_size <= 160 * 1024, f"{exe} is {exe.stat().st_size} bytes"


def test_every_text_fits_the_ansi_code_page_of_its_language():
    sources = sorted((REPO / "resources").glob("*_[0-9]*.rc"))
    assert len(sources) >= 20, sources  # strings and dialogs of ten languages
    for source in sources:
        code_page = CODE_PAGES.get(int(source.stem.rsplit("_", 1)[1]), "cp1252")
        texts = re.findall(r'^\s*(?:IDS_\w+|#define DLG_\w+) "(.*)"\s*$',
                           source.read_text("utf-8"), re.M)
        assert texts, source
        for text in texts:
            assert text.encode(code_page, "replace").decode(code_page) == text, (source.name, text)
