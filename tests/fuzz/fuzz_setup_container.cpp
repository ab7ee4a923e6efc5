// A setup executable: its PE headers, the container table behind them and
// the sections it names. The launcher's reader and mksetup's lister must
// agree on whether it opens and on how many sections it holds. The lister
// also decodes the image's resources (the author's name, icon and version).
#include <sstream>

#include "container/setup_container.h"
#include "core/reader_log.h"
#include "fuzz_system.h"
#include "mksetup/branding.h"
#include "mksetup/listing.h"

void FuzzOne(FuzzSystem& system, const std::string& input) {
  ContainerReport report;
  mksetup::SetupListing listing;
  const bool opened = SetupContainer().Open(kInputPath, &report),
             listed = mksetup::ListSetup(input, &listing, &system.error);
  LogContainerRead(&system.log, true, report);  // every name through the formatter
  bool inside = true;                           // the lister also refuses data past the end
  for (const format::ContainerSectionInfo& section : listing.table.sections)
    inside = inside && format::InsideFile(section.dataOffset, section.dataSize, input.size());
  std::ostringstream branding;
  mksetup::PrintBranding(input, branding);
  Check(listed == (opened && inside) &&
        (!opened || report.entries.size() == listing.table.sections.size()));
}
