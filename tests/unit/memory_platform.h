// An in-memory operating system for unit tests. Paths compare without regard
// to letter case; observable calls go to a journal so tests can pin their order.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace carafe {

// keepsOutputOpen: never closes its stdout (a hung program); outputOutlivesIt: ends, but a
// process it started keeps stdout open.
struct ChildRun {
  std::string standardOutput;  // written to the stdout pipe, if one was given
  std::uint32_t exitCode = 0;
  bool keepsOutputOpen = false, waitFails = false, outputOutlivesIt = false;
};
using Program = std::function<ChildRun(const std::string& commandLine)>;

// capturedOutput: a stdout handle was given; windowSearch: the wait was to hide its window.
struct Launch {
  std::string commandLine;
  int showState = 0;
  bool inheritHandles = false, capturedOutput = false, createNoWindow = false;
  bool waitedFor = false, windowSearch = false;
};

class MemoryPlatform : public Platform {
 public:
  MemoryPlatform();

  // Parent folders are created as needed.
  void AddFile(const std::string& path, const std::string& content = "") {
    MakeNode(path, false).content = content;
  }
  void AddFolder(const std::string& path) { MakeNode(path, true); }
  bool Exists(const std::string& path) const { return Find(path) != nullptr; }
  std::string Content(const std::string& path) const {
    return Find(path) ? Find(path)->content : std::string();
  }
  // The file can be neither opened nor replaced (another process holds it).
  void Lock(const std::string& path) { MakeNode(path, false).locked = true; }
  // Writes to this file stop after limit bytes in total (a full disk).
  void LimitWrites(const std::string& path, std::uint64_t limit) {
    MakeNode(path, false).writeLimit = limit;
  }
  // Sizes of the WriteFile calls made on this path, in order.
  std::vector<std::uint32_t> WriteSizes(const std::string& path) const {
    return Find(path) ? Find(path)->writeSizes : std::vector<std::uint32_t>();
  }
  std::size_t OpenHandleCount() const { return handles_.size(); }

  void SetWindowsDirectory(const std::string& path) { AddFolder(windowsDirectory_ = path); }
  void SetSystemDirectory(const std::string& path) { AddFolder(systemDirectory_ = path); }
  void SetDriveType(const std::string& root, std::uint32_t type) {
    if ((driveTypes_[Key(root)] = type) == kDriveFixed) AddFolder(root);
  }
  void SetDiskFreeSpace(const std::string& root, DiskFreeSpace space) {
    freeSpace_[Key(root)] = space;
  }
  void SetEnv(const std::string& name, const std::string& value) {
    values_[Key("env " + name)] = value;
  }
  void SetRegistryValue(const std::string& subkey, const std::string& valueName,
                        const std::string& data) {
    values_[Key("registry " + subkey + "|" + valueName)] = data;
  }
  // LoadText answers only the ids set here.
  void SetString(std::uint32_t id, const std::string& text) { strings_[id] = text; }

  void AddProgram(const std::string& path, Program program) {
    MakeNode(path, false).program = std::move(program);
    MakeNode(path, false).content = "MZ";
  }
  void FailPipeCreation(bool fail) { failPipe_ = fail; }
  const std::vector<Launch>& Launches() const { return launches_; }
  bool ReadWouldHaveBlocked() const { return readWouldBlock_; }
  // Milliseconds that WaitForPipe let pass in all (time passes only there).
  std::uint64_t PipeWaitMs() const { return pipeWaitMs_; }

  // "registry <subkey>|<value>", "attributes <path>", "find <pattern>", "env <name>",
  // "process <cmdline>", "drive <root>", "delete <path>", "create <path>".
  std::vector<std::string> journal;
  std::vector<std::string> Journal(const std::string& prefix) const;  // lines with prefix

