// The Java archive as written to the temporary folder: its OffsetTable,
// sections and resource records. The launcher's reader and mksetup's lister
// must agree on whether it opens and on how many sections it holds.
#include "container/java_archive.h"
#include "core/reader_log.h"
#include "fuzz_system.h"
#include "mksetup/listing.h"

void FuzzOne(FuzzSystem& system, const std::string& input) {
  ArchiveReport report;
  format::ArchiveTable table;
  const bool opened = JavaArchive().Open(kInputPath, &report),
             listed = mksetup::ListArchive(input, &table, &system.error);
  LogArchiveRead(&system.log, true, report);  // every name through the formatter
  bool inside = true;                         // the lister also refuses resource data past the end
  for (const format::ArchiveSectionInfo& section : table.sections)
    for (const format::ResourceInfo& resource : section.resources)
      inside = inside && format::InsideFile(resource.dataOffset, resource.size, input.size());
  Check(listed == (opened && inside) &&
        (!opened || report.sections.size() == table.sections.size()));
}
