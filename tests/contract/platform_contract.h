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
  // Values under HKEY_LOCAL_MACHINE\subkey: REG_SZ and REG_DWORD.
  virtual void SetRegistryText(const std::string& subkey, const std::string& name,
                               const std::string& text) = 0;
  virtual void SetRegistryNumber(const std::string& subkey, const std::string& name,
                                 std::uint32_t number) = 0;
  virtual void SetEnv(const std::string& name, const std::string& value) = 0;
  // A program at path that behaves as "cmd.exe /c echo TEXT": prints TEXT.
  virtual void AddEcho(const std::string& path) = 0;
  virtual void Expect(bool condition, const std::string& what) = 0;
};

struct Case {
  const char* name;
  void (*run)(World& world);
};

// A fresh folder in the temporary folder, ending in a backslash.
inline std::string Scratch(World& w, const std::string& name) {
  std::string temp;
  w.Expect(Os().TempFolder(&temp) && !temp.empty() && temp.back() == '\\',
           "the temporary folder ends in a backslash");
  w.AddFolder(temp + name);
  return temp + name + "\\";
}

inline File Open(const std::string& path, FileAccess access, FileShare share,
                 FileDisposition disposition = FileDisposition::OpenExisting) {
  return Os().OpenFile(path, access, share, disposition);
}

