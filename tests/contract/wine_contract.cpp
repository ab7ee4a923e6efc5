// The platform contract on the Win32 platform, and what only the real system
// shows: the temporary folder's bounds and the program's own path past
// MAX_PATH. tests/e2e/test_platform.py builds it with the platform's sources
// and runs it under Wine from a path past MAX_PATH; it prints "ok ..." or
// "FAIL ..." per check and exits with the number of failures.
#include <windows.h>

#include <cstdio>

#include "platform/win32/win32_platform.h"
#include "platform_contract.h"

using namespace carafe;

struct RealWorld {
  int failures = 0;

  void AddFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }
  // The other view of a 64-bit program is the 32-bit one, and the reverse.
  void SetRegistryValue(const std::string& key, const std::string& name, const std::string& v,
                        RegistryView view) {
    const REGSAM other = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | (view == RegistryView::Own ? 0 : other), nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExA(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.data()),
                   static_cast<DWORD>(v.size()));
    RegCloseKey(opened);
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

int main() {
  SetPlatform(&Win32Platform(GetModuleHandleA(nullptr)));
  RealWorld w;
  contract::RunAll(w);
  // GetTempPathA reports TMP with a backslash added, whole or not at all.
  std::string folder = "C:\\" + std::string(kMaxPath - 5, 't'), temp = "untouched";
  w.SetEnv("TMP", folder + "u");
  w.Expect(!Os().TempFolder(&temp) && temp == "untouched", "a temporary folder of 260 fails");
  w.SetEnv("TMP", folder);
  w.Expect(Os().TempFolder(&temp) && temp == folder + "\\", "one of 259 comes whole");
  // The program's own path past MAX_PATH comes cut to the buffer, without a
  // terminator inside.
  char full[32768];
  const std::string path = Os().ExecutablePath();
  w.Expect(GetModuleFileNameA(nullptr, full, sizeof full) > kMaxPath && !path.empty() &&
               path.size() <= kMaxPath && path.find('\0') == std::string::npos &&
               std::string(full).compare(0, path.size(), path) == 0,
           "a path past MAX_PATH comes as its start, within the buffer");
  return w.failures;
}
