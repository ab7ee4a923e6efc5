#include "memory_platform.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace carafe {
namespace {

std::string Fold(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string LastComponent(const std::string& path) {
  std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// FindFirstFileA as the launcher uses it: "*.*" lists all, else one name.
bool MatchesPattern(const std::string& pattern, const std::string& name) {
  return pattern == "*.*" || Fold(pattern) == Fold(name);
}

// Code page 1252 where it differs from Latin-1; Windows maps its five
// unassigned bytes to the same code points.
constexpr wchar_t kCp1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

}  // namespace

MemoryPlatform::MemoryPlatform() {
  AddFolder("C:\\");
  AddFolder(tempPath_);
  AddFolder(systemDirectory_);
  driveTypes_[Key("C:\\")] = kDriveFixed;
  freeSpace_[Key("C:\\")] = DiskFreeSpace{8, 512, 1000000, 2000000};
}

std::string MemoryPlatform::Key(const std::string& path) {
  std::string folded = Fold(path);
  std::replace(folded.begin(), folded.end(), '/', '\\');
  bool unc = folded.rfind("\\\\", 0) == 0;
  std::vector<std::string> parts;
  std::stringstream stream(folded);
  for (std::string part; std::getline(stream, part, '\\');) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.size() > 1) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string key = unc ? "\\\\" : "";
  for (std::size_t i = 0; i < parts.size(); ++i) key += (i ? "\\" : "") + parts[i];
  if (key.size() == 2 && key[1] == ':') key += '\\';
  return key;
}

const MemoryPlatform::Node* MemoryPlatform::Find(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

MemoryPlatform::Node& MemoryPlatform::MakeNode(const std::string& path, bool folder) {
  std::string original = path;
  std::replace(original.begin(), original.end(), '/', '\\');
  while (original.size() > 3 && original.back() == '\\') original.pop_back();
  std::string key = Key(original);
  auto it = nodes_.find(key);
  if (it != nodes_.end()) {
    it->second.folder = it->second.folder || folder;
    return it->second;
  }
  std::size_t slash = original.find_last_of('\\');
  if (key.size() > 3 && slash != std::string::npos) {
    std::string parentPath = original.substr(0, slash);
    if (parentPath.size() == 2 && parentPath[1] == ':') parentPath += '\\';
    MakeNode(parentPath, true).children.push_back(key);
  }
  Node& node = nodes_[key];
  node.path = original;
  node.folder = folder;
  return node;
}

void MemoryPlatform::SetDriveType(const std::string& root, std::uint32_t type) {
  driveTypes_[Key(root)] = type;
  if (type == kDriveFixed) AddFolder(root);
}

void MemoryPlatform::SetEnv(const std::string& name, const std::string& value) {
  environment_[Fold(name)] = value;
}

void MemoryPlatform::SetRegistryValue(const std::string& subkey, const std::string& valueName,
                                      const std::string& data) {
  registry_[Fold(subkey)][Fold(valueName)] = data;
}

void MemoryPlatform::AddProgram(const std::string& path, Program program) {
  AddFile(path, "MZ");
  programs_[Key(path)] = std::move(program);
}

std::vector<std::string> MemoryPlatform::Journal(const std::string& prefix) const {
  std::vector<std::string> matching;
  for (const std::string& line : journal)
    if (line.rfind(prefix, 0) == 0) matching.push_back(line);
  return matching;
}

Handle MemoryPlatform::NewHandle(Opened open) {
  Handle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = std::move(open);
  return handle;
}

Handle MemoryPlatform::OpenHandle(const std::string& path, FileAccess access, FileShare share,
                                  FileDisposition disposition) {
  std::string key = Key(path);
  Node* node = Find(path);
  if (node && (node->folder || node->locked)) return kInvalidHandle;
  for (const auto& [handle, open] : handles_)
    if (open.kind == Opened::File && open.key == key &&
        (open.share == FileShare::None || share == FileShare::None))
      return kInvalidHandle;
  if (disposition == FileDisposition::OpenExisting && !node) return kInvalidHandle;
  if (disposition == FileDisposition::CreateAlways) {
    if (!node) {
      std::size_t slash = key.find_last_of('\\');
      const Node* parent = slash == std::string::npos ? nullptr : Find(key.substr(0, slash + 1));
      if (!parent || !parent->folder) return kInvalidHandle;
      node = &MakeNode(path, false);
    }
    node->content.clear();
    journal.push_back("create " + path);
  }
  return NewHandle({Opened::File, key, share, access == FileAccess::Write});
}

bool MemoryPlatform::ReadHandle(Handle file, void* buffer, std::uint32_t size,
                                std::uint32_t* transferred) {
  *transferred = 0;
  auto it = handles_.find(file);
  if (it == handles_.end()) return false;
  Opened& open = it->second;
  if (open.kind == Opened::PipeRead) {
    PipeBuffer& pipe = pipes_[open.pipe];
    std::size_t remaining = pipe.data.size() - pipe.readPosition;
    if (remaining == 0) {
      // A real read would block here until a writer closes its end.
      if (pipe.openWriters > 0) readWouldBlock_ = true;
      return false;
    }
    std::size_t count = std::min<std::size_t>(size, remaining);
    std::memcpy(buffer, pipe.data.data() + pipe.readPosition, count);
    pipe.readPosition += count;
    *transferred = static_cast<std::uint32_t>(count);
    return true;
  }
  if (open.kind != Opened::File || open.writable) return false;
  const std::string& content = nodes_[open.key].content;
  if (open.position >= content.size()) return true;
  std::size_t count = std::min<std::uint64_t>(size, content.size() - open.position);
  std::memcpy(buffer, content.data() + open.position, count);
  open.position += count;
  *transferred = static_cast<std::uint32_t>(count);
  return true;
}

bool MemoryPlatform::WriteHandle(Handle file, const void* data, std::uint32_t size,
                                 std::uint32_t* transferred) {
  *transferred = 0;
  auto it = handles_.find(file);
  if (it == handles_.end() || it->second.kind != Opened::File || !it->second.writable) return false;
  Opened& open = it->second;
  Node& node = nodes_[open.key];
  node.writeSizes.push_back(size);
  std::uint64_t room = node.writeLimit > open.position ? node.writeLimit - open.position : 0;
  std::uint32_t count = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, room));
  if (node.content.size() < open.position + count) node.content.resize(open.position + count);
  std::memcpy(&node.content[open.position], data, count);
  open.position += count;
  *transferred = count;
  // A full disk succeeds with a short count: the harder case, only the count tells.
  return true;
}

