// Loading the setup container and writing its sections out.
#include "container/binary_readers.h"
#include "container/extraction.h"
#include "core/launcher.h"
#include "core/reader_log.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

namespace {

// The Java archive, several megabytes, goes out in chunks of this size; the
// verify class, a few kilobytes, in one write.
constexpr std::uint32_t kArchiveChunkBytes = 1024;
constexpr std::uint32_t kOneWrite = 0;

}  // namespace

bool Launcher::ReadSetupContainer() {
  std::string path = AnsiPath(run_.modulePath);
  ContainerReport report;
  const bool opened = run_.container.Open(path, &report);
  LogContainerRead(&run_.logFile, run_.logAll, report);
  if (!opened) {
    Log(FormatEntry("\r\n %s %s\r\n", LoadLabel(IDS_READ_FAILED).c_str(), path.c_str()));
    ShowStopMessage(IDS_READ_FAILED, false);
    return false;
  }
  const std::uint8_t types[3] = {kJavaArchiveSection, kVerifyClassSection, kSearchCriteriaSection};
  for (int i = 0; i < 3; ++i) {
    const ContainerSection& section = run_.container.Section(types[i]);
    // The two class sections become files under their stored names.
    const bool named = types[i] == kSearchCriteriaSection || IsPlainFileName(section.Name());
    if (!named || !section.ReadData(&run_.sectionBuffers[i])) {
      Log(FormatEntry("\r\n %s %s %s\r\n", LoadLabel(IDS_CORRUPTED).c_str(),
                      LoadLabel(IDS_INSTALLATION_EXECUTABLE).c_str(), path.c_str()));
      ShowStopMessage(IDS_INVALID_EXECUTABLE, true);
      return false;
    }
  }
  run_.containerLoaded = true;
  return true;
}

// Checks the room, then writes the section's buffer into the temporary
// folder. A file that cannot be created is no failure here: the run then
// refuses to go on with whatever file holds that name.
bool Launcher::ExtractSection(std::uint8_t type, std::uint32_t chunkBytes,
                              const char* extractingFormat, std::string* path, bool* written) {
  if (!run_.containerLoaded && !ReadSetupContainer()) return false;
  const ContainerSection& section = run_.container.Section(type);
  const MemoryBlock& buffer = run_.sectionBuffers[type - 1];
  const std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
  std::string folder;
  if (!FindTempDirWithSpace(&folder, size)) {
    ShowStopMessage(IDS_INSUFFICIENT_DISK_SPACE, true);
    LogNoRoom(section.Name(), size);
    return false;
  }
  const std::string target = folder + section.Name();
  File file = CreateTempFile(target, extractingFormat);
  if (file.IsOpen()) {
    if (!WriteAll(file, buffer.data(), size, chunkBytes, target)) return false;
    *written = true;
  }
  *path = target;
  return true;
}

bool Launcher::ExtractVerifyClass() {
  return ExtractSection(kVerifyClassSection, kOneWrite, "\r\n%s %s ...\r\n", &run_.verifyClassPath,
                        &run_.verifyClassWritten);
}

bool Launcher::ExtractJavaArchive() {
  return ExtractSection(kJavaArchiveSection, kArchiveChunkBytes, "\r\n%s %s ....\r\n",
                        &run_.archivePath, &run_.javaArchiveWritten);
}

bool Launcher::ExtractSearchCriteria() {
  if (!run_.containerLoaded && !ReadSetupContainer()) return false;
  if (run_.logAll) Log(FormatEntry("\r\n%s...\r\n", LoadLabel(IDS_EXTRACTING_CRITERIA).c_str()));
  const MemoryBlock& buffer = run_.sectionBuffers[kSearchCriteriaSection - 1];
  std::string text;
  if (!ParseString16(buffer.data(), buffer.size(), &text)) return false;
  run_.searchCriteria = text;
  return !run_.searchCriteria.empty();
}

}  // namespace carafe
