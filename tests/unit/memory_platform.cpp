#include "memory_platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

namespace carafe {
namespace {

// Code page 1252 where it differs from Latin-1; Windows maps its five
// unassigned bytes to the same code points.
constexpr wchar_t kCp1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

wchar_t Widen(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c; }

}  // namespace

MemoryPlatform::MemoryPlatform() {
  AddFolder(tempPath_);
  AddFolder(systemDirectory_);
  SetDriveType("C:\\", kDriveFixed);
  SetDiskFreeSpace("C:\\", DiskFreeSpace{8, 512, 1000000, 2000000});
}

// One spelling per path (and per name): lower case, backslashes, no "." or "..", "x:\" for a
// root.
std::string MemoryPlatform::Key(std::string folded) {
  for (char& c : folded)
    c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::vector<std::string> parts;
  std::stringstream stream(folded);
  for (std::string part; std::getline(stream, part, '\\');) {
    if (part == ".." && parts.size() > 1) parts.pop_back();
    if (!part.empty() && part != "." && part != "..") parts.push_back(part);
  }
  std::string key = folded.rfind("\\\\", 0) == 0 ? "\\\\" : "";
  for (std::size_t i = 0; i < parts.size(); ++i) key += (i ? "\\" : "") + parts[i];
  return key.size() == 2 && key[1] == ':' ? key + '\\' : key;
}

MemoryPlatform::Node* MemoryPlatform::Find(const std::string& path) const {
  const std::string key = Key(path);
  auto it = std::find_if(nodes_.begin(), nodes_.end(), [&](Node& n) { return n.key == key; });
  return it == nodes_.end() ? nullptr : &*it;
}

MemoryPlatform::Node& MemoryPlatform::MakeNode(const std::string& path, bool folder) {
  std::string given = path, key = Key(path);
  if (Node* node = Find(key)) return node->folder |= folder, *node;
  std::replace(given.begin(), given.end(), '/', '\\');
  while (given.size() > 3 && given.back() == '\\') given.pop_back();
  std::size_t slash = given.find_last_of('\\');
  std::string parent = key;
  if (key.size() > 3 && slash != std::string::npos)
    parent = MakeNode(given.substr(0, slash == 2 ? 3 : slash), true).key;
  nodes_.push_back({key, parent, given.substr(slash + 1), folder});
  return nodes_.back();
}

const std::string* MemoryPlatform::Lookup(const std::string& line) {
  journal.push_back(line);
  auto it = values_.find(Key(line));
  return it == values_.end() ? nullptr : &it->second;
}

std::vector<std::string> MemoryPlatform::Journal(const std::string& prefix) const {
  std::vector<std::string> matching;
  std::copy_if(journal.begin(), journal.end(), std::back_inserter(matching),
               [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
  return matching;
}

MemoryPlatform::Opened* MemoryPlatform::Opening(Handle handle, Opened::Kind kind) {
  auto it = handles_.find(handle);
  return it != handles_.end() && it->second.kind == kind ? &it->second : nullptr;
}

// Whether an open file stands in the way of a new use with this sharing.
bool MemoryPlatform::HeldAgainst(const std::string& key, FileShare share) const {
  return std::any_of(handles_.begin(), handles_.end(), [&](const auto& handle) {
    const Opened& open = handle.second;
    return open.kind == Opened::File && open.key == key &&
           (open.share == FileShare::None || share == FileShare::None);
  });
}

File MemoryPlatform::OpenFile(const std::string& path, FileAccess access, FileShare share,
                              FileDisposition disposition) {
  std::string key = Key(path);
  Node* node = Find(key);
  if (node ? node->folder || node->locked : disposition == FileDisposition::OpenExisting)
    return File(kInvalidHandle);
  if (HeldAgainst(key, share)) return File(kInvalidHandle);
  if (disposition == FileDisposition::CreateAlways) {
    if (!node) {
      const Node* parent = Find(key.substr(0, key.find_last_of('\\') + 1));
      if (!parent || !parent->folder || key.find('\\') == std::string::npos)
        return File(kInvalidHandle);
      node = &MakeNode(path, false);
    }
    node->content.clear();
    journal.push_back("create " + path);
  }
  return File(NewHandle({Opened::File, -1, key, share, access == FileAccess::Write}));
}

bool MemoryPlatform::ReadHandle(Handle file, void* buffer, std::uint32_t size,
                                std::uint32_t* transferred) {
  *transferred = 0;
  Opened* open = Opening(file, Opened::File);
  Opened* reader = Opening(file, Opened::PipeRead);
  if ((!open || open->writable) && !reader) return false;
  PipeBuffer* pipe = reader ? &pipes_[reader->index] : nullptr;
  const std::string& data = pipe ? pipe->data : Find(open->key)->content;
  std::uint64_t& position = pipe ? pipe->readPosition : open->position;
  if (pipe && position == data.size()) {
    readWouldBlock_ |= pipe->openWriters > 0;  // a real read would wait for the last writer
    return false;
  }
  if (position >= data.size()) return true;
  *transferred = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, data.size() - position));
  std::memcpy(buffer, data.data() + position, *transferred);
  position += *transferred;
  return true;
}

// A full disk succeeds with a short count: the harder case, only the count tells.
bool MemoryPlatform::WriteHandle(Handle file, const void* data, std::uint32_t size,
                                 std::uint32_t* transferred) {
  *transferred = 0;
  Opened* open = Opening(file, Opened::File);
  if (!open || !open->writable) return false;
  Node& node = *Find(open->key);
  node.writeSizes.push_back(size);
  *transferred = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(size, node.writeLimit - std::min(node.writeLimit, open->position)));
  if (*transferred == 0) return true;
  node.content.resize(std::max<std::uint64_t>(node.content.size(), open->position + *transferred));
  std::memcpy(&node.content[open->position], data, *transferred);
  open->position += *transferred;
  return true;
}