bool MemoryPlatform::SeekHandle(Handle file, std::int64_t distance, SeekOrigin origin,
                                std::uint64_t* position) {
  auto it = handles_.find(file);
  if (it == handles_.end() || it->second.kind != Opened::File) return false;
  Opened& open = it->second;
  std::int64_t base = origin == SeekOrigin::Begin ? 0
                      : origin == SeekOrigin::Current
                          ? static_cast<std::int64_t>(open.position)
                          : static_cast<std::int64_t>(nodes_[open.key].content.size());
  if (base + distance < 0) return false;
  open.position = static_cast<std::uint64_t>(base + distance);
  *position = open.position;
  return true;
}

bool MemoryPlatform::HandleSize(Handle file, std::uint64_t* size) {
  auto it = handles_.find(file);
  if (it == handles_.end() || it->second.kind != Opened::File) return false;
  *size = nodes_[it->second.key].content.size();
  return true;
}

bool MemoryPlatform::ReleaseHandle(Handle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return false;
  if (it->second.kind == Opened::PipeWrite) --pipes_[it->second.pipe].openWriters;
  handles_.erase(it);
  return true;
}

bool MemoryPlatform::FileAttributes(const std::string& path, std::uint32_t* attributes) {
  journal.push_back("attributes " + path);
  const Node* node = Find(path);
  if (!node) return false;
  *attributes = node->folder ? kAttributeDirectory : 0x80;
  return true;
}

bool MemoryPlatform::RemoveFile(const std::string& path) {
  journal.push_back("delete " + path);
  std::string key = Key(path);
  Node* node = Find(path);
  if (!node || node->folder || node->locked) return false;
  for (const auto& [handle, open] : handles_)
    if (open.kind == Opened::File && open.key == key) return false;
  std::size_t slash = key.find_last_of('\\');
  if (Node* parent = Find(key.substr(0, slash == 2 ? 3 : slash))) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), key), siblings.end());
  }
  nodes_.erase(key);
  return true;
}

