// The platform contract: what the launcher relies on from its seam, written
// once. tests/unit/platform_contract_test.cpp runs it on the in-memory
// platform, wine_contract.cpp under Wine on the Win32 one, so the fake the
// unit tests stand on must give Windows' answer to every check here.
//
// A World makes what the seam cannot and hears the verdicts:
//   AddFolder(path)
//   SetRegistryValue(subkey, name, bytes, view)  REG_SZ under HKEY_LOCAL_MACHINE
//   SetEnv(name, value)
//   AddEcho(path)                          a program that runs as "cmd.exe /c echo TEXT"
//   Expect(condition, what)
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace carafe::contract {

constexpr FileShare kShare = FileShare::ReadWrite, kNoShare = FileShare::None;

inline File Open(const std::string& path, FileShare share, bool create = false) {
  return Os().OpenFile(path, create ? FileAccess::Write : FileAccess::Read, share,
                       create ? FileDisposition::CreateAlways : FileDisposition::OpenExisting);
}

// A hidden start without a console window.
inline ProcessStart Start(const std::string& line, bool inherit = false,
                          const File* output = nullptr) {
  ProcessStart start;
  start.commandLine = line, start.showState = kShowHide, start.inheritHandles = inherit;
  start.standardOutput = output, start.createNoWindow = true;
  return start;
}

template <class World>
void RunAll(World& w) {
  std::string temp, value, output, fits(kMaxPath - 1, 'h');
  w.Expect(Os().TempFolder(&temp) && temp.back() == '\\', "the temporary folder ends in \\");
  const std::string folder = temp + "contract\\", path = folder + "data.bin";
  w.AddFolder(folder);
  std::uint32_t count = 0, attributes = 0, budget = 10000;
  std::uint64_t at = 0;
  char chunk[64];

  // Files: share modes, reads to the end, seeks, deletion.
  File writer = Open(path, kNoShare, true);
  w.Expect(writer.Write("0123456789", 10, &count) && !Open(path, kShare).IsOpen(),
           "a file held without sharing does not open again");
  w.Expect(writer.Close() && !writer.IsOpen() && !writer.Close() && !writer.Size(&at),
           "a closed file is not open, and neither closes nor reports a size again");
  File first = Open(path, kShare), reader = std::move(first);
  w.Expect(!first.IsOpen() && Open(path, kShare).IsOpen() && !Open(path, kNoShare, true).IsOpen() &&
               !Os().RemoveFile(path),
           "a moved file leaves its source empty; readers share a file, which is kept meanwhile");
  w.Expect(reader.Seek(-3, SeekOrigin::End, &at) && at == 7 && reader.Read(chunk, 8, &count) &&
               count == 3 && reader.Read(chunk, 8, &count) && count == 0 &&
               !reader.Seek(-11, SeekOrigin::Current, &at),
           "a read delivers what is left, then nothing; a seek before the start fails");
  reader.Close();
  w.Expect(Os().FileAttributes(folder, &attributes) && (attributes & kAttributeDirectory) &&
               Os().RemoveFile(path) && !Os().FileAttributes(path, &attributes) &&
               !Os().RemoveFile(path) && !Os().RemoveFile(folder),
           "a folder has the directory attribute; a file is deleted once, a folder not");

  // Listings.
  w.AddFolder(folder + "Sub");
  Open(folder + "JAVA.EXE", kNoShare, true);
  std::vector<FolderEntry> one, all, none;
  w.Expect(Os().FindFiles(folder + "java.exe", &one) && one.size() == 1 &&
               one[0].name == "JAVA.EXE" && !one[0].IsFolder() &&
               !Os().FindFiles(folder + "jre.exe", &none) &&
               !Os().FindFiles(folder + "no\\*", &none) && Os().FindFiles(folder + "*.*", &all) &&
               all.size() == 4 && all[0].name == "." && all[1].name == "..",
           "names match regardless of case; a folder lists . and .. first, then its entries");

  // Registry and environment: a value needs room for its terminator; names ignore case.
  std::vector<std::uint8_t> data, nothing, other;
  const RegistryView own = RegistryView::Own;
  w.SetRegistryValue("Software\\Carafe", "Fits", fits + '\0', own);
  w.SetRegistryValue("Software\\Carafe", "Over", fits + "h" + '\0', own);
  w.SetRegistryValue("Software\\Carafe", "Other", std::string("64\0", 3), RegistryView::Other);
  w.SetEnv("CONTRACT_FOUR", "abcd");
  w.Expect(Os().ReadRegistryValue("Software\\Carafe", "Other", 3, RegistryView::Other, &other) &&
               other.size() == 3 &&
               !Os().ReadRegistryValue("Software\\Carafe", "Other", 3, own, &nothing),
           "a value of the other registry view is read there, not in the process's own");
  w.Expect(Os().ReadRegistryValue("SOFTWARE\\carafe", "FITS", kMaxPath, own, &data) &&
               !Os().ReadRegistryValue("Software\\Carafe", "Over", kMaxPath, own, &nothing) &&
               !Os().ReadRegistryValue("Software\\Carafe", "None", kMaxPath, own, &nothing) &&
               data.size() == kMaxPath && Os().EnvironmentValue("contract_four", 5, &value) &&
               value == "abcd" && !Os().EnvironmentValue("CONTRACT_FOUR", 4, &value) &&
               !Os().EnvironmentValue("CONTRACT_NONE", 99, &value),
           "a value fits a buffer one longer than itself; one too long or missing fails");

  // Drives and text.
  DiskFreeSpace space;
  w.Expect(
      Os().DriveKind("C:\\") == kDriveFixed && Os().FreeSpace("C:\\", &space) &&
          space.bytesPerSector > 0 && space.freeClusters <= space.totalClusters &&
          Os().DriveKind("Q:\\") == kDriveNoRootDir && !Os().FreeSpace("Q:\\", &space) &&
          Os().AnsiToWide("caf\xe9 \x80") == L"caf\u00e9 \u20ac" &&
          Os().WideToAnsi(L"caf\u00e9 \u20ac \u4e2d") == "caf\xe9 \x80 ?",
      "C: is fixed with free space, an absent drive neither; text goes through code page 1252");

  // Processes and pipes.
  w.AddEcho(Os().SystemFolder() + "\\cmd.exe");
  w.AddEcho(folder + "echo dir.exe");
  Pipe pipe;
  Process child;
  bool started = Os().OpenPipe(&pipe) &&
                 Os().StartProcess(Start("cmd.exe /c echo out", true, &pipe.writeEnd), &child);
  pipe.writeEnd.Close();
  bool readable = Os().WaitForPipe(pipe.readEnd, child, &budget) == PipeWait::Readable;
  while (pipe.readEnd.Read(chunk, sizeof(chunk), &count) && count > 0) output.append(chunk, count);
  w.Expect(started && readable && budget > 0 && output == "out\r\n" &&
               Os().WaitForProcess(child, false) &&
               Os().StartProcess(Start(folder + "echo dir.exe /c echo"), &child) &&
               !Os().StartProcess(Start("C:\\no\\such.exe"), &child) &&
               !Os().StartProcess(Start(""), &child),
           "a system program starts by its bare name, its output read to the end, and ends; an "
           "unquoted path with a blank starts through its prefixes; a missing one does not");
}

}  // namespace carafe::contract