  File OpenFile(const std::string& path, FileAccess access, FileShare share,
                FileDisposition disposition) override;
  bool FileAttributes(const std::string& path, std::uint32_t* attributes) override;
  bool RemoveFile(const std::string& path) override;
  bool TempFolder(std::string* path) override { return !(*path = tempPath_).empty(); }
  bool FreeSpace(const std::string& root, DiskFreeSpace* space) override;
  std::string WindowsFolder() override { return windowsDirectory_; }
  std::string SystemFolder() override { return systemDirectory_; }
  std::uint32_t DriveKind(const std::string& root) override;
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override;
  bool EnvironmentValue(const std::string& name, std::size_t bufferBytes,
                        std::string* value) override;
  bool ReadRegistryValue(const std::string& subkey, const std::string& valueName,
                         std::size_t bufferBytes, std::vector<std::uint8_t>* data) override;
  bool OpenPipe(Pipe* pipe) override;
  bool StartProcess(const ProcessStart& start, Process* process) override;
  bool WaitForProcess(const Process& process, bool windowSearch) override;
  PipeWait WaitForPipe(const File& readEnd, const Process& process,
                       std::uint32_t* budgetMs) override;
  bool StartThread(void (*fn)(void*), void* argument) override { return fn(argument), true; }
  std::uint32_t CurrentThreadId() override { return 1; }
  std::string LoadText(std::uint32_t id, std::size_t bufferChars) override {
    auto it = strings_.find(id);
    return it == strings_.end() || !bufferChars ? "" : it->second.substr(0, bufferChars - 1);
  }
  LocalTime Now() override { return {2000, 5, 2, 3, 4, 5}; }
  std::string ExecutablePath() override { return moduleFileName_; }
  std::wstring AnsiToWide(const std::string& text) override;
  std::string WideToAnsi(const std::wstring& text) override;

 protected:
  bool ReadHandle(Handle file, void* buffer, std::uint32_t size,
                  std::uint32_t* transferred) override;
  bool WriteHandle(Handle file, const void* data, std::uint32_t size,
                   std::uint32_t* transferred) override;
  bool SeekHandle(Handle file, std::int64_t distance, SeekOrigin origin,
                  std::uint64_t* position) override;
  bool HandleSize(Handle file, std::uint64_t* size) override;
  bool ReleaseHandle(Handle handle) override;

 private:
  struct Node {
    std::string key, parent, name;  // parent: a root's is its own key; name as first given
    bool folder = false, locked = false;
    std::string content{};
    std::uint64_t writeLimit = UINT64_MAX;
    std::vector<std::uint32_t> writeSizes{};
    Program program{};  // what runs when the file is started, if anything
  };
  struct PipeBuffer {
    std::string data;
    std::uint64_t readPosition = 0;
    int openWriters = 1;  // the parent's write end plus children holding it
  };
  struct Opened {
    enum Kind { File, PipeRead, PipeWrite, Process, Thread } kind;
    int index = -1;     // into pipes_ or launches_
    std::string key{};  // of a file
    FileShare share = FileShare::ReadWrite;
    bool writable = false;
    std::uint64_t position = 0;
  };

  static std::string Key(std::string path);
  Node* Find(const std::string& path) const;
  Node& MakeNode(const std::string& path, bool folder);
  Opened* Opening(Handle handle, Opened::Kind kind);
  bool HeldAgainst(const std::string& key, FileShare share) const;
  Handle NewHandle(Opened open) { return handles_[lastHandle_ += 4] = open, lastHandle_; }
  Program FindProgram(const std::string& commandLine);
  const std::string* Lookup(const std::string& journalLine);  // a registry or environment value

  mutable std::vector<Node> nodes_;  // in creation order, which listings keep
  std::map<Handle, Opened> handles_;
  Handle lastHandle_ = 0x100;
  std::vector<PipeBuffer> pipes_;
  std::vector<Launch> launches_;
  std::map<int, ChildRun> runs_;               // by launch
  std::map<std::string, std::string> values_;  // "env <name>", "registry <subkey>|<value>"
  std::map<std::string, std::uint32_t> driveTypes_;
  std::map<std::string, DiskFreeSpace> freeSpace_;
  std::map<std::uint32_t, std::string> strings_;
  std::string tempPath_ = "C:\\TEMP\\", windowsDirectory_ = "C:\\WINDOWS";
  std::string systemDirectory_ = "C:\\WINDOWS\\SYSTEM32", moduleFileName_ = "C:\\SETUP\\setup.exe";
  bool failPipe_ = false, readWouldBlock_ = false;
  std::uint64_t pipeWaitMs_ = 0;
};

inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The in-memory platform, installed for the test's lifetime: members of a
// derived fixture (a Launcher that cleans up) are destroyed while it is still
// installed.
class PlatformTest : public ::testing::Test {
 protected:
  MemoryPlatform os;
  ScopedPlatform installed{os};
};

}  // namespace carafe
