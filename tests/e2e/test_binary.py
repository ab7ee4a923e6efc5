"""What ships, read without Wine: the launcher's imports and size."""

import re
import subprocess

from conftest import BUILD, LAUNCHER

# Only DLLs that Windows always takes from the system folder (known DLLs): a
# static import of any other would be looked for beside setup.exe first.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"}


def test_launcher_is_a_stripped_gui_program_importing_only_system_dlls():
    text = subprocess.run([BUILD.mingw + "objdump", "-p", str(LAUNCHER)], capture_output=True,
                          text=True, check=True).stdout
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", text)}

    assert "kernel32.dll" in imports and imports <= SYSTEM_DLLS, sorted(imports)
    assert re.search(r"Subsystem\s+00000002\s+\(Windows GUI\)", text)
    assert "symbols stripped" in text
    if BUILD.name == "win32":
        # The Windows 95 loader refuses images that ask for a newer subsystem.
        assert re.search(r"MajorSubsystemVersion\s+4\b", text)
        # 159,232 bytes today; a build without its size flags is far larger.
        assert LAUNCHER.stat().st_size <= 160 * 1024, f"{LAUNCHER.stat().st_size} bytes"
