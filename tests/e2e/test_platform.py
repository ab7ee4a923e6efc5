"""The platform contract (tests/contract) on the Win32 platform under Wine,
with what only the real system shows: the temporary folder at MAX_PATH and
the program's own path past it."""

import wine

SOURCES = [wine.REPO / "tests" / "contract" / "wine_contract.cpp",
           *sorted((wine.REPO / "src" / "platform").glob("**/*.cpp"))]


def test_the_win32_platform_keeps_the_contract(prefix, tmp_path):
    runner = wine.mingw_build(tmp_path / "wine_contract.exe", SOURCES, "-std=c++17", "-I",
                              str(wine.REPO / "src"), tool="g++")
    program = "C:\\deep\\" + "\\".join(["d" * 50] * 6) + "\\contract.exe"  # past MAX_PATH
    prefix.put(program, runner)
    result = prefix.run(program)
    lines = result.output.splitlines()
    assert lines and result.exit_code == 0, result
    assert all(line.startswith("ok ") for line in lines), result.output