bool MemoryPlatform::TempFolder(std::string* path) {
  if (tempPath_.empty()) return false;
  *path = tempPath_;
  return true;
}

// Windows takes only a root with its trailing backslash.
bool MemoryPlatform::FreeSpace(const std::string& root, DiskFreeSpace* space) {
  auto it = EndsWith(root, "\\") ? freeSpace_.find(Key(root)) : freeSpace_.end();
  if (it == freeSpace_.end()) return false;
  *space = it->second;
  return true;
}

std::uint32_t MemoryPlatform::DriveKind(const std::string& root) {
  journal.push_back("drive " + root);
  auto it = driveTypes_.find(Key(root));
  return it == driveTypes_.end() ? kDriveNoRootDir : it->second;
}

bool MemoryPlatform::FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) {
  journal.push_back("find " + pattern);
  entries->clear();
  std::size_t slash = pattern.find_last_of('\\');
  std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
  std::string name = pattern.substr(slash == std::string::npos ? 0 : slash + 1);
  const Node* node = Find(folder);
  if (!node || !node->folder) return false;
  bool root = Key(folder).size() <= 3;
  if (!root) {
    for (const char* dots : {".", ".."})
      if (MatchesPattern(name, dots)) entries->push_back({dots, kAttributeDirectory});
  }
  for (const std::string& key : node->children) {
    const Node& child = nodes_.at(key);
    std::string childName = LastComponent(child.path);
    if (!MatchesPattern(name, childName)) continue;
    entries->push_back({childName, child.folder ? kAttributeDirectory : 0x80u});
  }
  return !entries->empty();
}

bool MemoryPlatform::EnvironmentValue(const std::string& name, std::size_t bufferBytes,
                                      std::string* value) {
  journal.push_back("env " + name);
  auto it = environment_.find(Fold(name));
  if (it == environment_.end() || it->second.size() + 1 > bufferBytes) return false;
  *value = it->second;
  return true;
}

bool MemoryPlatform::ReadRegistryValue(const std::string& subkey, const std::string& valueName,
                                       std::size_t bufferBytes, std::vector<std::uint8_t>* data) {
  journal.push_back("registry " + subkey + "|" + valueName);
  auto key = registry_.find(Fold(subkey));
  if (key == registry_.end()) return false;
  auto value = key->second.find(Fold(valueName));
  if (value == key->second.end() || value->second.size() > bufferBytes) return false;
  data->assign(value->second.begin(), value->second.end());
  return true;
}

bool MemoryPlatform::OpenPipe(Pipe* ends) {
  if (failPipe_) return false;
  pipes_.push_back(PipeBuffer{"", 0, 1});
  int pipe = static_cast<int>(pipes_.size() - 1);
  ends->readEnd = File(NewHandle({Opened::PipeRead, "", FileShare::ReadWrite, false, 0, pipe}));
  ends->writeEnd = File(NewHandle({Opened::PipeWrite, "", FileShare::ReadWrite, false, 0, pipe}));
  return true;
}

// As CreateProcessA without an application name: a quoted first token or each blank-ended
// prefix; a bare name in the launcher's, system and Windows folders, then PATH.
bool MemoryPlatform::ResolveProgram(const std::string& commandLine, std::string* programKey) {
  std::vector<std::string> candidates;
  if (!commandLine.empty() && commandLine[0] == '"') {
    std::size_t close = commandLine.find('"', 1);
    candidates.push_back(commandLine.substr(1, close == std::string::npos ? close : close - 1));
  } else {
    for (std::size_t blank = commandLine.find(' '); blank != std::string::npos;
         blank = commandLine.find(' ', blank + 1))
      candidates.push_back(commandLine.substr(0, blank));
    candidates.push_back(commandLine);
  }
  for (std::string candidate : candidates) {
    if (candidate.empty()) continue;
    if (LastComponent(candidate).find('.') == std::string::npos) candidate += ".exe";
    std::vector<std::string> paths;
    if (candidate.find('\\') != std::string::npos) {
      paths.push_back(candidate);
    } else {
      std::string moduleFolder = moduleFileName_.substr(0, moduleFileName_.find_last_of('\\'));
      for (const std::string& folder : {moduleFolder, systemDirectory_, windowsDirectory_})
        paths.push_back(folder + "\\" + candidate);
      auto path = environment_.find("path");
      if (path != environment_.end()) {
        std::stringstream folders(path->second);
        for (std::string folder; std::getline(folders, folder, ';');)
          if (!folder.empty()) paths.push_back(folder + "\\" + candidate);
      }
    }
    for (const std::string& path : paths) {
      if (programs_.count(Key(path)) && Exists(path)) {
        *programKey = Key(path);
        return true;
      }
    }
  }
  return false;
}

