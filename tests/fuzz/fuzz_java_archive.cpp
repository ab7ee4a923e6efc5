// The Java archive as written to the temporary folder: its OffsetTable,
// sections and resource records. The launcher's reader and mksetup's lister
// must agree on whether it opens and on every section and resource.
#include "container/java_archive.h"
#include "core/reader_log.h"
#include "fuzz_system.h"
#include "mksetup/listing.h"

using namespace carafe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* path = "C:\\TEMP\\rerodova.class";
  ReadAsFile(data, size, path, [&](const std::string& bytes, File& log) {
    JavaArchive reader;
    ArchiveReport report;
    format::ArchiveTable table;
    std::string error;
    const bool opened = reader.Open(path, &report),
               listed = mksetup::ListArchive(bytes, &table, &error);
    LogArchiveRead(&log, true, report);  // every name through the formatter
    bool inside = true;
    for (const format::ArchiveSectionInfo& want : table.sections) {
      const ArchiveSection* got = opened ? &reader.Sections().at(want.name) : nullptr;
      // Unless a later section of the same name replaced this one.
      const bool same = got && got->ResourceFileOffset() == want.offset;
      Check(!same || got->ResourceListLength() == want.resources.size());
      for (std::size_t i = 0; i < want.resources.size(); ++i) {
        const format::ResourceInfo& resource = want.resources[i];
        const bool readable = format::InsideFile(resource.dataOffset, resource.size, size);
        inside = inside && readable;
        if (!same || resource.size > size) continue;  // the caller's buffer holds the whole size
        std::string read(resource.size + 1, '\0');
        Check(got->Resource(i).Name() == resource.name &&
              got->Resource(i).ReadData(&read[0]) == (readable && resource.size != 0));
      }
    }
    Check(listed == (opened && inside));
  });
  return 0;
}
