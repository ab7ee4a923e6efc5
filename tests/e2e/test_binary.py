"""The built launchers need nothing but the operating system."""

import re
import shutil
import subprocess

import pytest

from conftest import DIST

# Only DLLs that Windows always takes from the system folder (known DLLs): a
# static import of any other would be looked for beside setup.exe first.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"}
TARGETS = {"win32": ("i686-w64-mingw32-objdump", "pei-i386"),
           "win64": ("x86_64-w64-mingw32-objdump", "pei-x86-64")}


@pytest.mark.parametrize("target", sorted(TARGETS))
def test_launcher_is_a_stripped_gui_program_importing_only_system_dlls(target):
    objdump, file_format = TARGETS[target]
    if shutil.which(objdump) is None:
        pytest.skip(f"{objdump} is missing (scripts/bootstrap installs it)")
    exe = DIST / target / "launcher.exe"
    if not exe.is_file():
        pytest.fail(f"{exe} is missing: run make first")
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
        size = exe.stat().st_size
        assert size <= 160 * 1024, f"dist/win32/launcher.exe is {size} bytes"
