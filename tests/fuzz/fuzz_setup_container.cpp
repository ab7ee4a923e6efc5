// A setup executable: its PE headers, the container table behind them and
// the sections it names. The launcher's reader and mksetup's lister must
// agree on whether it opens and on every section the launcher would use.
#include "container/setup_container.h"
#include "core/reader_log.h"
#include "fuzz_system.h"
#include "mksetup/listing.h"

using namespace carafe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* path = "C:\\SETUP\\setup.exe";
  ReadAsFile(data, size, path, [&](const std::string& bytes, File& log) {
    SetupContainer reader;
    ContainerReport report;
    mksetup::SetupListing listing;
    std::string error;
    const bool opened = reader.Open(path, &report),
               listed = mksetup::ListSetup(bytes, &listing, &error);
    LogContainerRead(&log, true, report);  // every name through the formatter
    bool inside = true;
    for (const format::ContainerSectionInfo& entry : listing.table.sections) {
      inside = inside && format::InsideFile(entry.dataOffset, entry.dataSize, size);
      if (!opened) continue;
      // The launcher uses the last section of a type.
      const format::ContainerSectionInfo& last = *mksetup::FindSection(listing, entry.entry.type);
      const ContainerSection& section = reader.Section(entry.entry.type);
      std::vector<std::uint8_t> read;
      Check(section.Name() == last.name && section.DataOffset() == last.dataOffset &&
            section.ReadData(&read) == format::InsideFile(last.dataOffset, last.dataSize, size) &&
            (read.empty() || std::int64_t(read.size()) == last.dataSize));
    }
    Check(listed == (opened && inside));
  });
  return 0;
}
