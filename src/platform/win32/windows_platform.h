// The Win32 platform's class, shared by the files that implement it (one file
// per concern). Only src/platform/win32/ includes this header.
#pragma once

#include <windows.h>

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
  File OpenFile(const std::string& path, FileAccess access, FileShare share,
                FileDisposition disposition) override;
  bool FileAttributes(const std::string& path, std::uint32_t* attributes) override;
  bool RemoveFile(const std::string& path) override;

  // folders_and_drives.cpp
  bool TempFolder(std::string* path) override;
  bool FreeSpace(const std::string& root, DiskFreeSpace* space) override;
  std::string WindowsFolder() override;
  std::string SystemFolder() override;
  std::uint32_t DriveKind(const std::string& root) override;
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override;

  // registry_and_environment.cpp
  bool EnvironmentValue(const std::string& name, std::size_t bufferBytes,
                        std::string* value) override;
  bool ReadRegistryValue(const std::string& subkey, const std::string& valueName,
                         std::size_t bufferBytes, RegistryView view,
                         std::vector<std::uint8_t>* data) override;

  // processes.cpp
  bool OpenPipe(Pipe* pipe) override;
  bool StartProcess(const ProcessStart& start, Process* process) override;
  bool StartThread(void (*fn)(void*), void* argument) override;
  std::uint32_t CurrentThreadId() override;

  // process_wait.cpp
  bool WaitForProcess(const Process& process, bool windowSearch) override;
  bool EndProcess(const Process& process, std::uint32_t graceMs) override;

  // memory.cpp
  bool AllocateBlock(std::size_t bytes, MemoryBlock* block) override;

  // pipe_wait.cpp
  PipeWait WaitForPipe(const File& readEnd, const Process& process,
                       std::uint32_t* budgetMs) override;

  // resources_and_text.cpp
  std::string LoadText(std::uint32_t id, std::size_t bufferChars) override;
  LocalTime Now() override;
  std::string ExecutablePath() override;
  std::wstring AnsiToWide(const std::string& text) override;
  std::string WideToAnsi(const std::wstring& text) override;

 protected:
  // files.cpp
  bool ReadHandle(Handle file, void* buffer, std::uint32_t size,
                  std::uint32_t* transferred) override;
  bool WriteHandle(Handle file, const void* data, std::uint32_t size,
                   std::uint32_t* transferred) override;
  bool SeekHandle(Handle file, std::int64_t distance, SeekOrigin origin,
                  std::uint64_t* position) override;
  bool HandleSize(Handle file, std::uint64_t* size) override;
  bool ReleaseHandle(Handle handle) override;

 private:
  HINSTANCE instance_;
};

}  // namespace carafe
