// The platform contract on the Win32 platform. tests/e2e/test_platform.py
// builds it with the platform's sources and runs it under Wine:
//
//   wine_contract <mode>    prints "ok ..." or "FAIL ..." per check and exits
//                           with the number of failures; modes: contract, and
//                           what only the real system shows: wait-messages,
//                           window-search-9x, window-search-nt, temp-bounds,
//                           module
//   wine_contract child-*   the children those modes start
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
  w.Expect(!Os().TempFolder(&path) && path == "untouched", "a temporary folder of 260 fails");
  SetEnvironmentVariableA("TMP", folder.c_str());
  w.Expect(Os().TempFolder(&path) && path == folder + "\\", "one of 259 comes whole");
}

std::string Self() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Shows two windows (the search skips the top one of the Z order) and exits
// 0 once the lower is hidden, 7 when that does not happen within 5 seconds.
int ChildWindows() {
  HWND windows[2];
  for (int i = 0; i < 2; ++i) {
    windows[i] = CreateWindowExA(0, "STATIC", "child", WS_OVERLAPPEDWINDOW, 10 + 50 * i,
                                 10 + 50 * i, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(windows[i], SW_SHOWNORMAL);
  }
  for (int i = 0; i < 100; ++i, Sleep(50)) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (!IsWindowVisible(windows[0])) return 0;
  }
  return 7;
}

DWORD ExitCodeOfChild(RealWorld& w, const std::string& mode, bool windowSearch) {
  Process child;
  w.Expect(Os().StartProcess({"\"" + Self() + "\" " + mode}, &child) &&
               Os().WaitForProcess(child, windowSearch),
           "the wait returns when the " + mode + " child has ended");
  DWORD code = 99;
  GetExitCodeProcess(reinterpret_cast<HANDLE>(child.NativeHandle()), &code);
  return code;
}

// With the search, the child's window is hidden on the Windows 95/98 family only.
void WindowSearch(RealWorld& w, bool on9x) {
  w.Expect(ExitCodeOfChild(w, "child-windows", true) == (on9x ? 0u : 7u),
           on9x ? "the search hides the child's window" : "the search leaves the child's window");
  w.Expect(ExitCodeOfChild(w, "child-windows", false) == 7, "without it the window stays");
}

// What the wait dispatches to a window of the waiting thread.
constexpr UINT kPrivate = WM_USER + 7, kSent = WM_USER + 8;
int privateMessages = 0, keyMessages = 0, sentMessages = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  privateMessages += message == kPrivate;
  keyMessages += message == WM_KEYDOWN;
  sentMessages += message == kSent;
  return DefWindowProcA(window, message, wParam, lParam);
}

void WaitMessages(RealWorld& w) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.lpszClassName = "ContractCounter";
  RegisterClassA(&windowClass);
  static HWND window = CreateWindowExA(0, "ContractCounter", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, nullptr, nullptr);
  PostMessageA(window, kPrivate, 0, 0);
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  auto sendLater = [](LPVOID) -> DWORD { return Sleep(300), SendMessageA(window, kSent, 0, 0); };
  HANDLE sender = CreateThread(nullptr, 0, sendLater, nullptr, 0, nullptr);
  ExitCodeOfChild(w, "child-sleep", false);
  WaitForSingleObject(sender, INFINITE);
  MSG left;
  w.Expect(sentMessages == 1, "a message sent during the wait is served");
  w.Expect(privateMessages == 1, "a private message waiting in the queue is dispatched");
  w.Expect(keyMessages == 0 && !PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE),
           "an input message is dropped");
}

// The program runs from a path past MAX_PATH: its own path comes cut to the
// buffer, without a terminator inside.
void Module(RealWorld& w) {
  std::vector<wchar_t> wide(32768);
  DWORD length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  std::string full(wide.data(), wide.data() + length), path = Os().ExecutablePath();
  w.Expect(full.size() > kMaxPath, "the program runs from a path past MAX_PATH");
  w.Expect(!path.empty() && path.size() <= kMaxPath && path.find('\0') == std::string::npos &&
               full.compare(0, path.size(), path) == 0,
           "its path is the start of the true one, within the buffer");
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "child-windows") return ChildWindows();
  if (mode == "child-sleep") return Sleep(1000), 0;
  SetPlatform(&Win32Platform(GetModuleHandleA(nullptr)));
  RealWorld world;
  if (mode == "contract") contract::RunAll(world);
  if (mode == "temp-bounds") TempBounds(world);
  if (mode == "wait-messages") WaitMessages(world);
  if (mode.rfind("window-search-", 0) == 0) WindowSearch(world, mode == "window-search-9x");
  if (mode == "module") Module(world);
  return world.failures;
}
