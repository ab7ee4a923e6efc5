// The platform contract on the Win32 platform, and what only the real system
// shows: the temporary folder's bounds and the program's own path past
// MAX_PATH. tests/e2e/test_platform.py builds it with the platform's sources
// and runs it under Wine; it prints "ok ..." or "FAIL ..." per check and
// exits with the number of failures.
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
  bool over = !Os().TempFolder(&path) && path == "untouched";
  SetEnvironmentVariableA("TMP", folder.c_str());
  w.Expect(over && Os().TempFolder(&path) && path == folder + "\\",
           "a temporary folder of 260 fails, one of 259 comes whole");
}

// The program's own path past MAX_PATH comes cut to the buffer, without a
// terminator inside.
void Module(RealWorld& w) {
  std::wstring wide(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  std::string full(wide.data(), wide.data() + length), path = Os().ExecutablePath();
  w.Expect(full.size() > kMaxPath && !path.empty() && path.size() <= kMaxPath &&
               path.find('\0') == std::string::npos && full.compare(0, path.size(), path) == 0,
           "a path past MAX_PATH comes as its start, within the buffer");
}

}  // namespace

// Run from a path past MAX_PATH, as the test does.
int main() {
  SetPlatform(&Win32Platform(GetModuleHandleA(nullptr)));
  RealWorld world;
  contract::RunAll(world);
  TempBounds(world);
  Module(world);
  return world.failures;
}
