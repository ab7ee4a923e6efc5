// Drives the Win32 platform seam directly, for behaviour that the launcher
// reaches only deep inside a run and for values and paths that do not fit
// its fixed buffers. The e2e conftest builds it with the platform's sources
// and runs it under Wine:
//
//   platform_probe <case> [paths] prints one line per check, "ok ..." or
//                                "FAIL ..." (or "info ..."), and exits with
//                                the number of failures
//   platform_probe child-windows a child for the window search: shows two
//                                windows and exits 0 as soon as the lower
//                                one is hidden, 7 when that does not happen
//                                within 5 seconds
//   platform_probe child-sleep   a child that lives for a second
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

using namespace carafe;

namespace {

int failures = 0;

HANDLE ToWin32Handle(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

void Check(bool condition, const std::string& what) {
  std::printf("%s %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

std::string Self() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

int ChildWindows() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND lower = CreateWindowExA(0, "STATIC", "lower", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                               nullptr, instance, nullptr);
  ShowWindow(lower, SW_SHOWNORMAL);
  // The search skips the top window of the Z order, so the child offers a
  // second one above the first.
  HWND upper = CreateWindowExA(0, "STATIC", "upper", WS_OVERLAPPEDWINDOW, 60, 60, 200, 100, nullptr,
                               nullptr, instance, nullptr);
  ShowWindow(upper, SW_SHOWNORMAL);
  for (int i = 0; i < 100; ++i) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (!IsWindowVisible(lower)) return 0;
    Sleep(50);
  }
  return 7;
}

void Files() {
  std::string temp;
  Check(Os().TempFolder(&temp) && !temp.empty() && temp.back() == '\\',
        "the temporary folder ends in a backslash");
  std::string path = temp + "probe.bin";
  File writer = Os().OpenFile(path, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  Check(writer.IsOpen(), "a file is created");
  File second = Os().OpenFile(path, FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
  Check(!second.IsOpen(), "a file created without sharing cannot be opened again");
  std::uint32_t written = 0;
  Check(writer.Write("0123456789", 10, &written) && written == 10,
        "ten bytes are written");
  writer.Close();

  File reader = Os().OpenFile(path, FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
  File sharer = Os().OpenFile(path, FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
  Check(reader.IsOpen() && sharer.IsOpen(), "readers share the file");
  std::uint64_t size = 0, position = 0;
  Check(reader.Size(&size) && size == 10, "the size is ten");
  Check(reader.Seek(-3, SeekOrigin::End, &position) && position == 7,
        "a seek from the end reports the new position");
  char buffer[16] = {};
  std::uint32_t read = 0;
  Check(reader.Read(buffer, sizeof(buffer), &read) && read == 3 &&
            std::memcmp(buffer, "789", 3) == 0,
        "a read at the end delivers what is left");
  Check(reader.Read(buffer, sizeof(buffer), &read) && read == 0,
        "a read past the end succeeds with nothing");
  Check(!reader.Seek(-100, SeekOrigin::Begin, &position),
        "a seek before the start fails");
  reader.Close();
  sharer.Close();

  std::uint32_t attributes = 0;
  Check(Os().FileAttributes(temp, &attributes) && (attributes & kAttributeDirectory),
        "a folder has the directory attribute");
  Check(Os().RemoveFile(path) && !Os().FileAttributes(path, &attributes),
        "a deleted file is gone");
  Check(!Os().RemoveFile(path), "deleting it again fails");

  CreateDirectoryA((temp + "listing").c_str(), nullptr);
  File upper = Os().OpenFile(temp + "listing\\JAVA.EXE", FileAccess::Write, FileShare::None,
                                   FileDisposition::CreateAlways);
  upper.Close();
  std::vector<FolderEntry> entries;
  Check(Os().FindFiles(temp + "listing\\java.exe", &entries) && entries.size() == 1 &&
            entries[0].name == "JAVA.EXE" && !entries[0].IsFolder(),
        "a listing matches without regard to case and reports the stored name");
  entries.clear();
  Check(Os().FindFiles(temp + "listing\\*.*", &entries) && entries.size() == 3,
        "a folder listing holds . and .. and the file");
  Check(!Os().FindFiles(temp + "listing\\jre.exe", &entries), "no match is a failure");
}

void Drives() {
  DiskFreeSpace space;
  Check(Os().FreeSpace("C:\\", &space) && space.bytesPerSector > 0 &&
            space.sectorsPerCluster > 0,
        "drive C: reports its free space");
  Check(!Os().FreeSpace("Q:\\", &space), "an absent drive reports none");
  Check(Os().DriveKind("C:\\") == kDriveFixed, "C: is a fixed drive");
  Check(Os().DriveKind("Q:\\") == kDriveNoRootDir, "an absent drive has no root");
  std::string windows = Os().WindowsFolder();
  std::string system = Os().SystemFolder();
  Check(!windows.empty() && system.compare(0, windows.size(), windows) == 0,
        "the system folder lies in the Windows folder");
}

void EnvironmentAndRegistry() {
  SetEnvironmentVariableA("PROBE_FOUR", "abcd");
  SetEnvironmentVariableA("PROBE_EMPTY", "");
  std::string value;
  Check(Os().EnvironmentValue("PROBE_FOUR", 5, &value) && value == "abcd",
        "a value fills a buffer one longer than itself");
  Check(!Os().EnvironmentValue("PROBE_FOUR", 4, &value),
        "a value without room for its terminator does not fit");
  Check(!Os().EnvironmentValue("PROBE_ABSENT", 100, &value), "an absent variable fails");
  Check(Os().EnvironmentValue("PROBE_EMPTY", 100, &value) && value.empty(),
        "an empty variable is present");

  HKEY key = nullptr;
  RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\CarafeProbe", &key);
  RegSetValueExA(key, "JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\jdk"), 7);
  DWORD number = 42;
  RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  RegCloseKey(key);
  std::vector<std::uint8_t> data;
  Check(Os().ReadRegistryValue("Software\\CarafeProbe", "JavaHome", 260, &data) &&
            data.size() == 7 && std::memcmp(data.data(), "C:\\jdk", 7) == 0,
        "a string value comes with its terminator");
  Check(!Os().ReadRegistryValue("Software\\CarafeProbe", "JavaHome", 6, &data),
        "a value larger than the buffer fails");
  Check(Os().ReadRegistryValue("Software\\CarafeProbe", "Number", 260, &data) && data.size() == 4 &&
            data[0] == 42,
        "a value of another type comes as its bytes");
  Check(!Os().ReadRegistryValue("Software\\CarafeProbe", "Missing", 260, &data),
        "a missing value fails");
  Check(!Os().ReadRegistryValue("Software\\CarafeAbsent", "JavaHome", 260, &data),
        "a missing key fails");
}

void Capture() {
  Pipe pipe;
  Check(Os().OpenPipe(&pipe), "a pipe is created");
  File& reader = pipe.readEnd;
  ProcessStart start;
  start.commandLine = "cmd.exe /c echo captured";
  start.showState = kShowHide;
  start.inheritHandles = true;
  start.standardOutput = &pipe.writeEnd;
  Process info;
  Check(Os().StartProcess(start, &info), "a child starts with the pipe as its output");
  pipe.writeEnd.Close();
  std::string output;
  char chunk[1024];
  std::uint32_t read = 0;
  while (reader.Read(chunk, sizeof(chunk), &read) && read > 0)
    output.append(chunk, read);
  Check(output == "captured\r\n", "the child's output is read to the end");
  Check(Os().WaitForProcess(info, false), "the wait returns when the child has ended");

  ProcessStart missing;
  missing.commandLine = "C:\\no\\such\\program.exe";
  Process none;
  Check(!Os().StartProcess(missing, &none), "a missing program does not start");
  ProcessStart empty;
  Check(!Os().StartProcess(empty, &none), "an empty command line does not start");
}

// Counts what the wait dispatches to a window of the waiting thread.
int privateMessages = 0, keyMessages = 0, sentMessages = 0;
constexpr UINT kPrivate = WM_USER + 7;
constexpr UINT kSent = WM_USER + 8;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPrivate) ++privateMessages;
  if (message == WM_KEYDOWN) ++keyMessages;
  if (message == kSent) ++sentMessages;
  return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI SendLater(LPVOID window) {
  Sleep(300);
  SendMessageA(static_cast<HWND>(window), kSent, 0, 0);
  return 0;
}

void WaitMessages() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ProbeCounter";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "ProbeCounter", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
  PostMessageA(window, kPrivate, 0, 0);
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);

  ProcessStart start;
  start.commandLine = "\"" + Self() + "\" child-sleep";
  start.createNoWindow = true;
  Process info;
  Check(Os().StartProcess(start, &info), "a child starts");
  HANDLE sender = CreateThread(nullptr, 0, SendLater, window, 0, nullptr);
  Check(Os().WaitForProcess(info, false), "the wait returns when the child has ended");
  WaitForSingleObject(sender, INFINITE);
  CloseHandle(sender);
  Check(sentMessages == 1, "a message sent during the wait is served");
  Check(privateMessages == 1, "a private message waiting in the queue is dispatched");
  Check(keyMessages == 0, "an input message is not dispatched");
  MSG left;
  Check(!PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE), "the input message was not kept");

  Process gone;
  Check(!Os().WaitForProcess(gone, false), "a wait on no process fails");
}

// With windowSearch, the child's visible window is hidden on the Windows
// 95/98 family only; the child's exit code says whether it was.
void WindowSearch(bool expectHidden) {
  ProcessStart start;
  start.commandLine = "\"" + Self() + "\" child-windows";
  start.showState = kShowNormal;
  Process info;
  Check(Os().StartProcess(start, &info), "a windowed child starts");
  Check(Os().WaitForProcess(info, true), "the wait returns when the child has ended");
  DWORD code = 0;
  GetExitCodeProcess(ToWin32Handle(info.NativeHandle()), &code);
  Check(expectHidden ? code == 0 : code == 7,
        expectHidden ? "the child's window was hidden" : "the child's window stayed visible");

  Process noSearch;
  Check(Os().StartProcess(start, &noSearch), "a windowed child starts again");
  Check(Os().WaitForProcess(noSearch, false), "the wait without search returns");
  GetExitCodeProcess(ToWin32Handle(noSearch.NativeHandle()), &code);
  Check(code == 7, "without the search the child's window stays visible");
}

void Text() {
  std::string ansi = "caf\xe9 \xc4";
  std::wstring wide = Os().AnsiToWide(ansi);
  Check(wide == L"caf\u00e9 \u00c4", "ANSI text becomes wide text through code page 1252");
  Check(Os().WideToAnsi(wide) == ansi, "and comes back unchanged");
  std::string self = Os().ExecutablePath();
  Check(self == Self(), "the module path is the program's own");
  LocalTime now = Os().Now();
  SYSTEMTIME system;
  GetLocalTime(&system);
  Check(now.year == system.wYear && now.month == system.wMonth && now.day == system.wDay,
        "the local date is the system's");
}

// REG_SZ data of `chars` characters plus the terminator.
void SetString(HKEY key, const char* name, std::size_t chars) {
  std::string text(chars, 'h');
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(chars + 1));
}

