// The platform contract on the Win32 platform, and what only the real system
// shows. tests/e2e/test_platform.py builds it with the platform's sources and
// runs it under Wine; it prints "ok ..." or "FAIL ..." per check and exits
// with the number of failures:
//   wine_contract         the contract, the temporary folder's bounds, the
//                         messages served during a wait (for a child: sleep)
//   wine_contract module  run from a path past MAX_PATH
#include <windows.h>

#include <cstdio>
#include <vector>

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

// What a wait for a process dispatches to a window of the waiting thread:
// the private message, the key, and the message another thread sends.
int counts[3];
HWND counter;

void WaitMessages(RealWorld& w) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    counts[0] += message == WM_USER, counts[1] += message == WM_KEYDOWN;
    counts[2] += message == WM_USER + 1;
    return DefWindowProcA(window, message, wParam, lParam);
  };
  windowClass.lpszClassName = "ContractCounter";
  RegisterClassA(&windowClass);
  counter = CreateWindowExA(0, "ContractCounter", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            nullptr, nullptr);
  PostMessageA(counter, WM_USER, 0, 0);
  PostMessageA(counter, WM_KEYDOWN, VK_SPACE, 0);
  auto sendLater = [](LPVOID) -> DWORD { return Sleep(300), SendMessageA(counter, WM_USER + 1, 0, 0); };
  HANDLE sender = CreateThread(nullptr, 0, sendLater, nullptr, 0, nullptr);
  char self[MAX_PATH] = {};
  Process child;
  bool waited = GetModuleFileNameA(nullptr, self, MAX_PATH) &&
                Os().StartProcess({"\"" + std::string(self) + "\" sleep"}, &child) &&
                Os().WaitForProcess(child, false);
  WaitForSingleObject(sender, INFINITE);
  MSG left;
  w.Expect(waited && counts[0] == 1 && counts[1] == 0 && counts[2] == 1 &&
               !PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE),
           "a wait serves sent and private messages and drops input");
}

// Run from a path past MAX_PATH, the program's own path comes cut to the
// buffer, without a terminator inside.
void Module(RealWorld& w) {
  std::vector<wchar_t> wide(32768);
  DWORD length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  std::string full(wide.data(), wide.data() + length), path = Os().ExecutablePath();
  w.Expect(full.size() > kMaxPath && !path.empty() && path.size() <= kMaxPath &&
               path.find('\0') == std::string::npos && full.compare(0, path.size(), path) == 0,
           "a path past MAX_PATH comes as its start, within the buffer");
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "sleep") return Sleep(1000), 0;
  SetPlatform(&Win32Platform(GetModuleHandleA(nullptr)));
  RealWorld world;
  if (mode == "module") {
    Module(world);
  } else {
    contract::RunAll(world);
    TempBounds(world);
    WaitMessages(world);
  }
  return world.failures;
}