inline void Files(World& w) {
  std::string folder = Scratch(w, "files"), path = folder + "data.bin";
  File writer = Open(path, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  std::uint32_t count = 0;
  std::uint64_t size = 0, position = 0;
  char buffer[16] = {};
  w.Expect(writer.IsOpen(), "a file is created");
  w.Expect(!Open(path, FileAccess::Read, FileShare::ReadWrite).IsOpen(),
           "a file held without sharing does not open again");
  w.Expect(writer.Write("0123456789", 10, &count) && count == 10, "ten bytes are written");
  w.Expect(!writer.Read(buffer, 4, &count), "a file opened for writing is not read");
  writer.Close();
  File reader = Open(path, FileAccess::Read, FileShare::ReadWrite);
  File sharer = Open(path, FileAccess::Read, FileShare::ReadWrite);
  w.Expect(reader.IsOpen() && sharer.IsOpen(), "readers share a file");
  w.Expect(!Open(path, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways).IsOpen(),
           "a file in use is not replaced by a writer that shares nothing");
  w.Expect(!Os().RemoveFile(path), "a file in use is not deleted");
  w.Expect(!reader.Write("x", 1, &count), "a file opened for reading is not written");
  w.Expect(reader.Size(&size) && size == 10, "the size is ten");
  w.Expect(reader.Seek(-3, SeekOrigin::End, &position) && position == 7,
           "a seek from the end reports the new position");
  w.Expect(reader.Read(buffer, sizeof(buffer), &count) && count == 3 &&
               std::memcmp(buffer, "789", 3) == 0,
           "a read at the end delivers what is left");
  w.Expect(reader.Read(buffer, sizeof(buffer), &count) && count == 0,
           "a read past the end succeeds with nothing");
  w.Expect(!reader.Seek(-100, SeekOrigin::Current, &position), "a seek before the start fails");
  w.Expect(reader.Seek(0, SeekOrigin::Current, &position) && position == 10,
           "and leaves the position where it was");
  reader.Close();
  sharer.Close();
  File again = Open(path, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  w.Expect(again.Size(&size) && size == 0, "creating an existing file empties it");
  again.Close();
  std::uint32_t attributes = 0;
  w.Expect(Os().FileAttributes(path, &attributes) && !(attributes & kAttributeDirectory),
           "a file has no directory attribute");
  w.Expect(Os().FileAttributes(folder, &attributes) && (attributes & kAttributeDirectory),
           "a folder has it");
  w.Expect(!Os().RemoveFile(folder), "a folder is not deleted as a file");
  w.Expect(Os().RemoveFile(path) && !Os().FileAttributes(path, &attributes),
           "a deleted file is gone");
  w.Expect(!Os().RemoveFile(path), "deleting it again fails");
  w.Expect(!Open(path, FileAccess::Read, FileShare::ReadWrite).IsOpen(), "nor does it open");
  w.Expect(!Open(folder + "none\\new.bin", FileAccess::Write, FileShare::None,
                 FileDisposition::CreateAlways)
                .IsOpen(),
           "no file is created in a missing folder");
}

inline void Listing(World& w) {
  std::string folder = Scratch(w, "listing");
  w.AddFolder(folder + "Sub");
  Open(folder + "JAVA.EXE", FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
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
  w.Expect(!Os().FindFiles(folder + "jre.exe", &entries) && entries.empty(),
           "no match is a failure");
  w.Expect(!Os().FindFiles(folder + "none\\*.*", &entries), "a missing folder does not list");
  Os().FindFiles("C:\\*.*", &entries);
  w.Expect(std::none_of(entries.begin(), entries.end(),
                        [](const FolderEntry& e) { return e.name == "." || e.name == ".."; }),
           "a drive's root lists neither . nor ..");
}

// The ANSI calls take paths shorter than MAX_PATH and fail cleanly past it.
inline void LongPaths(World& w) {
  std::string folder = Scratch(w, "long");
  std::string shortPath = folder + std::string(250 - folder.size() - 9, 'n') + "\\java.exe";
  std::string longPath = folder + std::string(100, 'a') + "\\" + std::string(100, 'b') + "\\" +
                         std::string(100, 'c') + "\\java.exe";
  w.AddFile(shortPath);
  w.AddFile(longPath);
  std::uint32_t attributes = 0;
  std::vector<FolderEntry> entries;
  w.Expect(Os().FileAttributes(shortPath, &attributes), "a path of 250 characters is found");
  w.Expect(!Os().FileAttributes(longPath, &attributes), "one of over 300 characters is not");
  w.Expect(!Os().FindFiles(longPath, &entries) && entries.empty(), "nor listed");
  w.Expect(!Open(longPath, FileAccess::Read, FileShare::ReadWrite).IsOpen(), "nor opened");
  w.Expect(!Os().RemoveFile(longPath), "nor deleted");
  w.Expect(
      !Open(longPath + ".new", FileAccess::Write, FileShare::None, FileDisposition::CreateAlways)
           .IsOpen(),
      "and nothing is created there");
}

inline void Registry(World& w) {
  const std::string key = "Software\\CarafeContract";
  const std::string fits(kMaxPath - 1, 'h');
  w.SetRegistryText(key, "Fits", fits);
  w.SetRegistryText(key, "OneOver", fits + "h");
  w.SetRegistryNumber(key, "Number", 0x0102032a);
  const struct {
    std::string subkey, name;
    bool found;
    std::string bytes;
    const char* what;
  } table[] = {
      {key, "Fits", true, fits + '\0', "a text and its terminator fill the 260-byte buffer"},
      {"SOFTWARE\\carafecontract", "FITS", true, fits + '\0', "names match without regard to case"},
      {key, "OneOver", false, "", "a text one byte longer does not fit"},
      {key, "Number", true, std::string("\x2a\x03\x02\x01", 4), "a number comes as its bytes"},
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
  w.Expect(Os().DriveKind("C:\\") == kDriveFixed, "C: is a fixed drive");
  w.Expect(Os().FreeSpace("C:\\", &space) && space.bytesPerSector > 0 &&
               space.sectorsPerCluster > 0 && space.freeClusters <= space.totalClusters,
           "C: reports its free space");
  w.Expect(Os().DriveKind("Q:\\") == kDriveNoRootDir, "an absent drive has no root");
  w.Expect(!Os().FreeSpace("Q:\\", &space), "nor free space");
  std::string windows = Os().WindowsFolder(), system = Os().SystemFolder();
  w.Expect(!windows.empty() && system.compare(0, windows.size(), windows) == 0 &&
               Os().FileAttributes(system, &attributes) && (attributes & kAttributeDirectory),
           "the system folder is a folder in the Windows folder");
}

inline void Processes(World& w) {
  w.AddEcho(Os().SystemFolder() + "\\cmd.exe");
  Pipe pipe;
  w.Expect(Os().OpenPipe(&pipe), "a pipe opens");
  ProcessStart start{"cmd.exe /c echo captured", kShowHide, true, &pipe.writeEnd, true};
  Process child;
  w.Expect(Os().StartProcess(start, &child) && child.IsStarted(),
           "a program of the system folder starts by its bare name");
  pipe.writeEnd.Close();
  std::uint32_t budget = 10000, count = 0;
  w.Expect(Os().WaitForPipe(pipe.readEnd, child, &budget) == PipeWait::Readable && budget > 0,
           "its output makes the pipe readable within the budget");
  std::string output;
  char chunk[64];
  while (pipe.readEnd.Read(chunk, sizeof(chunk), &count) && count > 0) output.append(chunk, count);
  w.Expect(output == "captured\r\n" && count == 0, "its output is read to the end");
  w.Expect(Os().WaitForProcess(child, false), "the wait returns when the child has ended");
  budget = 50;
  w.Expect(Os().WaitForPipe(pipe.readEnd, child, &budget) == PipeWait::Readable,
           "a drained pipe without writers reads at once");

  std::string spaced = Scratch(w, "processes") + "echo dir\\cmd.exe";
  w.AddEcho(spaced);
  Process blank;
  w.Expect(
      Os().StartProcess({spaced + " /c echo blank", kShowHide, false, nullptr, true}, &blank) &&
          Os().WaitForProcess(blank, false),
      "an unquoted path with a blank starts through its prefixes");
  Process none;
  w.Expect(!Os().StartProcess({"C:\\no\\such\\program.exe"}, &none) && !none.IsStarted(),
           "a missing program does not start");
  w.Expect(!Os().StartProcess({""}, &none), "nor does an empty command line");
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