bool MemoryPlatform::SeekHandle(Handle file, std::int64_t distance, SeekOrigin origin,
                                std::uint64_t* position) {
  Opened* open = Opening(file, Opened::File);
  if (!open) return false;
  std::int64_t target = 0, base = origin == SeekOrigin::Begin     ? 0
                                  : origin == SeekOrigin::Current ? open->position
                                                                  : Find(open->key)->content.size();
  if (__builtin_add_overflow(base, distance, &target) || target < 0) return false;
  *position = open->position = static_cast<std::uint64_t>(target);
  return true;
}

bool MemoryPlatform::HandleSize(Handle file, std::uint64_t* size) {
  Opened* open = Opening(file, Opened::File);
  return open && (*size = Find(open->key)->content.size(), true);
}

bool MemoryPlatform::ReleaseHandle(Handle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return false;
  if (it->second.kind == Opened::PipeWrite) --pipes_[it->second.index].openWriters;
  handles_.erase(it);
  return true;
}

bool MemoryPlatform::FileAttributes(const std::string& path, std::uint32_t* attributes) {
  journal.push_back("attributes " + path);
  const Node* node = Find(path);
  return node && (*attributes = node->folder ? kAttributeDirectory : 0x80, true);
}

bool MemoryPlatform::RemoveFile(const std::string& path) {
  journal.push_back("delete " + path);
  const Node* node = Find(path);
  if (!node || node->folder || node->locked || HeldAgainst(node->key, FileShare::None))
    return false;
  nodes_.erase(nodes_.begin() + (node - nodes_.data()));
  return true;
}

// Windows takes only a root with its trailing backslash.
bool MemoryPlatform::FreeSpace(const std::string& root, DiskFreeSpace* space) {
  auto it = EndsWith(root, "\\") ? freeSpace_.find(Key(root)) : freeSpace_.end();
  return it != freeSpace_.end() && (*space = it->second, true);
}

std::uint32_t MemoryPlatform::DriveKind(const std::string& root) {
  journal.push_back("drive " + root);
  auto it = driveTypes_.find(Key(root));
  return it == driveTypes_.end() ? kDriveNoRootDir : it->second;
}

// FindFirstFileA as the launcher uses it: "*.*" lists all, else one name.
bool MemoryPlatform::FindFiles(const std::string& pattern, std::vector<FolderEntry>* entries) {
  journal.push_back("find " + pattern);
  std::size_t slash = pattern.find_last_of('\\');  // npos + 1 is 0: no folder
  const std::string name = Key(pattern.substr(slash + 1));
  const Node* folder = Find(pattern.substr(0, slash + 1));
  std::vector<FolderEntry> all;
  if (folder && folder->folder && folder->key.size() > 3)
    all = {{".", kAttributeDirectory}, {"..", kAttributeDirectory}};
  for (const Node& node : nodes_)
    if (folder && folder->folder && node.parent == folder->key && &node != folder)
      all.push_back({node.name, node.folder ? kAttributeDirectory : 0x80u});
  entries->clear();
  std::copy_if(all.begin(), all.end(), std::back_inserter(*entries),
               [&](const FolderEntry& entry) { return name == "*.*" || Key(entry.name) == name; });
  return !entries->empty();
}

bool MemoryPlatform::EnvironmentValue(const std::string& name, std::size_t bufferBytes,
                                      std::string* value) {
  const std::string* found = Lookup("env " + name);
  return found && found->size() < bufferBytes && (*value = *found, true);
}

