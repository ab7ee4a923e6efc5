// The platform contract on the Win32 platform, and what only the real system
// can show. tests/e2e/test_platform.py builds it with the platform's sources
// and runs it under Wine:
//
//   wine_contract <mode>    prints "ok ..." or "FAIL ..." per check and exits
//                           with the number of failures; modes: contract,
//                           wait-messages, window-search-9x, window-search-nt,
//                           temp-bounds, module
//   wine_contract child-*   the children those modes start
#include <windows.h>

#include <cstdio>

#include "platform/win32/win32_platform.h"
#include "platform_contract.h"

using namespace carafe;

namespace {

int failures = 0;

void Check(bool condition, const std::string& what) {
  std::printf("%s %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

// Made with the wide calls and a \\?\ prefix, which take paths past MAX_PATH.
std::wstring Long(const std::string& path) {
  return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

class RealWorld : public contract::World {
 public:
  void AddFolder(const std::string& path) override {
    for (std::size_t slash = path.find('\\', 3); slash != std::string::npos;
         slash = path.find('\\', slash + 1))
      CreateDirectoryW(Long(path.substr(0, slash)).c_str(), nullptr);
    CreateDirectoryW(Long(path).c_str(), nullptr);
  }
  void AddFile(const std::string& path) override {
    AddFolder(path.substr(0, path.find_last_of('\\')));
    CloseHandle(
        CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  void SetRegistryValue(const std::string& subkey, const std::string& name, bool text,
                        const std::string& bytes) override {
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, subkey.c_str(), &key);
    RegSetValueExA(key, name.c_str(), 0, text ? REG_SZ : REG_DWORD,
                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
  }
  void SetEnv(const std::string& name, const std::string& value) override {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
  }
  void AddEcho(const std::string& path) override {
    std::string cmd = Os().SystemFolder() + "\\cmd.exe";
    if (lstrcmpiA(cmd.c_str(), path.c_str()) == 0) return;  // the system's own is there
    AddFolder(path.substr(0, path.find_last_of('\\')));
    CopyFileA(cmd.c_str(), path.c_str(), FALSE);
  }
  void Expect(bool condition, const std::string& what) override { Check(condition, what); }
};

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
  for (int i = 0; i < 100; ++i) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (!IsWindowVisible(windows[0])) return 0;
    Sleep(50);
  }
  return 7;
}

DWORD ExitCodeOfChild(const std::string& mode, bool windowSearch) {
  Process child;
  Check(Os().StartProcess({"\"" + Self() + "\" " + mode}, &child) &&
            Os().WaitForProcess(child, windowSearch),
        "the wait returns when the " + mode + " child has ended");
  DWORD code = 99;
  GetExitCodeProcess(reinterpret_cast<HANDLE>(child.NativeHandle()), &code);
  return code;
}

// With the search, the child's window is hidden on the Windows 95/98 family only.
void WindowSearch(bool on9x) {
  Check(ExitCodeOfChild("child-windows", true) == (on9x ? 0u : 7u),
        on9x ? "the search hides the child's window" : "the search leaves the child's window");
  Check(ExitCodeOfChild("child-windows", false) == 7, "without it the window stays visible");
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

void WaitMessages() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.lpszClassName = "ContractCounter";
  RegisterClassA(&windowClass);
  static HWND window = CreateWindowExA(0, "ContractCounter", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, nullptr, nullptr);
  PostMessageA(window, kPrivate, 0, 0);
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  auto sendLater = [](LPVOID) -> DWORD {
    Sleep(300);
    SendMessageA(window, kSent, 0, 0);
    return 0;
  };
  HANDLE sender = CreateThread(nullptr, 0, sendLater, nullptr, 0, nullptr);
  ExitCodeOfChild("child-sleep", false);
  WaitForSingleObject(sender, INFINITE);
  MSG left;
  Check(sentMessages == 1, "a message sent during the wait is served");
  Check(privateMessages == 1, "a private message waiting in the queue is dispatched");
  Check(keyMessages == 0 && !PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE),
        "an input message is dropped");
}

// GetTempPathA reports TMP with a backslash added, whole or not at all.
void TempBounds() {
  std::string folder = "C:\\" + std::string(kMaxPath - 5, 't'), path;
  SetEnvironmentVariableA("TMP", folder.c_str());
  Check(Os().TempFolder(&path) && path == folder + "\\",
        "a temporary folder of 259 characters with its backslash is given whole");
  SetEnvironmentVariableA("TMP", (folder + "u").c_str());
  path = "untouched";
  Check(!Os().TempFolder(&path) && path == "untouched",
        "one of 260 characters fails and leaves the result alone");
}

// The program runs from a path past MAX_PATH: its own path comes cut to the
// buffer, without a terminator inside.
void Module() {
  std::vector<wchar_t> wide(32768);
  DWORD length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  std::string full(wide.data(), wide.data() + length), path = Os().ExecutablePath();
  Check(full.size() > kMaxPath, "the program runs from a path past MAX_PATH");
  Check(!path.empty() && path.size() <= kMaxPath && path.find('\0') == std::string::npos &&
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
  if (mode == "contract")
    for (const contract::Case& c : contract::Cases()) c.run(world);
  else if (mode == "wait-messages")
    WaitMessages();
  else if (mode == "window-search-9x" || mode == "window-search-nt")
    WindowSearch(mode == "window-search-9x");
  else if (mode == "temp-bounds")
    TempBounds();
  else if (mode == "module")
    Module();
  else
    Check(false, "unknown mode " + mode);
  return failures;
}
