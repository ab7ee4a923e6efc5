// The Java archive as written to the temporary folder: its OffsetTable,
// sections and resource records, read by the launcher's reader and by the
// format module (and so mksetup's lister), which must agree on every
// section and resource.
#include <cstddef>
#include <cstdint>
#include <string>

#include "container/java_archive.h"
#include "core/reader_log.h"
#include "fuzz_system.h"
#include "mksetup/listing.h"

using namespace carafe;
using namespace carafe::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSystem system;
  MemoryPlatform& os = system.os;
  const std::string bytes = Text(data, size);
  os.AddFile("C:\\TEMP\\rerodova.class", bytes);
  {
    File log = system.OpenLog();
    JavaArchive reader;
    ArchiveReport report;
    const bool opened = reader.Open("C:\\TEMP\\rerodova.class", &report);
    // With the detailed entries, which put every name through the formatter.
    LogArchiveRead(&log, true, report);
    format::ArchiveTable table;
    FUZZ_CHECK(opened == (format::DecodeJavaArchive(bytes, &table) == format::ArchiveFault::None));
    bool inside = true;
    for (const format::ArchiveSectionInfo& expected : table.sections) {
      for (const format::ResourceInfo& resource : expected.resources)
        inside = inside && format::InsideFile(resource.dataOffset, resource.size, size);
      if (!opened) continue;
      const ArchiveSection& section = reader.Sections().at(expected.name);
      if (section.ResourceFileOffset() != expected.offset) continue;  // a later one of its name
      FUZZ_CHECK(section.ResourceCount() == expected.fields.resourceCount &&
            section.PayloadSize() == expected.fields.payloadSize &&
            section.Compressed() == expected.fields.compressed &&
            section.ResourceListLength() == expected.resources.size());
      for (std::size_t i = 0; i < expected.resources.size(); ++i) {
        const ArchiveResource& resource = section.Resource(i);
        const format::ResourceInfo& want = expected.resources[i];
        FUZZ_CHECK(resource.Name() == want.name && resource.Flag() == want.flag &&
              resource.Size() == want.size && resource.DataOffset() == want.dataOffset);
        // The caller's buffer holds the whole size: no more than the file is asked for.
        if (want.size > size) continue;
        const bool readable = want.size != 0 && format::InsideFile(want.dataOffset, want.size, size);
        std::string read(want.size + 1, '\0');
        FUZZ_CHECK(resource.ReadData(&read[0]) == readable);
        if (readable) {
          FUZZ_CHECK(read.substr(0, want.size) ==
                bytes.substr(static_cast<std::size_t>(want.dataOffset), want.size));
        }
      }
    }
    if (opened) FUZZ_CHECK(reader.Sections().size() <= report.sectionCount);
    format::ArchiveTable listed;
    std::string error;
    FUZZ_CHECK(mksetup::ListArchive(bytes, &listed, &error) == (opened && inside));
    FUZZ_CHECK(os.OpenHandleCount() == 1);
  }
  FUZZ_CHECK(os.OpenHandleCount() == 0);
  return 0;
}