void RegistryBounds() {
  HKEY key = nullptr;
  RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\CarafeBounds", &key);
  SetString(key, "Fits", kMaxPath - 1);
  SetString(key, "OneOver", kMaxPath);
  SetString(key, "FarOver", 5000);
  RegCloseKey(key);
  std::vector<std::uint8_t> data;
  Check(Os().ReadRegistryValue("Software\\CarafeBounds", "Fits", kMaxPath, &data) &&
            data.size() == kMaxPath && data[kMaxPath - 2] == 'h' && data[kMaxPath - 1] == 0,
        "259 characters and the terminator fill the 260-byte buffer");
  Check(!Os().ReadRegistryValue("Software\\CarafeBounds", "OneOver", kMaxPath, &data),
        "260 characters and the terminator do not fit");
  Check(!Os().ReadRegistryValue("Software\\CarafeBounds", "FarOver", kMaxPath, &data),
        "5000 characters do not fit");
}

void EnvironmentBounds() {
  // Windows caps a variable at 32,767 characters, so PATH can never reach
  // the 67,600-byte buffer; a value just short of the cap still fits.
  std::string big(32766, 'p');
  SetEnvironmentVariableA("BOUNDS_BIG", big.c_str());
  std::string value;
  Check(Os().EnvironmentValue("BOUNDS_BIG", 67600, &value) && value == big,
        "a variable at the system's cap is read whole");
  Check(!Os().EnvironmentValue("BOUNDS_BIG", 32766, &value),
        "a buffer without room for the terminator fails");
}

