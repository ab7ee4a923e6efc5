"""The platform contract (tests/contract) on the Win32 platform under Wine,
and what only the real system shows: the messages served while the wait
runs, the window search on Windows 95/98, the temporary folder at MAX_PATH
and the program's own path past it."""

from pathlib import Path

import pytest

import wine
from conftest import folder_of_length

CONTRACT = Path(__file__).resolve().parents[1] / "contract" / "wine_contract.cpp"


@pytest.fixture(scope="session")
def contract_exe(session_dir):
    return wine.build_contract_runner(CONTRACT, session_dir / "wine_contract.exe")


@pytest.fixture
def run_contract(prefix, contract_exe):
    """Runs a mode of wine_contract as program; every line must be "ok" (or "info")."""

    def run(mode, program="C:\\contract\\contract.exe"):
        prefix.put(program, contract_exe)
        result = prefix.run(program, [mode], timeout=60)
        lines = result.stdout.replace("\r\n", "\n").splitlines()
        assert lines and result.exit_code == 0, result.stdout + result.stderr
        assert all(line.startswith(("ok ", "info ")) for line in lines), result.stdout

    return run


def test_the_win32_platform_keeps_the_contract(run_contract):
    run_contract("contract")


def test_what_only_the_real_system_shows(run_contract, prefix):
    for mode in ("wait-messages", "temp-bounds", "window-search-nt"):
        run_contract(mode)
    run_contract("module", program=folder_of_length("C:\\deep", 300) + "\\contract.exe")
    prefix.reg_add("HKCU\\Software\\Wine\\AppDefaults\\contract98.exe", "Version", "win98")
    run_contract("window-search-9x", program="C:\\contract\\contract98.exe")
