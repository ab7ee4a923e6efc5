// The Win32 platform's class, shared by the files that implement it (one file
// per concern). Only src/platform/win32/ includes this header.
#pragma once

#include <windows.h>

// <windows.h> maps these names to their A/W variants; here they must name the
// seam's operations (declared below). The bodies call the A functions by name.
#undef CreateProcess
#undef DeleteFile
#undef GetDiskFreeSpace
#undef GetDriveType
#undef GetEnvironmentVariable
#undef GetFileAttributes
#undef GetModuleFileName
#undef GetSystemDirectory
#undef GetTempPath
#undef GetWindowsDirectory
#undef LoadString

#include "platform/platform.h"

// The launcher is specified against the 32-bit layouts of these structures;
// the 64-bit build uses whatever its headers say.
#if defined(__i386__) && !defined(_WIN64)
static_assert(sizeof(STARTUPINFOA) == 68, "STARTUPINFOA is 68 bytes on 32-bit Windows");
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12,
              "SECURITY_ATTRIBUTES is 12 bytes on 32-bit Windows");
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes on 32-bit Windows");
#endif

namespace carafe {

inline HANDLE ToWin32(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
inline Handle FromWin32(HANDLE handle) { return reinterpret_cast<Handle>(handle); }

class WindowsPlatform final : public Platform {
 public:
  explicit WindowsPlatform(HINSTANCE instance) : instance_(instance) {}

  // files.cpp
  Handle OpenFile(const std::string& path, FileAccess access, FileShare share,
                  FileDisposition disposition) override;
  bool ReadFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* transferred) override;
  bool WriteFile(Handle file, const void* data, std::uint32_t size,
                 std::uint32_t* transferred) override;
  bool Seek(Handle file, std::int64_t distance, SeekOrigin origin,
            std::uint64_t* position) override;
  bool GetFileSize(Handle file, std::uint64_t* size) override;
  bool CloseHandle(Handle handle) override;
  bool GetFileAttributes(const std::string& path, std::uint32_t* attributes) override;
  bool DeleteFile(const std::string& path) override;

  // folders_and_drives.cpp
  bool GetTempPath(std::string* path) override;
  bool GetDiskFreeSpace(const std::string& root, DiskFreeSpace* space) override;
  std::string GetWindowsDirectory() override;
  std::string GetSystemDirectory() override;
  std::uint32_t GetDriveType(const std::string& root) override;
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override;

  // registry_and_environment.cpp
  bool GetEnvironmentVariable(const std::string& name, std::size_t bufferBytes,
                              std::string* value) override;
  bool ReadRegistryValue(const std::string& subkey, const std::string& valueName,
                         std::size_t bufferBytes, std::vector<std::uint8_t>* data) override;

  // processes.cpp
  bool CreatePipe(Handle* readEnd, Handle* writeEnd) override;
  bool CreateProcess(const ProcessStart& start, ProcessInfo* info) override;
  bool StartThread(void (*fn)(void*), void* argument) override;
  std::uint32_t GetCurrentThreadId() override;

  // process_wait.cpp
  bool WaitForProcess(const ProcessInfo& info, bool windowSearch) override;

  // pipe_wait.cpp
  PipeWait WaitForPipe(Handle readEnd, Handle process, std::uint32_t* budgetMs) override;

  // resources_and_text.cpp
  std::string LoadString(std::uint32_t id, std::size_t bufferChars) override;
  LocalTime GetLocalTime() override;
  std::string GetModuleFileName() override;
  std::wstring AnsiToWide(const std::string& text) override;
  std::string WideToAnsi(const std::wstring& text) override;

 private:
  HINSTANCE instance_;
};

}  // namespace carafe
