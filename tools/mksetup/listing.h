// `mksetup list`: what a setup executable or a Java archive holds, decoded
// by the launcher's own format module so that the two cannot disagree.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "format/java_archive_format.h"
#include "format/pe_image.h"
#include "format/setup_container_format.h"
#include "mksetup/commands.h"

namespace mksetup {

struct SetupListing {
  std::uint64_t fileSize = 0;
  carafe::format::ContainerTable table;
  // Whether the headers have a security directory entry at all, and where it points.
  bool hasSecurityDirectory = false;
  carafe::format::SecurityDirectory security;
};

// The setup's image end and table. False with a message at the first thing
// the launcher would refuse, a section whose data runs past the end
// included; listing then holds what was read before it.
bool ListSetup(std::string_view setup, SetupListing* listing, std::string* error);

// The entry the launcher would use for type: the last one in the table.
const carafe::format::ContainerSectionInfo* FindSection(const SetupListing& listing,
                                                         std::uint8_t type);

// The archive's sections and the resources of its uncompressed ones. False
// with a message where the launcher would stop, or where a resource's data
// runs past the end.
bool ListArchive(std::string_view archive, carafe::format::ArchiveTable* table,
                 std::string* error);

void PrintSetupListing(std::string_view setup, const SetupListing& listing, std::ostream& out);
void PrintArchiveListing(std::string_view archive, const carafe::format::ArchiveTable& table,
                         std::ostream& out);

// list setup.exe | list rerodova.class
int ListCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace mksetup
