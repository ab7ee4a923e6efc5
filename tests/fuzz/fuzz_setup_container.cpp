// A setup executable: its PE headers, the container table behind them and
// the sections it names, read by the launcher's reader, by the format module
// and by mksetup's lister, which must agree on whether it opens and on every
// section the launcher would use.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "container/setup_container.h"
#include "core/reader_log.h"
#include "fuzz_system.h"
#include "mksetup/listing.h"

using namespace carafe;
using namespace carafe::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSystem system;
  MemoryPlatform& os = system.os;
  const std::string bytes = Text(data, size);
  os.AddFile("C:\\SETUP\\setup.exe", bytes);
  {
    File log = system.OpenLog();
    SetupContainer reader;
    ContainerReport report;
    const bool opened = reader.Open("C:\\SETUP\\setup.exe", &report);
    // With the detailed entries, which put every name through the formatter.
    LogContainerRead(&log, true, report);
    format::ContainerTable table;
    FUZZ_CHECK(opened == (format::DecodeContainer(bytes, &table) == format::ContainerFault::None));
    mksetup::SetupListing listing;
    std::string error;
    const bool listed = mksetup::ListSetup(bytes, &listing, &error);
    bool inside = true;
    for (const format::ContainerSectionInfo& entry : listing.table.sections) {
      inside = inside && format::InsideFile(entry.dataOffset, entry.dataSize, size);
      if (!opened) continue;
      const format::ContainerSectionInfo& last = *mksetup::FindSection(listing, entry.entry.type);
      const ContainerSection& section = reader.Section(entry.entry.type);
      FUZZ_CHECK(section.Name() == last.name && section.DataSize() == last.dataSize &&
            section.DataOffset() == last.dataOffset);
      std::vector<std::uint8_t> read;
      const bool readable = format::InsideFile(last.dataOffset, last.dataSize, size);
      FUZZ_CHECK(section.ReadData(&read) == readable);
      if (readable) {
        FUZZ_CHECK(std::string(read.begin(), read.end()) ==
              bytes.substr(static_cast<std::size_t>(last.dataOffset), last.dataSize));
      }
    }
    FUZZ_CHECK(listed == (opened && inside));
    FUZZ_CHECK(os.OpenHandleCount() == 1);  // readers hold paths, never files: only the log
  }
  FUZZ_CHECK(os.OpenHandleCount() == 0);
  return 0;
}
