// The platform contract: what the launcher relies on from its seam, written
// once. tests/unit/platform_contract_test.cpp runs it on the in-memory
// platform, wine_contract.cpp under Wine on the Win32 one, so the fake the
// unit tests stand on must give Windows' answer to every check here.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace carafe::contract {

// What a case cannot make through the seam itself, and where it reports.
class World {
 public:
  virtual ~World() = default;
  // A folder or an empty file with its parents, at any length of path.
  virtual void AddFolder(const std::string& path) = 0;
  virtual void AddFile(const std::string& path) = 0;
  // A value under HKEY_LOCAL_MACHINE\\subkey: REG_SZ (bytes end in their
  // terminator) or REG_DWORD.
  virtual void SetRegistryValue(const std::string& subkey, const std::string& name, bool text,
                                const std::string& bytes) = 0;
  virtual void SetEnv(const std::string& name, const std::string& value) = 0;
  // A program at path that behaves as "cmd.exe /c echo TEXT": prints TEXT.
  virtual void AddEcho(const std::string& path) = 0;
  virtual void Expect(bool condition, const std::string& what) = 0;
};

struct Case {
  const char* name;
  void (*run)(World& world);
};

constexpr FileAccess kRead = FileAccess::Read, kWrite = FileAccess::Write;
constexpr FileShare kShare = FileShare::ReadWrite, kNoShare = FileShare::None;
constexpr FileDisposition kExisting = FileDisposition::OpenExisting,
                          kCreate = FileDisposition::CreateAlways;

// A fresh folder in the temporary folder, ending in a backslash.
inline std::string Scratch(World& w, const std::string& name) {
  std::string temp;
  w.Expect(Os().TempFolder(&temp) && !temp.empty() && temp.back() == '\\',
           "the temporary folder ends in a backslash");
  w.AddFolder(temp + name);
  return temp + name + "\\";
}

inline void Files(World& w) {
  std::string folder = Scratch(w, "files"), path = folder + "data.bin";
  std::uint32_t count = 0, attributes = 0;
  std::uint64_t size = 0, at = 0;
  char buffer[16] = {};
  File writer = Os().OpenFile(path, kWrite, kNoShare, kCreate);
  w.Expect(writer.Write("0123456789", 10, &count) && count == 10, "ten bytes are written");
  w.Expect(!Os().OpenFile(path, kRead, kShare, kExisting).IsOpen(),
           "a file held without sharing does not open again");
  writer.Close();
  File reader = Os().OpenFile(path, kRead, kShare, kExisting);
  w.Expect(Os().OpenFile(path, kRead, kShare, kExisting).IsOpen(), "readers share a file");
  w.Expect(!Os().OpenFile(path, kWrite, kNoShare, kCreate).IsOpen() && !Os().RemoveFile(path),
           "a file in use is neither replaced by a writer that shares nothing nor deleted");
  w.Expect(reader.Size(&size) && size == 10 && reader.Seek(-3, SeekOrigin::End, &at) && at == 7,
           "a seek from the end reports the position it reached");
  w.Expect(reader.Read(buffer, sizeof(buffer), &count) && count == 3 &&
               std::memcmp(buffer, "789", 3) == 0 && reader.Read(buffer, 4, &count) && count == 0,
           "a read delivers what is left, and past the end nothing");
  w.Expect(!reader.Seek(-100, SeekOrigin::Current, &at) &&
               reader.Seek(0, SeekOrigin::Current, &at) && at == 10,
           "a seek before the start fails and leaves the position");
  reader.Close();
  w.Expect(Os().OpenFile(path, kWrite, kNoShare, kCreate).Size(&size) && size == 0,
           "creating an existing file empties it");
  w.Expect(Os().FileAttributes(path, &attributes) && !(attributes & kAttributeDirectory) &&
               Os().FileAttributes(folder, &attributes) && (attributes & kAttributeDirectory),
           "a folder has the directory attribute, a file not");
  w.Expect(Os().RemoveFile(path) && !Os().FileAttributes(path, &attributes) &&
               !Os().RemoveFile(path) && !Os().RemoveFile(folder),
           "a deleted file is gone; deleting it again fails, as does deleting a folder");
}

