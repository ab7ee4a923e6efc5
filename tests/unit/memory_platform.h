// An in-memory operating system for unit tests. Paths compare without regard
// to letter case; observable calls go to a journal so tests can pin their order.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

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

// What a process was started with (but the stdout handle, which the launcher closes) and how it
// went. capturedOutput: a stdout handle was given; windowSearch: the wait was to hide its window.
struct Launch : ProcessStart {
  bool capturedOutput = false, waitedFor = false, windowSearch = false, endedByLauncher = false;
  ChildRun run{};
};

// FILE_ATTRIBUTE_NORMAL: a file with no other attribute.
constexpr std::uint32_t kAttributeNormal = 0x80;

inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

class MemoryPlatform : public Platform {
 public:
  MemoryPlatform() {
    AddFolder("C:\\TEMP\\");
    AddFolder(systemFolder_);
  }

  // Parent folders are created as needed.
  void AddFile(const std::string& path, const std::string& content = "") {
    MakeNode(path, false).content = content;
  }
  void AddFolder(const std::string& path) { MakeNode(path, true); }
  bool Exists(const std::string& path) const { return Find(path) != nullptr; }
  std::string Content(const std::string& path) const {
    return Exists(path) ? Find(path)->content : "";
  }
  // Sizes of the WriteFile calls made on this path, in order.
  std::vector<std::uint32_t> WriteSizes(const std::string& path) const {
    return Exists(path) ? Find(path)->writeSizes : std::vector<std::uint32_t>();
  }
  // The file can be neither opened nor replaced (another process holds it).
  void Lock(const std::string& path) { MakeNode(path, false).locked = true; }
  // Writes to this file stop after limit bytes in total (a full disk).
  void LimitWrites(const std::string& path, std::uint64_t limit) {
    MakeNode(path, false).writeLimit = limit;
  }
  void AddProgram(const std::string& path, Program program) {
    AddFile(path, "MZ");
    MakeNode(path, false).program = std::move(program);
  }
  std::size_t OpenHandleCount() const { return handles_.size(); }

  // An empty folder is what the system answers when the path does not fit its buffer.
  void SetWindowsDirectory(const std::string& path) { AddFolder(windowsFolder_ = path); }
  void SetSystemDirectory(const std::string& path) { AddFolder(systemFolder_ = path); }
  void SetDriveType(const std::string& root, std::uint32_t kind) {
    if ((driveKinds_[Key(root)] = kind) == kDriveFixed) AddFolder(root);
  }
  void SetDiskFreeSpace(const std::string& root, DiskFreeSpace space) {
    freeSpace_[Key(root)] = space;
  }
  void SetEnv(const std::string& name, const std::string& value) {
    values_[Key("env " + name)] = value;
  }
  void SetRegistryValue(const std::string& subkey, const std::string& valueName,
                        const std::string& data, RegistryView view = RegistryView::Own) {
    values_[Key(RegistryLine(subkey, valueName, view))] = data;
  }
  // Heap blocks larger than this are refused.
  void SetMemoryLimit(std::size_t bytes) { memoryLimit_ = bytes; }
  // LoadText answers only the ids set here.
  void SetString(std::uint32_t id, const std::string& text) { strings_[id] = text; }

  const std::vector<Launch>& Launches() const { return launches_; }
  bool ReadWouldHaveBlocked() const { return readWouldBlock_; }
  // Milliseconds that WaitForPipe let pass in all (time passes only there).
  std::uint64_t PipeWaitMs() const { return pipeWaitMs_; }