void TempBounds() {
  // GetTempPathA reports TMP with a backslash added.
  std::string folder = "C:\\" + std::string(kMaxPath - 5, 't');  // 258 characters
  SetEnvironmentVariableA("TMP", folder.c_str());
  std::string path;
  Check(Os().TempFolder(&path) && path == folder + "\\",
        "a temporary folder of 259 characters with its backslash is given whole");
  folder += "u";
  SetEnvironmentVariableA("TMP", folder.c_str());
  path = "untouched";
  Check(!Os().TempFolder(&path) && path == "untouched",
        "a temporary folder of 260 characters fails and leaves the result alone");
  SetEnvironmentVariableA("TMP", ("C:\\" + std::string(2000, 't')).c_str());
  Check(!Os().TempFolder(&path), "a temporary folder of 2003 characters fails");
}

// Two folders holding java.exe: `parent` with a path short enough for the
// ANSI calls, `folder` (below it) with one past MAX_PATH.
void LongPaths(const std::string& parent, const std::string& folder) {
  std::vector<FolderEntry> entries;
  Check(Os().FindFiles(parent + "\\java.exe", &entries) && entries.size() == 1 &&
            entries[0].name == "java.exe",
        "a pattern below MAX_PATH lists (" + std::to_string(parent.size() + 9) + " characters)");
  entries.clear();
  Check(!Os().FindFiles(folder + "\\java.exe", &entries) && entries.empty(),
        "a pattern past MAX_PATH fails cleanly (" + std::to_string(folder.size() + 9) +
            " characters)");
  Check(!Os().FindFiles(folder + "\\*.*", &entries) && entries.empty(),
        "a listing past MAX_PATH fails cleanly");
  std::uint32_t attributes = 0;
  Check(Os().FileAttributes(parent + "\\java.exe", &attributes),
        "the attributes of a path below MAX_PATH are read");
  Check(!Os().FileAttributes(folder + "\\java.exe", &attributes),
        "the attributes of a path past MAX_PATH are not");
  File file = Os().OpenFile(folder + "\\java.exe", FileAccess::Read, FileShare::ReadWrite,
                            FileDisposition::OpenExisting);
  Check(!file.IsOpen(), "a path past MAX_PATH does not open");
  File created = Os().OpenFile(folder + "\\new.txt", FileAccess::Write, FileShare::None,
                               FileDisposition::CreateAlways);
  Check(!created.IsOpen(), "nor is a file created there");
}