inline void Listing(World& w) {
  std::string folder = Scratch(w, "listing");
  w.AddFolder(folder + "Sub");
  Os().OpenFile(folder + "JAVA.EXE", kWrite, kNoShare, kCreate);
  std::vector<FolderEntry> entries;
  w.Expect(Os().FindFiles(folder + "java.exe", &entries) && entries.size() == 1 &&
               entries[0].name == "JAVA.EXE" && !entries[0].IsFolder(),
           "a name matches without regard to case and comes as stored");
  entries.clear();
  Os().FindFiles(folder + "*.*", &entries);
  std::vector<std::string> names;
  for (const FolderEntry& entry : entries)
    names.push_back(entry.name + (entry.IsFolder() ? "\\" : ""));
  std::sort(names.begin(), names.end());
  w.Expect(names == std::vector<std::string>{"..\\", ".\\", "JAVA.EXE", "Sub\\"},
           "a folder lists . and .. and its entries");
  entries.clear();
  w.Expect(!Os().FindFiles(folder + "jre.exe", &entries) && entries.empty() &&
               !Os().FindFiles(folder + "none\\*.*", &entries),
           "no match and a missing folder are failures");
  Os().FindFiles("C:\\*.*", &entries);
  w.Expect(std::none_of(entries.begin(), entries.end(),
                        [](const FolderEntry& e) { return e.name[0] == '.'; }),
           "a drive's root lists neither . nor ..");
}

// The ANSI calls take paths shorter than MAX_PATH and fail cleanly past it.
inline void LongPaths(World& w) {
  std::string folder = Scratch(w, "long");
  std::string fits = folder + std::string(250 - folder.size() - 9, 'n') + "\\java.exe";
  std::string past = folder + std::string(100, 'a') + "\\" + std::string(200, 'b') + "\\java.exe";
  w.AddFile(fits);
  w.AddFile(past);
  std::uint32_t attributes = 0;
  std::vector<FolderEntry> entries;
  w.Expect(Os().FileAttributes(fits, &attributes), "a path of 250 characters is found");
  w.Expect(!Os().FileAttributes(past, &attributes) && !Os().FindFiles(past, &entries) &&
               !Os().OpenFile(past, kRead, kShare, kExisting).IsOpen() &&
               !Os().OpenFile(past + "2", kWrite, kNoShare, kCreate).IsOpen(),
           "one of over 300 is neither found, listed, opened nor created");
}

inline void Registry(World& w) {
  const std::string key = "Software\\CarafeContract";
  const std::string fits(kMaxPath - 1, 'h');
  const std::string number("\x2a\x03\x02\x01", 4);
  w.SetRegistryValue(key, "Fits", true, fits + '\0');
  w.SetRegistryValue(key, "OneOver", true, fits + "h" + '\0');
  w.SetRegistryValue(key, "Number", false, number);
  const struct {
    std::string subkey, name;
    bool found;
    std::string bytes;
    const char* what;
  } table[] = {
      {key, "Fits", true, fits + '\0', "a text and its terminator fill the 260-byte buffer"},
      {"SOFTWARE\\carafecontract", "FITS", true, fits + '\0', "names match without regard to case"},
      {key, "OneOver", false, "", "a text one byte longer does not fit"},
      {key, "Number", true, number, "a number comes as its bytes"},
      {key, "Missing", false, "", "a missing value is not read"},
      {"Software\\CarafeAbsent", "Fits", false, "", "nor is a value of a missing key"},
  };
  for (const auto& row : table) {
    std::vector<std::uint8_t> data;
    bool found = Os().ReadRegistryValue(row.subkey, row.name, kMaxPath, &data);
    w.Expect(found == row.found && std::string(data.begin(), data.end()) == row.bytes, row.what);
  }
}