bool MemoryPlatform::ReadRegistryValue(const std::string& subkey, const std::string& valueName,
                                       std::size_t bufferBytes, std::vector<std::uint8_t>* data) {
  const std::string* found = Lookup("registry " + subkey + "|" + valueName);
  return found && found->size() <= bufferBytes &&
         (data->assign(found->begin(), found->end()), true);
}

bool MemoryPlatform::OpenPipe(Pipe* ends) {
  if (failPipe_) return false;
  pipes_.emplace_back();
  const int pipe = static_cast<int>(pipes_.size() - 1);
  ends->readEnd = File(NewHandle({Opened::PipeRead, pipe}));
  ends->writeEnd = File(NewHandle({Opened::PipeWrite, pipe}));
  return true;
}

// As CreateProcessA without an application name: a quoted first token or each blank-ended
// prefix; a bare name in the launcher's, system and Windows folders, then PATH.
Program MemoryPlatform::FindProgram(const std::string& commandLine) {
  std::vector<std::string> names;
  if (commandLine.rfind('"', 0) == 0)
    names.push_back(commandLine.substr(1, commandLine.find('"', 1) - 1));
  for (std::size_t end = names.empty() ? 0 : std::string::npos; end != std::string::npos;)
    names.push_back(commandLine.substr(0, end = commandLine.find(' ', end + 1)));
  auto path = values_.find("env path");
  const std::string folders = moduleFileName_.substr(0, moduleFileName_.find_last_of('\\')) + ';' +
                              systemDirectory_ + ';' + windowsDirectory_ + ';' +
                              (path == values_.end() ? "" : path->second);
  for (std::string name : names) {
    if (name.substr(name.find_last_of('\\') + 1).find('.') == std::string::npos) name += ".exe";
    std::stringstream list(name.find('\\') == std::string::npos ? folders : ";");
    for (std::string folder; std::getline(list, folder, ';');)
      if (const Node* node = Find(folder.empty() ? name : folder + "\\" + name);
          node && node->program)
        return node->program;
  }
  return nullptr;
}

bool MemoryPlatform::StartProcess(const ProcessStart& start, Process* process) {
  journal.push_back("process " + start.commandLine);
  const Program program = FindProgram(start.commandLine);
  if (!program) return false;
  launches_.push_back({start.commandLine, start.showState, start.inheritHandles,
                       start.standardOutput != nullptr, start.createNoWindow});
  const int launch = static_cast<int>(launches_.size() - 1);
  const ChildRun& run = runs_[launch] = program(start.commandLine);
  Opened* out = start.standardOutput && start.inheritHandles
                    ? Opening(start.standardOutput->NativeHandle(), Opened::PipeWrite)
                    : nullptr;
  if (out) {
    pipes_[out->index].data += run.standardOutput;
    pipes_[out->index].openWriters += run.keepsOutputOpen || run.outputOutlivesIt;
  }
  *process = Process(NewHandle({Opened::Process, launch}), NewHandle({Opened::Thread, launch}),
                     1000 + static_cast<std::uint32_t>(launch));
  return true;
}

bool MemoryPlatform::WaitForProcess(const Process& process, bool windowSearch) {
  const Opened* child = Opening(process.NativeHandle(), Opened::Process);
  if (!child) return false;
  launches_[child->index].waitedFor = true;
  launches_[child->index].windowSearch = windowSearch;
  return !runs_[child->index].waitFails;
}

// Output is in the pipe from the start: only a program holding it open waits; a hung
// one uses up the budget, one whose own process has ended is reported at once.
PipeWait MemoryPlatform::WaitForPipe(const File& readEnd, const Process& process,
                                     std::uint32_t* budgetMs) {
  const Opened* reader = Opening(readEnd.NativeHandle(), Opened::PipeRead);
  if (!reader) return PipeWait::Readable;  // the read itself then fails
  const PipeBuffer& pipe = pipes_[reader->index];
  if (pipe.readPosition < pipe.data.size() || pipe.openWriters == 0) return PipeWait::Readable;
  const Opened* child = Opening(process.NativeHandle(), Opened::Process);
  if (child && !runs_[child->index].keepsOutputOpen) return PipeWait::ChildEnded;
  pipeWaitMs_ += *budgetMs;
  *budgetMs = 0;
  return PipeWait::TimedOut;
}

std::wstring MemoryPlatform::AnsiToWide(const std::string& text) {
  std::wstring wide;
  for (unsigned char c : text) wide += Widen(c);
  return wide;
}

std::string MemoryPlatform::WideToAnsi(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) {
    const wchar_t* high = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
    narrow += high != std::end(kCp1252High) ? static_cast<char>(0x80 + (high - kCp1252High))
              : c < 256 && Widen(static_cast<unsigned char>(c)) == c ? static_cast<char>(c)
                                                                     : '?';
  }
  return narrow;
}

}  // namespace carafe
