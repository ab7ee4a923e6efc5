// The one seam between the launcher's logic and the operating system.
//
// Everything the portable code needs from Windows is listed here, grouped by
// concern. src/platform/win32/ implements it with the Win32 calls, flags and
// buffer sizes the launcher is specified against; tests/unit/ has an
// in-memory implementation with scripted files, registry, drives and
// processes. Nothing above this header includes <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace carafe {

// An OS handle as an opaque number. Zero means "none" (no log was asked
// for); all bits set is INVALID_HANDLE_VALUE (creation was tried and failed).
using Handle = std::uintptr_t;
constexpr Handle kNoHandle = 0;
constexpr Handle kInvalidHandle = ~Handle(0);

// MAX_PATH: the buffer every path-producing Windows call here is given.
constexpr std::size_t kMaxPath = 260;

enum class FileAccess { Read, Write };
// Readers share read and write so that a file in use elsewhere can still be
// examined; the launcher's own outputs (log, extracted files) share nothing.
enum class FileShare { None, ReadWrite };
enum class FileDisposition { OpenExisting, CreateAlways };
enum class SeekOrigin { Begin, Current, End };

// GetFileAttributesA bits the walk and the existence checks look at.
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeReparsePoint = 0x400;

// GetDriveTypeA results.
constexpr std::uint32_t kDriveUnknown = 0;
constexpr std::uint32_t kDriveNoRootDir = 1;
constexpr std::uint32_t kDriveRemovable = 2;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kDriveRemote = 4;
constexpr std::uint32_t kDriveCdrom = 5;
constexpr std::uint32_t kDriveRamdisk = 6;

// One entry of a FindFirstFileA/FindNextFileA listing.
struct FolderEntry {
  std::string name;  // cFileName, as the file system reports it
  std::uint32_t attributes = 0;
  bool IsFolder() const { return (attributes & kAttributeDirectory) != 0; }
};

// GetDiskFreeSpaceA's four numbers, as the system reports them.
struct DiskFreeSpace {
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t freeClusters = 0;
  std::uint32_t totalClusters = 0;
};

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// ShowWindow states passed to a child through STARTUPINFOA.
constexpr int kShowHide = 0;
constexpr int kShowNormal = 1;

// The two views of HKEY_LOCAL_MACHINE\Software on 64-bit Windows: the one
// the process sees by itself, and the other (the 32-bit view for a 64-bit
// process, the 64-bit view for a 32-bit one under WoW64). A 32-bit system
// has only the first.
enum class RegistryView { Own, Other };

class File;

// What a process start is asked for. The command line carries the program
// as its first part; applicationName, when set, is the program's full path
// and the system starts exactly that file, so nothing is searched for.
struct ProcessStart {
  std::string commandLine;
  int showState = kShowNormal;  // STARTF_USESHOWWINDOW always set
  bool inheritHandles = false;
  const File* standardOutput = nullptr;  // set: STARTF_USESTDHANDLES too
  bool createNoWindow = false;           // CREATE_NO_WINDOW
  std::string applicationName;           // empty: the system finds the program
};

// What WaitForPipe found.
enum class PipeWait {
  Readable,    // a read returns at once: bytes wait, or every writer closed
  ChildEnded,  // the process ended and the pipe is empty, yet another
               // process (one it started) still holds a write end
  TimedOut,    // the budget ran out first
};

// Owns one OS handle and closes it on every path out of its scope. Zero
// (no handle) and all bits set (a failed creation) both hold nothing.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return handle_; }
  bool Valid() const { return handle_ != kInvalidHandle && handle_ != kNoHandle; }
  Handle Release() {
    Handle handle = handle_;
    handle_ = kInvalidHandle;
    return handle;
  }
  // Closes what is held (if anything) and takes the new handle.
  void Reset(Handle handle = kInvalidHandle);
  // Closes now and reports whether the close succeeded.
  bool Close();

 private:
  Handle handle_ = kInvalidHandle;
};

// An open file or pipe end. Platforms hand these out; callers read, write
// and position through them and never see the handle's value.
class File {
 public:
  File() = default;
  // For platform implementations: takes ownership of an open handle.
  explicit File(Handle handle) : handle_(handle) {}

  bool IsOpen() const { return handle_.Valid(); }
  // True when the call succeeded; *transferred may still be short.
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* transferred) const;
  bool Write(const void* data, std::uint32_t size, std::uint32_t* transferred) const;
  // Moves the file pointer; *position receives the resulting position.
  bool Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) const;
  bool Size(std::uint64_t* size) const;
  // Closes now and reports whether the close succeeded.
  bool Close() { return handle_.Close(); }
  // For platform implementations, which must name the handle to the system.
  Handle NativeHandle() const { return handle_.Get(); }

 private:
  UniqueHandle handle_;
};

// An anonymous pipe whose two ends are inheritable.
struct Pipe {
  File readEnd;
  File writeEnd;
};

// A started child process: its process and primary thread handles, closed
// when it goes out of scope (the child itself runs on).
class Process {
 public:
  Process() = default;
  // For platform implementations.
  Process(Handle process, Handle thread, std::uint32_t threadId)
      : process_(process), thread_(thread), threadId_(threadId) {}

  bool IsStarted() const { return process_.Valid(); }
  std::uint32_t ThreadId() const { return threadId_; }
  Handle NativeHandle() const { return process_.Get(); }

 private:
  UniqueHandle process_;
  UniqueHandle thread_;
  std::uint32_t threadId_ = 0;
};