inline void Environment(World& w) {
  const std::string big(32766, 'p');  // Windows caps a variable at 32,767 characters
  w.SetEnv("CONTRACT_FOUR", "abcd");
  w.SetEnv("CONTRACT_EMPTY", "");
  w.SetEnv("CONTRACT_BIG", big);
  const struct {
    const char* name;
    std::size_t buffer;
    bool found;
    std::string value;
    const char* what;
  } table[] = {
      {"CONTRACT_FOUR", 5, true, "abcd", "a value fills a buffer one longer than itself"},
      {"contract_four", 5, true, "abcd", "names match without regard to case"},
      {"CONTRACT_FOUR", 4, false, "", "a value without room for its terminator does not fit"},
      {"CONTRACT_ABSENT", 100, false, "", "an absent variable is not read"},
      {"CONTRACT_EMPTY", 1, true, "", "an empty variable is present"},
      {"CONTRACT_BIG", 67600, true, big, "a variable at the system's cap is read whole"},
      {"CONTRACT_BIG", big.size(), false, "", "and needs room for its terminator"},
  };
  for (const auto& row : table) {
    std::string value;
    bool found = Os().EnvironmentValue(row.name, row.buffer, &value);
    w.Expect(found == row.found && value == row.value, row.what);
  }
}

inline void DrivesAndFolders(World& w) {
  DiskFreeSpace space;
  std::uint32_t attributes = 0;
  w.Expect(Os().DriveKind("C:\\") == kDriveFixed && Os().FreeSpace("C:\\", &space) &&
               space.bytesPerSector > 0 && space.sectorsPerCluster > 0 &&
               space.freeClusters <= space.totalClusters,
           "C: is a fixed drive and reports its free space");
  w.Expect(Os().DriveKind("Q:\\") == kDriveNoRootDir && !Os().FreeSpace("Q:\\", &space),
           "an absent drive has no root and no free space");
  std::string windows = Os().WindowsFolder(), system = Os().SystemFolder();
  w.Expect(!windows.empty() && system.compare(0, windows.size(), windows) == 0 &&
               Os().FileAttributes(system, &attributes) && (attributes & kAttributeDirectory),
           "the system folder is a folder in the Windows folder");
}

inline void Processes(World& w) {
  w.AddEcho(Os().SystemFolder() + "\\cmd.exe");
  Pipe pipe;
  Process child, none;
  w.Expect(
      Os().OpenPipe(&pipe) &&
          Os().StartProcess({"cmd.exe /c echo out", kShowHide, true, &pipe.writeEnd, true}, &child),
      "a program of the system folder starts by its bare name, its output into a pipe");
  pipe.writeEnd.Close();
  std::uint32_t budget = 10000, count = 0;
  w.Expect(Os().WaitForPipe(pipe.readEnd, child, &budget) == PipeWait::Readable && budget > 0,
           "its output makes the pipe readable within the budget");
  std::string output;
  char chunk[64];
  while (pipe.readEnd.Read(chunk, sizeof(chunk), &count) && count > 0) output.append(chunk, count);
  w.Expect(output == "out\r\n", "the output is read to the end");
  w.Expect(Os().WaitForProcess(child, false), "the wait returns when the child has ended");
  std::string spaced = Scratch(w, "processes") + "echo dir\\cmd.exe";
  w.AddEcho(spaced);
  w.Expect(Os().StartProcess({spaced + " /c echo", kShowHide, false, nullptr, true}, &child),
           "an unquoted path with a blank starts through its prefixes");
  w.Expect(!Os().StartProcess({"C:\\no\\such.exe"}, &none) && !Os().StartProcess({""}, &none),
           "a missing program or an empty command line does not start");
  w.Expect(!Os().WaitForProcess(none, false), "a wait on a process that never started fails");
}

inline void Text(World& w) {
  w.Expect(Os().AnsiToWide("caf\xe9 \x80") == L"caf\u00e9 \u20ac",
           "ANSI text becomes wide text through code page 1252");
  w.Expect(Os().WideToAnsi(L"caf\u00e9 \u20ac") == "caf\xe9 \x80", "and comes back unchanged");
  w.Expect(Os().WideToAnsi(L"\u4e2d") == "?", "a character outside it becomes a question mark");
}

inline const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {{"Files", Files},
                                          {"Listing", Listing},
                                          {"LongPaths", LongPaths},
                                          {"Registry", Registry},
                                          {"Environment", Environment},
                                          {"DrivesAndFolders", DrivesAndFolders},
                                          {"Processes", Processes},
                                          {"Text", Text}};
  return cases;
}

}  // namespace carafe::contract