bool MemoryPlatform::StartProcess(const ProcessStart& start, Process* process) {
  journal.push_back("process " + start.commandLine);
  std::string programKey;
  if (!ResolveProgram(start.commandLine, &programKey)) return false;
  launches_.push_back({start.commandLine, start.showState, start.inheritHandles,
                       start.standardOutput != nullptr, start.createNoWindow});
  int index = static_cast<int>(launches_.size() - 1);
  ChildRun run = programs_[programKey](start.commandLine);
  auto out = handles_.find(start.standardOutput ? start.standardOutput->NativeHandle() : kNoHandle);
  if (out != handles_.end() && out->second.kind == Opened::PipeWrite && start.inheritHandles) {
    PipeBuffer& pipe = pipes_[out->second.pipe];
    pipe.data += run.standardOutput;
    if (run.keepsOutputOpen || run.outputOutlivesIt) ++pipe.openWriters;
  }
  hung_.resize(launches_.size());
  hung_[index] = run.keepsOutputOpen;
  // writable is reused as "the wait fails".
  *process =
      Process(NewHandle({Opened::Process, "", FileShare::ReadWrite, run.waitFails, 0, -1, index}),
              NewHandle({Opened::Thread, "", FileShare::ReadWrite, false, 0, -1, index}),
              1000 + static_cast<std::uint32_t>(index));
  return true;
}

bool MemoryPlatform::WaitForProcess(const Process& process, bool windowSearch) {
  auto it = handles_.find(process.NativeHandle());
  if (it == handles_.end() || it->second.kind != Opened::Process) return false;
  launches_[it->second.launch].waitedFor = true;
  launches_[it->second.launch].windowSearch = windowSearch;
  return !it->second.writable;
}

// Output is in the pipe from the start: only a program holding it open waits; a hung
// one uses up the budget, one whose own process has ended is reported at once.
PipeWait MemoryPlatform::WaitForPipe(const File& readEnd, const Process& process,
                                     std::uint32_t* budgetMs) {
  auto reader = handles_.find(readEnd.NativeHandle());
  if (reader == handles_.end() || reader->second.kind != Opened::PipeRead)
    return PipeWait::Readable;  // the read itself then fails
  const PipeBuffer& pipe = pipes_[reader->second.pipe];
  if (pipe.readPosition < pipe.data.size() || pipe.openWriters == 0) return PipeWait::Readable;
  auto child = handles_.find(process.NativeHandle());
  bool hung = child == handles_.end() || child->second.kind != Opened::Process ||
              hung_[child->second.launch];
  if (!hung) return PipeWait::ChildEnded;
  pipeWaitMs_ += *budgetMs;
  *budgetMs = 0;
  return PipeWait::TimedOut;
}

bool MemoryPlatform::StartThread(void (*fn)(void*), void* argument) {
  fn(argument);
  return true;
}

std::string MemoryPlatform::LoadText(std::uint32_t id, std::size_t bufferChars) {
  auto it = strings_.find(id);
  if (it == strings_.end() || bufferChars == 0) return std::string();
  return it->second.substr(0, bufferChars - 1);
}

std::wstring MemoryPlatform::AnsiToWide(const std::string& text) {
  std::wstring wide;
  for (unsigned char c : text) wide += c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
  return wide;
}

std::string MemoryPlatform::WideToAnsi(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) {
    const wchar_t* high = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
    narrow += high != std::end(kCp1252High)        ? static_cast<char>(0x80 + (high - kCp1252High))
              : c < 256 && (c < 0x80 || c >= 0xA0) ? static_cast<char>(c)
                                                   : '?';
  }
  return narrow;
}

}  // namespace carafe