// A heap block the platform granted, freed with its owner. The launcher is
// built without exceptions, so a container that cannot grow ends the
// process: every block whose size a file decides is asked for here, and a
// refusal is an answer, not an end.
class MemoryBlock {
 public:
  MemoryBlock() = default;
  // For platform implementations: takes a block from std::malloc.
  MemoryBlock(void* block, std::size_t size)
      : data_(static_cast<std::uint8_t*>(block)), size_(size) {}
  ~MemoryBlock() { std::free(data_); }
  MemoryBlock(MemoryBlock&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr, other.size_ = 0;
  }
  MemoryBlock& operator=(MemoryBlock&& other) noexcept {
    if (this != &other) {
      std::free(data_);
      data_ = other.data_, size_ = other.size_;
      other.data_ = nullptr, other.size_ = 0;
    }
    return *this;
  }
  MemoryBlock(const MemoryBlock&) = delete;
  MemoryBlock& operator=(const MemoryBlock&) = delete;

  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// The seam. Its verbs are the launcher's own; each implementation says
// which system calls stand behind them.
class Platform {
 public:
  virtual ~Platform() = default;

  // --- Files. A file that cannot be opened comes back not open.
  virtual File OpenFile(const std::string& path, FileAccess access, FileShare share,
                        FileDisposition disposition) = 0;
  virtual bool FileAttributes(const std::string& path, std::uint32_t* attributes) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;

  // --- Folders, drives, disks.
  // The temporary folder into a kMaxPath buffer; the path ends in a backslash.
  virtual bool TempFolder(std::string* path) = 0;
  virtual bool FreeSpace(const std::string& root, DiskFreeSpace* space) = 0;
  virtual std::string WindowsFolder() = 0;
  virtual std::string SystemFolder() = 0;
  virtual std::uint32_t DriveKind(const std::string& root) = 0;
  // All entries that match a file pattern, in file-system order. False when
  // nothing matches or the folder cannot be listed.
  virtual bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) = 0;

  // --- Environment and registry (HKEY_LOCAL_MACHINE, read only).
  // False when the variable is absent or does not fit bufferBytes.
  virtual bool EnvironmentValue(const std::string& name, std::size_t bufferBytes,
                                std::string* value) = 0;
  // Opens the key in that view, reads the value into a bufferBytes buffer,
  // closes it. False when the key or value is missing, the value does not
  // fit, or the system has no such view.
  virtual bool ReadRegistryValue(const std::string& subkey, const std::string& valueName,
                                 std::size_t bufferBytes, RegistryView view,
                                 std::vector<std::uint8_t>* data) = 0;

  // --- Processes.
  // Both ends inheritable (SECURITY_ATTRIBUTES of length 12, no descriptor,
  // inherit flag set), default buffer size.
  virtual bool OpenPipe(Pipe* pipe) = 0;
  virtual bool StartProcess(const ProcessStart& start, Process* process) = 0;
  // Waits until the process ends while serving the calling thread's paint,
  // sent and private messages (input is dropped). With windowSearch, on the
  // Windows 95/98 family the child's first visible window is hidden. False
  // when the wait fails.
  virtual bool WaitForProcess(const Process& process, bool windowSearch) = 0;
  // Waits until a read on the pipe's read end would not block, or the
  // process has ended while the pipe is empty and still open, for at most
  // *budgetMs milliseconds; the time spent is taken off *budgetMs. Anonymous
  // pipes cannot be read with a time-out, so a reader asks this first.
  virtual PipeWait WaitForPipe(const File& readEnd, const Process& process,
                               std::uint32_t* budgetMs) = 0;
  // Waits up to graceMs for the process to end; if it still runs then, ends
  // it and waits for that. False when it could not be ended.
  virtual bool EndProcess(const Process& process, std::uint32_t graceMs) = 0;
  // Starts fn(argument) on a new thread (the runtime library's thread start,
  // default stack).
  virtual bool StartThread(void (*fn)(void*), void* argument) = 0;
  virtual std::uint32_t CurrentThreadId() = 0;

  // --- Memory. A zero-byte block is granted and holds nothing.
  virtual bool AllocateBlock(std::size_t bytes, MemoryBlock* block) = 0;

  // --- Resources, time, identity, text.
  // A string-table text loaded into a buffer of bufferChars: at most
  // bufferChars - 1 characters come back; an id without text gives "".
  virtual std::string LoadText(std::uint32_t id, std::size_t bufferChars) = 0;
  virtual LocalTime Now() = 0;
  // The launcher's own executable, kMaxPath buffer.
  virtual std::string ExecutablePath() = 0;
  // Conversions through the ANSI code page.
  virtual std::wstring AnsiToWide(const std::string& text) = 0;
  virtual std::string WideToAnsi(const std::wstring& text) = 0;

 protected:
  friend class File;
  friend class UniqueHandle;
  // What File and UniqueHandle do with the handles they own.
  virtual bool ReadHandle(Handle file, void* buffer, std::uint32_t size,
                          std::uint32_t* transferred) = 0;
  virtual bool WriteHandle(Handle file, const void* data, std::uint32_t size,
                           std::uint32_t* transferred) = 0;
  virtual bool SeekHandle(Handle file, std::int64_t distance, SeekOrigin origin,
                          std::uint64_t* position) = 0;
  virtual bool HandleSize(Handle file, std::uint64_t* size) = 0;
  virtual bool ReleaseHandle(Handle handle) = 0;
};

// The platform everything above the seam talks to. The entry point installs
// the Win32 one for the whole process; tests use ScopedPlatform.
Platform& Os();
// Installs platform; returns the one it replaces.
Platform* SetPlatform(Platform* platform);

// Installs a platform for one scope and puts the previous one back at its
// end, so that nothing is left pointing at a platform that no longer exists.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform) : previous_(SetPlatform(&platform)) {}
  ~ScopedPlatform() { SetPlatform(previous_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

}  // namespace carafe
