// Loading the setup container and writing its sections out.
#include <algorithm>
#include <functional>

#include "container/binary_readers.h"
#include "container/extraction.h"
#include "container/log_writer.h"
#include "core/launcher.h"
#include "string_ids.h"

namespace carafe {

namespace {

// The Java archive, several megabytes, goes out in chunks of this size.
constexpr std::uint32_t kArchiveChunkBytes = 1024;
constexpr std::uint32_t kOneWrite = 0;

// Where WriteFile reads from when a section is empty: never a null pointer.
const std::uint8_t kNoBytes[1] = {0};

const std::uint8_t* BytesOf(const std::vector<std::uint8_t>& buffer) {
  return buffer.empty() ? kNoBytes : buffer.data();
}

// What both extraction steps do once the container is loaded: check the
// room, then write the section's buffer into the temporary directory in
// chunks of chunkBytes (kOneWrite: all at once). A file that cannot be
// created is no failure here: the class-file check that follows decides.
bool ExtractSection(const ContainerSection& section, const std::vector<std::uint8_t>& buffer,
                    std::uint32_t chunkBytes, const char* extractingFormat, const File* log,
                    const std::function<void()>& showNoRoomBox, std::string* path, bool* written) {
  std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
  std::string folder;
  if (!FindTempDirWithSpace(&folder, size)) {
    showNoRoomBox();
    WriteLog(log, FormatEntry("\r\n%s %s %s (%d)\r\n", LoadLabel(IDS_NOT_ENOUGH_SPACE).c_str(),
                              section.Name().c_str(), LoadLabel(IDS_OF_SIZE).c_str(),
                              static_cast<int>(size)));
    return false;
  }
  std::string target = folder + section.Name();
  if (LogAll()) {
    WriteLog(log,
             FormatEntry(extractingFormat, LoadLabel(IDS_EXTRACTING_FILE).c_str(), target.c_str()));
  }

  File file = Os().OpenFile(target, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
  if (file.IsOpen()) {
    std::uint32_t step = chunkBytes == kOneWrite ? size : chunkBytes;
    std::uint32_t done = 0;
    do {
      std::uint32_t chunk = std::min(step, size - done);
      std::uint32_t transferred = 0;
      file.Write(BytesOf(buffer) + done, chunk, &transferred);
      if (transferred != chunk) {
        WriteLog(log,
                 FormatEntry("\r\n%s %s %s ...\r\n", LoadLabel(IDS_ERROR_OCCURED_WHILE).c_str(),
                             LoadLabel(IDS_EXTRACTING_FILE).c_str(), target.c_str()));
        return false;
      }
      done += chunk;
    } while (done < size);
    *written = true;
  }
  *path = target;
  return true;
}

}  // namespace

bool Launcher::ReadSetupContainer() {
  std::string path = Os().WideToAnsi(FromPath(ModulePath()));
  if (!container.Open(path, &logFile)) {
    WriteLog(&logFile,
             FormatEntry("\r\n %s %s\r\n", LoadLabel(IDS_READ_FAILED).c_str(), path.c_str()));
    ShowStopMessage(IDS_READ_FAILED, false);
    return false;
  }
  const std::uint8_t types[3] = {kJavaArchiveSection, kVerifyClassSection, kSearchCriteriaSection};
  for (int i = 0; i < 3; ++i) {
    if (!container.Section(types[i]).ReadData(&sectionBuffers[i])) {
      WriteLog(&logFile,
               FormatEntry("\r\n %s %s %s\r\n", LoadLabel(IDS_CORRUPTED).c_str(),
                           LoadLabel(IDS_INSTALLATION_EXECUTABLE).c_str(), path.c_str()));
      ShowStopMessage(IDS_INVALID_EXECUTABLE, true);
      return false;
    }
  }
  containerLoaded = true;
  return true;
}

bool Launcher::ExtractVerifyClass() {
  if (!containerLoaded && !ReadSetupContainer()) return false;
  // A few kilobytes: one write.
  return ExtractSection(
      container.Section(kVerifyClassSection), sectionBuffers[kVerifyClassSection - 1], kOneWrite,
      "\r\n%s %s ...\r\n", &logFile,
      [this] { ShowStopMessage(IDS_INSUFFICIENT_DISK_SPACE, true); }, &verifyClassPath,
      &verifyClassWritten);
}

bool Launcher::ExtractJavaArchive() {
  if (!containerLoaded && !ReadSetupContainer()) return false;
  return ExtractSection(
      container.Section(kJavaArchiveSection), sectionBuffers[kJavaArchiveSection - 1],
      kArchiveChunkBytes, "\r\n%s %s ....\r\n", &logFile,
      [this] { ShowStopMessage(IDS_INSUFFICIENT_DISK_SPACE, true); }, &archivePath,
      &javaArchiveWritten);
}

bool Launcher::ExtractSearchCriteria() {
  if (!containerLoaded && !ReadSetupContainer()) return false;
  if (LogAll()) {
    WriteLog(&logFile,
             FormatEntry("\r\n%s...\r\n", LoadLabel(IDS_EXTRACTING_CRITERIA).c_str()));
  }
  const std::vector<std::uint8_t>& buffer = sectionBuffers[kSearchCriteriaSection - 1];
  std::string text;
  if (!ParseString16(buffer.data(), buffer.size(), &text)) return false;
  searchCriteria = text;
  return !searchCriteria.empty();
}

}  // namespace carafe
