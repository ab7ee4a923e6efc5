// Writing the run's files into the temporary folder: the two class files from
// the setup container and the bundled JVM installer from the Java archive.
#include <algorithm>

#include "container/extraction.h"
#include "core/launcher.h"
#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

namespace {

// Where WriteFile reads from when there is nothing to write: never a null
// pointer.
const std::uint8_t kNoBytes[1] = {0};

}  // namespace

void Launcher::LogNoRoom(const std::string& name, std::uint32_t size) const {
  Log(FormatEntry("\r\n%s %s %s (%d)\r\n", LoadLabel(IDS_NOT_ENOUGH_SPACE).c_str(), name.c_str(),
                  LoadLabel(IDS_OF_SIZE).c_str(), static_cast<int>(size)));
}

File Launcher::CreateTempFile(const std::string& path, const char* extractingFormat) const {
  if (run_.logAll)
    Log(FormatEntry(extractingFormat, LoadLabel(IDS_EXTRACTING_FILE).c_str(), path.c_str()));
  return Os().OpenFile(path, FileAccess::Write, FileShare::None, FileDisposition::CreateAlways);
}

bool Launcher::WriteAll(const File& file, const std::uint8_t* bytes, std::uint32_t size,
                        std::uint32_t chunkBytes, const std::string& path) const {
  if (bytes == nullptr) bytes = kNoBytes;
  const std::uint32_t step = chunkBytes == 0 ? size : chunkBytes;
  std::uint32_t done = 0;
  do {
    std::uint32_t chunk = std::min(step, size - done);
    std::uint32_t transferred = 0;
    file.Write(bytes + done, chunk, &transferred);
    if (transferred != chunk) {
      Log(FormatEntry("\r\n%s %s %s ...\r\n", LoadLabel(IDS_ERROR_OCCURED_WHILE).c_str(),
                      LoadLabel(IDS_EXTRACTING_FILE).c_str(), path.c_str()));
      return false;
    }
    done += chunk;
  } while (done < size);
  return true;
}

}  // namespace carafe
