"""The built launchers need nothing but the operating system."""

import re
import shutil
import subprocess

import pytest

import wine

DIST = wine.REPO / "dist"
# Only DLLs that Windows always takes from the system folder (known DLLs): a
# static import of any other would be looked for beside setup.exe first.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"}
# What the 32-bit launcher may weigh, stripped, resources included.
WIN32_SIZE_LIMIT = 256 * 1024

TARGETS = {
    "win32": ("i686-w64-mingw32-objdump", "pei-i386"),
    "win64": ("x86_64-w64-mingw32-objdump", "pei-x86-64"),
}


def headers(target):
    objdump, _ = TARGETS[target]
    if shutil.which(objdump) is None:
        pytest.skip(f"{objdump} is missing (scripts/bootstrap installs it)")
    exe = DIST / target / "launcher.exe"
    if not exe.is_file():
        pytest.fail(f"{exe} is missing: run make first")
    return subprocess.run([objdump, "-p", str(exe)], capture_output=True, text=True,
                          check=True).stdout


@pytest.mark.parametrize("target", sorted(TARGETS))
def test_launcher_imports_only_system_dlls(target):
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers(target))}

    assert "kernel32.dll" in imports
    assert imports <= SYSTEM_DLLS, f"not a system DLL: {sorted(imports - SYSTEM_DLLS)}"


@pytest.mark.parametrize("target", sorted(TARGETS))
def test_launcher_is_a_stripped_gui_program_of_its_architecture(target):
    text = headers(target)

    assert f"file format {TARGETS[target][1]}" in text
    assert re.search(r"Subsystem\s+00000002\s+\(Windows GUI\)", text)
    assert "symbols stripped" in text


def test_32_bit_launcher_loads_on_windows_95_and_stays_small():
    text = headers("win32")
    size = (DIST / "win32" / "launcher.exe").stat().st_size

    # The Windows 95 loader refuses images that ask for a newer subsystem.
    assert re.search(r"MajorSubsystemVersion\s+4\b", text)
    assert size <= WIN32_SIZE_LIMIT, f"dist/win32/launcher.exe is {size} bytes"
