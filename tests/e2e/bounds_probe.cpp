// Drives the Win32 platform seam with values and paths that do not fit its
// fixed buffers. test_bounds.py builds it with the platform's sources and
// runs it under Wine:
//
//   bounds_probe <case> [paths]    prints one line per check, "ok ..." or
//                                  "FAIL ...", and exits with the number of
//                                  failures
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

void Check(bool condition, const std::string& what) {
  std::printf("%s %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

// REG_SZ data of `chars` characters plus the terminator.
void SetString(HKEY key, const char* name, std::size_t chars) {
  std::string text(chars, 'h');
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(chars + 1));
}

void Registry() {
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

void Environment() {
  // Windows caps a variable at 32,767 characters, so PATH can never reach
  // the 67,600-byte buffer; a value just short of the cap still fits.
  std::string big(32766, 'p');
  SetEnvironmentVariableA("BOUNDS_BIG", big.c_str());
  std::string value;
  Check(Os().GetEnvironmentVariable("BOUNDS_BIG", 67600, &value) && value == big,
        "a variable at the system's cap is read whole");
  Check(!Os().GetEnvironmentVariable("BOUNDS_BIG", 32766, &value),
        "a buffer without room for the terminator fails");
}

void Temp() {
  // GetTempPathA reports TMP with a backslash added.
  std::string folder = "C:\\" + std::string(kMaxPath - 5, 't');  // 258 characters
  SetEnvironmentVariableA("TMP", folder.c_str());
  std::string path;
  Check(Os().GetTempPath(&path) && path == folder + "\\",
        "a temporary folder of 259 characters with its backslash is given whole");
  folder += "u";
  SetEnvironmentVariableA("TMP", folder.c_str());
  path = "untouched";
  Check(!Os().GetTempPath(&path) && path == "untouched",
        "a temporary folder of 260 characters fails and leaves the result alone");
  SetEnvironmentVariableA("TMP", ("C:\\" + std::string(2000, 't')).c_str());
  Check(!Os().GetTempPath(&path), "a temporary folder of 2003 characters fails");
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
  Check(Os().GetFileAttributes(parent + "\\java.exe", &attributes),
        "the attributes of a path below MAX_PATH are read");
  Check(!Os().GetFileAttributes(folder + "\\java.exe", &attributes),
        "the attributes of a path past MAX_PATH are not");
  Handle file = Os().OpenFile(folder + "\\java.exe", FileAccess::Read, FileShare::ReadWrite,
                              FileDisposition::OpenExisting);
  Check(file == kInvalidHandle, "a path past MAX_PATH does not open");
  Handle created = Os().OpenFile(folder + "\\new.txt", FileAccess::Write, FileShare::None,
                                 FileDisposition::CreateAlways);
  Check(created == kInvalidHandle, "nor is a file created there");
}

void Module() {
  // The true path, from the wide call with room to spare.
  std::vector<wchar_t> wide(32768);
  DWORD length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  std::string full(wide.data(), wide.data() + length);
  std::string path = Os().GetModuleFileName();
  std::printf("info module path has %u characters, %u given\n", static_cast<unsigned>(full.size()),
              static_cast<unsigned>(path.size()));
  Check(full.size() > kMaxPath, "the probe runs from a path past MAX_PATH");
  Check(path.size() <= kMaxPath, "the module path stays within its buffer");
  Check(path.find('\0') == std::string::npos, "the module path holds no terminator");
  Check(full.compare(0, path.size(), path) == 0, "the module path is the start of the true one");
}

}  // namespace

int main(int argc, char** argv) {
  SetPlatform(&Win32Platform(GetModuleHandleA(nullptr)));
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "registry")
    Registry();
  else if (mode == "environment")
    Environment();
  else if (mode == "temp")
    Temp();
  else if (mode == "long-paths" && argc > 3)
    LongPaths(argv[2], argv[3]);
  else if (mode == "module")
    Module();
  else
    Check(false, "unknown case");
  return failures;
}