  // "registry [other-view ]<subkey>|<value>", "attributes <path>", "find <pattern>", "env <name>",
  // "process <cmdline>", "drive <root>", "delete <path>".
  std::vector<std::string> journal;
  std::vector<std::string> Journal(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : journal)
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
  }

  File OpenFile(const std::string& path, FileAccess access, FileShare share,
                FileDisposition disposition) override {
    const std::string key = Key(path);
    const Node *node = Find(key), *parent = Find(ParentKey(key));
    if (node ? node->folder || node->locked
             : disposition == FileDisposition::OpenExisting || !parent || !parent->folder)
      return File(kInvalidHandle);
    for (const auto& [handle, open] : handles_)  // one side shares nothing: the second fails
      if (open.key == key && (open.share == FileShare::None || share == FileShare::None))
        return File(kInvalidHandle);
    if (disposition == FileDisposition::CreateAlways) MakeNode(path, false).content.clear();
    return File(NewHandle({key, -1, share, access == FileAccess::Write}));
  }
  bool FileAttributes(const std::string& path, std::uint32_t* attributes) override {
    journal.push_back("attributes " + path);
    const Node* node = Find(path);
    return node && (*attributes = node->folder ? kAttributeDirectory : kAttributeNormal, true);
  }
  // An open file cannot be deleted: no opener here shares deletion.
  bool RemoveFile(const std::string& path) override {
    journal.push_back("delete " + path);
    auto node = nodes_.find(Key(path));
    if (node == nodes_.end() || node->second.folder || node->second.locked) return false;
    for (const auto& [handle, open] : handles_)
      if (open.key == node->first) return false;
    nodes_.erase(node);
    return true;
  }
  bool TempFolder(std::string* path) override { return *path = "C:\\TEMP\\", true; }
  // Windows takes only a root with its trailing backslash.
  bool FreeSpace(const std::string& root, DiskFreeSpace* space) override {
    auto it = EndsWith(root, "\\") ? freeSpace_.find(Key(root)) : freeSpace_.end();
    return it != freeSpace_.end() && (*space = it->second, true);
  }
  std::string WindowsFolder() override { return windowsFolder_; }
  std::string SystemFolder() override { return systemFolder_; }
  std::uint32_t DriveKind(const std::string& root) override {
    journal.push_back("drive " + root);
    auto it = driveKinds_.find(Key(root));
    return it == driveKinds_.end() ? kDriveNoRootDir : it->second;
  }
  // FindFirstFileA as the launcher uses it: "*.*" lists all, else one name. A folder lists "."
  // and ".." first, a root neither; then its entries in the order they were made, as FAT does.
  bool FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) override {
    journal.push_back("find " + pattern);
    const std::string wanted = Key(pattern), folder = ParentKey(wanted);
    const bool all = EndsWith(wanted, "\\*.*");
    entries->clear();
    if (!Find(folder) || !Find(folder)->folder) return false;
    if (all && ParentKey(folder) != folder)
      *entries = {{".", kAttributeDirectory}, {"..", kAttributeDirectory}};
    std::map<std::uint64_t, FolderEntry> listed;
    for (const auto& [key, node] : nodes_)
      if (key != folder && ParentKey(key) == folder && (all || key == wanted))
        listed[node.created] = {node.name, node.folder ? kAttributeDirectory : kAttributeNormal};
    for (const auto& entry : listed) entries->push_back(entry.second);
    return !entries->empty();
  }
  bool EnvironmentValue(const std::string& name, std::size_t bytes, std::string* value) override {
    const std::string* found = Value("env " + name);
    return found && found->size() < bytes && (*value = *found, true);
  }
  bool ReadRegistryValue(const std::string& subkey, const std::string& valueName,
                         std::size_t bufferBytes, RegistryView view,
                         std::vector<std::uint8_t>* data) override {
    const std::string* found = Value(RegistryLine(subkey, valueName, view));
    return found && found->size() <= bufferBytes &&
           (data->assign(found->begin(), found->end()), true);
  }

  // The pipe's buffer is a node that no path names ('|' is not allowed in one).
  bool OpenPipe(Pipe* ends) override {
    const std::string key = "|pipe " + std::to_string(lastHandle_);
    nodes_[key].pipe = true;
    nodes_[key].pipeWriters = 1;
    ends->readEnd = File(NewHandle({key, -1, FileShare::ReadWrite, false}));
    ends->writeEnd = File(NewHandle({key, -1, FileShare::ReadWrite, true}));
    return true;
  }
  // As CreateProcessA: the application name alone when given; else the quoted first token, or
  // each prefix that ends at a blank; a bare name is looked for in the system folder.
  bool StartProcess(const ProcessStart& start, Process* process) override {
    const std::string& line = start.commandLine;
    journal.push_back("process " + line);
    std::vector<std::string> names;
    if (!start.applicationName.empty()) names.push_back(start.applicationName);
    if (names.empty() && line.rfind('"', 0) == 0)
      names.push_back(line.substr(1, line.find('"', 1) - 1));
    for (std::size_t end = names.empty() ? 0 : std::string::npos; end != std::string::npos;)
      names.push_back(line.substr(0, end = line.find(' ', end + 1)));
    Program program;
    for (const std::string& name : names)  // a bare name is found in the system folder
      for (const std::string& path : {name, systemFolder_ + "\\" + name})
        if (!program && Find(path)) program = Find(path)->program;
    if (!program) return false;
    const int index = static_cast<int>(launches_.size());
    launches_.push_back({start, start.standardOutput != nullptr});
    launches_.back().standardOutput = nullptr;
    const ChildRun run = launches_.back().run = program(line);
    const Opened* out =
        start.standardOutput ? Opening(start.standardOutput->NativeHandle()) : nullptr;
    if (out && out->writable && start.inheritHandles) {  // else the child cannot use it
      nodes_[out->key].content += run.standardOutput;
      nodes_[out->key].pipeWriters += run.keepsOutputOpen || run.outputOutlivesIt;
    }
    *process = Process(NewHandle({"", index}), NewHandle({"", index}), 1000 + index);
    return true;
  }
  bool WaitForProcess(const Process& process, bool windowSearch) override {
    const Opened* child = Opening(process.NativeHandle());
    if (!child || child->launch < 0) return false;
    Launch& launch = launches_[child->launch];
    launch.waitedFor = true, launch.windowSearch = windowSearch;
    return !launch.run.waitFails;
  }
  // Only a program that holds its output open still runs when asked: it is ended.
  bool EndProcess(const Process& process, std::uint32_t) override {
    const Opened* child = Opening(process.NativeHandle());
    if (!child || child->launch < 0) return false;
    Launch& launch = launches_[child->launch];
    launch.endedByLauncher |= launch.run.keepsOutputOpen;
    return true;
  }
  bool AllocateBlock(std::size_t bytes, MemoryBlock* block) override {
    void* data = bytes <= memoryLimit_ ? std::malloc(bytes != 0 ? bytes : 1) : nullptr;
    return data && (*block = MemoryBlock(data, bytes), true);
  }
  // Output is in the pipe from the start: only a program holding it open waits; a hung
  // one uses up the budget, one whose own process has ended is reported at once.
  PipeWait WaitForPipe(const File& readEnd, const Process& process,
                       std::uint32_t* budgetMs) override {
    const Opened* reader = Opening(readEnd.NativeHandle());
    if (!reader || !reader->Readable()) return PipeWait::Readable;  // the read then fails
    const Node& pipe = nodes_[reader->key];
    if (reader->position < pipe.content.size() || pipe.pipeWriters == 0) return PipeWait::Readable;
    const Opened* child = Opening(process.NativeHandle());
    if (child && child->launch >= 0 && !launches_[child->launch].run.keepsOutputOpen)
      return PipeWait::ChildEnded;
    pipeWaitMs_ += *budgetMs;
    *budgetMs = 0;
    return PipeWait::TimedOut;
  }
  bool StartThread(void (*fn)(void*), void* argument) override { return fn(argument), true; }
  std::uint32_t CurrentThreadId() override { return 1; }

  std::string LoadText(std::uint32_t id, std::size_t bufferChars) override {
    auto it = strings_.find(id);
    return it == strings_.end() || !bufferChars ? "" : it->second.substr(0, bufferChars - 1);
  }
  LocalTime Now() override { return {2000, 5, 2, 3, 4, 5}; }
  std::string ExecutablePath() override { return "C:\\SETUP\\setup.exe"; }
  // Code page 1252 as far as the tests reach it: Latin-1 with the euro sign at 0x80. What the
  // code page lacks becomes '?', WideCharToMultiByte's default.
  std::wstring AnsiToWide(const std::string& text) override {
    std::wstring wide;
    for (unsigned char c : text) wide += c == 0x80 ? L'\u20ac' : static_cast<wchar_t>(c);
    return wide;
  }
  std::string WideToAnsi(const std::wstring& text) override {
    std::string narrow;
    for (wchar_t c : text)
      narrow += c == L'\u20ac' ? '\x80' : c < 0x100 && c != 0x80 ? char(c) : '?';
    return narrow;
  }

 protected:
  bool ReadHandle(Handle file, void* buffer, std::uint32_t size, std::uint32_t* count) override {
    *count = 0;
    Opened* open = Opening(file);
    if (!open || !open->Readable()) return false;
    const Node& node = nodes_[open->key];
    const std::uint64_t at = std::min<std::uint64_t>(open->position, node.content.size());
    // An empty pipe that a writer still holds makes a real read wait; one without fails.
    if (node.pipe && at == node.content.size())
      return readWouldBlock_ |= node.pipeWriters > 0, false;
    *count = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, node.content.size() - at));
    std::memcpy(buffer, node.content.data() + at, *count);
    open->position += *count;
    return true;
  }
  // A full disk succeeds with a short count: the harder case, only the count tells.
  bool WriteHandle(Handle file, const void* data, std::uint32_t size,
                   std::uint32_t* count) override {
    *count = 0;
    Opened* open = Opening(file);
    if (!open || !open->writable) return false;
    Node& node = nodes_[open->key];
    node.writeSizes.push_back(size);
    if (open->position >= node.writeLimit) return true;
    *count =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(size, node.writeLimit - open->position));
    node.content.resize(std::max<std::uint64_t>(node.content.size(), open->position + *count));
    std::memcpy(&node.content[open->position], data, *count);
    open->position += *count;
    return true;
  }
  bool SeekHandle(Handle file, std::int64_t distance, SeekOrigin origin,
                  std::uint64_t* at) override {
    Opened* open = Opening(file);
    if (!open || open->key.empty()) return false;
    const std::uint64_t bases[] = {0, open->position, nodes_[open->key].content.size()};
    std::int64_t target = 0;  // by SeekOrigin: Begin, Current, End
    if (__builtin_add_overflow(bases[int(origin)], distance, &target) || target < 0) return false;
    *at = open->position = static_cast<std::uint64_t>(target);
    return true;
  }
  bool HandleSize(Handle file, std::uint64_t* size) override {
    const Opened* open = Opening(file);
    return open && !open->key.empty() && (*size = nodes_[open->key].content.size(), true);
  }
  bool ReleaseHandle(Handle handle) override {
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    if (it->second.writable && nodes_[it->second.key].pipe) --nodes_[it->second.key].pipeWriters;
    handles_.erase(it);
    return true;
  }

 private:
  // A file, a folder or an anonymous pipe's buffer.
  struct Node {
    std::string name;           // as first given: listings keep its letter case
    std::uint64_t created = 0;  // listings keep the order of creation
    bool folder = false, locked = false, pipe = false;
    std::string content{};
    std::uint64_t writeLimit = UINT64_MAX;
    std::vector<std::uint32_t> writeSizes{};
    Program program{};    // what runs when the file is started, if anything
    int pipeWriters = 0;  // open write ends: the parent's and those children hold
  };
  // An open handle: to a file or pipe end (its node's key), or to a started process or its
  // thread (the launch). A file opened for writing cannot be read, as on Windows.
  struct Opened {
    std::string key;
    int launch = -1;
    FileShare share = FileShare::ReadWrite;
    bool writable = false;
    std::uint64_t position = 0;
    bool Readable() const { return !writable && !key.empty(); }
  };

  static std::string Key(std::string path);
  const Node* Find(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? nullptr : &it->second;
  }
  Node& MakeNode(const std::string& path, bool folder) {
    const std::string key = Key(path);
    if (!nodes_.count(key)) {
      const std::string given = path.substr(0, path.find_last_not_of('\\') + 1);
      const std::size_t slash = given.rfind('\\');  // npos + 1 is 0
      if (ParentKey(key) != key) MakeNode(given.substr(0, slash + 1), true);
      nodes_[key] = {given.substr(slash + 1), ++created_};
    }
    return nodes_[key].folder |= folder, nodes_[key];
  }
  // The folder holding a key; a root (or a name without a folder) is its own.
  static std::string ParentKey(const std::string& key) {
    return key.substr(0, std::max<std::size_t>(key.rfind('\\'), 3));
  }
  Opened* Opening(Handle handle) {
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : &it->second;
  }
  Handle NewHandle(Opened open) { return handles_[lastHandle_ += 4] = open, lastHandle_; }
  static std::string RegistryLine(const std::string& subkey, const std::string& valueName,
                                  RegistryView view) {
    return std::string(view == RegistryView::Own ? "registry " : "registry other-view ") + subkey +
           "|" + valueName;
  }
  // A registry or environment value, as the journal names it.
  const std::string* Value(const std::string& journalLine) {
    journal.push_back(journalLine);
    auto it = values_.find(Key(journalLine));
    return it == values_.end() ? nullptr : &it->second;
  }

  std::map<std::string, Node> nodes_;  // by Key
  std::uint64_t created_ = 0;
  std::map<Handle, Opened> handles_;
  Handle lastHandle_ = 0x100;
  std::vector<Launch> launches_;
  std::map<std::string, std::string> values_;  // "env <name>", "registry <subkey>|<value>"
  std::map<std::string, std::uint32_t> driveKinds_{{"c:\\", kDriveFixed}};
  std::map<std::string, DiskFreeSpace> freeSpace_{{"c:\\", {8, 512, 1000000, 2000000}}};
  std::map<std::uint32_t, std::string> strings_;
  std::string windowsFolder_ = "C:\\WINDOWS", systemFolder_ = "C:\\WINDOWS\\SYSTEM32";
  std::size_t memoryLimit_ = std::size_t(1) << 30;
  bool readWouldBlock_ = false;
  std::uint64_t pipeWaitMs_ = 0;
};

// The in-memory platform, installed for the test's lifetime: members of a
// derived fixture (a Launcher that cleans up) are destroyed while it is still
// installed.
class PlatformTest : public ::testing::Test {
 protected:
  MemoryPlatform os;
  ScopedPlatform installed{os};
};

}  // namespace carafe
