// The platform contract on the Win32 platform. tests/e2e/test_platform.py
// builds it with the platform's sources and runs it under Wine:
//
//   wine_contract <mode>    prints "ok ..." or "FAIL ..." per check and exits
//                           with the number of failures; modes: contract, and
//                           temp-bounds (which only the real system shows)
#include <windows.h>

#include <cstdio>

#include "platform/win32/win32_platform.h"
#include "platform_contract.h"

using namespace carafe;

namespace {

struct RealWorld {
  int failures = 0;

  void AddFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }
  void SetRegistryValue(const std::string& subkey, const std::string& name,
                        const std::string& bytes) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, subkey.c_str(), name.c_str(), REG_SZ, bytes.data(),
                    static_cast<DWORD>(bytes.size()));
  }
  void SetEnv(const std::string& name, const std::string& value) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
  }
  // A copy of the system's own; over that very file the copy fails, as it may.
  void AddEcho(const std::string& path) {
    CopyFileA((Os().SystemFolder() + "\\cmd.exe").c_str(), path.c_str(), TRUE);
  }
  void Expect(bool condition, const std::string& what) {
    std::printf("%s %s\n", condition ? "ok" : "FAIL", what.c_str());
    failures += !condition;
  }
};

// GetTempPathA reports TMP with a backslash added, whole or not at all.
void TempBounds(RealWorld& w) {
  std::string folder = "C:\\" + std::string(kMaxPath - 5, 't'), path = "untouched";
  SetEnvironmentVariableA("TMP", (folder + "u").c_str());
  w.Expect(!Os().TempFolder(&path) && path == "untouched", "a temporary folder of 260 fails");
  SetEnvironmentVariableA("TMP", folder.c_str());
  w.Expect(Os().TempFolder(&path) && path == folder + "\\", "one of 259 comes whole");
}

}  // namespace

int main(int argc, char** argv) {
  SetPlatform(&Win32Platform(GetModuleHandleA(nullptr)));
  RealWorld world;
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "contract") contract::RunAll(world);
  if (mode == "temp-bounds") TempBounds(world);
  return world.failures;
}