void Module() {
  // The true path, from the wide call with room to spare.
  std::vector<wchar_t> wide(32768);
  DWORD length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  std::string full(wide.data(), wide.data() + length);
  std::string path = Os().ExecutablePath();
  std::printf("info module path has %u characters, %u given\n", static_cast<unsigned>(full.size()),
              static_cast<unsigned>(path.size()));
  Check(full.size() > kMaxPath, "the probe runs from a path past MAX_PATH");
  Check(path.size() <= kMaxPath, "the module path stays within its buffer");
  Check(path.find('\0') == std::string::npos, "the module path holds no terminator");
  Check(full.compare(0, path.size(), path) == 0, "the module path is the start of the true one");
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "child-windows") return ChildWindows();
  if (mode == "child-sleep") {
    Sleep(1000);
    return 0;
  }
  SetPlatform(&Win32Platform(GetModuleHandleA(nullptr)));
  if (mode == "files")
    Files();
  else if (mode == "drives")
    Drives();
  else if (mode == "environment-and-registry")
    EnvironmentAndRegistry();
  else if (mode == "capture")
    Capture();
  else if (mode == "wait-messages")
    WaitMessages();
  else if (mode == "window-search-9x")
    WindowSearch(true);
  else if (mode == "window-search-nt")
    WindowSearch(false);
  else if (mode == "text")
    Text();
  else if (mode == "registry-bounds")
    RegistryBounds();
  else if (mode == "environment-bounds")
    EnvironmentBounds();
  else if (mode == "temp-bounds")
    TempBounds();
  else if (mode == "long-paths" && argc > 3)
    LongPaths(argv[2], argv[3]);
  else if (mode == "module")
    Module();
  else
    Check(false, "unknown case");
  return failures;
}
